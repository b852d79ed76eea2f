#pragma once
// The thumbnails of the viewing history, downloaded on a thread of their own. The loader
// keeps the bitmaps of a window of pages around the page the user looks at: the current page
// first, then the pages before and after it; bitmaps further away are dropped (and loaded
// again when their page comes back). Each arrival is announced to the target window.

#include <atomic>
#include <mutex>
#include <vector>

#include "qarvo/text/string.h"
#include "qarvo/thread/thread_ex.h"
#include "viewer/ui/bitmap.h"
#include "viewer/ui/types.h"

namespace pelmora::viewer {

class C_HistoryImageLoader {
public:
    // Load states of an entry.
    enum LoadState { NotTried = 0, Loaded = 1, Failed = -1 };

    static constexpr int kWindowPages = 3;
    static constexpr int kEntriesPerPage = 2;

    C_HistoryImageLoader();
    // Stops the thread before the arrays it uses go.
    ~C_HistoryImageLoader();
    C_HistoryImageLoader(const C_HistoryImageLoader&) = delete;
    C_HistoryImageLoader& operator=(const C_HistoryImageLoader&) = delete;

    // Stops a running loader, drops its bitmaps and starts on `addresses`, announcing each
    // arrival to `target` with `message` (wParam = the entry's index). Current page 0.
    void Start(std::vector<qarvo::C_String> addresses, qarvo::ui::WindowHandle target, unsigned message);
    // Stops the thread (a running download is aborted), drops every bitmap, empties the lists.
    void Stop();
    // The page the user looks at (entries page * 2 and page * 2 + 1).
    void SetCurrentPage(int page);

    // Any thread.
    int Count();
    qarvo::ui::C_Bitmap Bitmap(int index);
    int State(int index);
    int HeldBitmaps();
    bool IsRunning() const { return m_thread.IsRunning(); }
    // The indexes in the order their downloads were tried.
    std::vector<int> LoadOrder();

private:
    void pass();
    // Loads the missing entries of `page`; false when the pass should end (stop, or the
    // current page moved while neighbours were loading).
    bool loadPage(int page, int expectedCurrent);
    void loadEntry(int index);
    void evictOutsideWindow();
    void stopThread();

    std::atomic<int> m_stop{0};
    std::atomic<int> m_currentPage{0};
    qarvo::C_ThreadEx m_thread;

    std::mutex m_lock;  // guards the lists below
    std::vector<qarvo::C_String> m_addresses;
    std::vector<qarvo::ui::C_Bitmap> m_bitmaps;
    std::vector<int> m_states;
    std::vector<int> m_order;
    qarvo::ui::WindowHandle m_target = 0;
    unsigned m_message = 0;
};

}  // namespace pelmora::viewer
