#include "viewer/core/app/history_images.h"

#include "qarvo/time/clock.h"
#include "viewer/core/app/http_get.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT)";
constexpr int kTimeOutMs = 20000;
constexpr int kPassMs = 100;
constexpr int kMaxHeld = C_HistoryImageLoader::kWindowPages * C_HistoryImageLoader::kEntriesPerPage;

}  // namespace

C_HistoryImageLoader::C_HistoryImageLoader()
{
    m_thread.SetFunction(qarvo::common::Pointer<qarvo::I_Function>(
        std::make_shared<qarvo::C_FunctionObject>([this] { pass(); })));
}

C_HistoryImageLoader::~C_HistoryImageLoader()
{
    stopThread();
}

void C_HistoryImageLoader::stopThread()
{
    m_stop.store(1);
    m_thread.Stop(0);
}

void C_HistoryImageLoader::Start(std::vector<qarvo::C_String> addresses, ui::WindowHandle target, unsigned message)
{
    stopThread();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_addresses = std::move(addresses);
        m_bitmaps.assign(m_addresses.size(), ui::C_Bitmap());
        m_states.assign(m_addresses.size(), NotTried);
        m_order.clear();
        m_target = target;
        m_message = message;
    }
    m_currentPage.store(0);
    m_stop.store(0);
    m_thread.Start();
}

void C_HistoryImageLoader::Stop()
{
    stopThread();
    std::lock_guard<std::mutex> lock(m_lock);
    m_addresses.clear();
    m_bitmaps.clear();
    m_states.clear();
}

void C_HistoryImageLoader::SetCurrentPage(int page)
{
    m_currentPage.store(page < 0 ? 0 : page);
}

int C_HistoryImageLoader::Count()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<int>(m_addresses.size());
}

ui::C_Bitmap C_HistoryImageLoader::Bitmap(int index)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (index < 0 || index >= static_cast<int>(m_bitmaps.size()))
        return ui::C_Bitmap();
    return m_bitmaps[static_cast<size_t>(index)];
}

int C_HistoryImageLoader::State(int index)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (index < 0 || index >= static_cast<int>(m_states.size()))
        return NotTried;
    return m_states[static_cast<size_t>(index)];
}

int C_HistoryImageLoader::HeldBitmaps()
{
    std::lock_guard<std::mutex> lock(m_lock);
    int held = 0;
    for (const ui::C_Bitmap& bitmap : m_bitmaps)
        held += bitmap.IsNull() ? 0 : 1;
    return held;
}

std::vector<int> C_HistoryImageLoader::LoadOrder()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_order;
}

void C_HistoryImageLoader::pass()
{
    if (m_stop.load()) {
        qarvo_sleep_millis(10);
        return;
    }
    evictOutsideWindow();
    const int current = m_currentPage.load();
    // What the user sees comes first; the neighbours only while the user stays on this page.
    if (loadPage(current, current) && loadPage(current - 1, current))
        loadPage(current + 1, current);
    qarvo_sleep_millis(kPassMs);
}

bool C_HistoryImageLoader::loadPage(int page, int expectedCurrent)
{
    if (page < 0)
        return true;
    for (int i = 0; i < kEntriesPerPage; ++i) {
        if (m_stop.load() || m_currentPage.load() != expectedCurrent)
            return false;
        const int index = page * kEntriesPerPage + i;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (index >= static_cast<int>(m_states.size()))
                return true;
            if (m_states[static_cast<size_t>(index)] != NotTried)
                continue;
        }
        loadEntry(index);
    }
    return true;
}

void C_HistoryImageLoader::loadEntry(int index)
{
    qarvo::C_String address;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        address = m_addresses[static_cast<size_t>(index)];
        m_order.push_back(index);
    }
    HttpGetOptions options;
    options.userAgent = kUserAgent;
    options.timeOutMs = kTimeOutMs;
    qarvo::C_String bytes;
    ui::C_Bitmap bitmap;
    const bool loaded = HttpGet(address, options, m_stop, bytes) && bitmap.LoadFromMemory(bytes.c_str(), bytes.Length());
    if (m_stop.load())
        return;  // the lists may be emptied or replaced meanwhile; the entry stays untried
    ui::WindowHandle target = 0;
    unsigned message = 0;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (index >= static_cast<int>(m_states.size()))
            return;
        m_states[static_cast<size_t>(index)] = loaded ? Loaded : Failed;
        m_bitmaps[static_cast<size_t>(index)] = loaded ? bitmap : ui::C_Bitmap();
        target = m_target;
        message = m_message;
    }
    if (target)
        ui::PostMessage(target, message, static_cast<ui::WParam>(index), 0);
}

void C_HistoryImageLoader::evictOutsideWindow()
{
    const int current = m_currentPage.load();
    std::lock_guard<std::mutex> lock(m_lock);
    int held = 0;
    for (const ui::C_Bitmap& bitmap : m_bitmaps)
        held += bitmap.IsNull() ? 0 : 1;
    if (held <= kMaxHeld)
        return;
    for (size_t i = 0; i < m_bitmaps.size(); ++i) {
        const int page = static_cast<int>(i) / kEntriesPerPage;
        const bool nearby = page >= current - 1 && page <= current + 1;
        if (nearby || m_bitmaps[i].IsNull())
            continue;
        m_bitmaps[i].Clear();
        // Loaded again when the user comes back to its page.
        m_states[i] = NotTried;
    }
}

}  // namespace pelmora::viewer
