#include "viewer/app/script_desktop.h"

#include <cstdio>
#include <fstream>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/json.h"
#include "viewer/ui/messages.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace System = qarvo::common::System;

namespace {

std::string quoted(const qarvo::C_WString& text)
{
    return System::json_quote(System::utf16_to_utf8(text).view());
}

const char* iconName(unsigned flags)
{
    switch (flags & ui::MB_ICONMASK) {
    case ui::MB_ICONINFORMATION: return "information";
    case ui::MB_ICONWARNING: return "warning";
    case ui::MB_ICONERROR: return "error";
    case ui::MB_ICONQUESTION: return "question";
    default: return "none";
    }
}

}  // namespace

ScriptDesktop::ScriptDesktop(std::string path, bool noHandler) : m_path(std::move(path)), m_noHandler(noHandler) {}

int ScriptDesktop::DefaultAnswer(unsigned flags)
{
    const bool second = (flags & ui::MB_DEFMASK) == ui::MB_DEFBUTTON2;
    switch (flags & ui::MB_TYPEMASK) {
    case ui::MB_OKCANCEL: return second ? ui::IDCANCEL : ui::IDOK;
    case ui::MB_YESNO:
    case ui::MB_YESNOCANCEL: return second ? ui::IDNO : ui::IDYES;
    default: return ui::IDOK;
    }
}

int ScriptDesktop::ShowMessageBox(ui::WindowHandle, const qarvo::C_WString& text, const qarvo::C_WString& caption,
                                  unsigned flags)
{
    append("{\"kind\":\"messagebox\",\"caption\":" + quoted(caption) + ",\"text\":" + quoted(text) + ",\"icon\":\"" +
           iconName(flags) + "\"}");
    return DefaultAnswer(flags);
}

bool ScriptDesktop::OpenAddress(const qarvo::C_WString& address)
{
    append("{\"kind\":\"open\",\"address\":" + quoted(address) + (m_noHandler ? ",\"opened\":false}" : "}"));
    return !m_noHandler;
}

bool ScriptDesktop::SetClipboardText(const qarvo::C_WString& text)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_clipboard = text;
    }
    append("{\"kind\":\"clipboard\",\"text\":" + quoted(text) + "}");
    return true;
}

bool ScriptDesktop::GetClipboardText(qarvo::C_WString* text)
{
    std::lock_guard<std::mutex> lock(m_lock);
    *text = m_clipboard;
    return true;
}

void ScriptDesktop::append(const std::string& line)
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::ofstream file(m_path, std::ios::binary | std::ios::app);
    file << line << '\n';
    if (!file)
        std::fprintf(stderr, "PelmoraVista: cannot write %s\n", m_path.c_str());
}

}  // namespace pelmora::viewer
