// The NG list file: any text gives a filter (broken lines are reported, never fatal), and the
// filter answers for any comment.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "viewer/core/model/ng_filter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> errors;
    const auto filter = pelmora::viewer::NgFilter::FromText(text, &errors);
    pelmora::fuzz::require(filter != nullptr);
    // The list's own text as a comment, and a fixed one.
    filter->Matches(qarvo::C_WString(u"user1"), qarvo::C_WString(std::u16string(text.begin(), text.end())));
    filter->Matches(qarvo::C_WString(), qarvo::C_WString(u"ｷﾀ━━━(ﾟ∀ﾟ)━━━!! www"));
    return 0;
}
