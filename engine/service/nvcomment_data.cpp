#include "engine/service/nvcomment_data.h"

#include <climits>

#include "engine/service/html_tag.h"
#include "engine/service/http_fetch.h"
#include "engine/service/iso_time.h"
#include "engine/service/nvcomment_markers.h"
#include "qarvo/text/unicode.h"

namespace pelmora::engine::nvcomment {

using namespace pelmora::nvnames;

namespace {

// --- the element that carries the data -------------------------------------------------------

// The exact attribute name here: the service writes its own pages in one case.
std::string_view attributeValue(const html::Tag& tag, std::string_view name)
{
    for (const html::Attribute& a : tag.attributes)
        if (a.name == name)
            return a.value;
    return {};
}

bool hasAttribute(const html::Tag& tag, std::string_view name)
{
    for (const html::Attribute& a : tag.attributes)
        if (a.name == name)
            return true;
    return false;
}

// The value of attribute `valueName` of the first tag whose attribute `keyName` is `key`,
// decoded; nullopt when the page has no such tag.
std::optional<std::string> taggedValue(std::string_view page, std::string_view keyName, std::string_view key,
                                       std::string_view valueName)
{
    html::Tag tag;
    // Each tag is read once: the searches only move forward, and the backward look for a
    // tag's "<" never goes behind the last place already looked at, so a page full of the
    // marker stays linear.
    size_t from = 0;
    size_t lookedAt = 0;
    for (;;) {
        const size_t hit = page.find(key, from);
        if (hit == std::string_view::npos)
            return std::nullopt;
        size_t lt = std::string_view::npos;
        for (size_t i = hit; i > lookedAt; --i) {
            if (page[i - 1] == '<') {
                lt = i - 1;
                break;
            }
        }
        if (lt == std::string_view::npos) {
            lookedAt = hit;
            from = hit + 1;
            continue;
        }
        html::readTag(page, lt, tag);
        const size_t end = tag.end;
        if (decodeAttributeValue(attributeValue(tag, keyName)) == key && hasAttribute(tag, valueName))
            return decodeAttributeValue(attributeValue(tag, valueName));
        lookedAt = end > hit ? end : hit;
        from = lookedAt > hit ? lookedAt : hit + 1;
    }
}

// A numeric reference's code point after "&#" at `at`; the length read (0 when there is none).
size_t numericReference(std::string_view text, size_t at, uint32_t& cp)
{
    size_t i = at;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex)
        ++i;
    const size_t first = i;
    uint32_t value = 0;
    while (i < text.size() && i - first < 8) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            break;
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
        ++i;
    }
    if (i == first || i >= text.size() || text[i] != ';')
        return 0;
    // Surrogates and values past Unicode name no character.
    cp = (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) ? 0xFFFD : value;
    return i + 1 - at;
}

// --- JSON fields -----------------------------------------------------------------------------

// Error texts name the field by its path in the data, so that a change of the service shows
// where it is.
std::string missing(std::string_view where, std::string_view path)
{
    return std::string(where) + "に " + std::string(path) + " がありません";
}

// A string, or an integer written as its digits (thread ids come either way).
bool idText(const json::Value& value, std::string& out)
{
    std::string_view text;
    int64_t number = 0;
    if (value.GetString(text)) {
        out.assign(text);
        return true;
    }
    if (value.GetInt(number)) {
        out = std::to_string(number);
        return true;
    }
    return false;
}

bool stringField(const json::Value& object, const char* name, std::string& out)
{
    std::string_view text;
    if (!object[name].GetString(text))
        return false;
    out.assign(text);
    return true;
}

constexpr const char* kPageWhere = "視聴ページのコメント情報";
constexpr const char* kAnswerWhere = "コメントの答え";
constexpr const char* kKeyWhere = "スレッドキーの答え";

bool readTargets(const json::Value& params, WatchData& out, std::string& error)
{
    const json::Value targets = params[kTargets];
    const std::string path = std::string(kNvComment) + "." + kParams + "." + kTargets;
    if (!targets.IsArray()) {
        error = missing(kPageWhere, path);
        return false;
    }
    bool ok = true;
    size_t index = 0;
    targets.ForEachItem([&](const json::Value& target) {
        ThreadTarget t;
        if (!idText(target[kId], t.id) || !stringField(target, kFork, t.fork)) {
            error = missing(kPageWhere, path + "[" + std::to_string(index) + "]." + (t.id.empty() ? kId : kFork));
            ok = false;
            return false;
        }
        t.json = target.Minified();
        out.targets.push_back(std::move(t));
        ++index;
        return true;
    });
    if (ok && out.targets.empty()) {
        error = missing(kPageWhere, path + "[0]");
        ok = false;
    }
    return ok;
}

bool readComment(const json::Value& comment, WatchData& out, std::string& error)
{
    const json::Value nv = comment[kNvComment];
    if (!nv.IsObject()) {
        error = missing(kPageWhere, kNvComment);
        return false;
    }
    if (!stringField(nv, kServer, out.server)) {
        error = missing(kPageWhere, std::string(kNvComment) + "." + kServer);
        return false;
    }
    if (!stringField(nv, kThreadKey, out.threadKey)) {
        error = missing(kPageWhere, std::string(kNvComment) + "." + kThreadKey);
        return false;
    }
    const json::Value params = nv[kParams];
    if (!params.IsObject()) {
        error = missing(kPageWhere, std::string(kNvComment) + "." + kParams);
        return false;
    }
    params.ForEachMember([&out](std::string_view name, const json::Value& value) {
        out.params.emplace_back(std::string(name), value.Minified());
        return true;
    });
    if (!readTargets(params, out, error))
        return false;

    // The thread list is a help, not a need: it may say how many comments each thread has.
    comment[kThreads].ForEachItem([&out](const json::Value& thread) {
        ThreadListEntry entry;
        if (idText(thread[kId], entry.id) && stringField(thread, kFork, entry.fork)) {
            thread[kCommentCount].GetInt(entry.commentCount);
            out.threads.push_back(std::move(entry));
        }
        return true;
    });
    return true;
}

bool readComment(const json::Value& base, const std::string& where, WatchData& out, std::string& error)
{
    const json::Value comment = base[kComment];
    if (!comment.IsObject()) {
        error = missing(kPageWhere, where + kComment);
        return false;
    }
    if (!readComment(comment, out, error))
        return false;
    const json::Value video = base[kVideo];
    stringField(video, kTitle, out.title);
    idText(video[kId], out.videoId);
    video[kCount][kView].GetInt(out.viewCount);
    return true;
}

// Parses an interface's answer and reads its meta part: the status, and the error code when
// the status is not 200.
bool readMeta(json::Document& document, std::string_view bytes, const char* where, int64_t& status,
              std::string& errorCode, std::string& error)
{
    error.clear();
    if (!document.Parse(bytes)) {
        error = std::string(where) + "が JSON として読めません (" + document.Error() + ")";
        return false;
    }
    const json::Value meta = document.Root()[kMeta];
    if (!meta[kStatus].GetInt(status)) {
        error = missing(where, std::string(kMeta) + "." + kStatus);
        return false;
    }
    if (status != kStatusOk)
        stringField(meta, kErrorCode, errorCode);
    return true;
}

}  // namespace

std::string decodeAttributeValue(std::string_view value)
{
    struct Named {
        std::string_view text;
        char character;
    };
    static constexpr Named kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(value.size());
    size_t i = 0;
    while (i < value.size()) {
        const size_t amp = value.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(value.substr(i));
            break;
        }
        out.append(value.substr(i, amp - i));
        i = amp;
        bool done = false;
        for (const Named& n : kNamed) {
            if (value.compare(i, n.text.size(), n.text) == 0) {
                out += n.character;
                i += n.text.size();
                done = true;
                break;
            }
        }
        if (!done && i + 1 < value.size() && value[i + 1] == '#') {
            uint32_t cp = 0;
            if (const size_t length = numericReference(value, i + 2, cp)) {
                qarvo::unicode::AppendUtf8(out, cp);
                i += 2 + length;
                done = true;
            }
        }
        if (!done) {
            out += '&';
            ++i;
        }
    }
    return out;
}

PageData readWatchData(std::string_view page, WatchData& out, std::string& error)
{
    out = WatchData();
    error.clear();
    std::optional<std::string> text =
        taggedValue(page, kServerResponseNameAttribute, kServerResponseName, kServerResponseValueAttribute);
    const bool current = text.has_value();
    if (!current)
        text = taggedValue(page, kInitialDataIdAttribute, kInitialDataId, kInitialDataValueAttribute);
    if (!text)
        return PageData::Absent;

    json::Document document(static_cast<size_t>(kMaxAnswerBytes));
    if (!document.Parse(*text)) {
        error = std::string(kPageWhere) + "が JSON として読めません (" + document.Error() + ")";
        return PageData::Broken;
    }
    json::Value base = document.Root();
    std::string where;
    if (current) {
        for (const char* step : kServerResponsePath) {
            base = base[step];
            where += std::string(step) + ".";
        }
        if (!base.IsObject()) {
            error = missing(kPageWhere, where.substr(0, where.size() - 1));
            return PageData::Broken;
        }
    }
    return readComment(base, where, out, error) ? PageData::Found : PageData::Broken;
}

std::string threadsRequestBody(const WatchData& data, const std::vector<size_t>& targets, const std::string& threadKey,
                               std::optional<int64_t> when)
{
    std::string list = "[";
    for (size_t i = 0; i < targets.size(); ++i) {
        if (i > 0)
            list += ',';
        list += data.targets[targets[i]].json;
    }
    list += ']';

    std::string params = "{";
    bool wroteTargets = false;
    for (const auto& [name, value] : data.params) {
        if (params.size() > 1)
            params += ',';
        params += json::quoted(name) + ":";
        if (name == kTargets) {
            params += list;
            wroteTargets = true;
        } else {
            params += value;
        }
    }
    if (!wroteTargets)
        params += std::string(params.size() > 1 ? "," : "") + json::quoted(kTargets) + ":" + list;
    params += '}';

    std::string body = "{" + json::quoted(kRequestBodyParams) + ":" + params + "," + json::quoted(kRequestBodyThreadKey) +
                       ":" + json::quoted(threadKey) + "," + json::quoted(kRequestBodyAdditionals) + ":{";
    if (when)
        body += json::quoted(kAdditionalWhen) + ":" + std::to_string(*when);
    body += "}}";
    return body;
}

bool parseThreadsAnswer(json::Document& document, std::string_view bytes, ThreadsAnswer& out, std::string& error)
{
    out = ThreadsAnswer();
    if (!readMeta(document, bytes, kAnswerWhere, out.status, out.errorCode, error))
        return false;
    if (out.status != kStatusOk)
        return true;
    const json::Value root = document.Root();
    const json::Value threads = root[kData][kThreads];
    const std::string threadsPath = std::string(kData) + "." + kThreads;
    if (!threads.IsArray()) {
        error = missing(kAnswerWhere, threadsPath);
        return false;
    }

    bool ok = true;
    size_t threadIndex = 0;
    threads.ForEachItem([&](const json::Value& thread) {
        const std::string at = threadsPath + "[" + std::to_string(threadIndex++) + "].";
        AnswerThread t;
        if (!idText(thread[kId], t.id) || !stringField(thread, kFork, t.fork)) {
            error = missing(kAnswerWhere, at + (t.id.empty() ? kId : kFork));
            return ok = false;
        }
        thread[kCommentCount].GetInt(t.commentCount);
        const json::Value comments = thread[kComments];
        if (!comments.IsArray()) {
            error = missing(kAnswerWhere, at + kComments);
            return ok = false;
        }
        size_t commentIndex = 0;
        comments.ForEachItem([&](const json::Value& comment) {
            const std::string field = at + kComments + "[" + std::to_string(commentIndex++) + "].";
            AnswerComment c;
            int64_t no = 0;
            std::string_view postedAt;
            const char* absent = nullptr;
            if (!comment[kNo].GetInt(no))
                absent = kNo;
            else if (!comment[kVposMs].GetInt(c.vposMs))
                absent = kVposMs;
            else if (!comment[kBody].GetString(c.body))
                absent = kBody;
            else if (!comment[kUserId].GetString(c.userId))
                absent = kUserId;
            else if (!comment[kPostedAt].GetString(postedAt))
                absent = kPostedAt;
            if (absent) {
                error = missing(kAnswerWhere, field + absent);
                return ok = false;
            }
            if (no < INT32_MIN || no > INT32_MAX) {
                error = std::string(kAnswerWhere) + "の " + field + kNo + " が範囲外です";
                return ok = false;
            }
            c.no = static_cast<int32_t>(no);
            if (!parseIsoSeconds(postedAt, c.postedAt)) {
                error = std::string(kAnswerWhere) + "の " + field + kPostedAt + " が時刻として読めません";
                return ok = false;
            }
            comment[kIsPremium].GetBool(c.premium);
            // Commands that are not strings carry nothing a viewer could show.
            comment[kCommands].ForEachItem([&c](const json::Value& command) {
                std::string_view word;
                if (command.GetString(word) && !word.empty()) {
                    if (!c.mail.empty())
                        c.mail += ' ';
                    c.mail.append(word);
                }
                return true;
            });
            t.comments.push_back(std::move(c));
            return true;
        });
        if (ok)
            out.threads.push_back(std::move(t));
        return ok;
    });
    return ok;
}

bool parseKeyAnswer(json::Document& document, std::string_view bytes, KeyAnswer& out, std::string& error)
{
    out = KeyAnswer();
    if (!readMeta(document, bytes, kKeyWhere, out.status, out.errorCode, error))
        return false;
    if (out.status != kStatusOk)
        return true;
    if (!stringField(document.Root()[kData], kThreadKey, out.threadKey)) {
        error = missing(kKeyWhere, std::string(kData) + "." + kThreadKey);
        return false;
    }
    return true;
}

}  // namespace pelmora::engine::nvcomment
