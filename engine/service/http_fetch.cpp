#include "engine/service/http_fetch.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "engine/parse/parse_context.h"
#include "engine/service/exchange_detail.h"
#include "engine/service/query_text.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {

StopSignal::StopSignal(const ParseContext& context) : stop(context.stopFlag), exitingAll(context.exitingAll) {}

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

std::string registrableDomain(const std::string& host)
{
    // A dotted address has no parent domain: it is its own.
    if (!host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return c == '.' || std::isdigit(static_cast<unsigned char>(c)); }))
        return host;
    const size_t last = host.rfind('.');
    if (last == std::string::npos || last == 0)
        return host;
    const size_t previous = host.rfind('.', last - 1);
    return previous == std::string::npos ? host : host.substr(previous + 1);
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
            if (!next.StartsWith("http"))
                next = qarvo::C_String(schemeHostOf(url).std() + (next.StartsWith("/") ? "" : "/") + next.std());
            http.ShutDown();
            url = next;
            continue;
        }

        if (!takeAnswer(http, setup, body))
            return false;
        if (mergeCookies && hopCookie) {
            const char* setCookie = http.GetHeaderField("Set-Cookie");
            if (setCookie && *setCookie)
                mergeSetCookie(*hopCookie, qarvo::C_String(setCookie));
        }
        http.ShutDown();
        if (finalUrl)
            *finalUrl = url;
        return true;
    }
    // A chain longer than this is a loop, not a move.
    return false;
}

bool takeAnswer(const qarvo::C_HttpAsync& http, const ExchangeSetup& setup, qarvo::C_Memory* body)
{
    if (body) {
        const int64_t size = http.GetResponseSize();
        if (size < 0 || size >= INT32_MAX)
            return false;
        body->CreateBuffer(static_cast<int>(size) + 1);
        if (size > 0)
            body->CopyBuffer(http.GetResponseData(), static_cast<int>(size));
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
    const std::string domain = registrableDomain(lowered(domainHost.std()));
    const std::string h = lowered(host.std());
    if (domain.empty())
        return false;
    return h == domain || (h.size() > domain.size() && h.ends_with(domain) && h[h.size() - domain.size() - 1] == '.');
}

void mergeSetCookie(qarvo::C_String& cookie, const qarvo::C_String& setCookie)
{
    const std::vector<std::string> olds = cookieItems(cookie.std());
    const std::vector<std::string> news = cookieItems(setCookie.std());
    std::string result;
    for (const std::string& old : olds) {
        const std::string* chosen = &old;
        for (const std::string& item : news) {
            const size_t eq = item.find('=');
            const std::string head = eq == std::string::npos ? item : item.substr(0, eq + 1);
            if (old.starts_with(head)) {
                chosen = &item;
                break;
            }
        }
        result += *chosen + ";";
    }
    for (const std::string& item : news) {
        const size_t eq = item.find('=');
        const std::string name = eq == std::string::npos ? item : item.substr(0, eq);
        if (lowered(trimmed(name)) == "expires")
            break;
        const bool known = std::any_of(olds.begin(), olds.end(), [&](const std::string& old) {
            const size_t oeq = old.find('=');
            return item.starts_with(oeq == std::string::npos ? old : old.substr(0, oeq));
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
