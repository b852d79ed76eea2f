#include "tests/engine/cookie/store_fixture.h"

#include <sqlite3.h>

#include <chrono>
#include <fstream>

#include "engine/cookie/keyring.h"

namespace pelmora::cookie::test {

int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::vector<unsigned char> fromHex(const std::string& hex)
{
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

void execute(const fs::path& database, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "") << sql;
    sqlite3_free(message);
    sqlite3_close(db);
}

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// Microseconds since 1601, Chromium's time.
int64_t chromiumTime(int64_t unixSeconds)
{
    return unixSeconds == 0 ? 0 : (unixSeconds + 11644473600ll) * 1000000;
}

}  // namespace

fs::path makeFirefoxProfile(const fs::path& root, const std::string& folder, const std::string& name, bool isDefault,
                            const std::vector<FirefoxRow>& rows, int schema)
{
    fs::create_directories(root / folder);
    const bool first = !fs::exists(root / "profiles.ini");
    std::ofstream(root / "profiles.ini", std::ios::app)
        << "[Profile" << (first ? 0 : 1) << "]\nName=" << name << "\nIsRelative=1\nPath=" << folder << "\n"
        << (isDefault ? "Default=1\n" : "") << "\n";
    const fs::path store = root / folder / "cookies.sqlite";
    std::string sql = "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', "
                      "name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, "
                      "creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER);"
                      "PRAGMA user_version = " + std::to_string(schema) + ";";
    for (const FirefoxRow& r : rows)
        sql += "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, lastAccessed, creationTime, "
               "isSecure, isHttpOnly) VALUES (" + quoted(r.originAttributes) + ", " + quoted(r.name) + ", " +
               quoted(r.value) + ", " + quoted(r.host) + ", " + quoted(r.path) + ", " + std::to_string(r.expiry) +
               ", " + std::to_string(r.lastAccessed) + ", " + std::to_string(r.lastAccessed) + ", " +
               (r.secure ? "1" : "0") + ", 0);";
    execute(store, sql);
    return store;
}

void makeChromiumStore(const fs::path& file, int version, const std::vector<ChromiumRow>& rows)
{
    fs::create_directories(file.parent_path());
    std::string sql = "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
                      "INSERT INTO meta VALUES ('version', '" + std::to_string(version) + "');"
                      "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, "
                      "top_frame_site_key TEXT NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL, "
                      "encrypted_value BLOB NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL, "
                      "is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL, last_access_utc INTEGER NOT NULL, "
                      "has_expires INTEGER NOT NULL);";
    for (const ChromiumRow& r : rows)
        sql += "INSERT INTO cookies VALUES (" + std::to_string(chromiumTime(r.lastAccessUnix)) + ", " +
               quoted(r.hostKey) + ", " + quoted(r.topFrameSiteKey) + ", " + quoted(r.name) + ", " +
               quoted(r.encryptedHex.empty() ? r.value : "") + ", X'" + r.encryptedHex + "', " + quoted(r.path) + ", " +
               std::to_string(chromiumTime(r.expiresUnix)) + ", 0, 0, " + std::to_string(chromiumTime(r.lastAccessUnix)) +
               ", " + (r.expiresUnix ? "1" : "0") + ");";
    execute(file, sql);
}

void CookieHome::SetUp()
{
    home = std::make_unique<pelmora::test::TempFolder>();
    ASSERT_FALSE(home->path().empty());
    fs::create_directories(runtime());
    env.Set("HOME", home->path().string());
    env.Set("XDG_CONFIG_HOME", config().string());
    env.Set("XDG_DATA_HOME", (home->path() / "data").string());
    env.Set("XDG_RUNTIME_DIR", runtime().string());
    env.Set("TMPDIR", home->path().string());
    env.Set("PELMORA_COOKIE_DIR", (home->path() / "no-cookies").string());
    env.Unset("PELMORA_COOKIES");
    env.Unset("PELMORA_COOKIES_FROM_BROWSER");
    env.Unset("DBUS_SESSION_BUS_ADDRESS");
    env.Set("USER", "pelmoratest");
}

void CookieHome::TearDown()
{
    setKeyringHook(nullptr);
    env.RestoreAll();
    home.reset();
}

void CookieHome::expectNoCopyLeft() const
{
    for (const fs::path& folder : {runtime(), home->path()})
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_EQ(entry.path().filename().string().find("pelmora-cookies-"), std::string::npos) << entry.path();
}

}  // namespace pelmora::cookie::test
