// The "decode" mode over a local file's bytes: the document test, UTF-8 decoding and the walk.
#include <cstddef>
#include <cstdint>

#include "engine/parse/local_file.h"
#include "engine/pelmora2.h"
#include "fuzz_input.h"

using namespace pelmora::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ParseContext context;
    const char* bytes = reinterpret_cast<const char*>(data);
    const int code = decodeCommentBytes(bytes, size, context);
    pelmora::fuzz::require(code == PELMORA_RESULT_SUCCESS || code == PELMORA_RESULT_NOT_USABLE);
    pelmora::fuzz::require(code == PELMORA_RESULT_SUCCESS || context.chats.IsEmpty());
    pelmora::fuzz::require((code == PELMORA_RESULT_SUCCESS) == looksLikeCommentXml(bytes, size));
    return 0;
}
