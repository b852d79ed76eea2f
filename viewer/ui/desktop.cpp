#include "viewer/ui/desktop.h"

#include <atomic>

#include "viewer/ui/qt/desktop_qt.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

namespace {

std::atomic<I_Desktop*> g_desktop{nullptr};

std::mutex g_failureLock;
OpenFailureHandler g_failureHandler;  // guarded by g_failureLock

I_Desktop& desktop()
{
    I_Desktop* installed = g_desktop.load();
    return installed ? *installed : RealDesktop();
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The scheme of an address ("http" in "http://..."), empty when the text is a plain path.
C_WString schemeOf(const C_WString& address)
{
    if (address.IsEmpty() || !isAsciiLetter(address[0]))
        return C_WString();
    for (int i = 1; i < address.Length(); ++i) {
        const char16_t c = address[i];
        if (c == u':')
            return address.Left(i).ToLower();
        if (!isAsciiLetter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return C_WString();
    }
    return C_WString();
}

}  // namespace

I_Desktop* SetDesktop(I_Desktop* replacement)
{
    return g_desktop.exchange(replacement);
}

int MessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption, unsigned flags)
{
    return CallOnGui<int>(
        [&] {
            DispatchScope scope;
            return desktop().ShowMessageBox(owner, text, caption, flags);
        },
        0);
}

bool PostMessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption, unsigned flags,
                    std::function<void(int)> answered)
{
    auto show = [owner, text, caption, flags, answered] {
        int answer = 0;
        {
            DispatchScope scope;
            answer = desktop().ShowMessageBox(owner, text, caption, flags);
        }
        if (answered)
            answered(answer);
    };
    if (PostToGui(std::move(show)))
        return true;
    if (answered)
        answered(0);
    return false;
}

bool OpenAddress(const C_WString& address)
{
    C_WString trimmed = address;
    trimmed.Trim();
    if (trimmed.IsEmpty())
        return false;
    for (int i = 0; i < trimmed.Length(); ++i)
        if (trimmed[i] < 0x20 || trimmed[i] == 0x7F)
            return false;
    // Anything with a scheme other than the web's is refused; a plain path is a file or folder.
    const C_WString scheme = schemeOf(trimmed);
    if (!scheme.IsEmpty()) {
        if (scheme != u"http" && scheme != u"https")
            return false;
        if (trimmed.SubString(scheme.Length(), scheme.Length() + 2) != u"://")
            return false;
    }
    return RunOnGui([trimmed] {
        if (!desktop().OpenAddress(trimmed))
            ReportOpenFailure(trimmed);
    });
}

void SetOpenFailureHandler(OpenFailureHandler handler)
{
    std::lock_guard<std::mutex> lock(g_failureLock);
    g_failureHandler = std::move(handler);
}

void ReportOpenFailure(const C_WString& address)
{
    // Queued even on the GUI thread: the handler shows a box, which must not run inside the
    // call that asked for the open.
    PostToGui([address] {
        OpenFailureHandler handler;
        {
            std::lock_guard<std::mutex> lock(g_failureLock);
            handler = g_failureHandler;
        }
        if (handler)
            handler(address);
    });
}

bool SetClipboardText(const C_WString& text)
{
    return CallOnGui<bool>([&] { return desktop().SetClipboardText(text); }, false);
}

C_WString GetClipboardText()
{
    return CallOnGui<C_WString>(
        [] {
            C_WString text;
            return desktop().GetClipboardText(&text) ? text : C_WString();
        },
        C_WString());
}

bool ChooseFile(WindowHandle owner, const FileChoice& choice, C_WString* path)
{
    if (!path)
        return false;
    return CallOnGui<bool>(
        [&] {
            DispatchScope scope;
            return desktop().ChooseFile(owner, choice, path);
        },
        false);
}

bool C_DesktopRecorder::ChooseFile(WindowHandle, const FileChoice& choice, C_WString* path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fileChoices.push_back(choice);
    if (m_fileAnswer.IsEmpty() || !path)
        return false;
    *path = m_fileAnswer;
    return true;
}

void C_DesktopRecorder::SetFileChoiceAnswer(const C_WString& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fileAnswer = path;
}

std::vector<FileChoice> C_DesktopRecorder::FileChoices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fileChoices;
}

int C_DesktopRecorder::ShowMessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption,
                                      unsigned flags)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxes.push_back(MessageBoxCall{owner, text, caption, flags});
    return m_answer;
}

bool C_DesktopRecorder::OpenAddress(const C_WString& address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_opened.push_back(address);
    return true;
}

bool C_DesktopRecorder::SetClipboardText(const C_WString& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_clipboardAvailable)
        return false;
    m_clipboard = text;
    ++m_clipboardWrites;
    return true;
}

bool C_DesktopRecorder::GetClipboardText(C_WString* text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_clipboardAvailable || !text)
        return false;
    *text = m_clipboard;
    return true;
}

void C_DesktopRecorder::SetMessageBoxAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answer = answer;
}

void C_DesktopRecorder::SetClipboardAvailable(bool available)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clipboardAvailable = available;
}

std::vector<C_DesktopRecorder::MessageBoxCall> C_DesktopRecorder::MessageBoxes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

std::vector<C_WString> C_DesktopRecorder::OpenedAddresses() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_opened;
}

C_WString C_DesktopRecorder::ClipboardText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clipboard;
}

int C_DesktopRecorder::ClipboardWrites() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clipboardWrites;
}

}  // namespace qarvo::ui
