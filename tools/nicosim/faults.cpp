#include "tools/nicosim/faults.h"

#include "tools/nicosim/text_codec.h"

#include <algorithm>

namespace nicosim {
namespace {

const char* const kStepNames[kStepCount] = {"watch",  "flv",  "key",     "msg",    "thumb",   "player", "status",
                                            "live",   "history", "market", "picture", "other", "api",    "nvkey",
                                            "ws",     "view",    "segment", "backward"};

// "delay500" -> 500 when the word is the name followed by a number within limit.
bool numberedWord(std::string_view word, std::string_view name, int limit, int& value)
{
    if (!startsWith(word, name))
        return false;
    long long number = 0;
    if (!parseDecimal(word.substr(name.size()), limit, number))
        return false;
    value = static_cast<int>(number);
    return true;
}

// Words that only make sense at one kind of step still count as known everywhere, so that an
// unprefixed "close" on a video id is not reported by its HTTP answers.
bool applyWord(std::string_view word, Faults& f)
{
    int n = 0;
    if (numberedWord(word, "delay", kMaxDelayMs, n)) {
        f.delayMs = n;
    } else if (numberedWord(word, "redirabs", kMaxRedirects, n)) {
        f.redirects = n;
        f.redirectKind = RedirectKind::Absolute;
    } else if (numberedWord(word, "redirrel", kMaxRedirects, n)) {
        f.redirects = n;
        f.redirectKind = RedirectKind::Relative;
    } else if (numberedWord(word, "redir", kMaxRedirects, n)) {
        f.redirects = n;
        f.redirectKind = RedirectKind::Alternating;
    } else if (numberedWord(word, "cut", kMaxCutMs, n)) {
        f.cutMs = n;
    } else if (numberedWord(word, "end", kMaxCutMs, n)) {
        f.endMs = n;
    } else if (numberedWord(word, "setcookie", kMaxSetCookies, n)) {
        f.setCookies = n;
    } else if (word == "sibling") {
        f.sibling = true;
    } else if (word == "drop") {
        f.drop = true;
    } else if (word == "chunked") {
        f.chunked = true;
    } else if (word == "chunkcut") {
        f.chunkCut = true;
    } else if (word == "gzip") {
        f.gzip = true;
    } else if (word == "deflate") {
        f.deflate = true;
    } else if (word == "refused") {
        f.refused = true;
    } else if (word == "notfound") {
        f.notFound = true;
    } else if (word == "close") {
        f.close = true;
    } else if (word == "hangup") {
        f.hangup = true;
    } else if (word == "garbage") {
        f.garbage = true;
    } else if (word == "errorpage") {
        f.errorPage = true;
    } else if (word == "noclear") {
        f.noClear = true;
    } else if (word == "seven") {
        f.seven = true;
    } else if (word == "modern") {
        f.modernPage = true;
    } else if (word == "classic") {
        f.classicPage = true;
    } else if (word == "apidata") {
        f.apiDataPage = true;
    } else if (word == "expiredkey") {
        f.expiredKey = true;
    } else if (word == "ratelimit") {
        f.rateLimit = true;
    } else if (word == "brokenjson") {
        f.brokenJson = true;
    } else if (word == "chunked1") {
        f.chunkedOne = true;
    } else if (word == "wsreconnect") {
        f.wsReconnect = true;
    } else if (word == "viewcut") {
        f.viewCut = true;
    } else if (word == "segstall") {
        f.segStall = true;
    } else {
        return false;
    }
    return true;
}

} // namespace

const char* stepName(Step step)
{
    const int index = static_cast<int>(step);
    return index >= 0 && index < kStepCount ? kStepNames[index] : "other";
}

bool parseStepName(std::string_view name, Step& step)
{
    for (int i = 0; i < kStepCount; ++i) {
        if (name == kStepNames[i]) {
            step = static_cast<Step>(i);
            return true;
        }
    }
    return false;
}

std::string_view baseId(std::string_view id)
{
    return id.substr(0, id.find('~'));
}

std::vector<std::string> suffixWords(std::string_view id)
{
    std::vector<std::string> words;
    const size_t tilde = id.find('~');
    if (tilde == std::string_view::npos)
        return words;
    for (std::string& word : splitText(id.substr(tilde + 1), '~')) {
        if (!word.empty())
            words.push_back(std::move(word));
    }
    return words;
}

std::vector<std::string> simWords(std::string_view value)
{
    std::string unified(value);
    std::replace(unified.begin(), unified.end(), '~', ',');
    std::vector<std::string> words;
    for (std::string& word : splitText(unified, ',')) {
        const std::string_view trimmed = trimSpaces(word);
        if (!trimmed.empty())
            words.emplace_back(trimmed);
    }
    return words;
}

void applyFaultWords(const std::vector<std::string>& words, Step step, Faults& faults)
{
    for (const std::string& raw : words) {
        std::string_view word = raw;
        const size_t dot = word.find('.');
        if (dot != std::string_view::npos) {
            Step target = Step::Other;
            if (!parseStepName(word.substr(0, dot), target)) {
                faults.unknown.push_back(raw);
                continue;
            }
            if (target != step)
                continue;
            word = word.substr(dot + 1);
        }
        if (!applyWord(word, faults))
            faults.unknown.push_back(raw);
    }
}

} // namespace nicosim
