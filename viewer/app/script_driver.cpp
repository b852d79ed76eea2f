#include "viewer/app/script_driver.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/platform/environment.h"
#include "qarvo/time/clock.h"
#include "viewer/app/window_dump.h"
#include "viewer/ui/screenshot.h"
#include "viewer/ui/user_input.h"
#include "viewer/ui/window.h"
#include "viewer/ui/window_states.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace System = qarvo::common::System;

namespace {

constexpr int kDefaultWaitForMs = 15000;
constexpr int kPollMs = 100;
constexpr int kMainTemplate = 101;

bool isNumber(const std::string& word)
{
    return !word.empty() && word.size() <= 9 && word.find_first_not_of("0123456789") == std::string::npos;
}

bool isSignedNumber(const std::string& word)
{
    return isNumber(word[0] == '-' && word.size() > 1 ? word.substr(1) : word);
}

qarvo::C_WString wide(const std::string& utf8)
{
    return System::utf8_to_utf16(qarvo::C_String(utf8));
}

// The steps each verb takes: how many words at least, and whether they are numbers.
struct Verb {
    const char* name;
    size_t minWords;
    size_t numericWords;  // how many leading words must be numbers
};
constexpr Verb kVerbs[] = {
    {"wait", 1, 1},   {"waitfor", 2, 1}, {"settext", 1, 1}, {"press", 1, 1}, {"click", 1, 1},
    {"clickat", 2, 2}, {"tab", 1, 1},    {"menu", 1, 1},    {"key", 1, 0},   {"shot", 1, 0},
    {"dump", 1, 0},   {"close", 0, 0},   {"window", 1, 0},
};

const Verb* findVerb(const std::string& name)
{
    for (const Verb& v : kVerbs)
        if (name == v.name)
            return &v;
    return nullptr;
}

// The topmost shown window with control `id`: windows opened later lie above earlier ones,
// and a page above the window it sits in.
std::optional<ui::ControlState> findControl(const std::vector<ui::WindowState>& windows, int id)
{
    for (auto w = windows.rbegin(); w != windows.rend(); ++w) {
        if (!w->visible)
            continue;
        for (const ui::ControlState& c : w->controls)
            if (c.id == id)
                return c;
    }
    return std::nullopt;
}

const ui::WindowState* mainWindow(const std::vector<ui::WindowState>& windows)
{
    for (const ui::WindowState& w : windows)
        if (w.parent == 0 && w.templateId == kMainTemplate)
            return &w;
    return nullptr;
}

}  // namespace

std::vector<ScriptStep> ParseScript(const std::string& text, std::vector<std::string>* errors)
{
    std::vector<ScriptStep> steps;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const size_t first = raw.find_first_not_of(" \t");
        if (first == std::string::npos || raw[first] == '#')
            continue;
        ScriptStep step;
        step.line = number;
        std::istringstream words(raw.substr(first));
        words >> step.verb;
        for (std::string w; words >> w;)
            step.words.push_back(w);
        // settext keeps the rest of the line as it is, blanks included.
        const size_t verbEnd = raw.find_first_of(" \t", first);
        const size_t idStart = verbEnd == std::string::npos ? verbEnd : raw.find_first_not_of(" \t", verbEnd);
        const size_t idEnd = idStart == std::string::npos ? idStart : raw.find_first_of(" \t", idStart);
        if (idEnd != std::string::npos && idEnd + 1 <= raw.size())
            step.rest = raw.substr(idEnd + 1);
        const Verb* verb = findVerb(step.verb);
        bool valid = verb && step.words.size() >= verb->minWords;
        for (size_t i = 0; valid && verb && i < verb->numericWords; ++i)
            valid = step.verb == "clickat" ? isSignedNumber(step.words[i]) : isNumber(step.words[i]);
        if (!valid) {
            if (errors)
                errors->push_back("line " + std::to_string(number) + ": cannot read \"" + raw.substr(first) + "\"");
            continue;
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

ScriptSettings ScriptSettings::FromEnvironment()
{
    ScriptSettings s;
    s.scriptPath = qarvo::platform::environmentText("PELMORA_SCRIPT");
    s.outDirectory = qarvo::platform::environmentText("PELMORA_SCRIPT_OUT");
    if (s.outDirectory.empty())
        s.outDirectory = ".";
    s.noHandler = qarvo::platform::environmentText("PELMORA_SCRIPT_NO_HANDLER") == "1";
    return s;
}

ScriptDriver::ScriptDriver(C_App& app, ScriptSettings settings) : m_app(app), m_settings(std::move(settings))
{
    if (!m_settings.enabled())
        return;
    std::error_code ignored;
    std::filesystem::create_directories(m_settings.outDirectory, ignored);
    std::ifstream file(m_settings.scriptPath, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    if (!file)
        m_parseErrors.push_back("cannot read the script " + m_settings.scriptPath);
    m_steps = ParseScript(text.str(), &m_parseErrors);
    m_desktop = std::make_unique<ScriptDesktop>(outPath("desktop.jsonl"), m_settings.noHandler);
    m_previousDesktop = ui::SetDesktop(m_desktop.get());
    m_thread.SetRepeat(false);
    m_thread.SetFunction(qarvo::common::Pointer<qarvo::I_Function>(
        std::make_shared<qarvo::C_FunctionObject>([this] { run(); })));
    m_thread.Start();
}

ScriptDriver::~ScriptDriver()
{
    if (!m_settings.enabled())
        return;
    m_thread.Stop(0);
    ui::SetDesktop(m_previousDesktop);
}

std::string ScriptDriver::outPath(const std::string& name) const
{
    return (std::filesystem::path(m_settings.outDirectory) / name).string();
}

void ScriptDriver::log(const std::string& line)
{
    std::ofstream file(outPath("script.log"), std::ios::binary | std::ios::app);
    file << line << '\n';
}

bool ScriptDriver::pause(int ms)
{
    const uint32_t start = qarvo_time_millis();
    while (qarvo_time_millis() - start < static_cast<uint32_t>(ms)) {
        if (m_thread.IsStopRequested() || m_app.IsClosing())
            return false;
        qarvo_sleep_millis(10);
    }
    return true;
}

void ScriptDriver::run()
{
    for (const std::string& error : m_parseErrors)
        log(error);
    // The steps start once the main window is set up and shown.
    while (!m_app.GetHWnd() || !ui::IsWindowVisible(m_app.GetHWnd()) || !m_app.StatusBarWindow()) {
        if (m_thread.IsStopRequested() || m_app.IsClosing())
            return;
        qarvo_sleep_millis(20);
    }
    for (const ScriptStep& step : m_steps) {
        if (m_thread.IsStopRequested() || m_app.IsClosing())
            return;
        std::string outcome;
        const bool ok = execute(step, &outcome);
        ui::WaitForInputHandled();
        std::string line = "line " + std::to_string(step.line) + ": " + step.verb;
        for (const std::string& w : step.words)
            line += " " + w;
        log(line + (ok ? " ok" : " failed") + (outcome.empty() ? "" : ": " + outcome));
    }
    log("end");
    ui::PostMessage(m_app.GetHWnd(), ui::WM_CLOSE, 0, 0);
}

bool ScriptDriver::execute(const ScriptStep& step, std::string* outcome)
{
    const std::string& v = step.verb;
    const int number = step.words.empty() || !isSignedNumber(step.words[0]) ? 0 : std::atoi(step.words[0].c_str());
    if (v == "wait")
        return pause(number);
    if (v == "waitfor")
        return waitFor(step, outcome);
    if (v == "close")
        return ui::PostMessage(m_app.GetHWnd(), ui::WM_CLOSE, 0, 0);
    if (v == "shot")
        return shot(step.words[0]);
    if (v == "dump")
        return dump(step.words[0]);
    if (v == "menu")
        return ui::ChooseMenuCommand(m_app.GetHWnd(), number);
    if (v == "window")
        return window(step, outcome);

    const std::vector<ui::WindowState> windows = ui::ShownWindowStates();
    if (v == "clickat") {
        const ui::WindowState* main = mainWindow(windows);
        return main && ui::ClickAt(main->handle, number, std::atoi(step.words[1].c_str()));
    }
    if (v == "key") {
        const std::string& name = step.words[0];
        // Ctrl with a letter: the window's accelerators.
        if (name.size() == 6 && name.compare(0, 5, "Ctrl+") == 0 && name[5] >= 'A' && name[5] <= 'Z') {
            for (auto w = windows.rbegin(); w != windows.rend(); ++w)
                if (w->parent == 0 && w->visible)
                    return ui::PressControlKey(w->handle, name[5]);
            return false;
        }
        ui::UserKey key;
        if (name == "Escape")
            key = ui::UserKey::Escape;
        else if (name == "Enter")
            key = ui::UserKey::Enter;
        else if (name == "Tab")
            key = ui::UserKey::Tab;
        else {
            *outcome = "unknown key";
            return false;
        }
        // The topmost shown top-level window has the keyboard.
        for (auto w = windows.rbegin(); w != windows.rend(); ++w)
            if (w->parent == 0 && w->visible)
                return ui::PressKey(w->handle, key);
        return false;
    }
    if (v == "tab") {
        const ui::WindowState* main = mainWindow(windows);
        if (main)
            for (const ui::ControlState& c : main->controls)
                if (std::string(c.kind) == "tabs")
                    return ui::SelectTabAsUser(c.handle, number);
        *outcome = "no tab strip";
        return false;
    }
    const std::optional<ui::ControlState> control = findControl(windows, number);
    if (!control) {
        *outcome = "no shown window has control " + step.words[0];
        return false;
    }
    if (v == "settext")
        return ui::SetWindowText(control->handle, wide(step.rest));
    if (v == "press")
        return ui::PressButton(control->handle);
    if (v == "click")
        return ui::ClickControl(control->handle);
    return false;
}

// The main window as the window system's buttons and edges change it.
bool ScriptDriver::window(const ScriptStep& step, std::string* outcome)
{
    const ui::WindowHandle main = m_app.GetHWnd();
    const std::string& what = step.words[0];
    if (what == "minimize" || what == "maximize" || what == "restore") {
        ui::ShowWindow(main, what == "minimize" ? ui::SW_MINIMIZE : what == "maximize" ? ui::SW_MAXIMIZE : ui::SW_RESTORE);
        return ui::IsWindow(main);
    }
    if (what == "size" && step.words.size() == 3 && isNumber(step.words[1]) && isNumber(step.words[2])) {
        // The client area gets the size; the frame and the menu bar come on top.
        ui::Rect outer, client;
        if (!ui::GetWindowRect(main, &outer) || !ui::GetClientRect(main, &client))
            return false;
        const int width = std::atoi(step.words[1].c_str()) + outer.Width() - client.Width();
        const int height = std::atoi(step.words[2].c_str()) + outer.Height() - client.Height();
        return ui::SetWindowPos(main, 0, 0, 0, width, height, ui::SWP_NOMOVE | ui::SWP_NOZORDER);
    }
    *outcome = "window takes minimize, maximize, restore or size W H";
    return false;
}

bool ScriptDriver::waitFor(const ScriptStep& step, std::string* outcome)
{
    const int id = std::atoi(step.words[0].c_str());
    std::vector<std::string> words(step.words.begin() + 1, step.words.end());
    int limit = kDefaultWaitForMs;
    if (words.size() >= 2 && isNumber(words.back())) {
        limit = std::atoi(words.back().c_str());
        words.pop_back();
    }
    std::string wanted;
    for (size_t i = 0; i < words.size(); ++i)
        wanted += (i ? " " : "") + words[i];
    const qarvo::C_WString text = wide(wanted);
    const uint32_t start = qarvo_time_millis();
    for (;;) {
        for (const ui::WindowState& w : ui::ShownWindowStates()) {
            if (!w.visible)
                continue;
            for (const ui::ControlState& c : w.controls)
                if (c.id == id && c.text.Contains(text))
                    return true;
        }
        if (qarvo_time_millis() - start >= static_cast<uint32_t>(limit)) {
            *outcome = "timeout";
            return false;
        }
        if (!pause(kPollMs))
            return false;
    }
}

bool ScriptDriver::shot(const std::string& name)
{
    bool all = true;
    for (const ui::WindowState& w : ui::ShownWindowStates()) {
        if (w.parent != 0 || !w.visible)
            continue;
        const std::string file =
            w.templateId == kMainTemplate ? name + ".png" : name + "-" + std::to_string(w.templateId) + ".png";
        all = ui::SaveWindowImage(w.handle, wide(outPath(file))) && all;
    }
    return all;
}

bool ScriptDriver::dump(const std::string& name)
{
    std::ofstream file(outPath(name + ".json"), std::ios::binary | std::ios::trunc);
    file << WindowDumpJson(ui::ShownWindowStates());
    return static_cast<bool>(file);
}

}  // namespace pelmora::viewer
