#include "engine/parse/text_pool.h"

#include <cstring>

namespace pelmora::engine {

const char16_t* TextPool::Store(std::u16string_view text)
{
    if (text.empty())
        return u"";
    char16_t* out = reserve(text.size() + 1);
    std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
    out[text.size()] = 0;
    return out;
}

char16_t* TextPool::reserve(size_t units)
{
    m_used += units;
    if (units > kChunkUnits / 4) {
        // A long string gets a block of its own so that it does not strand the current chunk.
        auto block = std::make_unique_for_overwrite<char16_t[]>(units);
        char16_t* out = block.get();
        m_chunks.push_back(std::move(block));
        return out;
    }
    if (m_left < units) {
        auto chunk = std::make_unique_for_overwrite<char16_t[]>(kChunkUnits);
        m_next = chunk.get();
        m_left = kChunkUnits;
        m_chunks.push_back(std::move(chunk));
    }
    char16_t* out = m_next;
    m_next += units;
    m_left -= units;
    return out;
}

void TextPool::Clear()
{
    m_chunks.clear();
    m_next = nullptr;
    m_left = 0;
    m_used = 0;
}

}  // namespace pelmora::engine
