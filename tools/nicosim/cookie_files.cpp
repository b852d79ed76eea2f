#include "tools/nicosim/cookie_files.h"

#include "tools/nicosim/chromium_value.h"
#include "tools/nicosim/sqlite_file.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace nicosim {
namespace {

namespace fs = std::filesystem;

// 2037-12-31 00:00:00 UTC, 2024-01-01 00:00:00 UTC and 2020-01-01 00:00:00 UTC.
constexpr int64_t kExpiryUnix = 2145830400;
constexpr int64_t kCreationUnix = 1704067200;
constexpr int64_t kExpiredUnix = 1577836800;
// Seconds from 1601-01-01 (the Windows file time epoch) to 1970-01-01.
constexpr int64_t kFileTimeOffset = 11644473600;

struct StoredCookie {
    const char* name;
    std::string value;
    const char* host;     // Firefox form, with the leading dot for domain cookies
    const char* hostPath; // text-file form: host without the dot, then the path
    bool httpOnly;
};

std::vector<StoredCookie> cookiesFor(const CookieFileOptions& options)
{
    return {
        {"user_session", options.sessionValue, ".nicovideo.jp", "nicovideo.jp/", true},
        {"nicosid", "1700000000.1729", ".nicovideo.jp", "nicovideo.jp/", false},
    };
}

bool fail(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

bool makeFolder(const fs::path& dir, std::string* error)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec))
        return fail(error, "cannot create folder " + dir.string() + ": " + ec.message());
    return true;
}

// Written beside the target and renamed over it, so that a reader never sees half a file.
bool writeWholeFile(const fs::path& path, const std::string& content, std::string* error)
{
    fs::path temporary = path;
    temporary += ".nicosim-tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return fail(error, "cannot write " + temporary.string());
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return fail(error, "cannot write " + temporary.string());
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return fail(error, "cannot replace " + path.string() + ": " + ec.message());
    }
    return true;
}

std::string defaultUserName()
{
    const char* user = std::getenv("USER");
    return user && *user ? user : "user";
}

void appendFileTime(std::string& out, int64_t unixSeconds)
{
    const uint64_t ticks = static_cast<uint64_t>(unixSeconds + kFileTimeOffset) * 10000000ull;
    out += std::to_string(ticks & 0xffffffffull) + "\n";
    out += std::to_string(ticks >> 32) + "\n";
}

std::string cookieFolderText(const CookieFileOptions& options)
{
    std::vector<StoredCookie> cookies = cookiesFor(options);
    // A record for the Jikkyo host: the text-file lookup picks a file by the host of the
    // address, and a Jikkyo address names jk.nicovideo.jp.
    cookies.push_back({"jk_visit", "1", ".jk.nicovideo.jp", "jk.nicovideo.jp/", false});
    std::string text;
    for (const StoredCookie& c : cookies) {
        text += std::string(c.name) + "\n";
        text += c.value + "\n";
        text += std::string(c.hostPath) + "\n";
        text += c.httpOnly ? "9216\n" : "1024\n";
        appendFileTime(text, kExpiryUnix);
        appendFileTime(text, kCreationUnix);
        text += "*\n";
    }
    return text;
}

// One row of the Firefox store beyond the login: what a lookup must leave out or send only
// where a browser would.
struct FirefoxRow {
    const char* name;
    std::string value;
    const char* host;
    const char* path;
    bool secure;
    const char* originAttributes;
    int64_t expiryUnix;
};

std::vector<FirefoxRow> firefoxRows(const CookieFileOptions& options)
{
    std::vector<FirefoxRow> rows;
    for (const StoredCookie& c : cookiesFor(options))
        rows.push_back({c.name, c.value, c.host, "/", false, "", kExpiryUnix});
    // Sent over https only.
    rows.push_back({"user_session_secure", "secure_" + options.sessionValue, ".nicovideo.jp", "/", true, "", kExpiryUnix});
    // Host-only (no leading dot): www itself, never live. or jk.
    rows.push_back({"nicosim_www", "host_only", "www.nicovideo.jp", "/", false, "", kExpiryUnix});
    // Only below /my.
    rows.push_back({"nicosim_mypage", "path_only", ".nicovideo.jp", "/my", false, "", kExpiryUnix});
    // A container tab's login and a copy partitioned under another site: not the ordinary ones.
    rows.push_back({"user_session", "user_session_container", ".nicovideo.jp", "/", false, "^userContextId=2",
                    kExpiryUnix});
    rows.push_back({"user_session", "user_session_partitioned", ".nicovideo.jp", "/", false,
                    "^partitionKey=%28http%2Cshop.example%29", kExpiryUnix});
    rows.push_back({"nicosim_expired", "old", ".nicovideo.jp", "/", false, "", kExpiredUnix});
    // A cookie of another site, which a lookup for the service must leave out.
    rows.push_back({"session-id", "000-0000000-0000000", ".shop.example", "/", false, "", kExpiryUnix});
    return rows;
}

bool writeCookieDatabase(const fs::path& path, const CookieFileOptions& options, std::string* error)
{
    SqliteFile db(path.string(), error);
    // The table of current Firefox releases.
    db.execute("CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', "
               "name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, "
               "creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, "
               "sameSite INTEGER DEFAULT 0, rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0, "
               "isPartitionedAttributeSet INTEGER DEFAULT 0, "
               "CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));");
    db.execute("PRAGMA user_version = " + std::to_string(kFirefoxCookieSchema) + ";");
    const std::vector<FirefoxRow> rows = firefoxRows(options);
    for (size_t i = 0; i < rows.size(); ++i) {
        const FirefoxRow& r = rows[i];
        const int64_t micros = (kCreationUnix + static_cast<int64_t>(i)) * 1000000;
        db.insert("INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, lastAccessed, "
                  "creationTime, isSecure, isHttpOnly, inBrowserElement, sameSite, rawSameSite, schemeMap, "
                  "isPartitionedAttributeSet) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 0, 0, 0, 1, 0)",
                  {std::string(r.originAttributes), std::string(r.name), r.value, std::string(r.host),
                   std::string(r.path), r.expiryUnix * 1000, micros, micros, int64_t(r.secure ? 1 : 0),
                   int64_t(std::string(r.name) == "user_session" ? 1 : 0)});
    }
    return db.commit();
}

// Microseconds from 1601-01-01, Chromium's epoch.
int64_t chromiumTime(int64_t unixSeconds)
{
    return (unixSeconds + kFileTimeOffset) * 1000000;
}

bool writeChromiumDatabase(const fs::path& path, const CookieFileOptions& options, std::string* error)
{
    SqliteFile db(path.string(), error);
    // The tables of current Chromium releases.
    db.execute("CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);");
    db.execute("INSERT INTO meta VALUES ('version', '" + std::to_string(kChromiumCookieVersion) +
               "'), ('last_compatible_version', '24'), ('mmap_status', '-1');");
    db.execute("CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT "
               "NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL, "
               "expires_utc INTEGER NOT NULL, is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL, "
               "last_access_utc INTEGER NOT NULL, has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL, "
               "priority INTEGER NOT NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL, source_port "
               "INTEGER NOT NULL, last_update_utc INTEGER NOT NULL, source_type INTEGER NOT NULL, "
               "has_cross_site_ancestor INTEGER NOT NULL, UNIQUE (host_key, top_frame_site_key, "
               "has_cross_site_ancestor, name, path, source_scheme, source_port));");
    std::vector<StoredCookie> cookies = cookiesFor(options);
    cookies.push_back({"session-id", "000-0000000-0000000", ".shop.example", "shop.example/", false});
    for (size_t i = 0; i < cookies.size(); ++i) {
        const StoredCookie& c = cookies[i];
        const std::vector<unsigned char> encrypted = encryptChromiumValue(c.host, c.value, kChromiumCookieVersion);
        if (encrypted.empty())
            return fail(error, "cannot encrypt the Chromium cookie values");
        const int64_t time = chromiumTime(kCreationUnix + static_cast<int64_t>(i));
        db.insert("INSERT INTO cookies VALUES (?1, ?2, '', ?3, '', ?4, '/', ?5, 0, ?6, ?7, 1, 1, 1, -1, 1, 80, ?8, 0, 0)",
                  {time, std::string(c.host), std::string(c.name), encrypted, chromiumTime(kExpiryUnix),
                   int64_t(c.httpOnly ? 1 : 0), time, time});
    }
    return db.commit();
}

std::string netscapeText(const CookieFileOptions& options)
{
    std::string text = "# Netscape HTTP Cookie File\n# The login of the simulated service, as browser add-ons export it.\n\n";
    auto line = [&text](bool httpOnly, const std::string& domain, bool secure, const std::string& name,
                        const std::string& value) {
        text += (httpOnly ? "#HttpOnly_" : "") + domain + "\tTRUE\t/\t" + (secure ? "TRUE" : "FALSE") + "\t" +
                std::to_string(kExpiryUnix) + "\t" + name + "\t" + value + "\n";
    };
    for (const StoredCookie& c : cookiesFor(options))
        line(c.httpOnly, c.host, false, c.name, c.value);
    line(true, ".nicovideo.jp", true, "user_session_secure", "secure_" + options.sessionValue);
    line(false, ".shop.example", false, "session-id", "000-0000000-0000000");
    return text;
}

} // namespace

bool writeChromiumProfile(const std::string& dir, const CookieFileOptions& options, std::string* error)
{
    const fs::path root(dir);
    if (dir.empty())
        return fail(error, "no Chromium folder given");
    if (!makeFolder(root / kChromiumProfileDir, error))
        return false;
    return writeChromiumDatabase(root / kChromiumProfileDir / "Cookies", options, error);
}

bool writeNetscapeCookies(const std::string& path, const CookieFileOptions& options, std::string* error)
{
    if (path.empty())
        return fail(error, "no cookies.txt path given");
    const fs::path file(path);
    if (file.has_parent_path() && !makeFolder(file.parent_path(), error))
        return false;
    return writeWholeFile(file, netscapeText(options), error);
}

bool writeCookieFolder(const std::string& dir, const CookieFileOptions& options, std::string* error)
{
    const fs::path folder(dir);
    if (dir.empty())
        return fail(error, "no cookie folder given");
    if (!makeFolder(folder, error))
        return false;
    const std::string user = options.userName.empty() ? defaultUserName() : options.userName;
    if (user.find('/') != std::string::npos)
        return fail(error, "user name holds a path separator: " + user);
    const std::string text = cookieFolderText(options);
    return writeWholeFile(folder / (user + "@nicovideo[1].txt"), text, error) &&
           writeWholeFile(folder / "NICOSIM0.txt", text, error);
}

bool writeFirefoxProfile(const std::string& dir, const CookieFileOptions& options, std::string* error)
{
    const fs::path root(dir);
    if (dir.empty())
        return fail(error, "no profile folder given");
    if (!makeFolder(root / kFirefoxProfileDir, error))
        return false;
    const std::string ini = std::string("[Install4F96D1932A9F858E]\n"
                                        "Default=") + kFirefoxProfileDir + "\n"
                            "Locked=1\n"
                            "\n"
                            "[Profile0]\n"
                            "Name=default-release\n"
                            "IsRelative=1\n"
                            "Path=" + kFirefoxProfileDir + "\n"
                            "Default=1\n"
                            "\n"
                            "[General]\n"
                            "StartWithLastProfile=1\n"
                            "Version=2\n";
    return writeCookieDatabase(root / kFirefoxProfileDir / "cookies.sqlite", options, error) &&
           writeWholeFile(root / "profiles.ini", ini, error);
}

} // namespace nicosim
