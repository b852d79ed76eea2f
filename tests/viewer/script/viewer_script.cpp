#include "tests/viewer/script/viewer_script.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/ini/ini_file.h"

extern char** environ;

namespace scripttest {

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

nicosim::Options ViewerScript::simOptions() const
{
    nicosim::Options options;
    options.livePushMs = 0;
    return options;
}

void ViewerScript::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_root = fs::temp_directory_path() /
             ("pv-script-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    fs::remove_all(m_root);
    m_work = m_root / "work";
    m_out = m_root / "out";
    fs::create_directories(m_work);
    fs::create_directories(m_root / "home");
    fs::create_directories(m_root / "runtime");
    fs::permissions(m_root / "runtime", fs::perms::owner_all);
    RestartSim(simOptions());
}

void ViewerScript::RestartSim(nicosim::Options options)
{
    m_sim.reset();
    options.dataDir = (m_root / "sim").string();
    m_sim = std::make_unique<nicosim::Server>(options);
    ASSERT_TRUE(m_sim->start()) << m_sim->lastError();
}

void ViewerScript::TearDown()
{
    m_sim.reset();
    std::error_code error;
    fs::remove_all(m_root, error);
}

void ViewerScript::WriteSettings(const std::map<std::string, std::string>& values)
{
    namespace System = qarvo::common::System;
    qarvo::C_WIniFile ini(System::utf8_to_utf16(qarvo::C_String((m_work / "init.ini").string())));
    for (const auto& [key, value] : values)
        ini.SetStr(System::utf8_to_utf16(qarvo::C_String(key)), System::utf8_to_utf16(qarvo::C_String(value)));
}

int ViewerScript::RunViewer(const std::string& script, int timeoutSeconds)
{
    return WaitViewer(StartViewer(script), timeoutSeconds);
}

namespace {

// Starts `program` in `folder` with `args` and our environment changed by `vars` (an empty
// value removes the variable).
int startProgram(const std::string& program, const fs::path& folder, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& vars)
{
    std::vector<std::string> entries;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!vars.count(entry.substr(0, entry.find('='))))
            entries.push_back(entry);
    }
    for (const auto& [name, value] : vars)
        if (!value.empty())
            entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    return pid < 0 ? -1 : static_cast<int>(pid);
}

}  // namespace

std::map<std::string, std::string> ViewerScript::viewerEnvironment() const
{
    // The machine's own browser data and settings are never read: a private home.
    std::map<std::string, std::string> vars = {
        {"QT_QPA_PLATFORM", "offscreen"},
        {"HOME", (m_root / "home").string()},
        {"XDG_CONFIG_HOME", (m_root / "home" / ".config").string()},
        {"XDG_DATA_HOME", (m_root / "home" / ".local" / "share").string()},
        {"XDG_RUNTIME_DIR", (m_root / "runtime").string()},
        {"PELMORA_CONNECT_TO", m_sim->connectTo()},
        // Today's interfaces are HTTPS: the simulated service's authority is trusted.
        {"SSL_CERT_FILE", m_sim->caFile()},
        {"PELMORA_COOKIE_DIR", (m_root / "sim" / "Cookies").string()},
    };
    for (const auto& [name, value] : m_env)
        vars[name] = value;
    return vars;
}

int ViewerScript::StartViewer(const std::string& script, const std::vector<std::string>& args)
{
    fs::remove_all(m_out);
    const fs::path scriptPath = m_root / "script.txt";
    std::ofstream(scriptPath, std::ios::binary) << script;
    std::map<std::string, std::string> vars = viewerEnvironment();
    vars["PELMORA_SCRIPT"] = scriptPath.string();
    vars["PELMORA_SCRIPT_OUT"] = m_out.string();
    return startProgram(m_program.empty() ? std::string(PELMORA_VIEWER_PATH) : m_program, m_work, args, vars);
}

int ViewerScript::RunSecondStart(const std::vector<std::string>& args, int timeoutSeconds)
{
    std::map<std::string, std::string> vars = viewerEnvironment();
    vars["PELMORA_SCRIPT"] = "";
    vars["PELMORA_SCRIPT_OUT"] = "";
    return WaitViewer(startProgram(m_program.empty() ? std::string(PELMORA_VIEWER_PATH) : m_program, m_work, args, vars),
                      timeoutSeconds);
}

int ViewerScript::WaitViewer(int pid, int timeoutSeconds)
{
    if (pid < 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the viewer did not close; script.log:\n" << Log();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QJsonObject ViewerScript::Dump(const std::string& name) const
{
    const std::string text = readFile(m_out / (name + ".json"));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << name << ": " << error.errorString().toStdString();
    return doc.object();
}

QJsonObject Window(const QJsonObject& dump, int templateId)
{
    for (const QJsonValue& w : dump["windows"].toArray())
        if (w["template"].toInt() == templateId)
            return w.toObject();
    return {};
}

QJsonObject Control(const QJsonObject& window, int id)
{
    for (const QJsonValue& c : window["controls"].toArray())
        if (c["id"].toInt() == id)
            return c.toObject();
    return {};
}

std::string Text(const QJsonObject& control)
{
    return control["text"].toString().toStdString();
}

std::vector<QJsonObject> ViewerScript::Desktop() const
{
    std::vector<QJsonObject> lines;
    std::istringstream in(readFile(m_out / "desktop.jsonl"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    return lines;
}

std::string ViewerScript::Log() const
{
    return readFile(m_out / "script.log");
}

}  // namespace scripttest
