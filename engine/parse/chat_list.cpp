#include "engine/parse/chat_list.h"

namespace pelmora::engine {

void ChatList::AddTail(const ChatItem& item)
{
    if (m_count == m_chunks.size() * kChunkItems)
        m_chunks.push_back(std::make_unique_for_overwrite<ChatItem[]>(kChunkItems));
    at(m_count) = item;
    ++m_count;
}

void ChatList::RemoveAll()
{
    m_chunks.clear();
    m_count = 0;
}

ChatEntry* ChatList::Link()
{
    if (m_count == 0)
        return nullptr;
    ChatEntry* previous = nullptr;
    for (ChatItem& item : *this) {
        if (previous)
            previous->next = &item;
        previous = &item;
    }
    previous->next = nullptr;
    return &GetHead();
}

}  // namespace pelmora::engine
