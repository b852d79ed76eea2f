#include "viewer/ui/qt/window_text.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "viewer/ui/messages.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/static_widget.h"
#include "viewer/ui/qt/status_bar_widget.h"

namespace qarvo::ui::detail {

bool SetRecordText(WindowRecord& rec, const QString& text)
{
    QWidget* widget = rec.widget;
    rec.text = FromQString(text);
    if (!widget)
        return false;
    switch (rec.kind) {
    case WindowKind::Dialog:
        if (widget->isWindow())
            widget->setWindowTitle(text);
        return true;
    case WindowKind::Static:
    case WindowKind::Picture:
        static_cast<StaticWidget*>(widget)->setText(text);
        return true;
    case WindowKind::Button:
    case WindowKind::CheckBox:
        static_cast<QAbstractButton*>(widget)->setText(text);
        return true;
    case WindowKind::GroupBox:
        static_cast<QGroupBox*>(widget)->setTitle(text);
        return true;
    case WindowKind::Edit:
        if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) {
            QString lines = text;
            lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            multi->setPlainText(lines);
        } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            line->setText(text);
        }
        return true;
    case WindowKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(widget);
        if (combo->isEditable()) {
            combo->setEditText(text);
            return true;
        }
        // A drop-down list shows only its items: the text selects the item that has it.
        const int index = combo->findText(text, Qt::MatchFixedString);
        if (index < 0)
            return false;
        combo->setCurrentIndex(index);
        return true;
    }
    case WindowKind::StatusBar:
        static_cast<StatusBarWidget*>(widget)->setText(text);
        return true;
    default:
        return true;
    }
}

QString RecordText(const WindowRecord& rec)
{
    QWidget* widget = rec.widget;
    if (!widget)
        return QString();
    switch (rec.kind) {
    case WindowKind::Dialog:
        return widget->isWindow() ? widget->windowTitle() : ToQString(rec.text);
    case WindowKind::Static:
    case WindowKind::Picture:
        return static_cast<StaticWidget*>(widget)->text();
    case WindowKind::Button:
    case WindowKind::CheckBox:
        return static_cast<QAbstractButton*>(widget)->text();
    case WindowKind::GroupBox:
        return static_cast<QGroupBox*>(widget)->title();
    case WindowKind::Edit:
        if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) {
            // Multi-line edits hand out their lines with CR LF, as they always did.
            QString lines = multi->toPlainText();
            lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            return lines;
        }
        if (auto* line = qobject_cast<QLineEdit*>(widget))
            return line->text();
        return QString();
    case WindowKind::ComboBox:
        return static_cast<QComboBox*>(widget)->currentText();
    case WindowKind::StatusBar:
        return static_cast<StatusBarWidget*>(widget)->text();
    default:
        return ToQString(rec.text);
    }
}

}  // namespace qarvo::ui::detail
