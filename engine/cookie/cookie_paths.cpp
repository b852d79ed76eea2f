#include "engine/cookie/cookie_paths.h"

#include <algorithm>
#include <cstdlib>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/file_stream.h"
#include "qarvo/file/find.h"
#include "qarvo/file/path.h"
#include "qarvo/platform/environment.h"
#include "qarvo/platform/user_folders.h"

namespace pelmora::cookie {

namespace System = qarvo::common::System;

std::string environment(const char* name)
{
    return qarvo::platform::environmentText(name);
}

qarvo::C_WString widePath(const std::string& utf8)
{
    return System::utf8_to_utf16(qarvo::C_String(utf8));
}

std::string homeFolder()
{
    return qarvo::platform::userHomeFolder();
}

std::string configFolder()
{
    return qarvo::platform::userConfigFolder();
}

bool fileExists(const std::string& path)
{
    return !path.empty() && qarvo::qarvo_FileExists(widePath(path));
}

bool folderExists(const std::string& path)
{
    return !path.empty() && qarvo::qarvo_DirectoryExists(widePath(path));
}

int64_t fileSize(const std::string& path)
{
    qarvo::C_FileStream file;
    if (path.empty() || !file.Open(widePath(path), qarvo::FileFlags::ReadOnly | qarvo::FileFlags::Binary))
        return -1;
    return file.GetSize();
}

std::vector<FolderEntry> listFolder(const std::string& folder, const char* pattern)
{
    std::vector<FolderEntry> entries;
    qarvo::C_Find find;
    if (folder.empty() || !find.SetVtlDir(widePath(folder)) || !find.Start(widePath(pattern), 1))
        return entries;
    qarvo::tag_FindInfo info;
    for (int i = 0; find.GetFindInfo(&info, i); ++i)
        entries.push_back({System::utf16_to_utf8(info.name).std(), (info.attributes & qarvo::FindAttribute::SubDir) != 0,
                           info.writeTime});
    return entries;
}

bool readWholeFile(const std::string& path, int64_t limit, std::string& text)
{
    qarvo::C_FileStream file;
    if (path.empty() || !file.Open(widePath(path), qarvo::FileFlags::ReadOnly | qarvo::FileFlags::Binary))
        return false;
    const int64_t size = file.GetSize();
    if (size < 0 || size > limit)
        return false;
    // Never more than the size seen at the start, however the file grows meanwhile.
    std::string data(static_cast<size_t>(size), '\0');
    int64_t done = 0;
    while (done < size) {
        const int got = file.Read(data.data() + done, static_cast<int>(std::min<int64_t>(size - done, 1 << 20)));
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += got;
    }
    data.resize(static_cast<size_t>(done));
    text = std::move(data);
    return true;
}

}  // namespace pelmora::cookie
