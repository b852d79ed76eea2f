#include "engine/service/http_fetch.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "engine/cookie/public_suffix.h"
#include "engine/parse/parse_context.h"
#include "engine/service/exchange_detail.h"
#include "engine/service/query_text.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {

StopSignal::StopSignal(const ParseContext& context)
    : stop(context.stopFlag), exitingAll(context.exitingAll), progress(context.progress)
{
}

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Items of a cookie text, trimmed; empty items (a trailing ";") are no cookies.
std::vector<std::string> cookieItems(const std::string& text)
{
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string item = trimmed(text.substr(start, end - start));
        if (!item.empty())
            items.push_back(std::move(item));
        start = end + 1;
    }
    return items;
}

std::string lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The attribute names of a Set-Cookie value (RFC 6265 5.2 and later drafts): from the first of
// them on, what follows describes the cookie and is no cookie itself.
bool isCookieAttribute(const std::string& name)
{
    static const char* const kAttributes[] = {"expires", "max-age", "domain",   "path",       "secure",
                                              "httponly", "samesite", "priority", "partitioned", "version",
                                              "comment"};
    const std::string lower = lowered(trimmed(name));
    return std::any_of(std::begin(kAttributes), std::end(kAttributes), [&](const char* a) { return lower == a; });
}

std::string nameOf(const std::string& item)
{
    return trimmed(item.substr(0, item.find('=')));
}

// A Location that names a scheme (letters, digits, "+", "-" or "." before a ":" that comes
// before any "/", "?" or "#") other than http and https.
bool hasOtherScheme(const qarvo::C_String& location)
{
    const std::string& text = location.std();
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || text.find_first_of("/?#") < colon)
        return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    const std::string scheme = lowered(text.substr(0, colon));
    return scheme != "http" && scheme != "https";
}

}  // namespace

namespace detail {

Attempt attemptOnce(qarvo::C_HttpAsync& http, const StopSignal& stop, const qarvo::C_String& url,
                    const ExchangeSetup& setup, const qarvo::C_String* cookie)
{
    if (!http.Open(url.c_str(), setup.timeOutMs))
        return Attempt::Failed;
    http.SetHTTPVersion(1);
    http.SetConnection(setup.keepAlive ? 1 : 0);
    http.SetRequestMethod(setup.method);
    http.SetContentType(setup.contentKind, setup.contentText);
    http.SetUserAgent(kServiceUserAgent);
    http.SetHTTPBufferSize(kMaxAnswerBytes);
    if (cookie && !cookie->IsEmpty())
        http.SetRequestProperty("Cookie", cookie->c_str());
    if (setup.headers)
        for (const auto& [name, value] : *setup.headers)
            http.SetRequestProperty(name.c_str(), value.c_str());
    if (setup.referer && !setup.referer->IsEmpty())
        http.SetReferer(setup.referer->c_str());
    if (setup.postBody)
        http.AddBody(setup.postBody->c_str());
    if (setup.fields)
        for (const auto& [name, value] : *setup.fields)
            http.AddBody(name.c_str(), value.c_str());
    if (!http.Connect())
        return Attempt::Failed;
    return awaitAnswer(http, stop);
}

Attempt awaitAnswer(qarvo::C_HttpAsync& http, const StopSignal& stop)
{
    while (http.GetLastCommandStat() == 0) {
        if (stop.requested()) {
            http.Abort();
            return Attempt::Stopped;
        }
        qarvo_sleep_millis(kFetchPollMillis);
    }
    return http.GetLastCommandStat() == qarvo::C_HttpAsync::kSuccess ? Attempt::Answered : Attempt::Failed;
}

bool exchange(const StopSignal& stop, const qarvo::C_String& firstUrl, const ExchangeSetup& setup,
              qarvo::C_String* cookie, bool mergeCookies, qarvo::C_Memory* body, qarvo::C_String* finalUrl,
              qarvo::C_String* status)
{
    if (status)
        status->Clear();
    const qarvo::C_String cookieHost = hostOf(firstUrl);
    qarvo::C_String url = firstUrl;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        // The browser's login belongs to the service: a redirect that leaves its domain goes
        // without it, and what the other site sets is not mixed into it.
        qarvo::C_String* hopCookie = cookieDomainAllows(cookieHost, hostOf(url)) ? cookie : nullptr;
        qarvo::C_HttpAsync http;
        http.AbortObject(stop.stop);
        bool answered = false;
        for (int attempt = 0; attempt < kFetchAttempts && !answered; ++attempt) {
            if (stop.requested())
                return false;
            // A silent server costs a whole time-out per attempt: say that the job goes on.
            if (attempt > 0 && stop.progress)
                stop.progress->Report(qarvo::C_String::Stringf("retry %d/%d: %s", attempt + 1, kFetchAttempts,
                                                               url.c_str())
                                          .c_str());
            const Attempt outcome = attemptOnce(http, stop, url, setup, hopCookie);
            if (outcome == Attempt::Stopped) {
                http.ShutDown();
                return false;
            }
            if (hop == 0 && status && outcome != Attempt::Failed)
                *status = http.GetStatusCode();
            answered = outcome == Attempt::Answered;
            if (!answered) {
                if (setup.failure)
                    *setup.failure = qarvo::common::System::utf16_to_utf8(http.GetLastState());
                http.ShutDown();
            }
        }
        if (!answered)
            return false;

        const char* location = http.GetHeaderField("Location:");
        if (setup.followRedirects && location && *location) {
            qarvo::C_String next(location);
            next.Trim();
            // Another scheme ("ftp:", "javascript:") is no address of ours; taken as a path
            // it would fetch something else from the same host.
            if (hasOtherScheme(next))
                return false;
            if (!next.StartsWith("http"))
                next = qarvo::C_String(schemeHostOf(url).std() + (next.StartsWith("/") ? "" : "/") + next.std());
            http.ShutDown();
            url = next;
            continue;
        }

        if (!takeAnswer(http, setup, body))
            return false;
        if (mergeCookies && hopCookie) {
            // A real service sets several cookies in one answer, one header each.
            const qarvo::C_ArrayString setCookies = http.GetCookie();
            for (int i = 0; i < setCookies.Length(); ++i)
                if (!setCookies.GetString(i).IsEmpty())
                    mergeSetCookie(*hopCookie, setCookies.GetString(i));
        }
        http.ShutDown();
        if (finalUrl)
            *finalUrl = url;
        return true;
    }
    // A chain longer than this is a loop, not a move.
    return false;
}

bool takeAnswer(qarvo::C_HttpAsync& http, const ExchangeSetup& setup, qarvo::C_Memory* body)
{
    if (body) {
        const int64_t size = http.GetResponseSize();
        // The body moves over as it was received: a comment answer is not copied again.
        if (size < 0 || size >= INT32_MAX || http.TakeResponse(body) < 0)
            return false;
    }
    if (setup.wantedHeader && setup.headerValue) {
        const char* value = http.GetHeaderField(setup.wantedHeader);
        *setup.headerValue = qarvo::C_String(value ? value : "");
        setup.headerValue->Trim();
    }
    return true;
}

}  // namespace detail

using detail::ExchangeSetup;
using detail::exchange;

bool cookieDomainAllows(const qarvo::C_String& domainHost, const qarvo::C_String& host)
{
    // The site by the public-suffix list: under "co.jp" a sibling is another site.
    const std::string domain = cookie::registrableDomain(lowered(domainHost.std()));
    const std::string h = lowered(host.std());
    if (domain.empty())
        return false;
    return h == domain || (h.size() > domain.size() && h.ends_with(domain) && h[h.size() - domain.size() - 1] == '.');
}

void mergeSetCookie(qarvo::C_String& cookie, const qarvo::C_String& setCookie)
{
    const std::vector<std::string> olds = cookieItems(cookie.std());
    // The cookies of the value are the items before its first attribute.
    std::vector<std::string> news;
    for (std::string& item : cookieItems(setCookie.std())) {
        if (isCookieAttribute(nameOf(item)))
            break;
        if (item.find('=') != std::string::npos && !nameOf(item).empty())
            news.push_back(std::move(item));
    }
    std::string result;
    for (const std::string& old : olds) {
        const std::string* chosen = &old;
        for (const std::string& item : news) {
            if (nameOf(item) == nameOf(old)) {
                chosen = &item;
                break;
            }
        }
        result += *chosen + ";";
    }
    for (const std::string& item : news) {
        const bool known = std::any_of(olds.begin(), olds.end(), [&](const std::string& old) {
            return nameOf(old) == nameOf(item);
        });
        if (!known)
            result += item + ";";
    }
    if (!result.empty())
        cookie = qarvo::C_String(result);
}

bool fetchWithCookies(const StopSignal& stop, const qarvo::C_String& url, int method, qarvo::C_String* cookie,
                      bool mergeCookies, qarvo::C_Memory* body, const qarvo::C_String* postBody,
                      qarvo::C_String* finalUrl, qarvo::C_String* status)
{
    ExchangeSetup setup;
    setup.method = method;
    setup.postBody = postBody;
    return exchange(stop, url, setup, cookie, mergeCookies, body, finalUrl, status);
}

bool postPlayerForm(PlayerRequest& request)
{
    ExchangeSetup setup;
    setup.method = request.method;
    setup.timeOutMs = request.timeOutMs;
    setup.contentKind = 0;
    setup.fields = &request.fields;
    setup.headers = &request.headers;
    setup.referer = &request.referer;
    setup.followRedirects = request.followRedirects;
    return exchange(request.stop, request.address, setup, request.cookie, request.mergeCookies, request.body, nullptr,
                    request.status);
}

}  // namespace pelmora::engine
