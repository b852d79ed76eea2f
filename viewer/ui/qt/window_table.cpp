#include "viewer/ui/qt/window_table.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVariant>
#include <algorithm>
#include <mutex>
#include <unordered_set>

#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"

namespace qarvo::ui::detail {
namespace {

const char* const kHandleProperty = "qarvo_window_handle";

struct Table {
    std::unordered_map<WindowHandle, std::unique_ptr<WindowRecord>> records;
    // Handles start high so that small integers (ids, counts) are never mistaken for windows.
    WindowHandle next = 0x10000;
};

Table& table()
{
    static Table instance;
    return instance;
}

std::mutex g_liveMutex;
std::unordered_set<WindowHandle>& liveHandles()
{
    static std::unordered_set<WindowHandle> handles;
    return handles;
}

int g_dispatchDepth = 0;

}  // namespace

WindowRecord* FindRecord(WindowHandle handle)
{
    if (handle == 0)
        return nullptr;
    auto& records = table().records;
    auto it = records.find(handle);
    return it == records.end() ? nullptr : it->second.get();
}

WindowRecord* FindRecordOfWidget(const QWidget* widget)
{
    if (!widget)
        return nullptr;
    const QVariant value = widget->property(kHandleProperty);
    if (!value.isValid())
        return nullptr;
    WindowRecord* rec = FindRecord(static_cast<WindowHandle>(value.toLongLong()));
    return rec && rec->widget == widget ? rec : nullptr;
}

WindowRecord* FindRecordAbove(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (WindowRecord* rec = FindRecordOfWidget(w))
            return rec;
    return nullptr;
}

WindowRecord* FindControl(WindowHandle dialog, int id)
{
    if (dialog == 0)
        return nullptr;
    // The lowest handle wins when ids repeat, as the first control in the template did.
    WindowRecord* best = nullptr;
    for (auto& [handle, rec] : table().records)
        if (rec->kind != WindowKind::Dialog && rec->dialog == dialog && rec->id == id)
            if (!best || handle < best->handle)
                best = rec.get();
    return best;
}

WindowRecord& AddRecord(WindowKind kind, QWidget* widget)
{
    Table& t = table();
    auto rec = std::make_unique<WindowRecord>();
    rec->handle = t.next++;
    rec->kind = kind;
    rec->widget = widget;
    if (widget)
        widget->setProperty(kHandleProperty, QVariant::fromValue<qlonglong>(rec->handle));
    {
        std::lock_guard<std::mutex> lock(g_liveMutex);
        liveHandles().insert(rec->handle);
    }
    WindowRecord& ref = *rec;
    t.records.emplace(ref.handle, std::move(rec));
    return ref;
}

std::vector<WindowHandle> Descendants(WindowHandle handle)
{
    std::unordered_map<WindowHandle, std::vector<WindowHandle>> children;
    for (auto& [h, rec] : table().records)
        if (rec->parent != 0)
            children[rec->parent].push_back(h);
    for (auto& [parent, list] : children)
        std::sort(list.begin(), list.end());
    std::vector<WindowHandle> out;
    std::vector<WindowHandle> pending{handle};
    // Breadth first: parents always come before their children.
    for (size_t i = 0; i < pending.size(); ++i) {
        auto it = children.find(pending[i]);
        if (it == children.end())
            continue;
        for (WindowHandle child : it->second) {
            out.push_back(child);
            pending.push_back(child);
        }
    }
    return out;
}

std::vector<WindowHandle> AllTopLevelHandles()
{
    std::vector<WindowHandle> out;
    for (auto& [h, rec] : table().records)
        if (rec->parent == 0)
            out.push_back(h);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<WindowHandle> AllHandles()
{
    std::vector<WindowHandle> out;
    for (auto& [h, rec] : table().records)
        out.push_back(h);
    std::sort(out.begin(), out.end());
    return out;
}

void RemoveRecord(WindowHandle handle)
{
    {
        std::lock_guard<std::mutex> lock(g_liveMutex);
        liveHandles().erase(handle);
    }
    table().records.erase(handle);
}

bool HandleIsLive(WindowHandle handle)
{
    std::lock_guard<std::mutex> lock(g_liveMutex);
    return liveHandles().count(handle) != 0;
}

DispatchScope::DispatchScope()
{
    ++g_dispatchDepth;
}

DispatchScope::~DispatchScope()
{
    --g_dispatchDepth;
}

int DispatchScope::Depth()
{
    return g_dispatchDepth;
}

bool DestroyWindowNow(WindowHandle handle)
{
    WindowRecord* rec = FindRecord(handle);
    if (!rec)
        return false;
    // A procedure that destroys a window of this tree again from its WM_DESTROY finds it
    // already on its way out.
    if (rec->destroying)
        return true;
    std::vector<WindowHandle> doomed{handle};
    for (WindowHandle h : Descendants(handle))
        doomed.push_back(h);
    const QPointer<QWidget> widget = rec->widget;
    for (WindowHandle h : doomed) {
        WindowRecord* r = FindRecord(h);
        if (!r)
            continue;
        r->destroying = true;
        if (r->kind == WindowKind::Dialog && r->modalLoop)
            r->modalLoop->exit(0);
    }
    // Controls stay reachable during WM_DESTROY, as they did, so a dialog can save their state.
    for (WindowHandle h : doomed) {
        WindowRecord* r = FindRecord(h);
        if (!r || r->kind != WindowKind::Dialog || !r->proc)
            continue;
        WindowProcedure proc = r->proc;
        WindowHandle target = h;
        unsigned msg = WM_DESTROY;
        WParam wp = 0;
        LParam lp = 0;
        proc(target, msg, wp, lp);
    }
    for (WindowHandle h : doomed)
        RemoveRecord(h);
    if (widget) {
        widget->hide();
        if (DispatchScope::Depth() > 0)
            widget->deleteLater();
        else
            delete widget.data();
    }
    return true;
}

void DestroyAllWindows()
{
    for (WindowHandle h : AllTopLevelHandles())
        DestroyWindowNow(h);
    // Records whose parent went away without them (a parent destroyed outside the layer).
    while (!table().records.empty()) {
        auto it = table().records.begin();
        QPointer<QWidget> widget = it->second->widget;
        RemoveRecord(it->first);
        delete widget.data();
    }
    FlushDeferredDeletes();
}

void FlushDeferredDeletes()
{
    if (OnGuiThread())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace qarvo::ui::detail
