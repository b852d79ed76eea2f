#pragma once
// What the viewer asks of the desktop: message boxes, opening an address or a folder, and the
// clipboard. All of it goes through one replaceable object so that tests record the requests
// instead of showing boxes and starting browsers.

#include <functional>
#include <mutex>
#include <vector>

#include "qarvo/text/string.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

// What a file chooser asks for: open an existing file or name one to save into.
struct FileChoice {
    enum class Mode { Open, Save } mode = Mode::Open;
    C_WString caption;
    C_WString filter;     // "ASS (*.ass)", as Qt's file dialogs take it
    C_WString suggested;  // the starting name or folder
};

class I_Desktop {
public:
    virtual ~I_Desktop() = default;
    // The chosen path in *path; false when the user cancels. Runs on the GUI thread.
    virtual bool ChooseFile(WindowHandle owner, const FileChoice& choice, C_WString* path)
    {
        return false;
    }
    // Returns the answer (IDOK, IDCANCEL, IDYES, IDNO...). Runs on the GUI thread.
    virtual int ShowMessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption,
                               unsigned flags) = 0;
    // address is an http(s) address or a local path; already checked by OpenAddress. false
    // when nothing can open it; a program that takes it and fails soon after is reported
    // with ReportOpenFailure.
    virtual bool OpenAddress(const C_WString& address) = 0;
    // false when the clipboard cannot be taken.
    virtual bool SetClipboardText(const C_WString& text) = 0;
    virtual bool GetClipboardText(C_WString* text) = 0;
};

// Installs a desktop (null: the real one) and returns the previous one (null when it was the
// real one). The object must outlive its use.
I_Desktop* SetDesktop(I_Desktop* desktop);

// Blocks until answered, also from other threads (the box is shown by the GUI thread).
// 0 when it cannot be shown.
int MessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption, unsigned flags);
// Queues the box to the GUI thread and returns at once: for threads that must never wait for
// it (an engine job that waits in a box while the window closes is a job the close cannot
// join). `answered` (optional) runs on the GUI thread with the answer once the box is gone,
// also when it could not be shown (answer 0). False when nothing could be queued.
bool PostMessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption, unsigned flags,
                    std::function<void(int)> answered = {});
// Opens an http:// or https:// address in the browser, or a local file or folder (a path
// without a scheme) with its default program. Other schemes (file:, javascript:, a program
// name with arguments...) are refused with false: the addresses come from web pages, and
// handing them to the desktop unchecked would let a page start programs.
bool OpenAddress(const C_WString& address);
// What happens when an address OpenAddress accepted cannot be opened after all (no program for
// it, or the program failed): the handler runs on the GUI thread, later, with the address.
// Null: nothing (the default).
using OpenFailureHandler = std::function<void(const C_WString& address)>;
void SetOpenFailureHandler(OpenFailureHandler handler);
// Any thread; the handler is called from the GUI thread's queue.
void ReportOpenFailure(const C_WString& address);
bool SetClipboardText(const C_WString& text);
C_WString GetClipboardText();
// A file chooser (blocks until answered); false when cancelled or it cannot be shown.
bool ChooseFile(WindowHandle owner, const FileChoice& choice, C_WString* path);

// A desktop for tests: records every request and answers with preset values. Thread-safe.
class C_DesktopRecorder : public I_Desktop {
public:
    struct MessageBoxCall {
        WindowHandle owner;
        C_WString text;
        C_WString caption;
        unsigned flags;
    };

    int ShowMessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption, unsigned flags) override;
    bool OpenAddress(const C_WString& address) override;
    bool SetClipboardText(const C_WString& text) override;
    bool GetClipboardText(C_WString* text) override;
    // Answers with the preset path (none at first: cancelled) and records the question.
    bool ChooseFile(WindowHandle owner, const FileChoice& choice, C_WString* path) override;
    void SetFileChoiceAnswer(const C_WString& path);
    std::vector<FileChoice> FileChoices() const;

    // The answer of every message box (IDOK at first).
    void SetMessageBoxAnswer(int answer);
    // false simulates a clipboard held by another program.
    void SetClipboardAvailable(bool available);

    std::vector<MessageBoxCall> MessageBoxes() const;
    std::vector<C_WString> OpenedAddresses() const;
    C_WString ClipboardText() const;
    // How many times the clipboard was written successfully.
    int ClipboardWrites() const;

private:
    mutable std::mutex m_mutex;
    int m_answer = 1;
    bool m_clipboardAvailable = true;
    std::vector<MessageBoxCall> m_boxes;
    std::vector<C_WString> m_opened;
    C_WString m_clipboard;
    int m_clipboardWrites = 0;
    C_WString m_fileAnswer;
    std::vector<FileChoice> m_fileChoices;
};

}  // namespace qarvo::ui
