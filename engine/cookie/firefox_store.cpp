#include "engine/cookie/firefox_store.h"

#include <sqlite3.h>

#include <chrono>
#include <random>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/file_stream.h"
#include "qarvo/file/path.h"

namespace pelmora::cookie {
namespace {

namespace System = qarvo::common::System;

// From this schema version on, moz_cookies.expiry counts milliseconds.
constexpr int kExpiryInMillisSchema = 16;
// A store larger than this is not copied.
constexpr int64_t kMaxStoreBytes = 512ll * 1024 * 1024;

qarvo::C_WString wide(const std::string& utf8)
{
    return System::utf8_to_utf16(qarvo::C_String(utf8));
}

std::string temporaryBase()
{
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? std::string(dir) : std::string("/tmp");
}

bool copyFile(const std::string& from, const std::string& to)
{
    qarvo::C_BinaryMemory data;
    if (!qarvo::C_FileStream::ReadAll(wide(from), data) || data.Length() > kMaxStoreBytes)
        return false;
    qarvo::C_FileStream out;
    if (!out.Open(wide(to), qarvo::FileFlags::WriteOnly | qarvo::FileFlags::Create | qarvo::FileFlags::Truncate |
                                qarvo::FileFlags::Binary))
        return false;
    return data.Length() == 0 || out.Write(data.Get(), data.Length()) == data.Length();
}

// A private folder holding the copy; removed with everything in it when it goes.
class StoreCopy {
public:
    ~StoreCopy()
    {
        if (m_folder.empty())
            return;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            qarvo::qarvo_DeleteFile(wide(database() + suffix));
        qarvo::qarvo_RemoveDirectory(wide(m_folder));
    }

    bool Make(const std::string& store)
    {
        std::random_device random;
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0; attempt < 16 && m_folder.empty(); ++attempt) {
            const std::string folder = temporaryBase() + "/pelmora-cookies-" + std::to_string(random()) + "-" +
                                       std::to_string(static_cast<unsigned long long>(tick) + attempt);
            // Creating the folder is the claim on it: a folder that exists already is not ours.
            if (qarvo::qarvo_CreateDirectory(wide(folder), 0700))
                m_folder = folder;
        }
        if (m_folder.empty() || !copyFile(store, database()))
            return false;
        // The write-ahead log holds what the browser has not yet written into the database.
        if (qarvo::qarvo_FileExists(wide(store + "-wal")) && !copyFile(store + "-wal", database() + "-wal"))
            return false;
        return true;
    }

    std::string database() const { return m_folder + "/cookies.sqlite"; }

private:
    std::string m_folder;
};

class Database {
public:
    ~Database()
    {
        if (m_db)
            sqlite3_close(m_db);
    }
    bool Open(const std::string& path)
    {
        // Read-write: opening a database with a log but no index rebuilds the index.
        return sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    }
    sqlite3* get() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    sqlite3_stmt* get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

std::string columnText(sqlite3_stmt* stmt, int column)
{
    const unsigned char* text = sqlite3_column_text(stmt, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(stmt, column)))
                : std::string();
}

bool hostMatches(std::string cookieHost, const std::string& host)
{
    if (cookieHost.starts_with("."))
        cookieHost.erase(0, 1);
    if (cookieHost.empty())
        return false;
    return host == cookieHost ||
           (host.size() > cookieHost.size() && host.ends_with(cookieHost) && host[host.size() - cookieHost.size() - 1] == '.');
}

}  // namespace

bool readFirefoxCookies(const std::string& storePath, const std::string& host, int64_t nowSeconds, std::string& cookie)
{
    if (storePath.empty() || host.empty())
        return false;
    StoreCopy copy;
    if (!copy.Make(storePath))
        return false;
    Database db;
    if (!db.Open(copy.database()))
        return false;

    int schema = 0;
    {
        Statement version(db.get(), "PRAGMA user_version");
        if (!version.get() || sqlite3_step(version.get()) != SQLITE_ROW)
            return false;
        schema = sqlite3_column_int(version.get(), 0);
    }
    Statement rows(db.get(), "SELECT host, name, value, path, expiry FROM moz_cookies");
    if (!rows.get())
        return false;
    std::string joined;
    int step;
    while ((step = sqlite3_step(rows.get())) == SQLITE_ROW) {
        if (!hostMatches(columnText(rows.get(), 0), host))
            continue;
        int64_t expiry = sqlite3_column_int64(rows.get(), 4);
        if (schema >= kExpiryInMillisSchema)
            expiry /= 1000;
        if (expiry > 0 && expiry <= nowSeconds)
            continue;
        const std::string name = columnText(rows.get(), 1);
        if (name.empty())
            continue;
        if (!joined.empty())
            joined += "; ";
        joined += name + "=" + columnText(rows.get(), 2);
    }
    if (step != SQLITE_DONE || joined.empty())
        return false;
    cookie = std::move(joined);
    return true;
}

}  // namespace pelmora::cookie
