// One message of the segmented comment stream as a chat element: whatever the message's
// bytes, the element is one chat to the engine's chat walk, and its numbers, its 184 mark
// and its premium flag are the message's own (no typed text forges an attribute).
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/nicolive/chat_element.h"
#include "engine/nicolive/proto/nicolive_edge.pb.h"
#include "engine/parse/chat_parser.h"
#include "fuzz_input.h"

using namespace pelmora::engine;
namespace edge = dwango::nicolive::chat::service::edge;
using dwango::nicolive::chat::data::Chat;
using dwango::nicolive::chat::data::NicoliveMessage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    edge::ChunkedMessage message;
    if (!message.ParseFromArray(data, static_cast<int>(size)))
        return 0;
    std::string element;
    if (!nicolive::appendChatElement(message, "lv1", &element)) {
        pelmora::fuzz::require(element.empty());
        return 0;
    }
    pelmora::fuzz::require(element.find('\0') == std::string::npos);
    const NicoliveMessage& m = message.message();
    const Chat& chat = m.has_chat() ? m.chat() : (m.has_overflowed_chat() ? m.overflowed_chat() : m.forwarded_chat());

    ParseContext context;
    pelmora::fuzz::require(parseChats(context, std::string_view(element), kNoRunningNumbers));
    pelmora::fuzz::require(context.chats.GetCount() == 1);
    const ChatItem& item = context.chats.GetHead();
    pelmora::fuzz::require(item.no == chat.no());
    pelmora::fuzz::require(item.vpos == chat.vpos());
    pelmora::fuzz::require(item.deleted == 0);
    pelmora::fuzz::require(item.premium == (chat.account_status() == Chat::Premium ? 1 : 0));
    const bool anonymous = !chat.has_raw_user_id() && chat.has_hashed_user_id();
    pelmora::fuzz::require(item.anonymity == (anonymous ? 1 : 0));
    // A full colour's hex may read "184" (#018400), and the walk takes any "184" in the mail
    // for the mark, as it always has; without one only an anonymous chat carries it.
    if (anonymous)
        pelmora::fuzz::require(item.mail184 == 184);
    else if (!chat.modifier().has_full_color())
        pelmora::fuzz::require(item.mail184 == 0);
    pelmora::fuzz::require(textOf(item.thread) == u"lv1");
    return 0;
}
