#pragma once
// A directory listing taken at once by a glob pattern: "*.txt", "out/*", "user@nicovideo*.*".

#include <cstdint>
#include <vector>

#include "qarvo/text/string.h"

namespace qarvo {

// Attribute bits of a listed entry, numbered as the Windows C runtime numbers them.
namespace FindAttribute {
constexpr unsigned Normal = 0x00;
constexpr unsigned ReadOnly = 0x01;  // the owner may not write it
constexpr unsigned Hidden = 0x02;    // the name starts with "."
constexpr unsigned SubDir = 0x10;
}  // namespace FindAttribute

struct tag_FindInfo {
    C_WString name;  // the entry's name, without its folder
    unsigned attributes = FindAttribute::Normal;
    int64_t size = 0;
    int64_t createTime = 0;  // seconds since 1970; the status change time on this system
    int64_t accessTime = 0;
    int64_t writeTime = 0;
};

class C_Find {
public:
    // Lists the matches of `pattern`: a folder part (separated by "/" or "\"; none means the
    // current folder) and a name pattern with "*", "?" and "[...]"; a name pattern ending in
    // ".*" also matches names without a dot ("*.*" is every entry). With useBase set and a
    // base folder given by SetVtlDir, the pattern is taken relative to it.
    // 1 when anything in the folder matched, "." and ".." included, though those two are
    // never listed: so "*" in an empty folder gives 1 with a count of 0. 0 when a listing is
    // already held (Clear first), the folder cannot be read, or nothing matched.
    int Start(const C_WString& pattern, int useBase = 0);
    // 1 when `dir` is a folder this process may enter (it becomes the base); 0 otherwise, and
    // the base is left as it was. The process's current folder is never changed.
    int SetVtlDir(const C_WString& dir);
    const C_WString& GetVtlDir() const { return m_base; }

    int GetFindCount() const { return static_cast<int>(m_entries.size()); }
    // 1 and *out filled when there is such an entry, 0 otherwise.
    int GetFindInfoFirst(tag_FindInfo* out);
    int GetFindInfoNext(tag_FindInfo* out);
    int GetFindInfo(tag_FindInfo* out, int index) const;
    // Drops the listing; the base folder stays.
    void Clear();

private:
    std::vector<tag_FindInfo> m_entries;
    size_t m_cursor = 0;
    bool m_held = false;
    C_WString m_base;
};

}  // namespace qarvo
