#include "engine/cookie/cookie_database.h"

#include <sqlite3.h>

#include <cstring>
#include <vector>

#include "engine/cookie/cookie_paths.h"
#include "engine/cookie/store_copy.h"

namespace pelmora::cookie {
namespace {

// "file:" URI of a path, for SQLite's URI parameters: everything but the unreserved bytes and
// "/" is percent-encoded ("Profile 1", "#", "?" and "%" all occur in real folder names).
std::string fileUri(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '/' || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[u >> 4];
            uri += kHex[u & 0xF];
        }
    }
    return uri;
}

std::string describe(sqlite3* db, int code)
{
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "the store is locked by another program";
    case SQLITE_NOTADB:
        return "the store is not a database";
    case SQLITE_CORRUPT:
        return "the store is damaged";
    case SQLITE_CANTOPEN:
        return "the store cannot be opened";
    case SQLITE_NOMEM:
        return "out of memory while reading the store";
    default:
        break;
    }
    const char* message = db ? sqlite3_errmsg(db) : nullptr;
    return std::string("the store cannot be read: ") + (message ? message : sqlite3_errstr(code));
}

// A log beside the database holds changes the database file lacks; an immutable reader would
// not see them.
bool hasLog(const std::string& path)
{
    return fileSize(path + "-wal") > 0 || fileSize(path + "-journal") > 0;
}

class StatementRow : public DatabaseRow {
public:
    explicit StatementRow(sqlite3_stmt* statement) : m_statement(statement)
    {
        const int count = sqlite3_column_count(statement);
        for (int i = 0; i < count; ++i) {
            const char* name = sqlite3_column_name(statement, i);
            m_names.emplace_back(name ? name : "");
        }
    }
    int column(const char* name) const override
    {
        for (size_t i = 0; i < m_names.size(); ++i)
            if (m_names[i] == name)
                return static_cast<int>(i);
        return -1;
    }
    std::string text(int column) const override
    {
        if (column < 0)
            return std::string();
        const unsigned char* text = sqlite3_column_text(m_statement, column);
        const int bytes = sqlite3_column_bytes(m_statement, column);
        return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes)) : std::string();
    }
    int64_t integer(int column) const override { return column < 0 ? 0 : sqlite3_column_int64(m_statement, column); }
    std::string blob(int column) const override
    {
        if (column < 0)
            return std::string();
        const void* data = sqlite3_column_blob(m_statement, column);
        const int bytes = sqlite3_column_bytes(m_statement, column);
        return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(bytes)) : std::string();
    }

private:
    sqlite3_stmt* m_statement;
    std::vector<std::string> m_names;
};

}  // namespace

struct CookieDatabase::Impl {
    ~Impl() { close(); }
    void close()
    {
        if (db)
            sqlite3_close(db);
        db = nullptr;
        copy.Remove();
    }
    // Declared before the connection's use and closed first: the copy goes after it.
    StoreCopy copy;
    sqlite3* db = nullptr;
};

CookieDatabase::CookieDatabase() : m_impl(std::make_unique<Impl>()) {}

CookieDatabase::~CookieDatabase() = default;

bool CookieDatabase::ReadFromCopy() const
{
    return !m_impl->copy.database().empty();
}

bool CookieDatabase::Open(const std::string& path, Holder holder)
{
    m_impl->close();
    m_error.clear();
    if (fileSize(path) < 0) {
        m_error = "the store cannot be opened";
        return false;
    }
    int code;
    if (holder == Holder::Nobody && !hasLog(path)) {
        // Nothing else writes it: read it where it is, taking no lock and writing nothing.
        code = sqlite3_open_v2((fileUri(path) + "?immutable=1").c_str(), &m_impl->db,
                               SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    } else {
        if (!m_impl->copy.Make(path, m_error)) {
            m_error = "the store cannot be copied: " + m_error;
            return false;
        }
        // Read-write, but only the private copy: a log without its index is replayed into it.
        code = sqlite3_open_v2(m_impl->copy.database().c_str(), &m_impl->db, SQLITE_OPEN_READWRITE, nullptr);
    }
    if (code != SQLITE_OK) {
        m_error = describe(m_impl->db, code);
        m_impl->close();
        return false;
    }
    return true;
}

bool CookieDatabase::UserVersion(int& version)
{
    bool ok = false;
    const bool ran = Each("PRAGMA user_version", [&](const DatabaseRow& row) {
        version = static_cast<int>(row.integer(0));
        ok = true;
    });
    return ran && ok;
}

bool CookieDatabase::Each(const char* sql, const std::function<void(const DatabaseRow&)>& visit)
{
    if (!m_impl->db) {
        m_error = "the store is not open";
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(m_impl->db, sql, -1, &statement, nullptr);
    if (code != SQLITE_OK) {
        m_error = describe(m_impl->db, code);
        sqlite3_finalize(statement);
        return false;
    }
    {
        const StatementRow row(statement);
        while ((code = sqlite3_step(statement)) == SQLITE_ROW)
            visit(row);
    }
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE) {
        m_error = describe(m_impl->db, code);
        return false;
    }
    return true;
}

}  // namespace pelmora::cookie
