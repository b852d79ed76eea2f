#pragma once
// List<T> (used first in, first out by the worker queue) and Array<T> (a growable array).
// Neither is thread-safe: the structure that holds one guards it.

#include <deque>
#include <vector>

namespace qarvo::common {

template <class T>
class List {
public:
    void AddTail(const T& item) { m_items.push_back(item); }
    void AddHead(const T& item) { m_items.push_front(item); }
    // Removes the head into `out`; false when empty.
    bool RemoveHead(T* out)
    {
        if (m_items.empty())
            return false;
        if (out)
            *out = std::move(m_items.front());
        m_items.pop_front();
        return true;
    }
    T& GetHead() { return m_items.front(); }
    T& GetTail() { return m_items.back(); }
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    void RemoveAll() { m_items.clear(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    template <class Pred>
    int RemoveIf(Pred pred)
    {
        const size_t before = m_items.size();
        std::erase_if(m_items, pred);
        return static_cast<int>(before - m_items.size());
    }

private:
    std::deque<T> m_items;
};

template <class T>
class Array {
public:
    int Add(const T& item)
    {
        m_items.push_back(item);
        return GetCount() - 1;
    }
    T& operator[](int i) { return m_items.at(static_cast<size_t>(i)); }
    const T& operator[](int i) const { return m_items.at(static_cast<size_t>(i)); }
    int GetCount() const { return static_cast<int>(m_items.size()); }
    void SetCount(int n) { m_items.resize(n > 0 ? static_cast<size_t>(n) : 0); }
    bool Remove(int i)
    {
        if (i < 0 || i >= GetCount())
            return false;
        m_items.erase(m_items.begin() + i);
        return true;
    }
    void RemoveAll() { m_items.clear(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<T> m_items;
};

}  // namespace qarvo::common
