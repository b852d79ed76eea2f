#include "tools/nicosim/modern_live_chats.h"

#include "tools/nicosim/text_codec.h"

#include "engine/nicolive/proto/nicolive_edge.pb.h"

namespace nicosim {
namespace {

namespace data = dwango::nicolive::chat::data;
namespace edge = dwango::nicolive::chat::service::edge;
using Modifier = data::Chat::Modifier;

struct NamedColor {
    const char* mail;
    Modifier::ColorName color;
};

// The mail's colour commands in the order of the stream's colour enumeration.
constexpr NamedColor kColors[] = {
    {"white", Modifier::white},     {"red", Modifier::red},         {"pink", Modifier::pink},
    {"orange", Modifier::orange},   {"yellow", Modifier::yellow},   {"green", Modifier::green},
    {"cyan", Modifier::cyan},       {"blue", Modifier::blue},       {"purple", Modifier::purple},
    {"black", Modifier::black},     {"white2", Modifier::white2},   {"red2", Modifier::red2},
    {"pink2", Modifier::pink2},     {"orange2", Modifier::orange2}, {"yellow2", Modifier::yellow2},
    {"green2", Modifier::green2},   {"cyan2", Modifier::cyan2},     {"blue2", Modifier::blue2},
    {"purple2", Modifier::purple2}, {"black2", Modifier::black2},
};


bool fullColor(std::string_view word, int rgb[3])
{
    if (word.size() != 7 || word[0] != '#')
        return false;
    for (int i = 0; i < 3; ++i) {
        const int hi = hexValue(word[1 + i * 2]);
        const int lo = hexValue(word[2 + i * 2]);
        if (hi < 0 || lo < 0)
            return false;
        rgb[i] = hi * 16 + lo;
    }
    return true;
}

// The mail's commands; words the stream has no field for (184, device:..) are left out.
void readMail(std::string_view mail, Modifier& m)
{
    for (const std::string& word : splitText(mail, ' ')) {
        int rgb[3];
        if (word == "ue")
            m.set_position(Modifier::ue);
        else if (word == "shita")
            m.set_position(Modifier::shita);
        else if (word == "naka")
            m.set_position(Modifier::naka);
        else if (word == "big")
            m.set_size(Modifier::big);
        else if (word == "small")
            m.set_size(Modifier::small);
        else if (word == "medium")
            m.set_size(Modifier::medium);
        else if (word == "mincho")
            m.set_font(Modifier::mincho);
        else if (word == "gothic")
            m.set_font(Modifier::gothic);
        else if (fullColor(word, rgb)) {
            Modifier::FullColor* c = m.mutable_full_color();
            c->set_r(rgb[0]);
            c->set_g(rgb[1]);
            c->set_b(rgb[2]);
        } else {
            for (const NamedColor& n : kColors)
                if (word == n.mail)
                    m.set_named_color(n.color);
        }
    }
}

void fillMessage(const Catalogue& catalogue, const LiveFacts& live, const ThreadFacts& thread, int index,
                 edge::ChunkedMessage& out)
{
    // Every chat, also one the classic path shows as deleted: the stream has no deleted form.
    const Chat chat = catalogue.visibleChat(thread, index);
    edge::ChunkedMessage::Meta* meta = out.mutable_meta();
    meta->set_id(live.id + ":" + std::to_string(chat.no));
    meta->mutable_at()->set_seconds(chat.date);
    meta->mutable_at()->set_nanos(chat.dateUsec > 0 ? chat.dateUsec * 1000 : 0);
    data::Chat* c = out.mutable_message()->mutable_chat();
    c->set_content(chat.text);
    c->set_vpos(chat.vpos);
    c->set_no(chat.no);
    c->set_account_status(chat.premium ? data::Chat::Premium : data::Chat::Standard);
    long long numeric = 0;
    if (!chat.anonymity && parseDecimal(chat.userId, 999999999999999LL, numeric))
        c->set_raw_user_id(numeric);
    else
        c->set_hashed_user_id(chat.userId);
    readMail(chat.mail, *c->mutable_modifier());
}

} // namespace

std::string chunkedChatMessage(const Catalogue& catalogue, const LiveFacts& live, const ThreadFacts& thread, int index)
{
    edge::ChunkedMessage message;
    fillMessage(catalogue, live, thread, index, message);
    return message.SerializeAsString();
}

std::string packedChats(const Catalogue& catalogue, const LiveFacts& live, const ThreadFacts& thread, int from, int to,
                        std::string_view nextUri)
{
    edge::PackedSegment packed;
    for (int i = from; i < to; ++i)
        fillMessage(catalogue, live, thread, i, *packed.add_messages());
    if (!nextUri.empty())
        packed.mutable_next()->set_uri(std::string(nextUri));
    return packed.SerializeAsString();
}

void appendDelimited(std::string& out, std::string_view message)
{
    uint64_t n = message.size();
    while (n >= 0x80) {
        out += static_cast<char>((n & 0x7f) | 0x80);
        n >>= 7;
    }
    out += static_cast<char>(n);
    out += message;
}

} // namespace nicosim
