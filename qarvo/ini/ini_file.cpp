#include "qarvo/ini/ini_file.h"

#include <climits>
#include <cstdio>

#include "qarvo/text/integer.h"
#include "qarvo/text/unicode.h"

namespace qarvo {

namespace {

constexpr int kIniOpenFlags = FileFlags::Binary | FileFlags::Create | FileFlags::ReadWrite;
constexpr char16_t kByteOrderMark = 0xFEFF;

template <class Char>
bool isLineEnd(Char c)
{
    return c == Char('\r') || c == Char('\n');
}

template <class Char>
std::basic_string<Char> separator()
{
    return {Char(' '), Char('='), Char(' ')};
}

template <class Char>
std::basic_string<Char> lineEnd()
{
    return {Char('\r'), Char('\n')};
}

}  // namespace

template <class Str>
BasicIniFile<Str>::~BasicIniFile()
{
    if (m_pending && IsOpen())
        Commit();
    if (IsLocked())
        Unlock();
    Close();
}

template <class Str>
Str BasicIniFile<Str>::numberKey(int key)
{
    if constexpr (sizeof(Char) == 1)
        return Str::Stringf("%d", key);
    else
        return Str::Stringf(u"%d", key);
}

template <class Str>
bool BasicIniFile<Str>::isUsableKey(const Str& key)
{
    if (key.IsEmpty() || key[0] == Char('#'))
        return false;
    // A line starting with U+FEFF at the start of the file reads as the byte-order mark and
    // the rest of the key: such a key would be written and never found again.
    if constexpr (sizeof(Char) == 2) {
        if (key[0] == Char(kByteOrderMark))
            return false;
    }
    for (Char c : key.std())
        if (c == Char(' ') || c == Char('=') || isLineEnd(c))
            return false;
    return true;
}

template <class Str>
bool BasicIniFile<Str>::isUsableValue(const Str& value)
{
    for (Char c : value.std())
        if (isLineEnd(c))
            return false;
    return true;
}

template <class Str>
int BasicIniFile<Str>::Open(const C_WString& path)
{
    if (m_pending && IsOpen())
        Commit();
    Close();
    m_path = path;
    if (!m_file.Open(path, kIniOpenFlags))
        return fail();
    return 1;
}

template <class Str>
void BasicIniFile<Str>::Close()
{
    m_pending = false;
    if (IsLocked())
        Unlock();
    m_file.Close();
    m_lockedLength = -1;
}

template <class Str>
C_Time BasicIniFile<Str>::GetLastModified()
{
    tag_FileStat st;
    if (!m_file.GetStat(&st))
        return C_Time();
    return C_Time(st.writeTime);
}

template <class Str>
bool BasicIniFile<Str>::readUnits(Units* out)
{
    out->clear();
    if (m_file.Seek(0, SEEK_SET) != 0)
        return false;
    std::string bytes;
    char block[8192];
    for (;;) {
        const int n = m_file.Read(block, sizeof(block));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        bytes.append(block, static_cast<size_t>(n));
    }
    if constexpr (sizeof(Char) == 1) {
        out->assign(bytes.begin(), bytes.end());
    } else {
        // UTF-16LE; a dangling odd byte is no code unit (and an append overwrites it).
        out->reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            out->push_back(static_cast<Char>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return true;
}

template <class Str>
bool BasicIniFile<Str>::findEntry(const Units& units, const Units& key, Line* found)
{
    const size_t n = units.size();
    size_t pos = 0;
    if constexpr (sizeof(Char) == 2) {
        if (n > 0 && units[0] == kByteOrderMark)
            pos = 1;
    }
    while (pos < n) {
        const size_t start = pos;
        size_t end = start;
        while (end < n && !isLineEnd(units[end]))
            ++end;
        if (end < n)
            pos = (units[end] == Char('\r') && end + 1 < n && units[end + 1] == Char('\n')) ? end + 2 : end + 1;
        else
            pos = n;

        if (end == start || units[start] == Char('#') || units[start] == Char(' '))
            continue;
        size_t k = start;
        while (k < end && units[k] != Char(' ') && units[k] != Char('='))
            ++k;
        size_t v = k;
        bool sawEquals = false;
        while (v < end && (units[v] == Char(' ') || units[v] == Char('='))) {
            sawEquals = sawEquals || units[v] == Char('=');
            ++v;
        }
        // No "=", or nothing after it: not an entry, look further.
        if (!sawEquals || v == end)
            continue;
        if (units.compare(start, k - start, key) == 0) {
            found->start = start;
            found->textEnd = end;
            found->valueStart = v;
            return true;
        }
    }
    return false;
}

template <class Str>
bool BasicIniFile<Str>::writeTail(size_t at, const Units& units)
{
    const int64_t unitSize = static_cast<int64_t>(sizeof(Char));
    std::string bytes;
    if constexpr (sizeof(Char) == 2)
        unicode::AppendUtf16Le(bytes, reinterpret_cast<const char16_t*>(units.data()), units.size());
    else
        bytes.assign(reinterpret_cast<const char*>(units.data()), units.size());
    const int64_t offset = static_cast<int64_t>(at) * unitSize;
    if (m_file.Seek(offset, SEEK_SET) != offset)
        return false;
    if (!bytes.empty() && m_file.Write(bytes.data(), static_cast<int>(bytes.size())) != static_cast<int>(bytes.size()))
        return false;
    return m_file.SetEndFile() == 1;
}

template <class Str>
Str BasicIniFile<Str>::GetStr(const Str& key)
{
    if (!IsOpen() || key.IsEmpty()) {
        fail();
        return Str();
    }
    if (m_pending) {
        if (m_kind == DeleteAll) {
            fail();
            return Str();
        }
        if (m_key == key) {
            // An empty value would read back as absent once written; say so now already.
            if (m_kind == Delete || m_value.IsEmpty()) {
                fail();
                return Str();
            }
            return m_value;
        }
    }
    Units units;
    Line line;
    if (!readUnits(&units) || !findEntry(units, key.std(), &line)) {
        fail();
        return Str();
    }
    return Str(units.substr(line.valueStart, line.textEnd - line.valueStart));
}

template <class Str>
int BasicIniFile<Str>::GetInt(const Str& key)
{
    ClearLastError();
    const Str value = GetStr(key);
    if (m_lastError)
        return -1;
    if constexpr (sizeof(Char) == 1)
        return C_Integer::ParseIntA(value);
    else
        return C_Integer::ParseIntW(value);
}

template <class Str>
int BasicIniFile<Str>::IsExistStr(const Str& key)
{
    ClearLastError();
    GetStr(key);
    return m_lastError ? 0 : 1;
}

template <class Str>
int BasicIniFile<Str>::SetStr(const Str& key, const Str& value)
{
    if (!IsOpen() || !isUsableKey(key) || !isUsableValue(value))
        return fail();
    if (m_pending)
        Commit();
    Units units;
    if (!readUnits(&units))
        return fail();
    const int64_t unitSize = static_cast<int64_t>(sizeof(Char));
    Line line;
    if (findEntry(units, key.std(), &line)) {
        m_kind = Replace;
        m_position = static_cast<int64_t>(line.valueStart) * unitSize;
        m_replaced = static_cast<int64_t>(line.textEnd - line.valueStart) * unitSize;
        m_sizeChange = static_cast<int64_t>(value.Length()) * unitSize - m_replaced;
    } else {
        m_kind = Append;
        m_position = static_cast<int64_t>(units.size()) * unitSize;
        m_replaced = 0;
        const bool needsBreak = !units.empty() && !isLineEnd(units.back());
        m_sizeChange = static_cast<int64_t>((needsBreak ? 2 : 0) + key.Length() + 3 + value.Length() + 2) * unitSize;
    }
    m_key = key;
    m_value = value;
    m_pending = true;
    return 1;
}

template <class Str>
int BasicIniFile<Str>::SetStr(const Str& key, int value)
{
    return SetStr(key, numberKey(value));
}

template <class Str>
int BasicIniFile<Str>::DeleteStr(const Str& key)
{
    if (!IsOpen() || key.IsEmpty())
        return fail();
    if (m_pending)
        Commit();
    Units units;
    Line line;
    if (!readUnits(&units) || !findEntry(units, key.std(), &line))
        return fail();
    const int64_t unitSize = static_cast<int64_t>(sizeof(Char));
    m_kind = Delete;
    m_key = key;
    m_value = Str();
    m_position = static_cast<int64_t>(line.start) * unitSize;
    m_replaced = static_cast<int64_t>(line.textEnd - line.start) * unitSize;
    m_sizeChange = 0;  // known only at commit, when the line break after it is seen
    m_pending = true;
    return 1;
}

template <class Str>
int BasicIniFile<Str>::DeleteAllStr()
{
    if (!IsOpen())
        return fail();
    if (m_pending)
        Commit();
    m_kind = DeleteAll;
    m_key = Str();
    m_value = Str();
    m_position = 0;
    m_replaced = m_file.GetSize();
    m_sizeChange = -m_replaced;
    m_pending = true;
    return 1;
}

template <class Str>
int BasicIniFile<Str>::Commit()
{
    if (!m_pending || !IsOpen())
        return fail();
    // Dropped whatever happens: after a partial write, applying it again would damage the file.
    m_pending = false;
    if (m_kind == DeleteAll)
        return writeTail(0, Units()) ? 1 : fail();

    Units units;
    if (!readUnits(&units))
        return fail();
    Line line;
    const bool found = findEntry(units, m_key.std(), &line);
    if (m_kind == Delete) {
        if (!found)
            return 1;  // someone else removed it meanwhile
        size_t tail = line.textEnd;
        while (tail < units.size() && isLineEnd(units[tail]))
            ++tail;
        return writeTail(line.start, units.substr(tail)) ? 1 : fail();
    }
    if (found) {
        Units text = m_value.std();
        text.append(units, line.textEnd, Units::npos);
        return writeTail(line.valueStart, text) ? 1 : fail();
    }
    // Append (or a replace whose line has gone meanwhile).
    Units text;
    if (!units.empty() && !isLineEnd(units.back()))
        text += lineEnd<Char>();
    text += m_key.std();
    text += separator<Char>();
    text += m_value.std();
    text += lineEnd<Char>();
    return writeTail(units.size(), text) ? 1 : fail();
}

template <class Str>
int BasicIniFile<Str>::RollBack()
{
    if (!m_pending)
        return fail();
    m_pending = false;
    return 1;
}

template <class Str>
int BasicIniFile<Str>::Lock(int timeoutMs)
{
    if (IsLocked())
        return AlreadyLocked;
    if (!IsOpen()) {
        fail();
        return LockFailed;
    }
    const int64_t size = m_file.GetSize();
    if (size < 0) {
        fail();
        return LockFailed;
    }
    // An empty (or huge) file is locked to its end however far it grows.
    const int length = size > INT_MAX ? 0 : static_cast<int>(size);
    m_file.SetLockWait(timeoutMs != 0, timeoutMs);
    const int result = m_file.Lock(int64_t{0}, length);
    if (result == C_FileStream::Locked)
        m_lockedLength = length;
    else
        fail();
    return result;
}

template <class Str>
int BasicIniFile<Str>::Unlock()
{
    if (!IsLocked())
        return fail();
    const int result = m_file.Unlock(int64_t{0}, m_lockedLength);
    m_lockedLength = -1;
    return result == 0 ? 1 : fail();
}

template <class Str>
int BasicIniFile<Str>::ClearAll()
{
    m_pending = false;
    if (!IsOpen() || !writeTail(0, Units()))
        return fail();
    return 1;
}

template class BasicIniFile<C_WString>;
template class BasicIniFile<C_String>;

}  // namespace qarvo
