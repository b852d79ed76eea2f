#include "viewer/ui/qt/desktop_qt.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QUrl>

#include "viewer/ui/messages.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {
namespace {

QMessageBox::StandardButtons buttonsFor(unsigned flags)
{
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconFor(unsigned flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int answerOf(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

class QtDesktop : public I_Desktop {
public:
    int ShowMessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption, unsigned flags) override
    {
        WindowRecord* rec = FindRecord(owner);
        QWidget* parent = rec && rec->widget ? rec->widget->window() : nullptr;
        QString body = ToQString(text);
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(iconFor(flags), ToQString(caption), body, buttonsFor(flags), parent);
        // Texts may hold what a web page sent; they are shown as they are, never as markup.
        box.setTextFormat(Qt::PlainText);
        return answerOf(box.exec());
    }

    bool OpenAddress(const C_WString& address) override
    {
        const QString text = ToQString(address);
        const QUrl url(text, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"))
            return url.isValid() && QDesktopServices::openUrl(url);
        const QFileInfo info(text);
        if (!info.exists())
            return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
    }

    bool ChooseFile(WindowHandle owner, const FileChoice& choice, C_WString* path) override
    {
        WindowRecord* rec = FindRecord(owner);
        QWidget* parent = rec && rec->widget ? rec->widget->window() : nullptr;
        const QString chosen =
            choice.mode == FileChoice::Mode::Save
                ? QFileDialog::getSaveFileName(parent, ToQString(choice.caption), ToQString(choice.suggested),
                                               ToQString(choice.filter))
                : QFileDialog::getOpenFileName(parent, ToQString(choice.caption), ToQString(choice.suggested),
                                               ToQString(choice.filter));
        if (chosen.isEmpty() || !path)
            return false;
        *path = FromQString(chosen);
        return true;
    }

    bool SetClipboardText(const C_WString& text) override
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return false;
        clipboard->setText(ToQString(text));
        return true;
    }

    bool GetClipboardText(C_WString* text) override
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard || !text)
            return false;
        *text = FromQString(clipboard->text());
        return true;
    }
};

}  // namespace

I_Desktop& RealDesktop()
{
    static QtDesktop desktop;
    return desktop;
}

}  // namespace qarvo::ui::detail
