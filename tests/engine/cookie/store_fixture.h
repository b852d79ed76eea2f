#pragma once
// Browser stores made by hand for the cookie tests, in a private home: HOME, the XDG folders
// and the copy folder point into a temporary folder; the user's choice and the session bus are
// unset, so that neither the machine's browsers nor its keyring are ever read.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::cookie::test {

namespace fs = std::filesystem;

struct FirefoxRow {
    std::string host;  // ".example.com" for a domain cookie
    std::string name;
    std::string value;
    int64_t expiry = 0;  // in the schema's unit
    std::string path = "/";
    bool secure = false;
    std::string originAttributes{};
    int64_t lastAccessed = 0;  // microseconds since 1970
};

struct ChromiumRow {
    std::string hostKey;
    std::string name;
    std::string value;         // plain value; used when encryptedHex is empty
    std::string encryptedHex;  // "7631..." as the test vectors give it
    int64_t expiresUnix = 0;   // 0: a session cookie
    int64_t lastAccessUnix = 0;
    std::string path = "/";
    std::string topFrameSiteKey{};
};

int64_t nowSeconds();
std::vector<unsigned char> fromHex(const std::string& hex);
void execute(const fs::path& database, const std::string& sql);

// A profile folder `root/folder` listed in root/profiles.ini (appended), with moz_cookies.
fs::path makeFirefoxProfile(const fs::path& root, const std::string& folder, const std::string& name, bool isDefault,
                            const std::vector<FirefoxRow>& rows, int schema = 17);
// A Chromium Cookies database at `file` (its folders made) of meta `version`.
void makeChromiumStore(const fs::path& file, int version, const std::vector<ChromiumRow>& rows);

class CookieHome : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    fs::path config() const { return home->path() / "config"; }
    fs::path runtime() const { return home->path() / "runtime"; }
    // No "pelmora-cookies-" folder is left in the copy folder.
    void expectNoCopyLeft() const;

    std::unique_ptr<pelmora::test::TempFolder> home;
    pelmora::test::EnvironmentGuard env;
};

}  // namespace pelmora::cookie::test
