#include "viewer/core/model/comment_files.h"

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/markup.h"
#include "qarvo/escape/winname.h"
#include "qarvo/file/path.h"

namespace pelmora::viewer {

namespace System = qarvo::common::System;

namespace {

// The file open flags of the library: binary, create, read-write (new files also truncate, so
// a new cycle never inherits bytes of an older file of the same name).
constexpr int kNewFileFlags = qarvo::FileFlags::Binary | qarvo::FileFlags::Create |
                              qarvo::FileFlags::ReadWrite | qarvo::FileFlags::Truncate;
constexpr int kAppendFlags = qarvo::FileFlags::Binary | qarvo::FileFlags::Append | qarvo::FileFlags::ReadWrite;

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
    if (title.Length() > kMaxTitleInFileName)
        title = title.Left(kMaxTitleInFileName);
    const std::tm tm = localTime(now);
    return C_WString::Stringf(u"%s/%s(%02d.%02d.%02d %02d時%02d分%02d秒).txt", directory.c_str(), title.c_str(),
                              tm.tm_year + 1900 - 2000, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                              tm.tm_sec);
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
        const unsigned char bom[2] = {0xFF, 0xFE};
        if (file.Write(bom, 2) != 2) {
            file.Close();
            return false;
        }
        name = fresh;
        return true;
    }
    if (!file.Open(name, kAppendFlags))
        return false;
    file.Seek(0, SEEK_END);
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
