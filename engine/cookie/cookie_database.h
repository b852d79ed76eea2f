#pragma once
// A browser's SQLite cookie database opened for reading, the only place that talks to SQLite.
// A store the browser does not hold is read in place, read-only and immutable (nothing is
// written beside it); a store the browser holds, or one with a write-ahead log or journal
// beside it, is read from a private copy (store_copy.h) so that neither the browser's lock nor
// its unwritten log gets in the way.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pelmora::cookie {

// One row of a query, its columns found by name so that the readers cope with the schemas of
// old and new browser versions.
class DatabaseRow {
public:
    virtual ~DatabaseRow() = default;
    // The column's index; -1 when the query has no such column.
    virtual int column(const char* name) const = 0;
    // Empty, 0 or an empty blob for NULL or a missing column (-1).
    virtual std::string text(int column) const = 0;
    virtual int64_t integer(int column) const = 0;
    virtual std::string blob(int column) const = 0;
};

class CookieDatabase {
public:
    enum class Holder { Nobody, Browser };

    CookieDatabase();
    ~CookieDatabase();
    CookieDatabase(const CookieDatabase&) = delete;
    CookieDatabase& operator=(const CookieDatabase&) = delete;

    // False with LastError() ("the store is not a database", "locked", ...).
    bool Open(const std::string& path, Holder holder);
    // PRAGMA user_version.
    bool UserVersion(int& version);
    // Calls `visit` for every row of `sql`; false when the query fails (LastError()).
    bool Each(const char* sql, const std::function<void(const DatabaseRow&)>& visit);
    // Whether the last Open read a private copy.
    bool ReadFromCopy() const;
    const std::string& LastError() const { return m_error; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_error;
};

}  // namespace pelmora::cookie
