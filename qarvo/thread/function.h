#pragma once
// Callable objects handed to threads through common::Pointer<I_Function>.

#include <functional>
#include <utility>

namespace qarvo {

class I_Function {
public:
    virtual ~I_Function() = default;
    virtual void operator()() = 0;
    void Call() { (*this)(); }
};

// Calls one member function of one object. The object must outlive every call: owners stop
// the thread that calls it before they go away.
template <class T>
class C_FunctionTypeMember : public I_Function {
public:
    using Member = void (T::*)();

    C_FunctionTypeMember(T* object, Member member) : m_object(object), m_member(member) {}
    void operator()() override
    {
        if (m_object && m_member)
            (m_object->*m_member)();
    }

private:
    T* m_object;
    Member m_member;
};

// Any callable, for code that does not have a member function at hand.
class C_FunctionObject : public I_Function {
public:
    explicit C_FunctionObject(std::function<void()> fn) : m_fn(std::move(fn)) {}
    void operator()() override
    {
        if (m_fn)
            m_fn();
    }

private:
    std::function<void()> m_fn;
};

}  // namespace qarvo
