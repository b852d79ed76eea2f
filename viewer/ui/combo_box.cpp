#include <algorithm>

#include <QComboBox>
#include <QLineEdit>

#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

namespace {

QComboBox* comboOf(WindowHandle handle, WindowRecord** record = nullptr)
{
    WindowRecord* rec = FindRecord(handle);
    if (record)
        *record = rec;
    return rec && rec->kind == WindowKind::ComboBox ? qobject_cast<QComboBox*>(rec->widget.data()) : nullptr;
}

// Inserts without the side effects Qt adds: an empty list does not select its first item, and
// the edit field keeps showing what it showed.
void insertQuietly(QComboBox& box, int at, const QString& item)
{
    const int selected = box.currentIndex();
    const QString shown = box.isEditable() ? box.currentText() : QString();
    box.insertItem(at, item);
    if (selected < 0 && box.currentIndex() >= 0)
        box.setCurrentIndex(-1);
    if (box.isEditable() && box.currentText() != shown)
        box.setEditText(shown);
}

template <class F>
int onCombo(WindowHandle handle, F&& work)
{
    return CallOnGui<int>(
        [&] {
            WindowRecord* rec = nullptr;
            QComboBox* combo = comboOf(handle, &rec);
            return combo ? work(*combo, *rec) : CB_ERR;
        },
        CB_ERR);
}

// The search the classic list did: after startAfter, wrapping round, case-insensitive.
int findItem(const QComboBox& combo, int startAfter, const QString& text, bool exact)
{
    const int count = combo.count();
    if (count == 0)
        return CB_ERR;
    const int first = startAfter < 0 || startAfter >= count ? 0 : startAfter + 1;
    for (int n = 0; n < count; ++n) {
        const int i = (first + n) % count;
        const QString item = combo.itemText(i);
        const bool match = exact ? item.compare(text, Qt::CaseInsensitive) == 0
                                 : item.startsWith(text, Qt::CaseInsensitive);
        if (match)
            return i;
    }
    return CB_ERR;
}

}  // namespace

int ComboBox_AddString(WindowHandle combo, const C_WString& text)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord& rec) {
        const QString item = ToQString(text);
        int at = box.count();
        if (rec.style & CBS_SORT) {
            // After every item that sorts before or equal to it.
            at = 0;
            while (at < box.count() && box.itemText(at).compare(item, Qt::CaseInsensitive) <= 0)
                ++at;
        }
        insertQuietly(box, at, item);
        return at;
    });
}

int ComboBox_InsertString(WindowHandle combo, int index, const C_WString& text)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord&) {
        if (index > box.count())
            return CB_ERR;
        const int at = index < 0 ? box.count() : index;
        insertQuietly(box, at, ToQString(text));
        return at;
    });
}

int ComboBox_DeleteString(WindowHandle combo, int index)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord&) {
        if (index < 0 || index >= box.count())
            return CB_ERR;
        box.removeItem(index);
        return box.count();
    });
}

int ComboBox_FindString(WindowHandle combo, int startAfter, const C_WString& text)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord&) { return findItem(box, startAfter, ToQString(text), false); });
}

int ComboBox_FindStringExact(WindowHandle combo, int startAfter, const C_WString& text)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord&) { return findItem(box, startAfter, ToQString(text), true); });
}

int ComboBox_SetCurSel(WindowHandle combo, int index)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord&) {
        if (index < 0 || index >= box.count()) {
            box.setCurrentIndex(-1);
            if (box.isEditable())
                box.setEditText(QString());
            return CB_ERR;
        }
        box.setCurrentIndex(index);
        if (box.isEditable())
            box.setEditText(box.itemText(index));
        return index;
    });
}

int ComboBox_GetCurSel(WindowHandle combo)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord&) {
        const int index = box.currentIndex();
        if (index < 0)
            return CB_ERR;
        // What the user typed over a chosen item is no longer that item.
        if (box.isEditable() && box.currentText() != box.itemText(index))
            return CB_ERR;
        return index;
    });
}

int ComboBox_GetCount(WindowHandle combo)
{
    return onCombo(combo, [&](QComboBox& box, WindowRecord&) { return box.count(); });
}

C_WString ComboBox_GetLBText(WindowHandle combo, int index, int maxLength)
{
    return CallOnGui<C_WString>(
        [&] {
            QComboBox* box = comboOf(combo);
            if (!box || index < 0 || index >= box->count())
                return C_WString();
            return Capped(FromQString(box->itemText(index)), maxLength);
        },
        C_WString());
}

bool ComboBox_ResetContent(WindowHandle combo)
{
    if (!HandleIsLive(combo))
        return false;
    return RunOnGui([combo] {
        if (QComboBox* box = comboOf(combo)) {
            box->clear();
            if (box->isEditable())
                box->setEditText(QString());
        }
    });
}

bool ComboBox_SetEditSel(WindowHandle combo, int start, int end)
{
    if (!HandleIsLive(combo))
        return false;
    return RunOnGui([combo, start, end] {
        QComboBox* box = comboOf(combo);
        QLineEdit* edit = box ? box->lineEdit() : nullptr;
        if (!edit)
            return;
        const int length = static_cast<int>(edit->text().size());
        const int from = start < 0 ? length : std::min(start, length);
        const int to = end < 0 ? length : std::min(end, length);
        edit->setSelection(from, to - from);
    });
}

}  // namespace qarvo::ui
