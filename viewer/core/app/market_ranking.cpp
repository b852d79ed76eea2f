// The market ranking under the tab strip: the feed loaded on the worker thread after the
// first comments arrived, and three products shown at a time, turning every ten seconds.
// Every failure is quiet; a slot whose picture fails stays empty until the next turn.

#include "engine/service/endpoints.h"
#include "qarvo/http/http_async.h"
#include "qarvo/time/clock.h"
#include "viewer/core/app/app.h"
#include "viewer/core/app/control_hook.h"
#include "viewer/core/app/http_get.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace ep = pelmora::endpoints;

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT)";
constexpr int kFeedTimeOutMs = 20000;
constexpr int kFeedBufferBytes = 0x7800;  // 30720
constexpr int kFeedPieceBytes = 0x2800;   // 10240
// A feed is a few tens of kB; anything far larger is no feed.
constexpr int kMaxFeedBytes = 4 * 1024 * 1024;
constexpr int kPictureTimeOutMs = 10000;
constexpr uint32_t kTurnMs = 10000;
// A feed that could not be loaded is asked for again after this long, not on every pass.
constexpr uint32_t kFeedRetryMs = 60000;
constexpr int kMarketSlots = 3;
constexpr int kPictures[kMarketSlots] = {1042, 1043, 1044};
constexpr int kCaptions[kMarketSlots] = {1046, 1047, 1048};

}  // namespace

void C_App::subclassRankingSlots()
{
    for (int slot = 0; slot < kMarketSlots; ++slot)
        SubclassControl(ui::GetDlgItem(m_mainWindow, kPictures[slot]), [this, slot](WindowHandle, unsigned m) -> LResult {
            if (m == ui::WM_SETCURSOR) {
                ui::SetCursor(ui::IDC_HAND);
                return 0;
            }
            if (m == ui::WM_LBUTTONDOWN) {
                qarvo::C_String link;
                {
                    qarvo::C_CriticalLock lock(C_MainWnd::m_cs);
                    const int index = m_marketShown[slot];
                    if (index >= 0 && index < static_cast<int>(m_marketItems.size()))
                        link = m_marketItems[static_cast<size_t>(index)]->link;
                }
                if (!link.IsEmpty())
                    ui::OpenAddress(C_WString(link));
                return 0;
            }
            return kChainOn;
        });
}

bool C_App::LoadMarketRanking()
{
    const qarvo::C_String address = qarvo::C_String::Stringf("http://%s%s", ep::kMarketHost, ep::kRankingPath);
    qarvo::C_HttpAsync http;
    http.AbortObject(&m_closing);
    if (!http.Open(address.c_str(), kFeedTimeOutMs))
        return false;
    http.SetHTTPVersion(1);
    http.SetUserAgent(kUserAgent);
    http.SetReaderStream(true);
    http.SetHTTPBufferSize(kFeedBufferBytes);
    if (!http.Connect())
        return false;
    qarvo::C_String feed;
    qarvo::C_Memory piece;
    for (;;) {
        if (m_closing.load()) {
            http.Abort();
            return false;
        }
        const int got = http.ReaderStream(&piece, kFeedPieceBytes, 100);
        if (got > 0) {
            if (feed.Length() > kMaxFeedBytes - got) {
                http.Abort();
                return false;
            }
            feed.std().append(piece.GetChars(), static_cast<size_t>(got));
        } else if (got == 0) {
            break;
        } else if (const int stat = http.GetLastCommandStat();
                   stat != qarvo::I_HttpType::kRunning && stat != qarvo::I_HttpType::kSuccess) {
            // A failed exchange; a finished one still hands out what it holds, then the end.
            break;
        }
    }
    if (http.GetLastCommandStat() != qarvo::I_HttpType::kSuccess)
        return false;
    std::vector<MarketItemPtr> items;
    ParseMarketFeed(feed, items);
    {
        qarvo::C_CriticalLock lock(C_MainWnd::m_cs);
        m_marketItems = std::move(items);
    }
    int requested = -1;
    m_rankingState.compare_exchange_strong(requested, 1);
    return true;
}

void C_App::stepMarketRanking(uint32_t now)
{
    if (m_rankingState.load() == -1 && static_cast<int32_t>(now - m_marketRetryAt) >= 0) {
        if (!LoadMarketRanking()) {
            m_marketRetryAt = now + kFeedRetryMs;
            return;
        }
        m_marketRetryAt = now;
    }
    if (m_rankingState.load() != 1 || (m_marketTurned && now - m_marketTurnedAt < kTurnMs))
        return;
    m_marketTurned = true;
    m_marketTurnedAt = now;

    std::vector<MarketItemPtr> shown;
    MarketTurn turn;
    {
        qarvo::C_CriticalLock lock(C_MainWnd::m_cs);
        turn = NextMarketTurn(m_marketNext, static_cast<int>(m_marketItems.size()));
        for (int index : turn.indexes)
            shown.push_back(m_marketItems[static_cast<size_t>(index)]);
        for (int slot = 0; slot < kMarketSlots; ++slot)
            m_marketShown[slot] = -1;
    }
    if (turn.reload) {
        Monitor(C_WString(u"市場初期化"));
        m_rankingState.store(-1);
    }
    // The pictures come together, so a turn holds this thread for one exchange's time at most.
    std::vector<qarvo::C_String> addresses;
    for (const MarketItemPtr& item : shown)
        addresses.push_back(item->image);
    HttpGetOptions options;
    options.userAgent = kUserAgent;
    options.timeOutMs = kPictureTimeOutMs;
    std::vector<std::optional<qarvo::C_String>> pictures;
    HttpGetAll(addresses, options, m_closing, pictures);
    if (m_closing.load())
        return;
    bool filled[kMarketSlots] = {};
    for (size_t i = 0; i < shown.size(); ++i) {
        ui::C_Bitmap bitmap;
        if (!pictures[i] || !bitmap.LoadFromMemory(pictures[i]->c_str(), pictures[i]->Length()))
            continue;
        const int slot = turn.indexes[i] % kMarketSlots;
        ui::Static_SetBitmap(ui::GetDlgItem(m_mainWindow, kPictures[slot]), bitmap);
        ui::SetDlgItemText(m_mainWindow, kCaptions[slot], shown[i]->title);
        filled[slot] = true;
        qarvo::C_CriticalLock lock(C_MainWnd::m_cs);
        m_marketShown[slot] = turn.indexes[i];
    }
    // A slot this turn does not fill shows nothing rather than the product before.
    for (int slot = 0; slot < kMarketSlots; ++slot)
        if (!filled[slot]) {
            ui::Static_SetBitmap(ui::GetDlgItem(m_mainWindow, kPictures[slot]), ui::C_Bitmap());
            ui::SetDlgItemText(m_mainWindow, kCaptions[slot], C_WString());
        }
}

}  // namespace pelmora::viewer
