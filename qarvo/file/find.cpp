#include "qarvo/file/find.h"

#include <string>

#include "qarvo/file/path.h"
#include "qarvo/file/path_encoding.h"
#include "qarvo/platform/dir.h"

namespace qarvo {

namespace {

bool matches(const std::string& pattern, const std::string& name)
{
    if (platform::matchName(pattern.c_str(), name.c_str()))
        return true;
    // "name.*" also stands for a name with no extension at all.
    if (pattern.size() >= 2 && pattern.ends_with(".*"))
        return platform::matchName(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
    return false;
}

}  // namespace

int C_Find::Start(const C_WString& pattern, int useBase)
{
    if (m_held || pattern.IsEmpty())
        return 0;
    const C_WString full = useBase && !m_base.IsEmpty() ? qarvo_JoinPath(m_base, pattern) : pattern;
    std::string bytes;
    if (!PathToUtf8(full, &bytes))
        return 0;
    const size_t sep = bytes.find_last_of("/\\");
    std::string dir;
    std::string namePattern;
    if (sep == std::string::npos) {
        dir = ".";
        namePattern = bytes;
    } else {
        dir = sep == 0 ? std::string("/") : bytes.substr(0, sep);
        namePattern = bytes.substr(sep + 1);
    }
    if (namePattern.empty())
        return 0;
    for (char& c : dir)
        if (c == '\\')
            c = '/';

    bool anyMatch = false;
    std::vector<tag_FindInfo> found;
    const bool listed = platform::listDirectory(dir.c_str(), [&](const platform::DirEntry& entry) {
        if (!matches(namePattern, entry.name))
            return;
        anyMatch = true;
        if (entry.name == "." || entry.name == "..")
            return;
        tag_FindInfo info;
        info.name = PathFromUtf8(entry.name);
        info.size = entry.status.size;
        info.createTime = entry.status.changeTime;
        info.accessTime = entry.status.accessTime;
        info.writeTime = entry.status.writeTime;
        if (entry.status.isDirectory)
            info.attributes |= FindAttribute::SubDir;
        if (!entry.status.isWritable)
            info.attributes |= FindAttribute::ReadOnly;
        if (entry.name[0] == '.')
            info.attributes |= FindAttribute::Hidden;
        found.push_back(std::move(info));
    }, nullptr);
    if (!listed || !anyMatch)
        return 0;
    m_entries = std::move(found);
    m_cursor = 0;
    m_held = true;
    return 1;
}

int C_Find::SetVtlDir(const C_WString& dir)
{
    std::string bytes;
    if (dir.IsEmpty() || !PathToUtf8(dir, &bytes) || !platform::isEnterableDirectory(bytes.c_str()))
        return 0;
    m_base = dir;
    return 1;
}

int C_Find::GetFindInfoFirst(tag_FindInfo* out)
{
    m_cursor = 0;
    return GetFindInfoNext(out);
}

int C_Find::GetFindInfoNext(tag_FindInfo* out)
{
    if (m_cursor >= m_entries.size())
        return 0;
    if (out)
        *out = m_entries[m_cursor];
    ++m_cursor;
    return 1;
}

int C_Find::GetFindInfo(tag_FindInfo* out, int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size())
        return 0;
    if (out)
        *out = m_entries[static_cast<size_t>(index)];
    return 1;
}

void C_Find::Clear()
{
    m_entries.clear();
    m_cursor = 0;
    m_held = false;
}

}  // namespace qarvo
