#pragma once
// Where the system keeps its table of content types by file extension (mime.types form). The
// Windows build would read the registry's file-type table instead.

namespace qarvo::platform {

// The path of the system's table; it may be missing.
const char* systemContentTypeTable();

}  // namespace qarvo::platform
