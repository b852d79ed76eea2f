#pragma once
// The desktop while a script runs: message boxes, opened addresses and clipboard writes are
// not performed but written to desktop.jsonl, one JSON object a line, so that a script's
// outcome can be read afterwards. Boxes are answered with their default button. With
// `noHandler` every address fails to open, as on a desktop without a browser or file manager.

#include <mutex>
#include <string>

#include "viewer/ui/desktop.h"

namespace pelmora::viewer {

class ScriptDesktop : public qarvo::ui::I_Desktop {
public:
    ScriptDesktop(std::string path, bool noHandler);

    int ShowMessageBox(qarvo::ui::WindowHandle owner, const qarvo::C_WString& text, const qarvo::C_WString& caption,
                       unsigned flags) override;
    bool OpenAddress(const qarvo::C_WString& address) override;
    bool SetClipboardText(const qarvo::C_WString& text) override;
    bool GetClipboardText(qarvo::C_WString* text) override;

    // The answer a box with these flags gives when its default button is pressed.
    static int DefaultAnswer(unsigned flags);

private:
    void append(const std::string& line);

    std::string m_path;
    bool m_noHandler;
    std::mutex m_lock;
    qarvo::C_WString m_clipboard;
};

}  // namespace pelmora::viewer
