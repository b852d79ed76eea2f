// The video-information answer: the deleted test and the tag sets by domain.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "viewer/core/model/tag_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const qarvo::C_String body(std::string(reinterpret_cast<const char*>(data), size));
    pelmora::viewer::TagLists lists;
    pelmora::viewer::ParseThumbInfo(body, lists);
    for (const auto& set : lists)
        pelmora::fuzz::require(set.texts.size() == set.locked.size());
    return 0;
}
