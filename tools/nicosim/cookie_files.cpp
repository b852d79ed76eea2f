#include "tools/nicosim/cookie_files.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

namespace nicosim {
namespace {

namespace fs = std::filesystem;

// 2037-12-31 00:00:00 UTC and 2024-01-01 00:00:00 UTC.
constexpr int64_t kExpiryUnix = 2145830400;
constexpr int64_t kCreationUnix = 1704067200;
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

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

bool execute(sqlite3* db, const char* sql, std::string* error)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown sqlite error";
        sqlite3_free(message);
        return fail(error, "sqlite: " + text);
    }
    return true;
}

bool writeCookieDatabase(const fs::path& path, const CookieFileOptions& options, std::string* error)
{
    fs::path temporary = path;
    temporary += ".nicosim-tmp";
    std::error_code ignored;
    fs::remove(temporary, ignored);

    bool ok = false;
    {
        sqlite3* raw = nullptr;
        const int opened = sqlite3_open(temporary.string().c_str(), &raw);
        SqliteDb db(raw);
        if (opened != SQLITE_OK)
            return fail(error, "cannot create " + temporary.string());

        // The table of current Firefox releases.
        ok = execute(db.get(),
                     "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', "
                     "name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, "
                     "creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, "
                     "sameSite INTEGER DEFAULT 0, rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0, "
                     "isPartitionedAttributeSet INTEGER DEFAULT 0, "
                     "CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));",
                     error) &&
             execute(db.get(), ("PRAGMA user_version = " + std::to_string(kFirefoxCookieSchema) + ";").c_str(), error);

        sqlite3_stmt* rawStatement = nullptr;
        if (ok && sqlite3_prepare_v2(db.get(),
                                     "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, "
                                     "lastAccessed, creationTime, isSecure, isHttpOnly, inBrowserElement, sameSite, "
                                     "rawSameSite, schemeMap, isPartitionedAttributeSet) "
                                     "VALUES ('', ?1, ?2, ?3, '/', ?4, ?5, ?6, 0, ?7, 0, 0, 0, 1, 0)",
                                     -1, &rawStatement, nullptr) != SQLITE_OK) {
            ok = fail(error, std::string("sqlite: ") + sqlite3_errmsg(db.get()));
        }
        SqliteStatement insert(rawStatement);

        std::vector<StoredCookie> cookies = cookiesFor(options);
        // A cookie of another site, which a lookup for the service must leave out.
        cookies.push_back({"session-id", "000-0000000-0000000", ".shop.example", "shop.example/", false});
        for (size_t i = 0; ok && i < cookies.size(); ++i) {
            const StoredCookie& c = cookies[i];
            const int64_t micros = (kCreationUnix + static_cast<int64_t>(i)) * 1000000;
            sqlite3_reset(insert.get());
            sqlite3_bind_text(insert.get(), 1, c.name, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert.get(), 2, c.value.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert.get(), 3, c.host, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert.get(), 4, kExpiryUnix * 1000);
            sqlite3_bind_int64(insert.get(), 5, micros);
            sqlite3_bind_int64(insert.get(), 6, micros);
            sqlite3_bind_int(insert.get(), 7, c.httpOnly ? 1 : 0);
            if (sqlite3_step(insert.get()) != SQLITE_DONE)
                ok = fail(error, std::string("sqlite: ") + sqlite3_errmsg(db.get()));
        }
    }
    if (!ok) {
        fs::remove(temporary, ignored);
        return false;
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ignored);
        return fail(error, "cannot replace " + path.string() + ": " + ec.message());
    }
    return true;
}

} // namespace

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
