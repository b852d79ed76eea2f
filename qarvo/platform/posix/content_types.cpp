#include "qarvo/platform/content_types.h"

namespace qarvo::platform {

const char* systemContentTypeTable()
{
    return "/etc/mime.types";
}

}  // namespace qarvo::platform
