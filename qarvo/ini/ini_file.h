#pragma once
// Settings files: one "key = value" per line, read and changed in place. C_WIniFile keeps
// UTF-16LE text (no byte-order mark), C_IniFile 8-bit text; both behave the same.
//
// Format. Lines end at CR LF, LF or CR. A line starting with "#" or a space is a comment. The
// key is the text before the first space or "="; the spaces and "=" signs after it must
// include at least one "="; the value is the rest of the line. A line whose value is empty
// ("key =") counts as if the key were absent. Keys compare exactly; the first line wins.
// Spaces and "=" signs at the start of a written value are not read back. A UTF-16 byte-order
// mark at the start of the file is kept and not taken as part of the first key.
//
// Changes. At most one change is pending: recording a write or delete first commits the one
// before. A commit rewrites the file only from the changed line on. Destruction commits;
// Close() drops the pending change.
//
// Another process may edit the file meanwhile (nothing keeps it from writing), so a commit
// finds its line again instead of trusting the position it saw when the change was recorded.

#include <cstdint>
#include <string>

#include "qarvo/file/file_stream.h"
#include "qarvo/text/string.h"
#include "qarvo/time/time.h"

namespace qarvo {

template <class Str>
class BasicIniFile {
public:
    using Char = typename Str::Char;
    using Units = std::basic_string<Char>;

    // Kinds of pending change.
    enum ChangeKind { Replace = 0, Append = 1, Delete = -1, DeleteAll = -2 };
    // Results of Lock.
    enum LockResult { Locked = 0, LockFailed = 1, LockTimedOut = 2, AlreadyLocked = 3 };

    BasicIniFile() = default;
    explicit BasicIniFile(const C_WString& path) { Open(path); }
    // Commits the pending change, unlocks and closes.
    ~BasicIniFile();
    BasicIniFile(const BasicIniFile&) = delete;
    BasicIniFile& operator=(const BasicIniFile&) = delete;

    // Opens (creating when missing) for reading and writing. A change pending on the file
    // open so far is committed to it first. 1 opened, 0 failed (error flag set).
    int Open(const C_WString& path);
    // Closes without writing the pending change, which is dropped.
    void Close();
    bool IsOpen() const { return m_file.IsOpen(); }
    const C_WString& GetIniName() const { return m_path; }
    // The file's modification time (0 when closed).
    C_Time GetLastModified();

    // The value, or empty with the error flag set when absent (or closed, or an empty key).
    // A pending change of the key is seen first.
    Str GetStr(const Str& key);
    Str GetStr(int key) { return GetStr(numberKey(key)); }
    // The value as a number (the atoi rule); -1 when absent.
    int GetInt(const Str& key);
    int GetInt(int key) { return GetInt(numberKey(key)); }
    // 1 when present.
    int IsExistStr(const Str& key);
    int IsExistStr(int key) { return IsExistStr(numberKey(key)); }

    // Records a write. 1 recorded; 0 with the error flag when closed, or when the key or the
    // value could not be read back as written: an empty key, a key holding a space, "=", CR
    // or LF or starting with "#" (or, in the UTF-16 file, with U+FEFF, which at the start of
    // the file reads as the byte-order mark), a value holding CR or LF (it would add lines).
    int SetStr(const Str& key, const Str& value);
    int SetStr(const Str& key, int value);
    int SetStr(int key, const Str& value) { return SetStr(numberKey(key), value); }
    int SetStr(int key, int value) { return SetStr(numberKey(key), value); }
    // Records the removal of the key's line. 0 with the error flag when absent.
    int DeleteStr(const Str& key);
    int DeleteStr(int key) { return DeleteStr(numberKey(key)); }
    // Records emptying the whole file.
    int DeleteAllStr();

    // 1 applied; 0 with the error flag when nothing was pending or the file could not be
    // written (the change is dropped then).
    int Commit();
    // 1 dropped; 0 with the error flag when nothing was pending.
    int RollBack();
    // True while a change is pending.
    bool IsCommit() const { return m_pending; }

    // Locks the file's current length against other Lock() callers, retrying every 50 ms
    // for at most timeoutMs (-1: forever). 0 locked, 1 refused, 2 timed out, 3 already
    // locked by this object.
    int Lock(int timeoutMs);
    // 1 unlocked; 0 with the error flag when not locked.
    int Unlock();
    bool IsLocked() const { return m_lockedLength >= 0; }

    bool IsLastError() const { return m_lastError; }
    void ClearLastError() { m_lastError = false; }
    // Empties the file and drops the pending change. 1 done, 0 failed.
    int ClearAll();

private:
    struct Line {
        size_t start = 0;       // first unit of the line
        size_t textEnd = 0;     // first unit after its text (its line end or the file end)
        size_t valueStart = 0;  // first unit of the value
    };

    static Str numberKey(int key);
    static bool isUsableKey(const Str& key);
    static bool isUsableValue(const Str& value);
    // The whole file as code units; false when it cannot be read.
    bool readUnits(Units* out);
    // The first line whose entry has this key and a value.
    static bool findEntry(const Units& units, const Units& key, Line* found);
    // Writes `units` at unit position `at` and cuts the file right after them.
    bool writeTail(size_t at, const Units& units);
    bool fail()
    {
        m_lastError = true;
        return false;
    }

    C_WString m_path;
    C_FileStream m_file;

    // The pending change.
    bool m_pending = false;
    int m_kind = Replace;
    Str m_key;
    Str m_value;
    int64_t m_position = 0;     // bytes, as seen when recorded
    int64_t m_replaced = 0;     // bytes the change replaces
    int64_t m_sizeChange = 0;   // bytes the file grows (negative: shrinks)

    bool m_lastError = false;
    int m_lockedLength = -1;
};

extern template class BasicIniFile<C_WString>;
extern template class BasicIniFile<C_String>;

// UTF-16LE settings file.
class C_WIniFile : public BasicIniFile<C_WString> {
public:
    using BasicIniFile::BasicIniFile;
};

// 8-bit settings file.
class C_IniFile : public BasicIniFile<C_String> {
public:
    using BasicIniFile::BasicIniFile;
};

}  // namespace qarvo
