// The cookie folder's nine-line records.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/cookie/cookie_text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    pelmora::cookie::cookieFileMentions(text, "nicovideo.jp");
    pelmora::cookie::cookieFileMentions(text, "");
    const std::string pairs = pelmora::cookie::cookieFilePairs(text);
    (void)pairs;
    return 0;
}
