// The comment servers' XML walk over any UTF-8 text, with and without running numbers.
#include <cstddef>
#include <cstdint>

#include "engine/parse/chat_parser.h"
#include "fuzz_input.h"
#include "qarvo/charcode/system_charcode.h"

using namespace pelmora::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const qarvo::C_WString text =
        qarvo::common::System::_utf8_to_utf16(reinterpret_cast<const char*>(data), static_cast<int>(size));
    // One context for all runs, emptied each time, as a job keeps its own across cycles.
    static ParseContext context;
    for (const int first : {kNoRunningNumbers, 1}) {
        context.clearChats();
        parseChats(context, text, first);
        size_t units = 0;
        for (const ChatItem& item : context.chats) {
            // Every string reaches the caller NUL-terminated and inside the answer's length.
            units += textOf(item.text).size() + textOf(item.mail).size() + textOf(item.userId).size() +
                     textOf(item.thread).size();
            pelmora::fuzz::require(textOf(item.text).size() <= text.std().size());
        }
        (void)units;
    }
    return 0;
}
