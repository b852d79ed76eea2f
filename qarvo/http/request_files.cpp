#include "qarvo/http/request_files.h"

#include "qarvo/file/file_stream.h"

namespace qarvo::http {
namespace {

constexpr int kReadFlags = FileFlags::ReadOnly | FileFlags::Binary;

}  // namespace

bool fileOpens(const C_String& path)
{
    C_FileStream file;
    return !path.IsEmpty() && file.Open(C_WString(path), kReadFlags) == 1;
}

int64_t fileSize(const C_String& path)
{
    C_FileStream file;
    if (path.IsEmpty() || file.Open(C_WString(path), kReadFlags) != 1)
        return -1;
    return file.GetSize();
}

bool readWholeFile(const C_String& path, std::string* out)
{
    C_FileStream file;
    if (path.IsEmpty() || !out || file.Open(C_WString(path), kReadFlags) != 1)
        return false;
    out->clear();
    char piece[64 * 1024];
    for (;;) {
        const int n = file.Read(piece, static_cast<int>(sizeof piece));
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out->append(piece, static_cast<size_t>(n));
    }
}

}  // namespace qarvo::http
