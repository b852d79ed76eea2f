#pragma once
// A file opened by descriptor, read and written in bytes, 8-bit lines or UTF-16LE lines.
//
// Sharing: other processes are not kept from writing the file while it is open (the system
// has no such open mode). Callers that need exclusion take a region lock with Lock(); those
// locks are advisory, so they exclude every other Lock() caller (in this or another process,
// on this or another C_FileStream of the same file) but not a plain writer.

#include <cstdint>
#include <string>

#include "qarvo/platform/file.h"
#include "qarvo/text/memory.h"
#include "qarvo/text/string.h"

namespace qarvo {

// Open flags, numbered as the Windows C runtime numbers them so that flag words such as
// 0x8102 (binary, create, read and write) keep their meaning. Text and Binary make no
// difference: bytes are never translated.
namespace FileFlags {
constexpr int ReadOnly = platform::OpenFlag::ReadOnly;
constexpr int WriteOnly = platform::OpenFlag::WriteOnly;
constexpr int ReadWrite = platform::OpenFlag::ReadWrite;
constexpr int Append = platform::OpenFlag::Append;
constexpr int Create = platform::OpenFlag::Create;
constexpr int Truncate = platform::OpenFlag::Truncate;
constexpr int Exclusive = platform::OpenFlag::Exclusive;
constexpr int Text = platform::OpenFlag::Text;
constexpr int Binary = platform::OpenFlag::Binary;
}  // namespace FileFlags

enum class ByteOrder { LittleEndian, BigEndian };

struct tag_FileStat {
    int64_t size = 0;
    int64_t changeTime = 0;  // seconds since 1970
    int64_t accessTime = 0;
    int64_t writeTime = 0;
};

class C_FileStream {
public:
    // Results of Lock.
    enum LockResult { Locked = 0, LockFailed = 1, LockTimedOut = 2 };

    C_FileStream() = default;
    C_FileStream(const C_WString& path, const int& flags);
    ~C_FileStream();
    C_FileStream(const C_FileStream&) = delete;
    C_FileStream& operator=(const C_FileStream&) = delete;

    // 1 opened. 0 for an empty path, when already open (the open file is left as it is), or
    // when the system refuses (GetLastErrorText says why).
    int Open(const C_WString& path, const int& flags);
    // Releases the stream's locks; removes the file when SetDeleteOnClose was asked for.
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const C_WString& GetFileName() const { return m_path; }

    // Bytes moved; 0 at end of file (Read) and -1 on failure or when closed.
    int Read(void* buffer, const int& size);
    int Write(const void* buffer, const int& size);
    // origin: SEEK_SET, SEEK_CUR or SEEK_END. The new position, -1 on failure.
    int64_t Seek(int64_t offset, int origin);
    int64_t GetPos();
    int64_t GetSize();
    // Cuts (or extends) the file at the current position. 1 done, 0 failed.
    int SetEndFile();
    // Hands written data to the storage device. 1 done, 0 failed.
    int Flush();
    // 1 filled, 0 failed.
    int GetStat(tag_FileStat* out);

    // One line from the current position, without its line end; -1 at end of file when
    // nothing is left. A line ends at CR, LF or CR LF, and the position moves past it (a CR
    // swallows a following LF only). The wide form reads UTF-16LE code units; a last line
    // without a line end is returned whole.
    int ReadLineA(C_String* line);
    int ReadLineW(C_WString* line);
    // The text without terminator (the wide form as UTF-16LE); the bytes written, 0 for an
    // empty text, -1 on failure.
    int WriteStringA(const C_String& text);
    int WriteStringW(const C_WString& text);
    // The text and CR LF.
    int WriteLineA(const C_String& text);
    int WriteLineW(const C_WString& text);

    // 1 when every byte moved, 0 otherwise.
    int WriteByte(uint8_t value);
    int WriteWord(uint16_t value, ByteOrder order = ByteOrder::LittleEndian);
    int WriteDword(uint32_t value, ByteOrder order = ByteOrder::LittleEndian);
    int ReadByte(uint8_t* value);
    int ReadWord(uint16_t* value, ByteOrder order = ByteOrder::LittleEndian);
    int ReadDword(uint32_t* value, ByteOrder order = ByteOrder::LittleEndian);

    // With wait on, Lock retries every 50 ms until timeoutMs has passed (-1: forever).
    void SetLockWait(bool wait, int timeoutMs);
    // Locks `length` bytes from the current position (0: to the end of the file, however far
    // it grows). 0 locked; 1 refused (without wait, or when closed or the arguments are bad);
    // 2 still held by someone else when the wait ran out. The position does not move.
    int Lock(int length);
    int Lock(int64_t offset, int length);
    // 0 unlocked, 1 failed.
    int Unlock(int length);
    int Unlock(int64_t offset, int length);

    void SetDeleteOnClose(bool remove) { m_deleteOnClose = remove; }

    int GetHandle() const { return m_fd; }
    platform::FileError GetLastError() const { return m_lastError; }
    const C_String& GetLastErrorText() const { return m_lastErrorText; }

    // The whole file into `out` (replacing its content). False when it cannot be read.
    static bool ReadAll(const C_WString& path, C_BinaryMemory& out);

private:
    bool check(platform::FileError error, const char* action);
    // Reads units of `unitSize` bytes up to a line end; see ReadLineA.
    int readLine(int unitSize, std::u16string* wide, std::string* narrow);
    int writeAll(const void* data, int size);

    int m_fd = -1;
    C_WString m_path;
    std::string m_systemPath;
    bool m_lockWait = false;
    int m_lockTimeoutMs = -1;
    bool m_deleteOnClose = false;
    platform::FileError m_lastError = platform::FileError::None;
    C_String m_lastErrorText;
};

}  // namespace qarvo
