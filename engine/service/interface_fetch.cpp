#include "engine/service/interface_fetch.h"

#include "engine/service/exchange_detail.h"
#include "engine/service/query_text.h"
#include "qarvo/charcode/system_charcode.h"

namespace pelmora::engine {
namespace {

using detail::Attempt;
using detail::ExchangeSetup;

ExchangeSetup setupOf(const InterfaceRequest& request)
{
    ExchangeSetup setup;
    setup.method = request.method;
    setup.postBody = request.body;
    if (request.body && !request.contentType.IsEmpty()) {
        setup.contentKind = 3;
        setup.contentText = request.contentType.c_str();
    }
    setup.headers = &request.headers;
    setup.wantedHeader = request.wantedHeader;
    setup.headerValue = request.headerValue;
    setup.failure = request.failure;
    setup.keepAlive = request.connection != nullptr;
    return setup;
}

// The next request on a connection still open: the same settings, a new body and target.
Attempt askAgain(qarvo::C_HttpAsync& http, const InterfaceRequest& request, const ExchangeSetup& setup)
{
    if (setup.postBody)
        http.AddBody(setup.postBody->c_str());
    if (!http.Request(request.address))
        return Attempt::Failed;
    return detail::awaitAnswer(http, request.stop);
}

bool closesAfter(const qarvo::C_HttpAsync& http)
{
    const char* connection = http.GetHeaderField("Connection");
    qarvo::C_String value(connection ? connection : "");
    value.ToLower();
    return value.Contains("close");
}

}  // namespace

InterfaceConnection::InterfaceConnection() = default;
InterfaceConnection::~InterfaceConnection() = default;

bool fetchInterface(InterfaceRequest& request)
{
    const ExchangeSetup setup = setupOf(request);
    // Nothing the interfaces set is a login: the cookie goes out as it is.
    qarvo::C_String cookie = request.cookie ? *request.cookie : qarvo::C_String();
    qarvo::C_String* cookieText = request.cookie ? &cookie : nullptr;
    if (!request.connection)
        return detail::exchange(request.stop, request.address, setup, cookieText, false, request.answer, nullptr,
                                request.status);

    InterfaceConnection& kept = *request.connection;
    const qarvo::C_String origin = schemeHostOf(request.address);
    if (request.status)
        request.status->Clear();
    Attempt outcome = Attempt::Failed;
    if (kept.m_http && kept.m_origin == origin) {
        outcome = askAgain(*kept.m_http, request, setup);
        if (outcome == Attempt::Stopped) {
            kept.m_http.reset();
            return false;
        }
    }
    // A fresh connection when there was none or the server has closed the old one.
    for (int attempt = 0; outcome != Attempt::Answered && attempt < kFetchAttempts; ++attempt) {
        if (request.stop.requested())
            return false;
        kept.m_http = std::make_unique<qarvo::C_HttpAsync>();
        kept.m_http->AbortObject(request.stop.stop);
        kept.m_origin = origin;
        ++kept.m_opened;
        outcome = detail::attemptOnce(*kept.m_http, request.stop, request.address, setup, cookieText);
        if (outcome == Attempt::Stopped) {
            kept.m_http.reset();
            return false;
        }
        if (outcome == Attempt::Failed && request.failure)
            *request.failure = qarvo::common::System::utf16_to_utf8(kept.m_http->GetLastState());
    }
    if (outcome != Attempt::Answered) {
        kept.m_http.reset();
        return false;
    }
    qarvo::C_HttpAsync& http = *kept.m_http;
    const char* location = http.GetHeaderField("Location:");
    if (location && *location) {
        // Interfaces do not move; one that does takes the page fetch's way with redirects.
        kept.m_http.reset();
        ExchangeSetup once = setup;
        once.keepAlive = false;
        return detail::exchange(request.stop, request.address, once, cookieText, false, request.answer, nullptr,
                                request.status);
    }
    if (request.status)
        *request.status = http.GetStatusCode();
    const bool taken = detail::takeAnswer(http, setup, request.answer);
    if (!taken || closesAfter(http))
        kept.m_http.reset();
    return taken;
}

}  // namespace pelmora::engine
