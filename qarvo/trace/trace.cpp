#include "qarvo/trace/trace.h"

#include <cstdarg>
#include <ctime>

#include "qarvo/file/path.h"
#include "qarvo/time/clock.h"
#include "qarvo/time/time.h"

namespace qarvo {

namespace {

constexpr const char16_t* kDefaultTraceName = u"Trace.trc";
constexpr const char16_t* kLockPrefix = u"_lock_";
constexpr int kLockRetryMs = 20;
constexpr int kDumpRow = 16;
constexpr int kTraceOpenFlags = FileFlags::Binary | FileFlags::Create | FileFlags::Append | FileFlags::ReadWrite;

}  // namespace

C_Trace::C_Trace() : m_traceName(kDefaultTraceName), m_lockName(lockNameFor(m_traceName)) {}

C_Trace::~C_Trace()
{
    TraceOFF();
}

C_WString C_Trace::lockNameFor(const C_WString& traceName)
{
    const C_WString name = qarvo_GetLastName(traceName);
    const C_WString folder = traceName.SubString(0, traceName.Length() - name.Length() - 1);
    return folder + kLockPrefix + name;
}

int C_Trace::TraceON(const int& waitSeconds)
{
    C_CriticalLock lock(m_cs);
    if (m_file.IsOpen())
        return AlreadyOn;
    if (m_lockMode) {
        const uint32_t start = qarvo_time_millis();
        const uint32_t limitMs = waitSeconds < 0 ? 0 : static_cast<uint32_t>(waitSeconds) * 1000u;
        while (!qarvo_CreateDirectory(m_lockName, 0777)) {
            // Only an existing directory is worth waiting for; one that cannot be made at all
            // (no such folder, no permission) would keep us waiting forever.
            if (!qarvo_DirectoryExists(m_lockName))
                return NotOn;
            if (waitSeconds >= 0 && qarvo_time_millis() - start >= limitMs)
                return NotOn;
            qarvo_sleep_millis(kLockRetryMs);
        }
        m_holdsLock = true;
    }
    if (!m_file.Open(m_traceName, kTraceOpenFlags)) {
        releaseLock();
        return NotOn;
    }
    return TurnedOn;
}

void C_Trace::releaseLock()
{
    if (m_holdsLock) {
        qarvo_RemoveDirectory(m_lockName);
        m_holdsLock = false;
    }
}

void C_Trace::TraceOFF()
{
    C_CriticalLock lock(m_cs);
    m_file.Close();
    releaseLock();
}

bool C_Trace::IsTraceOn()
{
    C_CriticalLock lock(m_cs);
    return m_file.IsOpen();
}

void C_Trace::writeEntry(const C_WString& text)
{
    C_CriticalLock lock(m_cs);
    if (!m_file.IsOpen())
        return;
    C_Time now;
    now.CreateTime();
    std::tm t{};
    now.GetLocalTime(&t);
    C_WString entry = C_WString::Stringf(u"[%d/%02d/%02d %02d:%02d:%02d] ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                                         t.tm_hour, t.tm_min, t.tm_sec);
    entry += text;
    entry += u'\n';
    // One write per entry: with the file in append mode, entries of several writers do not
    // interleave.
    m_file.WriteStringW(entry);
}

void C_Trace::Trace(const char16_t* text)
{
    writeEntry(C_WString(text));
}

void C_Trace::Tracef(const char16_t* format, ...)
{
    if (!IsTraceOn())
        return;
    va_list args;
    va_start(args, format);
    const C_WString text = C_WString::StringfV(format, args);
    va_end(args);
    writeEntry(text);
}

void C_Trace::TraceDump(const void* data, const unsigned int& size)
{
    if (!data || size == 0 || !IsTraceOn())
        return;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const unsigned int fullRows = size / kDumpRow;
    for (unsigned int row = 0; row < fullRows; ++row) {
        C_WString line = C_WString::Stringf(u"%06d\t", static_cast<int>(row * 10));
        for (int i = 0; i < kDumpRow; ++i) {
            if (i > 0)
                line += u' ';
            line += C_WString::Stringf(u"%02X", bytes[row * kDumpRow + i]);
        }
        writeEntry(line);
    }
    const unsigned int rest = size % kDumpRow;
    if (rest == 0)
        return;
    C_WString tail;
    for (unsigned int i = 0; i < rest; ++i)
        tail += C_WString::Stringf(u"%02X ", bytes[fullRows * kDumpRow + i]);
    writeEntry(C_WString::Stringf(u"%06d\t", static_cast<int>(fullRows * 10)) + tail);
}

void C_Trace::TraceClear()
{
    C_CriticalLock lock(m_cs);
    if (m_file.IsOpen() && m_file.Seek(0, SEEK_SET) == 0)
        m_file.SetEndFile();
}

int C_Trace::SetTraceName(const C_WString& name)
{
    C_CriticalLock lock(m_cs);
    if (m_file.IsOpen() || name.IsEmpty())
        return 0;
    m_traceName = name;
    m_lockName = lockNameFor(name);
    return 1;
}

int C_Trace::SetLockName(const C_WString& name)
{
    C_CriticalLock lock(m_cs);
    if (m_file.IsOpen() || name.IsEmpty())
        return 0;
    m_lockName = name;
    return 1;
}

C_WString C_Trace::GetTraceName()
{
    C_CriticalLock lock(m_cs);
    return m_traceName;
}

C_WString C_Trace::GetLockName()
{
    C_CriticalLock lock(m_cs);
    return m_lockName;
}

void C_Trace::OnLock(int on)
{
    C_CriticalLock lock(m_cs);
    m_lockMode = on;
}

}  // namespace qarvo
