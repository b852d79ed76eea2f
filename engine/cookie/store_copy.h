#pragma once
// A private copy of a browser's cookie database, for when the browser holds the original: the
// database and the logs beside it are copied into a folder of their own (mode 0700, under
// $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp) and the folder goes with this object, on every
// path out. A copy left by a process that was killed is removed by the next one.

#include <cstdint>
#include <string>

namespace pelmora::cookie {

// A database larger than this is not copied: no browser's cookie store comes near it.
inline constexpr int64_t kMaxStoreBytes = 256ll * 1024 * 1024;
// A copy older than this belongs to no running lookup: a lookup holds it for milliseconds.
inline constexpr int64_t kStaleCopySeconds = 600;
inline constexpr const char* kCopyFolderPrefix = "pelmora-cookies-";

class StoreCopy {
public:
    StoreCopy() = default;
    ~StoreCopy();
    StoreCopy(const StoreCopy&) = delete;
    StoreCopy& operator=(const StoreCopy&) = delete;

    // Copies `database` with its "-wal" and "-journal" files when they exist, each file never
    // beyond the size it had when the copy began. False with a reason in `error`.
    bool Make(const std::string& database, std::string& error);
    // The copy's database path; empty before Make succeeded.
    const std::string& database() const { return m_database; }
    // Removes the copy now (also done by the destructor).
    void Remove();

private:
    std::string m_folder;
    std::string m_database;
};

// The folder the copies go into.
std::string copyBaseFolder();

}  // namespace pelmora::cookie
