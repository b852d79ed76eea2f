#include "qarvo/http/request_files.h"

#include "qarvo/file/file_stream.h"

namespace qarvo::http {
namespace {

constexpr int kReadFlags = FileFlags::ReadOnly | FileFlags::Binary;
constexpr size_t kPiece = 64 * 1024;

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
    if (!out)
        return false;
    out->clear();
    return appendWholeFile(path, out);
}

bool appendWholeFile(const C_String& path, std::string* out)
{
    C_FileStream file;
    if (path.IsEmpty() || !out || file.Open(C_WString(path), kReadFlags) != 1)
        return false;
    const size_t before = out->size();
    for (;;) {
        const size_t at = out->size();
        out->resize(at + kPiece);
        const int n = file.Read(out->data() + at, static_cast<int>(kPiece));
        out->resize(at + (n > 0 ? static_cast<size_t>(n) : 0));
        if (n < 0) {
            out->resize(before);
            return false;
        }
        if (n == 0)
            return true;
    }
}

bool fileContains(const C_String& path, const std::string& needle)
{
    C_FileStream file;
    if (path.IsEmpty() || needle.empty() || file.Open(C_WString(path), kReadFlags) != 1)
        return false;
    // Each piece is searched together with the end of the one before, so that a match split
    // between two pieces is seen.
    std::string window;
    std::string piece(kPiece, '\0');
    for (;;) {
        const int n = file.Read(piece.data(), static_cast<int>(piece.size()));
        if (n <= 0)
            return false;
        window.append(piece.data(), static_cast<size_t>(n));
        if (window.find(needle) != std::string::npos)
            return true;
        if (window.size() >= needle.size())
            window.erase(0, window.size() - (needle.size() - 1));
    }
}

}  // namespace qarvo::http
