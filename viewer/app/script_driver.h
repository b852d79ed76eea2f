#pragma once
// The scripted driver: with PELMORA_SCRIPT=FILE the viewer runs the steps of FILE, one a line,
// as a user would (through the window layer's input and inspection calls), and closes itself
// after the last one. PELMORA_SCRIPT_OUT=DIR (default: the current folder) receives the
// screenshots, dumps, script.log and desktop.jsonl. The steps:
//   wait MS                 pause
//   waitfor ID TEXT [MS]    until control ID of a shown window contains TEXT (default 15000
//                           ms; a last word that is a number is the limit); "timeout" is
//                           logged when it does not come, and the script goes on
//   settext ID TEXT         the control's text (the rest of the line)
//   press ID                the button's click, as a user's
//   click ID                a left mouse click at the centre of control ID
//   clickat X Y             a left click at main-window client coordinates
//   tab N                   select tab N as a click on it does
//   menu ID                 the main window's menu command
//   key NAME                Escape, Enter, Tab or Ctrl+LETTER to the topmost shown window
//   window WHAT             the main window: minimize, maximize, restore, or size W H (its
//                           client area; never below the original size)
//   shot NAME               NAME.png of the main window, NAME-TEMPLATE.png of the others
//   dump NAME               NAME.json: every window with its controls
//   close                   WM_CLOSE to the main window
// A line whose first character (after blanks) is "#" is a comment. Controls are looked up in
// the topmost shown window that has them: dialogs opened later first, pages before the
// window they sit in.

#include <memory>
#include <string>
#include <vector>

#include "qarvo/thread/thread_ex.h"
#include "viewer/app/script_desktop.h"
#include "viewer/core/app/app.h"

namespace pelmora::viewer {

struct ScriptStep {
    int line = 0;
    std::string verb;
    std::vector<std::string> words;  // after the verb
    std::string rest;                // the text after the verb's first word (settext)
};

// The steps of a script text; lines that cannot be read are reported in `errors`.
std::vector<ScriptStep> ParseScript(const std::string& text, std::vector<std::string>* errors);

struct ScriptSettings {
    std::string scriptPath;
    std::string outDirectory;
    bool noHandler = false;  // PELMORA_SCRIPT_NO_HANDLER=1: no address can be opened
    bool enabled() const { return !scriptPath.empty(); }
    static ScriptSettings FromEnvironment();
};

// Runs on a thread of its own. Make it before Run (it installs the recording desktop) and
// destroy it before the application object.
class ScriptDriver {
public:
    ScriptDriver(C_App& app, ScriptSettings settings);
    ~ScriptDriver();
    ScriptDriver(const ScriptDriver&) = delete;
    ScriptDriver& operator=(const ScriptDriver&) = delete;

private:
    void run();
    bool execute(const ScriptStep& step, std::string* outcome);
    bool waitFor(const ScriptStep& step, std::string* outcome);
    bool window(const ScriptStep& step, std::string* outcome);
    bool pause(int ms);
    bool shot(const std::string& name);
    bool dump(const std::string& name);
    void log(const std::string& line);
    std::string outPath(const std::string& name) const;

    C_App& m_app;
    ScriptSettings m_settings;
    std::vector<ScriptStep> m_steps;
    std::vector<std::string> m_parseErrors;
    std::unique_ptr<ScriptDesktop> m_desktop;
    qarvo::ui::I_Desktop* m_previousDesktop = nullptr;
    qarvo::C_ThreadEx m_thread;
};

}  // namespace pelmora::viewer
