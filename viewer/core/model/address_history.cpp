#include "viewer/core/model/address_history.h"

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/file_stream.h"

namespace pelmora::viewer {

namespace System = qarvo::common::System;
using qarvo::C_String;

C_WString AddressHistory::TitleOf(const C_WString& id) const
{
    auto it = m_titles.find(id);
    return it == m_titles.end() ? C_WString() : it->second;
}

C_WString AddressHistory::EntryText(const C_WString& id, const C_WString& title)
{
    return id + u" " + title;
}

bool AddressHistory::ParseLine(const C_WString& line, C_WString* id, C_WString* title)
{
    C_WString text = line;
    text.Trim();
    if (text.IsEmpty())
        return false;
    const int blank = text.IndexOf(u" ");
    *id = blank < 0 ? text : text.Left(blank);
    *title = blank < 0 ? C_WString() : text.SubString(blank + 1);
    id->Trim();
    title->Trim();
    return !id->IsEmpty();
}

bool AddressHistory::Load(const C_WString& path)
{
    qarvo::C_FileStream file;
    if (!file.Open(path, qarvo::FileFlags::Binary | qarvo::FileFlags::ReadOnly))
        return false;
    C_String line;
    while (file.ReadLineA(&line) >= 0) {
        C_WString id, title;
        if (ParseLine(System::utf8_to_utf16(line), &id, &title))
            m_titles[id] = title;
        line.Clear();
    }
    return true;
}

bool AddressHistory::Append(const C_WString& path, const C_WString& id, const C_WString& title)
{
    m_titles[id] = title;
    qarvo::C_FileStream file;
    if (!file.Open(path, qarvo::FileFlags::Binary | qarvo::FileFlags::Create | qarvo::FileFlags::ReadWrite))
        return false;
    C_String text;
    const int64_t size = file.GetSize();
    if (size > 0) {
        file.Seek(-1, SEEK_END);
        unsigned char last = 0;
        if (file.Read(&last, 1) == 1 && last != '\n')
            text = "\r\n";
    }
    text += System::utf16_to_utf8(EntryText(id, title));
    text += "\r\n";
    file.Seek(0, SEEK_END);
    return file.Write(text.c_str(), text.Length()) == text.Length();
}

}  // namespace pelmora::viewer
