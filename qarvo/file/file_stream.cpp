#include "qarvo/file/file_stream.h"

#include <cstdio>

#include "qarvo/file/path_encoding.h"
#include "qarvo/time/clock.h"

namespace qarvo {

namespace {

constexpr int kLockRetryMs = 50;
// Line reads go in blocks of this many bytes (the wide block holds 260 code units).
constexpr int kNarrowLineBlock = 512;
constexpr int kWideLineBlock = 520;

constexpr char16_t kCR = 0x000D;
constexpr char16_t kLF = 0x000A;

void putUnits(std::string& out, uint32_t value, int bytes, ByteOrder order)
{
    for (int i = 0; i < bytes; ++i) {
        const int shift = order == ByteOrder::LittleEndian ? 8 * i : 8 * (bytes - 1 - i);
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

uint32_t getUnits(const unsigned char* in, int bytes, ByteOrder order)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = order == ByteOrder::LittleEndian ? 8 * i : 8 * (bytes - 1 - i);
        value |= static_cast<uint32_t>(in[i]) << shift;
    }
    return value;
}

}  // namespace

C_FileStream::C_FileStream(const C_WString& path, const int& flags)
{
    Open(path, flags);
}

C_FileStream::~C_FileStream()
{
    Close();
}

bool C_FileStream::check(platform::FileError error, const char* action)
{
    m_lastError = error;
    if (error == platform::FileError::None) {
        m_lastErrorText.Clear();
        return true;
    }
    m_lastErrorText = C_String::Stringf("%s %s: %s", action, m_systemPath.c_str(), platform::fileErrorText(error));
    return false;
}

int C_FileStream::Open(const C_WString& path, const int& flags)
{
    if (path.IsEmpty()) {
        check(platform::FileError::Invalid, "open (empty path)");
        return 0;
    }
    if (IsOpen()) {
        // The open file stays as it is; only the report says why nothing happened.
        m_lastError = platform::FileError::Invalid;
        m_lastErrorText = "open: the stream is already open";
        return 0;
    }
    std::string systemPath;
    if (!PathToUtf8(path, &systemPath)) {
        m_systemPath = "(path with NUL)";
        check(platform::FileError::Invalid, "open");
        return 0;
    }
    m_path = path;
    m_systemPath = systemPath;
    platform::FileError error = platform::FileError::None;
    m_fd = platform::openFile(m_systemPath.c_str(), flags, &error);
    return check(error, "open") && m_fd >= 0 ? 1 : 0;
}

void C_FileStream::Close()
{
    if (m_fd < 0)
        return;
    platform::closeFile(m_fd);
    m_fd = -1;
    if (m_deleteOnClose) {
        platform::FileError error = platform::FileError::None;
        platform::removeFile(m_systemPath.c_str(), &error);
        check(error, "remove");
        m_deleteOnClose = false;
    }
}

int C_FileStream::Read(void* buffer, const int& size)
{
    if (!IsOpen() || size < 0)
        return -1;
    platform::FileError error = platform::FileError::None;
    const int64_t n = platform::readFile(m_fd, buffer, size, &error);
    check(error, "read");
    return static_cast<int>(n);
}

int C_FileStream::Write(const void* buffer, const int& size)
{
    if (!IsOpen() || size < 0)
        return -1;
    platform::FileError error = platform::FileError::None;
    const int64_t n = platform::writeFile(m_fd, buffer, size, &error);
    check(error, "write");
    return static_cast<int>(n);
}

int C_FileStream::writeAll(const void* data, int size)
{
    if (size == 0)
        return IsOpen() ? 0 : -1;
    return Write(data, size) == size ? size : -1;
}

int64_t C_FileStream::Seek(int64_t offset, int origin)
{
    if (!IsOpen() || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END))
        return -1;
    platform::FileError error = platform::FileError::None;
    const int64_t pos = platform::seekFile(m_fd, offset, origin, &error);
    check(error, "seek");
    return pos;
}

int64_t C_FileStream::GetPos()
{
    return Seek(0, SEEK_CUR);
}

int64_t C_FileStream::GetSize()
{
    if (!IsOpen())
        return -1;
    platform::FileStatus st;
    platform::FileError error = platform::FileError::None;
    if (!platform::statFile(m_fd, &st, &error)) {
        check(error, "stat");
        return -1;
    }
    return st.size;
}

int C_FileStream::SetEndFile()
{
    const int64_t pos = GetPos();
    if (pos < 0)
        return 0;
    platform::FileError error = platform::FileError::None;
    platform::truncateFile(m_fd, pos, &error);
    return check(error, "truncate") ? 1 : 0;
}

int C_FileStream::Flush()
{
    if (!IsOpen())
        return 0;
    platform::FileError error = platform::FileError::None;
    platform::syncFile(m_fd, &error);
    return check(error, "flush") ? 1 : 0;
}

int C_FileStream::GetStat(tag_FileStat* out)
{
    if (!out || !IsOpen())
        return 0;
    platform::FileStatus st;
    platform::FileError error = platform::FileError::None;
    if (!platform::statFile(m_fd, &st, &error)) {
        check(error, "stat");
        return 0;
    }
    out->size = st.size;
    out->changeTime = st.changeTime;
    out->accessTime = st.accessTime;
    out->writeTime = st.writeTime;
    return 1;
}

int C_FileStream::readLine(int unitSize, std::u16string* wide, std::string* narrow)
{
    const int64_t start = GetPos();
    if (start < 0)
        return -1;
    const int blockSize = unitSize == 2 ? kWideLineBlock : kNarrowLineBlock;
    unsigned char block[kWideLineBlock];
    int64_t contentBytes = 0;
    int64_t endBytes = 0;
    bool anyUnit = false;
    bool afterCR = false;
    bool done = false;
    int carry = -1;  // first byte of a code unit split across blocks
    while (!done) {
        const int n = Read(block, blockSize);
        if (n < 0)
            return -1;
        if (n == 0)
            break;  // end of file; a dangling odd byte is not a code unit
        for (int i = 0; i < n && !done; ++i) {
            char16_t unit;
            if (unitSize == 2) {
                if (carry < 0) {
                    carry = block[i];
                    continue;
                }
                unit = static_cast<char16_t>(carry | (block[i] << 8));
                carry = -1;
            } else {
                unit = block[i];
            }
            anyUnit = true;
            if (afterCR) {
                // CR LF is one line end; a lone CR ends the line by itself and the next
                // unit already belongs to the next line.
                if (unit == kLF)
                    endBytes += unitSize;
                done = true;
            } else if (unit == kCR) {
                endBytes = unitSize;
                afterCR = true;
            } else if (unit == kLF) {
                endBytes = unitSize;
                done = true;
            } else {
                if (wide)
                    wide->push_back(unit);
                else
                    narrow->push_back(static_cast<char>(unit));
                contentBytes += unitSize;
            }
        }
    }
    if (!anyUnit) {
        Seek(start, SEEK_SET);
        return -1;
    }
    if (Seek(start + contentBytes + endBytes, SEEK_SET) < 0)
        return -1;
    return static_cast<int>(contentBytes / unitSize);
}

int C_FileStream::ReadLineA(C_String* line)
{
    std::string text;
    const int n = IsOpen() ? readLine(1, nullptr, &text) : -1;
    if (line)
        *line = C_String(std::move(text));
    return n;
}

int C_FileStream::ReadLineW(C_WString* line)
{
    std::u16string text;
    const int n = IsOpen() ? readLine(2, &text, nullptr) : -1;
    if (line)
        *line = C_WString(std::move(text));
    return n;
}

int C_FileStream::WriteStringA(const C_String& text)
{
    return writeAll(text.c_str(), text.Length());
}

int C_FileStream::WriteStringW(const C_WString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.Length()) * 2);
    for (char16_t c : text.std())
        putUnits(bytes, c, 2, ByteOrder::LittleEndian);
    return writeAll(bytes.data(), static_cast<int>(bytes.size()));
}

int C_FileStream::WriteLineA(const C_String& text)
{
    C_String line(text);
    line += "\r\n";
    return WriteStringA(line);
}

int C_FileStream::WriteLineW(const C_WString& text)
{
    C_WString line(text);
    line += u"\r\n";
    return WriteStringW(line);
}

int C_FileStream::WriteByte(uint8_t value)
{
    return Write(&value, 1) == 1 ? 1 : 0;
}

int C_FileStream::WriteWord(uint16_t value, ByteOrder order)
{
    std::string bytes;
    putUnits(bytes, value, 2, order);
    return Write(bytes.data(), 2) == 2 ? 1 : 0;
}

int C_FileStream::WriteDword(uint32_t value, ByteOrder order)
{
    std::string bytes;
    putUnits(bytes, value, 4, order);
    return Write(bytes.data(), 4) == 4 ? 1 : 0;
}

int C_FileStream::ReadByte(uint8_t* value)
{
    unsigned char b = 0;
    if (!value || Read(&b, 1) != 1)
        return 0;
    *value = b;
    return 1;
}

int C_FileStream::ReadWord(uint16_t* value, ByteOrder order)
{
    unsigned char b[2];
    if (!value || Read(b, 2) != 2)
        return 0;
    *value = static_cast<uint16_t>(getUnits(b, 2, order));
    return 1;
}

int C_FileStream::ReadDword(uint32_t* value, ByteOrder order)
{
    unsigned char b[4];
    if (!value || Read(b, 4) != 4)
        return 0;
    *value = getUnits(b, 4, order);
    return 1;
}

void C_FileStream::SetLockWait(bool wait, int timeoutMs)
{
    m_lockWait = wait;
    m_lockTimeoutMs = timeoutMs;
}

int C_FileStream::Lock(int length)
{
    const int64_t pos = GetPos();
    return pos < 0 ? LockFailed : Lock(pos, length);
}

int C_FileStream::Lock(int64_t offset, int length)
{
    if (!IsOpen() || offset < 0 || length < 0)
        return LockFailed;
    const uint32_t start = qarvo_time_millis();
    for (;;) {
        platform::FileError error = platform::FileError::None;
        if (platform::lockRegion(m_fd, offset, length, &error)) {
            check(error, "lock");
            return Locked;
        }
        check(error, "lock");
        if (error != platform::FileError::Busy || !m_lockWait)
            return LockFailed;
        const uint32_t waited = qarvo_time_millis() - start;
        if (m_lockTimeoutMs >= 0 && waited >= static_cast<uint32_t>(m_lockTimeoutMs))
            return LockTimedOut;
        int pause = kLockRetryMs;
        if (m_lockTimeoutMs >= 0 && static_cast<uint32_t>(m_lockTimeoutMs) - waited < static_cast<uint32_t>(pause))
            pause = static_cast<int>(static_cast<uint32_t>(m_lockTimeoutMs) - waited);
        qarvo_sleep_millis(pause);
    }
}

int C_FileStream::Unlock(int length)
{
    const int64_t pos = GetPos();
    return pos < 0 ? 1 : Unlock(pos, length);
}

int C_FileStream::Unlock(int64_t offset, int length)
{
    if (!IsOpen() || offset < 0 || length < 0)
        return 1;
    platform::FileError error = platform::FileError::None;
    platform::unlockRegion(m_fd, offset, length, &error);
    return check(error, "unlock") ? 0 : 1;
}

bool C_FileStream::ReadAll(const C_WString& path, C_BinaryMemory& out)
{
    out.Clear();
    C_FileStream file;
    if (!file.Open(path, FileFlags::Binary | FileFlags::ReadOnly))
        return false;
    unsigned char block[16384];
    for (;;) {
        const int n = file.Read(block, sizeof(block));
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.Add(block, 0, n);
    }
}

}  // namespace qarvo
