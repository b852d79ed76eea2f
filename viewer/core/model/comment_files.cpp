#include "viewer/core/model/comment_files.h"

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/markup.h"
#include "qarvo/escape/winname.h"
#include "qarvo/file/path.h"
#include "qarvo/file/path_encoding.h"

namespace pelmora::viewer {

namespace System = qarvo::common::System;

namespace {

// The file open flags of the library: binary, create, read-write (new files also truncate, so
// a new cycle never inherits bytes of an older file of the same name).
constexpr int kNewFileFlags = qarvo::FileFlags::Binary | qarvo::FileFlags::Create |
                              qarvo::FileFlags::ReadWrite | qarvo::FileFlags::Truncate;
// Reopened with create: a file deleted between two batches is made again.
constexpr int kAppendFlags =
    qarvo::FileFlags::Binary | qarvo::FileFlags::Append | qarvo::FileFlags::ReadWrite | qarvo::FileFlags::Create;
// The longest name one folder entry may have, in bytes of the file system's encoding.
constexpr size_t kMaxNameBytes = 255;

size_t encodedBytes(const C_WString& text)
{
    std::string bytes;
    qarvo::PathToUtf8(text, &bytes);
    return bytes.size();
}

// The longest start of `title` within kMaxTitleInFileName units and `maxBytes` bytes on disk,
// never ending inside a surrogate pair.
C_WString fittedTitle(const C_WString& title, size_t maxBytes)
{
    int end = 0;
    size_t bytes = 0;
    while (end < title.Length()) {
        const bool pair = end + 1 < title.Length() && title[end] >= 0xD800 && title[end] <= 0xDBFF &&
                          title[end + 1] >= 0xDC00 && title[end + 1] <= 0xDFFF;
        const int units = pair ? 2 : 1;
        const size_t size = encodedBytes(title.SubString(end, end + units - 1));
        if (end + units > kMaxTitleInFileName || maxBytes - bytes < size)
            break;
        bytes += size;
        end += units;
    }
    return title.Left(end);
}

bool writeByteOrderMark(qarvo::C_FileStream& file)
{
    const unsigned char bom[2] = {0xFF, 0xFE};
    return file.Write(bom, 2) == 2;
}

std::tm localTime(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

C_WString CommentTextFileName(const C_WString& directory, const char* titleUtf8, std::time_t now)
{
    C_WString title = System::utf8_to_utf16(C_String(titleUtf8 ? titleUtf8 : ""));
    title = System::_to_create_winname(System::_htmlspecialchars_decode(title));
    const std::tm tm = localTime(now);
    const C_WString stamp = C_WString::Stringf(u"(%02d.%02d.%02d %02d時%02d分%02d秒).txt", tm.tm_year + 1900 - 2000,
                                               tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    // 80 CJK characters are 240 bytes in UTF-8: with the stamp that is past the limit.
    title = fittedTitle(title, kMaxNameBytes - encodedBytes(stamp));
    return directory + C_WString(u"/") + title + stamp;
}

C_WString CommentXmlFileName(const C_WString& textFileName)
{
    C_WString name = textFileName;
    return name.Replace(u").txt", u").xml");
}

C_WString FileNameOnly(const C_WString& path)
{
    return qarvo::qarvo_GetLastName(path);
}

C_WString FormatCommentLine(const tag_NICO_COMMENT_LIGHT& c)
{
    const std::tm tm = localTime(static_cast<std::time_t>(c.date));
    const int seconds = c.vpos / 100;
    return C_WString::Stringf(u"%02d/%02d/%02d_%02d:%02d:%02d %s %03d:%02d %d %s %s %s %s\r\n", tm.tm_year + 1900,
                              tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                              c.anonymity ? u"匿名" : u"公開", seconds / 60, seconds % 60, c.no,
                              c.premium ? u"プレミアム" : u"一般", c.userId.c_str(),
                              c.deleted ? u"削除済み" : c.mail.c_str(), c.text.c_str());
}

bool OpenCommentTextFile(qarvo::C_FileStream& file, C_WString& name, const C_WString& directory,
                         const char* titleUtf8, std::time_t now)
{
    file.Close();
    if (name.IsEmpty()) {
        const C_WString fresh = CommentTextFileName(directory, titleUtf8, now);
        if (!file.Open(fresh, kNewFileFlags))
            return false;
        if (!writeByteOrderMark(file)) {
            file.Close();
            return false;
        }
        name = fresh;
        return true;
    }
    if (!file.Open(name, kAppendFlags))
        return false;
    file.Seek(0, SEEK_END);
    // Made again after it was deleted: it starts like a new file.
    if (file.GetSize() == 0 && !writeByteOrderMark(file)) {
        file.Close();
        return false;
    }
    return true;
}

bool AppendCommentLine(qarvo::C_FileStream& file, const tag_NICO_COMMENT_LIGHT& comment)
{
    if (!file.IsOpen())
        return false;
    const C_WString line = FormatCommentLine(comment);
    const C_String bytes = line.ToByteString();
    return file.Write(bytes.c_str(), bytes.Length()) == bytes.Length();
}

bool WriteCommentXml(const C_WString& path, const unsigned char* data, int size)
{
    if (!data || size <= 0)
        return false;
    qarvo::C_FileStream file;
    if (!file.Open(path, kNewFileFlags))
        return false;
    const bool ok = file.Write(data, size) == size;
    file.SetEndFile();
    file.Close();
    return ok;
}

}  // namespace pelmora::viewer
