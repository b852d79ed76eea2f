// An answer's header block: the status line, every header line and the kept fields.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "qarvo/http/response_head.h"

using namespace qarvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string head(reinterpret_cast<const char*>(data), size);
    I_HttpType::tag_HttpStatus status;
    http::parseResponseHead(head.data(), head.size(), &status);
    pelmora::fuzz::require(status.statusCode.Length() < 12);
    const int number = http::statusNumberOf(head.data(), head.size());
    // Three digits after the first space of the status line, or 0 when there are none.
    pelmora::fuzz::require(number >= 0 && number <= 999);
    for (const C_String& line : status.headers) {
        pelmora::fuzz::require(!line.IsEmpty() && !line.Contains("\r") && !line.Contains("\n"));
        http::headerValueOf(line, "Content-Length:");
    }
    return 0;
}
