#include "viewer/ui/qt/desktop_qt.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <optional>
#include <vector>

#include "qarvo/platform/process.h"
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

// Openers started by OpenAddress. One that ends with a failure within the first seconds
// found nothing to open the address with; one still running by then has handed it to a
// program that stays (a browser started in the foreground) and is not watched for failure
// any more, only collected once it ends.
class OpenerWatch {
public:
    void Watch(long pid, const C_WString& address)
    {
        m_running.push_back({pid, address, QDeadlineTimer(kFailureWindowMs)});
        schedule();
    }

private:
    static constexpr int kFailureWindowMs = 5000;
    static constexpr int kPollMs = 100;
    static constexpr int kCollectMs = 5000;

    struct Opener {
        long pid;
        C_WString address;
        QDeadlineTimer window;
    };

    void schedule()
    {
        if (!m_timer) {
            m_timer = new QTimer(QCoreApplication::instance());
            m_timer->setSingleShot(true);
            QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { poll(); });
        }
        bool watching = false;
        for (const Opener& o : m_running)
            watching = watching || !o.window.hasExpired();
        if (!m_running.empty())
            m_timer->start(watching ? kPollMs : kCollectMs);
    }

    void poll()
    {
        for (auto it = m_running.begin(); it != m_running.end();) {
            const std::optional<int> status = platform::programExitStatus(it->pid);
            if (!status) {
                ++it;
                continue;
            }
            if (*status != 0 && !it->window.hasExpired())
                ReportOpenFailure(it->address);
            it = m_running.erase(it);
        }
        schedule();
    }

    std::vector<Opener> m_running;
    QPointer<QTimer> m_timer;
};

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
        if ((flags & MB_DEFMASK) == MB_DEFBUTTON2)
            box.setDefaultButton((flags & MB_TYPEMASK) == MB_OKCANCEL ? QMessageBox::Cancel : QMessageBox::No);
        return answerOf(box.exec());
    }

    bool OpenAddress(const C_WString& address) override
    {
        const QString text = ToQString(address);
        const QUrl url(text, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        QUrl target;
        if (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) {
            if (!url.isValid())
                return false;
            target = url;
        } else {
            const QFileInfo info(text);
            if (!info.exists())
                return false;
            target = QUrl::fromLocalFile(info.absoluteFilePath());
        }
        // The desktop's opener says by its exit status whether anything could open the
        // address; the toolkit's own call only says that the opener was started.
        const std::string opener = platform::findProgram("xdg-open");
        if (opener.empty())
            return QDesktopServices::openUrl(target);
        const QString argument = target.isLocalFile() ? target.toLocalFile() : target.toString(QUrl::FullyEncoded);
        std::string error;
        const long pid = platform::startProgram({opener, argument.toStdString()}, &error);
        if (pid < 0)
            return false;
        m_openers.Watch(pid, address);
        return true;
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

private:
    OpenerWatch m_openers;
};

}  // namespace

I_Desktop& RealDesktop()
{
    static QtDesktop desktop;
    return desktop;
}

}  // namespace qarvo::ui::detail
