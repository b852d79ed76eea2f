#pragma once
// Byte and text buffers: C_Memory (a sized block), C_BinaryMemory (block + used length),
// C_StringMemory / C_WStringMemory (text builders).

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "qarvo/platform/memory_block.h"
#include "qarvo/text/string.h"

namespace qarvo {

class C_Memory {
public:
    C_Memory() = default;
    explicit C_Memory(int size) { CreateBuffer(size); }
    C_Memory(const C_Memory& other) { *this = other; }
    C_Memory& operator=(const C_Memory& other)
    {
        if (this != &other) {
            DeleteBuffer();
            if (other.m_size > 0 && resize(other.m_size))
                std::memcpy(m_block.get(), other.m_block.get(), other.m_size);
        }
        return *this;
    }
    C_Memory(C_Memory&&) noexcept = default;
    C_Memory& operator=(C_Memory&&) noexcept = default;

    // Discards the old block; allocates `size` zeroed bytes. 0 refused.
    int CreateBuffer(int size)
    {
        if (size <= 0)
            return 0;
        DeleteBuffer();
        if (!resize(static_cast<size_t>(size)))
            return 0;
        std::memset(m_block.get(), 0, m_size);
        return 1;
    }
    // Keeps the first min(old, size) bytes and zeroes the rest.
    int ReCreateBuffer(int size)
    {
        if (size <= 0)
            return 0;
        const size_t old = m_size;
        if (!resize(static_cast<size_t>(size)))
            return 0;
        if (m_size > old)
            std::memset(m_block.get() + old, 0, m_size - old);
        return 1;
    }
    // Copies `size` bytes to `offset`, growing the block when needed.
    int CopyBuffer(const void* source, int size, int offset = 0)
    {
        if (!source || size < 0 || offset < 0)
            return 0;
        const size_t need = static_cast<size_t>(offset) + static_cast<size_t>(size);
        if (need > m_size && !ReCreateBuffer(static_cast<int>(need)))
            return 0;
        if (size > 0)
            std::memcpy(m_block.get() + offset, source, static_cast<size_t>(size));
        return 1;
    }
    void ZeroBuffer()
    {
        if (m_size > 0)
            std::memset(m_block.get(), 0, m_size);
    }
    void DeleteBuffer()
    {
        m_block.reset();
        m_size = 0;
    }
    // Takes over `block`, whose first `size` bytes become the contents (no copy).
    void Adopt(platform::MemoryBlock block, size_t size)
    {
        m_block = std::move(block);
        m_size = m_block ? size : 0;
    }
    int GetSize() const { return static_cast<int>(m_size); }
    unsigned char* GetMemory() { return m_size == 0 ? nullptr : reinterpret_cast<unsigned char*>(m_block.get()); }
    const unsigned char* GetMemory() const
    {
        return m_size == 0 ? nullptr : reinterpret_cast<const unsigned char*>(m_block.get());
    }
    const char* GetChars() const { return reinterpret_cast<const char*>(GetMemory()); }

private:
    // A large block comes in huge pages (see platform/memory_block.h): a whole comment answer
    // passes through one of these.
    bool resize(size_t size)
    {
        if (!platform::resizeMemoryBlock(m_block, size))
            return false;
        m_size = size;
        return true;
    }

    platform::MemoryBlock m_block;
    size_t m_size = 0;
};

class C_BinaryMemory {
public:
    C_BinaryMemory() = default;
    explicit C_BinaryMemory(int capacity) { Create(capacity); }

    int Create(int capacity)
    {
        if (capacity < 0)
            return 0;
        m_block.assign(static_cast<size_t>(capacity), 0);
        m_used = 0;
        return 1;
    }
    int ReCreate(int capacity)
    {
        if (capacity < 0)
            return 0;
        m_block.resize(static_cast<size_t>(capacity), 0);
        m_used = std::min(m_used, m_block.size());
        return 1;
    }
    void Delete()
    {
        std::vector<unsigned char>().swap(m_block);
        m_used = 0;
    }
    // Appends data[offset, offset + count).
    int Add(const void* data, int offset, int count)
    {
        if (!data || offset < 0 || count <= 0)
            return count == 0 ? 1 : 0;
        reserveFor(static_cast<size_t>(count));
        std::memcpy(m_block.data() + m_used, static_cast<const unsigned char*>(data) + offset,
                    static_cast<size_t>(count));
        m_used += static_cast<size_t>(count);
        return 1;
    }
    int Add(const void* data, int count) { return Add(data, 0, count); }
    void Clear() { m_used = 0; }
    // Drops the first `count` used bytes.
    void Consume(int count)
    {
        const size_t n = std::min(m_used, static_cast<size_t>(count < 0 ? 0 : count));
        std::memmove(m_block.data(), m_block.data() + n, m_used - n);
        m_used -= n;
    }
    unsigned char* Get() { return m_block.empty() ? nullptr : m_block.data(); }
    const unsigned char* Get() const { return m_block.empty() ? nullptr : m_block.data(); }
    int Length() const { return static_cast<int>(m_used); }
    int Capacity() const { return static_cast<int>(m_block.size()); }
    // The used bytes as a NUL-terminated text.
    const char* GetStringA()
    {
        reserveFor(1);
        m_block[m_used] = 0;
        return reinterpret_cast<const char*>(m_block.data());
    }

private:
    // Grows geometrically so that appending in small pieces stays linear.
    void reserveFor(size_t count)
    {
        if (m_block.size() - m_used >= count)
            return;
        size_t want = std::max(m_used + count, m_block.size() + m_block.size() / 2);
        m_block.resize(want, 0);
    }

    std::vector<unsigned char> m_block;
    size_t m_used = 0;
};

template <class Str>
class BasicStringMemory {
public:
    using Char = typename Str::Char;

    BasicStringMemory() = default;
    explicit BasicStringMemory(int capacity) { m_text.reserve(capacity > 0 ? static_cast<size_t>(capacity) : 0); }

    BasicStringMemory& Add(const Char* text)
    {
        if (text)
            m_text.append(text);
        return *this;
    }
    BasicStringMemory& Add(const Char* text, int length)
    {
        if (text && length > 0)
            m_text.append(text, static_cast<size_t>(length));
        return *this;
    }
    BasicStringMemory& Add(const Str& text)
    {
        m_text.append(text.std());
        return *this;
    }
    BasicStringMemory& AddChar(Char c)
    {
        m_text.push_back(c);
        return *this;
    }
    BasicStringMemory& Insert(int at, const Char* text)
    {
        if (text && at >= 0 && static_cast<size_t>(at) <= m_text.size())
            m_text.insert(static_cast<size_t>(at), text);
        return *this;
    }
    BasicStringMemory& operator+=(const Char* text) { return Add(text); }
    BasicStringMemory& operator+=(const Str& text) { return Add(text); }
    BasicStringMemory& operator<<(const Char* text) { return Add(text); }
    BasicStringMemory& operator<<(const Str& text) { return Add(text); }
    BasicStringMemory& operator=(const Char* text)
    {
        m_text = text ? text : std::basic_string<Char>();
        return *this;
    }
    BasicStringMemory& operator=(const Str& text)
    {
        m_text = text.std();
        return *this;
    }
    void Clear() { m_text.clear(); }
    int Length() const { return static_cast<int>(m_text.size()); }
    const Char* GetString() const { return m_text.c_str(); }
    Str ToString() const { return Str(m_text); }
    std::basic_string<Char>& std() { return m_text; }
    const std::basic_string<Char>& std() const { return m_text; }

private:
    std::basic_string<Char> m_text;
};

class C_StringMemory : public BasicStringMemory<C_String> {
public:
    using BasicStringMemory::BasicStringMemory;
    using BasicStringMemory::operator=;
};

class C_WStringMemory : public BasicStringMemory<C_WString> {
public:
    using BasicStringMemory::BasicStringMemory;
    using BasicStringMemory::operator=;
};

}  // namespace qarvo
