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
    fs::remove_all(m_out);
    const fs::path scriptPath = m_root / "script.txt";
    std::ofstream(scriptPath, std::ios::binary) << script;

    // The machine's own browser data and settings are never read: a private home.
    std::map<std::string, std::string> vars = {
        {"QT_QPA_PLATFORM", "offscreen"},
        {"HOME", (m_root / "home").string()},
        {"XDG_CONFIG_HOME", (m_root / "home" / ".config").string()},
        {"XDG_DATA_HOME", (m_root / "home" / ".local" / "share").string()},
        {"XDG_RUNTIME_DIR", (m_root / "runtime").string()},
        {"PELMORA_CONNECT_TO", m_sim->connectTo()},
        {"PELMORA_COOKIE_DIR", (m_root / "sim" / "Cookies").string()},
        {"PELMORA_SCRIPT", scriptPath.string()},
        {"PELMORA_SCRIPT_OUT", m_out.string()},
    };
    for (const auto& [name, value] : m_env)
        vars[name] = value;
    std::vector<std::string> entries;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!vars.count(entry.substr(0, entry.find('='))))
            entries.push_back(entry);
    }
    for (const auto& [name, value] : vars)
        entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = PELMORA_VIEWER_PATH;
    char* argv[] = {program.data(), nullptr};

    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(m_work.c_str()) != 0)
            ::_exit(127);
        ::execve(program.c_str(), argv, envp.data());
        ::_exit(127);
    }
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
