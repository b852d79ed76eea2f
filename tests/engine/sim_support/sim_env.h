#pragma once
// A simulated service per test, reached through PELMORA_CONNECT_TO (its HTTPS port trusted
// through SSL_CERT_FILE), and a private home: HOME,
// the XDG folders and the cookie folder point into a temporary folder of the test, so that the
// machine's real browser data is never read. Everything is restored in TearDown.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tools/nicosim/nicosim.h"

namespace pelmora::test {

class EnvironmentGuard {
public:
    void Set(const char* name, const std::string& value);
    void Unset(const char* name);
    void RestoreAll();
    ~EnvironmentGuard() { RestoreAll(); }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
    void remember(const char* name);
};

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

class SimEnvTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The simulated service's options; the default has no push clock.
    virtual nicosim::Options simOptions() const;
    // Writes the cookie folder with the login and points PELMORA_COOKIE_DIR at it.
    void installLoginCookieFolder();

    std::unique_ptr<nicosim::Server> sim;
    std::unique_ptr<TempFolder> home;
    EnvironmentGuard env;
};

}  // namespace pelmora::test
