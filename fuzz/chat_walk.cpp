// The comment servers' XML walk over any bytes, with and without running numbers: the walk over
// the UTF-8 bytes must give, field for field, what the walk over the whole text converted to
// UTF-16 gave before it (tests/engine/parse/chat_walk_reference.cpp).
#include <cstddef>
#include <cstdint>

#include "engine/parse/chat_parser.h"
#include "fuzz_input.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/parse/chat_walk_reference.h"

using namespace pelmora::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const qarvo::C_WString text = qarvo::common::System::_utf8_to_utf16(bytes.data(), static_cast<int>(size));
    // One context for all runs, emptied each time, as a job keeps its own across cycles.
    static ParseContext walked, expected;
    for (const int first : {kNoRunningNumbers, 1}) {
        walked.clearChats();
        expected.clearChats();
        const bool complete = parseChats(walked, bytes, first);
        pelmora::fuzz::require(complete == reference::parseChats(expected, text.view(), first));
        pelmora::fuzz::require(reference::differenceOf(walked, expected).empty());
        // Every string reaches the caller NUL-terminated and inside the answer's length. Chats
        // never overlap, so what a caller copies out of all of them stays linear: each byte lies
        // in one chat's text or tag, and a tag's three string values may share it.
        size_t units = 0;
        for (const ChatItem& item : walked.chats) {
            pelmora::fuzz::require(textOf(item.text).size() <= size);
            units += textOf(item.text).size() + textOf(item.mail).size() + textOf(item.userId).size() +
                     textOf(item.thread).size();
        }
        pelmora::fuzz::require(units <= 3 * size);
    }
    return 0;
}
