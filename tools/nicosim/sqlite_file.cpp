#include "tools/nicosim/sqlite_file.h"

#include <filesystem>
#include <system_error>

namespace nicosim {

namespace fs = std::filesystem;

SqliteFile::SqliteFile(std::string path, std::string* error)
    : m_path(std::move(path)), m_temporary(m_path + ".nicosim-tmp"), m_error(error)
{
    std::error_code ignored;
    fs::remove(m_temporary, ignored);
    if (sqlite3_open(m_temporary.c_str(), &m_db) != SQLITE_OK) {
        fail("cannot create " + m_temporary);
        return;
    }
    m_ok = true;
}

SqliteFile::~SqliteFile()
{
    if (m_db)
        sqlite3_close(m_db);
    std::error_code ignored;
    fs::remove(m_temporary, ignored);
}

bool SqliteFile::fail(const std::string& text)
{
    m_ok = false;
    if (m_error)
        *m_error = text;
    return false;
}

bool SqliteFile::execute(const std::string& sql)
{
    if (!m_ok)
        return false;
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown sqlite error";
        sqlite3_free(message);
        return fail("sqlite: " + text);
    }
    return true;
}

bool SqliteFile::insert(const char* sql, const std::vector<Value>& values)
{
    if (!m_ok)
        return false;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return fail(std::string("sqlite: ") + sqlite3_errmsg(m_db));
    for (size_t i = 0; i < values.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        if (const auto* number = std::get_if<int64_t>(&values[i]))
            sqlite3_bind_int64(statement, index, *number);
        else if (const auto* text = std::get_if<std::string>(&values[i]))
            sqlite3_bind_text(statement, index, text->c_str(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
        else {
            const auto& blob = std::get<std::vector<unsigned char>>(values[i]);
            sqlite3_bind_blob(statement, index, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
        }
    }
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return done || fail(std::string("sqlite: ") + sqlite3_errmsg(m_db));
}

bool SqliteFile::commit()
{
    if (!m_ok)
        return false;
    sqlite3_close(m_db);
    m_db = nullptr;
    std::error_code ec;
    fs::rename(m_temporary, m_path, ec);
    if (ec)
        return fail("cannot replace " + m_path + ": " + ec.message());
    return true;
}

} // namespace nicosim
