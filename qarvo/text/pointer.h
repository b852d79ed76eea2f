#pragma once
// Pointer<T>: the library's shared owning pointer. Objects handed between threads (jobs, pages,
// comments, queued messages, sockets) are held through it. The count is std::shared_ptr's, so
// copies made on different threads are safe; the object itself still needs its own lock.

#include <memory>
#include <utility>

namespace qarvo::common {

template <class T>
class Pointer {
public:
    Pointer() = default;
    Pointer(std::nullptr_t) {}
    // Takes ownership of an object made with new.
    explicit Pointer(T* object) : m_ptr(object) {}
    Pointer(std::shared_ptr<T> ptr) : m_ptr(std::move(ptr)) {}
    template <class U>
    Pointer(const Pointer<U>& other) : m_ptr(other.shared())
    {
    }

    T* operator->() const { return m_ptr.get(); }
    T& operator*() const { return *m_ptr; }
    T* get() const { return m_ptr.get(); }
    bool IsNull() const { return !m_ptr; }
    explicit operator bool() const { return static_cast<bool>(m_ptr); }
    void Reset() { m_ptr.reset(); }
    long UseCount() const { return m_ptr.use_count(); }
    const std::shared_ptr<T>& shared() const { return m_ptr; }

    friend bool operator==(const Pointer& a, const Pointer& b) { return a.m_ptr == b.m_ptr; }
    friend bool operator!=(const Pointer& a, const Pointer& b) { return a.m_ptr != b.m_ptr; }
    friend bool operator==(const Pointer& a, std::nullptr_t) { return !a.m_ptr; }

private:
    std::shared_ptr<T> m_ptr;
};

template <class T, class... Args>
Pointer<T> MakePointer(Args&&... args)
{
    return Pointer<T>(std::make_shared<T>(std::forward<Args>(args)...));
}

}  // namespace qarvo::common
