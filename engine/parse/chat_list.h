#pragma once
// The comments of one batch, in order of arrival. Items sit in chunks that never move, each
// twice as large as the one before, so that a batch of a million comments costs a few
// allocations (large ones in huge pages) and the items can be linked in place into the chain the
// caller walks.

#include <bit>
#include <cstddef>
#include <iterator>
#include <vector>

#include "engine/parse/chat_item.h"
#include "qarvo/platform/memory_block.h"

namespace pelmora::engine {

class ChatList {
public:
    template <class Item>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ChatItem;
        using difference_type = std::ptrdiff_t;
        using pointer = Item*;
        using reference = Item&;

        Iterator() = default;
        Iterator(const ChatList* list, size_t index) : m_list(list), m_index(index) {}
        reference operator*() const { return m_list->at(m_index); }
        pointer operator->() const { return &m_list->at(m_index); }
        Iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator old = *this;
            ++m_index;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.m_index == b.m_index; }

    private:
        const ChatList* m_list = nullptr;
        size_t m_index = 0;
    };

    ChatList() = default;
    ChatList(const ChatList&) = delete;
    ChatList& operator=(const ChatList&) = delete;

    void AddTail(const ChatItem& item);
    int GetCount() const { return static_cast<int>(m_count); }
    bool IsEmpty() const { return m_count == 0; }
    ChatItem& GetHead() { return at(0); }
    ChatItem& GetTail() { return at(m_count - 1); }
    void RemoveAll();

    // Links every item to the next one (the last to null) and returns the first, or null.
    ChatEntry* Link();

    Iterator<ChatItem> begin() { return Iterator<ChatItem>(this, 0); }
    Iterator<ChatItem> end() { return Iterator<ChatItem>(this, m_count); }
    Iterator<const ChatItem> begin() const { return Iterator<const ChatItem>(this, 0); }
    Iterator<const ChatItem> end() const { return Iterator<const ChatItem>(this, m_count); }

private:
    // The first chunk's items; chunk k holds kFirstChunk << k of them and starts at item
    // kFirstChunk * (2^k - 1).
    static constexpr size_t kFirstChunk = 256;

    ChatItem& at(size_t index) const
    {
        const size_t slot = index / kFirstChunk + 1;
        const size_t chunk = static_cast<size_t>(std::bit_width(slot)) - 1;
        return items(chunk)[index - kFirstChunk * ((size_t{1} << chunk) - 1)];
    }
    ChatItem* items(size_t chunk) const { return reinterpret_cast<ChatItem*>(m_chunks[chunk].get()); }

    std::vector<qarvo::platform::MemoryBlock> m_chunks;
    size_t m_count = 0;
    size_t m_capacity = 0;
};

}  // namespace pelmora::engine
