#pragma once
// A browser's SQLite store written whole: built beside its place and renamed over it, so that
// a reader never sees half a database.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace nicosim {

class SqliteFile {
public:
    using Value = std::variant<int64_t, std::string, std::vector<unsigned char>>;

    // Starts the database that will replace `path`.
    SqliteFile(std::string path, std::string* error);
    ~SqliteFile();  // a file never committed is removed
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    bool ok() const { return m_ok; }
    bool execute(const std::string& sql);
    // One row: `sql` is an INSERT with ?1, ?2, ... bound in order to `values`.
    bool insert(const char* sql, const std::vector<Value>& values);
    // Closes the database and renames it into place.
    bool commit();

private:
    bool fail(const std::string& text);

    std::string m_path;
    std::string m_temporary;
    std::string* m_error;
    sqlite3* m_db = nullptr;
    bool m_ok = false;
};

} // namespace nicosim
