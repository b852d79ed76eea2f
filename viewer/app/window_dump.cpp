#include "viewer/app/window_dump.h"

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/json.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace System = qarvo::common::System;

namespace {

std::string text(const qarvo::C_WString& value)
{
    return System::json_quote(System::utf16_to_utf8(value).view());
}

std::string flag(bool value)
{
    return value ? "true" : "false";
}

std::string rect(const ui::Rect& r)
{
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.Width()) + "," +
           std::to_string(r.Height()) + "]";
}

std::string texts(const std::vector<qarvo::C_WString>& values)
{
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + text(values[i]);
    return out + "]";
}

std::string control(const ui::ControlState& c)
{
    std::string out = "{\"id\":" + std::to_string(c.id) + ",\"kind\":\"" + c.kind + "\",\"text\":" + text(c.text) +
                      ",\"visible\":" + flag(c.visible) + ",\"enabled\":" + flag(c.enabled) + ",\"rect\":" + rect(c.rect);
    if (c.focused)
        out += ",\"focused\":true";
    if (c.checked)
        out += ",\"checked\":" + flag(*c.checked);
    if (!c.items.empty() || std::string(c.kind) == "combobox" || std::string(c.kind) == "tabs")
        out += ",\"items\":" + texts(c.items);
    if (c.selected)
        out += ",\"selected\":" + std::to_string(*c.selected);
    if (c.value)
        out += ",\"value\":" + std::to_string(*c.value);
    if (c.bitmap)
        out += ",\"bitmap\":[" + std::to_string(c.bitmap->x) + "," + std::to_string(c.bitmap->y) + "]";
    if (std::string(c.kind) == "listview") {
        out += ",\"columns\":" + texts(c.columns) + ",\"rows\":[";
        for (size_t i = 0; i < c.rows.size(); ++i)
            out += (i ? "," : "") + texts(c.rows[i]);
        out += "],\"rowChecked\":[";
        for (size_t i = 0; i < c.rowChecked.size(); ++i)
            out += (i ? "," : "") + flag(c.rowChecked[i]);
        out += "]";
    }
    return out + "}";
}

}  // namespace

std::string WindowDumpJson(const std::vector<ui::WindowState>& windows)
{
    std::string out = "{\"windows\":[";
    for (size_t w = 0; w < windows.size(); ++w) {
        const ui::WindowState& s = windows[w];
        out += w ? ",\n" : "\n";
        out += "{\"template\":" + std::to_string(s.templateId) + ",\"title\":" + text(s.title) +
               ",\"visible\":" + flag(s.visible) + ",\"rect\":" + rect(s.rect);
        if (*s.state)
            out += std::string(",\"state\":\"") + s.state + "\"";
        out += ",\"controls\":[";
        for (size_t i = 0; i < s.controls.size(); ++i)
            out += (i ? ",\n  " : "\n  ") + control(s.controls[i]);
        out += "]}";
    }
    return out + "\n]}\n";
}

}  // namespace pelmora::viewer
