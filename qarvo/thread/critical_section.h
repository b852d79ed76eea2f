#pragma once
// The library's lock: a recursive mutex that also knows its owner and how often the owner has
// entered it, so that code can assert it holds the lock it needs.

#include <atomic>
#include <mutex>

namespace qarvo {

class I_CriticalSection {
public:
    virtual ~I_CriticalSection() = default;
    virtual void Enter() = 0;
    virtual void Leave() = 0;
};

class C_CriticalSection : public I_CriticalSection {
public:
    // Owner id while nobody holds the lock.
    static constexpr unsigned long kNoOwner = ~0ul;

    C_CriticalSection() = default;
    C_CriticalSection(const C_CriticalSection&) = delete;
    C_CriticalSection& operator=(const C_CriticalSection&) = delete;

    void Enter() override;
    // True when the lock was free or already ours (then it counts as one more Enter).
    bool TryEnter();
    // Leaving a lock this thread does not hold is ignored rather than undefined.
    void Leave() override;
    bool IsLockedByCurrentThread() const;
    // How many times the owner has entered (0 when free). Meaningful to the owner; others see
    // a momentary value.
    int GetEnterCount() const { return m_count.load(std::memory_order_relaxed); }
    unsigned long GetOwnerThreadId() const { return m_owner.load(std::memory_order_relaxed); }

private:
    std::recursive_mutex m_mutex;
    std::atomic<unsigned long> m_owner{kNoOwner};
    std::atomic<int> m_count{0};
};

// Same interface, no locking: for objects that one thread owns.
class C_CriticalDummy : public I_CriticalSection {
public:
    void Enter() override {}
    void Leave() override {}
};

// Enters on construction and leaves on destruction; Unlock/Lock release and retake the lock
// inside the scope.
class C_CriticalLock {
public:
    explicit C_CriticalLock(I_CriticalSection& cs) : m_cs(cs) { Lock(); }
    ~C_CriticalLock() { Unlock(); }
    C_CriticalLock(const C_CriticalLock&) = delete;
    C_CriticalLock& operator=(const C_CriticalLock&) = delete;

    void Lock()
    {
        if (!m_held) {
            m_cs.Enter();
            m_held = true;
        }
    }
    void Unlock()
    {
        if (m_held) {
            m_held = false;
            m_cs.Leave();
        }
    }
    bool IsLocked() const { return m_held; }

private:
    I_CriticalSection& m_cs;
    bool m_held = false;
};

}  // namespace qarvo
