#pragma once
// A trace log: time-stamped lines and hexadecimal dumps appended to a UTF-16LE file (no
// byte-order mark, each entry ends in a single LF). In lock mode a lock directory next to the
// trace file lets several processes take turns: it exists exactly while one of them traces.

#include "qarvo/file/file_stream.h"
#include "qarvo/text/string.h"
#include "qarvo/thread/critical_section.h"

namespace qarvo {

class C_Trace {
public:
    // Results of TraceON.
    enum OnResult { NotOn = 0, TurnedOn = 1, AlreadyOn = 2 };

    C_Trace();
    // Turns tracing off (and releases the lock directory).
    ~C_Trace();
    C_Trace(const C_Trace&) = delete;
    C_Trace& operator=(const C_Trace&) = delete;

    // 1 tracing is on; 2 it was on already; 0 it is not: the lock directory stayed taken for
    // waitSeconds (-1: wait without limit), the lock directory cannot be made at all, or the
    // trace file cannot be opened.
    int TraceON(const int& waitSeconds);
    void TraceOFF();
    bool IsTraceOn();

    // One entry "[Y/MM/DD hh:mm:ss] text" in local time; ignored while off.
    void Trace(const char16_t* text);
    void Tracef(const char16_t* format, ...);
    // One entry per 16 bytes: "%06d\t" (the row index times 10) and the bytes as "%02X"
    // separated by spaces; a last partial row has every byte followed by a space.
    void TraceDump(const void* data, const unsigned int& size);
    // Empties the trace file (while on).
    void TraceClear();

    // Only while off: 1 accepted, 0 refused. SetTraceName also resets the lock name to
    // "_lock_" + the file's name, in the same folder.
    int SetTraceName(const C_WString& name);
    int SetLockName(const C_WString& name);
    C_WString GetTraceName();
    C_WString GetLockName();
    // Lock mode takes effect at the next TraceON.
    void OnLock(int on);
    bool IsLockMode() const { return m_lockMode != 0; }

private:
    static C_WString lockNameFor(const C_WString& traceName);
    void writeEntry(const C_WString& text);
    void releaseLock();

    C_CriticalSection m_cs;  // one writer at a time; guards everything below
    C_WString m_traceName;
    C_WString m_lockName;
    int m_lockMode = 0;
    bool m_holdsLock = false;  // this object made the lock directory
    C_FileStream m_file;
};

}  // namespace qarvo
