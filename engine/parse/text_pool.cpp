#include "engine/parse/text_pool.h"

#include <cstring>
#include <new>

#include "qarvo/charcode/system_charcode.h"

namespace pelmora::engine {

namespace platform = qarvo::platform;

bool TextPool::startBlock(size_t units)
{
    platform::MemoryBlock block = platform::allocateMemoryBlock(units * sizeof(char16_t));
    if (!block)
        return false;
    Trim();
    m_next = reinterpret_cast<char16_t*>(block.get());
    m_left = units;
    m_blocks.push_back(std::move(block));
    return true;
}

bool TextPool::reserve(size_t units)
{
    if (m_left >= units)
        return true;
    size_t size = units > kBlockUnits ? units : kBlockUnits;
    if (m_expected > size)
        size = m_expected;
    m_expected = 0;
    // A string longer than the usual block gets a block of its own.
    return startBlock(size) || (size > units && startBlock(units));
}

const char16_t* TextPool::Store(std::u16string_view text)
{
    if (text.empty())
        return u"";
    if (!reserve(text.size() + 1))
        throw std::bad_alloc();
    char16_t* out = m_next;
    std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
    out[text.size()] = 0;
    m_next += text.size() + 1;
    m_left -= text.size() + 1;
    m_used += text.size() + 1;
    return out;
}

const char16_t* TextPool::StoreUtf8(std::string_view utf8)
{
    if (utf8.empty())
        return u"";
    // UTF-16 never takes more units than UTF-8 takes bytes.
    if (!reserve(utf8.size() + 1))
        throw std::bad_alloc();
    char16_t* out = m_next;
    const size_t units = qarvo::common::System::utf8_to_utf16_into(utf8.data(), utf8.size(), out);
    out[units] = 0;
    m_next += units + 1;
    m_left -= units + 1;
    m_used += units + 1;
    return out;
}

void TextPool::Expect(size_t units)
{
    if (m_left < units)
        m_expected = units;
}

void TextPool::Trim()
{
    if (m_blocks.empty())
        return;
    platform::MemoryBlock& block = m_blocks.back();
    const size_t used = static_cast<size_t>(reinterpret_cast<char*>(m_next) - block.get());
    platform::trimMemoryBlock(block, used);
    m_left = platform::memoryBlockSize(block) / sizeof(char16_t) - used / sizeof(char16_t);
}

size_t TextPool::ReservedUnits() const
{
    size_t units = 0;
    for (const platform::MemoryBlock& block : m_blocks)
        units += platform::memoryBlockSize(block) / sizeof(char16_t);
    return units;
}

void TextPool::Clear()
{
    m_blocks.clear();
    m_next = nullptr;
    m_left = 0;
    m_used = 0;
    m_expected = 0;
}

}  // namespace pelmora::engine
