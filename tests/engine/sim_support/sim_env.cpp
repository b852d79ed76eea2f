#include "tests/engine/sim_support/sim_env.h"

#include <cstdlib>
#include <random>
#include "qarvo/net/connect_to.h"

namespace pelmora::test {

void EnvironmentGuard::remember(const char* name)
{
    if (m_saved.count(name))
        return;
    const char* value = std::getenv(name);
    m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
}

void EnvironmentGuard::Set(const char* name, const std::string& value)
{
    remember(name);
    setenv(name, value.c_str(), 1);
    qarvo::net::reloadConnectTo();
}

void EnvironmentGuard::Unset(const char* name)
{
    remember(name);
    unsetenv(name);
    qarvo::net::reloadConnectTo();
}

void EnvironmentGuard::RestoreAll()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    m_saved.clear();
    qarvo::net::reloadConnectTo();
}

TempFolder::TempFolder()
{
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("pelmora-test-" + std::to_string(random()) + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            m_path = candidate;
            return;
        }
    }
}

TempFolder::~TempFolder()
{
    std::error_code error;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, error);
}

nicosim::Options SimEnvTest::simOptions() const
{
    nicosim::Options options;
    options.livePushMs = 0;
    return options;
}

void SimEnvTest::SetUp()
{
    home = std::make_unique<TempFolder>();
    ASSERT_FALSE(home->path().empty());
    env.Set("HOME", home->path().string());
    env.Set("XDG_CONFIG_HOME", (home->path() / "config").string());
    env.Set("XDG_DATA_HOME", (home->path() / "data").string());
    env.Set("PELMORA_COOKIE_DIR", (home->path() / "no-cookies").string());
    env.Set("USER", "pelmoratest");
    // Neither the machine's keyring nor a choice made outside the test is ever used.
    env.Set("XDG_RUNTIME_DIR", home->path().string());
    env.Unset("DBUS_SESSION_BUS_ADDRESS");
    env.Unset("PELMORA_COOKIES");
    env.Unset("PELMORA_COOKIES_FROM_BROWSER");
    sim = std::make_unique<nicosim::Server>(simOptions());
    ASSERT_TRUE(sim->start()) << sim->lastError();
    env.Set("PELMORA_CONNECT_TO", sim->connectTo());
    // The HTTPS port's certificates are trusted the way a user would: through the file.
    env.Set("SSL_CERT_FILE", sim->caFile());
}

void SimEnvTest::TearDown()
{
    if (sim)
        sim->stop();
    sim.reset();
    env.RestoreAll();
    home.reset();
}

void SimEnvTest::installLoginCookieFolder()
{
    const std::string dir = (home->path() / "Cookies").string();
    nicosim::CookieFileOptions options;
    options.userName = "pelmoratest";
    std::string error;
    ASSERT_TRUE(nicosim::writeCookieFolder(dir, options, &error)) << error;
    env.Set("PELMORA_COOKIE_DIR", dir);
}

}  // namespace pelmora::test
