#include "engine/parse/chat_list.h"

#include <new>
#include <type_traits>

namespace pelmora::engine {

// Items are copied in with plain assignment into raw storage.
static_assert(std::is_trivially_copyable_v<ChatItem> && std::is_trivially_destructible_v<ChatItem>);

void ChatList::AddTail(const ChatItem& item)
{
    if (m_count == m_capacity) {
        const size_t size = kFirstChunk << m_chunks.size();
        qarvo::platform::MemoryBlock chunk = qarvo::platform::allocateMemoryBlock(size * sizeof(ChatItem));
        if (!chunk)
            throw std::bad_alloc();
        m_chunks.push_back(std::move(chunk));
        m_capacity += size;
    }
    ChatItem* slot = &at(m_count);
    new (slot) ChatItem(item);
    ++m_count;
}

void ChatList::RemoveAll()
{
    m_chunks.clear();
    m_count = 0;
    m_capacity = 0;
}

ChatEntry* ChatList::Link()
{
    if (m_count == 0)
        return nullptr;
    // Chunk by chunk: the items of one chunk follow each other in memory.
    ChatEntry* previous = nullptr;
    size_t left = m_count;
    for (size_t chunk = 0; left > 0; ++chunk) {
        ChatItem* items = this->items(chunk);
        const size_t n = left < (kFirstChunk << chunk) ? left : (kFirstChunk << chunk);
        for (size_t i = 0; i < n; ++i) {
            if (previous)
                previous->next = &items[i];
            previous = &items[i];
        }
        left -= n;
    }
    previous->next = nullptr;
    return &GetHead();
}

}  // namespace pelmora::engine
