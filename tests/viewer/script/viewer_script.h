#pragma once
// End-to-end tests through the viewer itself: each test starts the simulated service
// in-process, writes a script, runs the real PelmoraVista offscreen in a private folder with
// PELMORA_SCRIPT, and reads what the script wrote: window dumps, script.log and desktop.jsonl.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/nicosim/nicosim.h"

namespace scripttest {

// The first window of a template in a dump, and a control of a window by id.
QJsonObject Window(const QJsonObject& dump, int templateId);
QJsonObject Control(const QJsonObject& window, int id);
std::string Text(const QJsonObject& control);

class ViewerScript : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The simulated service's options; the default has no push clock.
    virtual nicosim::Options simOptions() const;

    // Replaces the simulated service with one of other options.
    void RestartSim(nicosim::Options options);
    // Settings written to init.ini before the viewer starts (the folder is then a portable one).
    void WriteSettings(const std::map<std::string, std::string>& values);
    // Runs the viewer on `script` until it closes itself; its exit status (-1 when it had to
    // be killed after `timeoutSeconds`).
    int RunViewer(const std::string& script, int timeoutSeconds = 90);
    // The same in two steps, with arguments for the program: StartViewer returns the process
    // (-1 when it cannot be started), WaitViewer its exit status.
    int StartViewer(const std::string& script, const std::vector<std::string>& args = {});
    int WaitViewer(int pid, int timeoutSeconds = 90);
    // Another start of the program beside a running one: the same folders, no script.
    int RunSecondStart(const std::vector<std::string>& args, int timeoutSeconds = 60);

    // The dump NAME.json of the last run (an empty object when missing).
    QJsonObject Dump(const std::string& name) const;
    // The lines of desktop.jsonl, and of script.log.
    std::vector<QJsonObject> Desktop() const;
    std::string Log() const;

    // What every start of the program gets: a private home and runtime folder, the
    // simulated service, m_env on top.
    std::map<std::string, std::string> viewerEnvironment() const;

    std::filesystem::path m_root;  // the test's private folder
    std::filesystem::path m_work;  // the viewer's current folder
    std::filesystem::path m_out;   // PELMORA_SCRIPT_OUT
    std::unique_ptr<nicosim::Server> m_sim;
    // Extra variables for the viewer's environment.
    std::map<std::string, std::string> m_env;
    // The program started (default: the build's PelmoraVista).
    std::string m_program;
};

}  // namespace scripttest
