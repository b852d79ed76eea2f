#include "engine/handlers/other_sites.h"

#include "engine/pelmora2.h"

namespace pelmora::engine {

// The other sites' page readers are not built yet; until they are, every such address fails
// as a request that found nothing.

int handleYouTube(const char*, qarvo::C_WArrayString&, ParseContext&)
{
    return PELMORA_RESULT_REQUEST_FAILED;
}

int handleSecondSite(const char*, qarvo::C_WArrayString&, ParseContext&)
{
    return PELMORA_RESULT_REQUEST_FAILED;
}

int handleThirdSite(const char*, qarvo::C_WArrayString&, ParseContext&)
{
    return PELMORA_RESULT_REQUEST_FAILED;
}

}  // namespace pelmora::engine
