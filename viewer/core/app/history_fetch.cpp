// The viewing history: the main site's history page fetched with the browser's login on the
// worker thread, cut into entries, and handed to the history page and the thumbnail loader.
// Every failure is quiet: the page keeps what it shows and may ask again.

#include "engine/cookie/browser_cookie.h"
#include "engine/service/endpoints.h"
#include "viewer/core/app/app.h"
#include "viewer/core/app/http_get.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace ep = pelmora::endpoints;

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT)";
constexpr int kTimeOutMs = 20000;

}  // namespace

void C_App::FetchViewingHistory()
{
    const qarvo::C_String address = qarvo::C_String::Stringf("http://%s%s", ep::kMainHost, ep::kHistoryPath);
    ViewingHistory history;
    bool listed = false;
    qarvo::C_String cookie;
    // Nothing is fetched without the login: the page would only say so.
    if (pelmora::cookie::getBrowserCookie(cookie, address.c_str(), true, pelmora::cookie::getCookieFolder())) {
        HttpGetOptions options;
        options.userAgent = kUserAgent;
        options.referer = address;
        options.cookie = cookie;
        options.timeOutMs = kTimeOutMs;
        options.requireSuccessStatus = false;
        qarvo::C_String page;
        if (HttpGet(address, options, m_closing, page))
            listed = ParseViewingHistory(page, SiteRoot(C_WString(address)), &m_closing, history);
    }
    m_historyRequested.store(false);
    if (m_closing.load() || !listed)
        return;
    Monitorf(u"ary_url %d", static_cast<int>(history.entries.size()));
    {
        std::lock_guard<std::mutex> lock(m_viewingLock);
        m_viewingHistory.clear();
        for (size_t i = 0; i < history.entries.size(); ++i)
            m_viewingHistory[static_cast<int>(i)] = history.entries[i];
    }
    const WindowHandle page = m_historyPage.load();
    m_historyImages.Start(std::move(history.thumbnails), page, kMsgHistoryThumbnails);
    ui::PostMessage(page, kMsgHistoryEntries, 0, 1);
}

void C_App::requestViewingHistory()
{
    if (m_historyRequested.exchange(true))
        return;
    PushExecMessage(ExecMessage::ViewingHistory);
}

}  // namespace pelmora::viewer
