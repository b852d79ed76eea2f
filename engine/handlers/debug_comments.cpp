#include "engine/handlers/debug_comments.h"

#include <atomic>

#include "engine/job/request_words.h"
#include "engine/pelmora2.h"
#include "qarvo/text/integer.h"
#include "qarvo/time/clock.h"
#include "qarvo/time/time.h"

namespace pelmora::engine {
namespace {

constexpr const char16_t* kPhrases[] = {
    u"ちょｗｗｗｗ",
    u"おまｗｗ",
    u"すげぇええええええ",
    u"ｷﾀｰ",
    u"まってました",
    u"こんにちｗｗｗ",
    u"くずｗ",
    u"これってなんだろう・・・",
    u"あちゃー",
};
constexpr int kPhraseCount = static_cast<int>(sizeof(kPhrases) / sizeof(kPhrases[0]));

// "アマゾン2" in UTF-8.
constexpr const char* kDebugTitle = "\xe3\x82\xa2\xe3\x83\x9e\xe3\x82\xbe\xe3\x83\xb3\x32";

constexpr int kPollMillis = 100;

// Shared by every job of the library; several jobs may generate at once.
std::atomic<int> g_counter{0};

int wordNumber(const qarvo::C_WArrayString& words, int index)
{
    const qarvo::C_WString& word = words.GetString(index);
    return word.IsEmpty() ? 0 : qarvo::C_Integer::ParseInt(word);
}

}  // namespace

int debugCommentCounter()
{
    return g_counter.load();
}

int generateDebugComments(qarvo::C_WArrayString& words, ParseContext& context)
{
    const int g = g_counter.load();
    const int64_t now = qarvo::C_Time().CreateTime();
    for (int k = 0; k < kDebugCommentCount; ++k) {
        ChatItem item;
        const char16_t* phrase = kPhrases[(g + k) % kPhraseCount];
        item.text = ChatItem::boundaryText(phrase);
        item.anonymity = 1;
        item.date = now;
        item.mail = ChatItem::boundaryText(u"184");
        item.mail184 = 184;
        item.deleted = 0;
        item.no = k + g + 1000;
        item.thread = ChatItem::boundaryText(u"thread");
        const qarvo::C_WString user = qarvo::C_WString::Stringf(u"userid_%d", 10 * k);
        item.userId = ChatItem::boundaryText(context.texts.Store(user.view()));
        item.vpos = 1900;
        item.premium = 0;
        context.chats.AddTail(item);
    }

    // A missing code word means success rather than the -1 an empty number would give.
    const int code = wordNumber(words, kExtraWord1);
    const int delay = wordNumber(words, kExtraWord2);
    const uint32_t start = qarvo_time_millis();
    while (delay > 0 && qarvo_time_millis() - start < static_cast<uint32_t>(delay)) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        qarvo_sleep_millis(kPollMillis);
    }
    g_counter.fetch_add(2);
    context.title = kDebugTitle;
    return code;
}

}  // namespace pelmora::engine
