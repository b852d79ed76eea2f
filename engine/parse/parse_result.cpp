#include "engine/parse/parse_result.h"

namespace pelmora::engine {

const ParseResult* ResultRecord::Build(ParseContext& context)
{
    Free();
    m_result.title = context.title.IsEmpty() ? nullptr : context.title.c_str();
    m_result.videoUrl = context.videoUrl.c_str();
    m_result.extension = reinterpret_cast<const pelmora_wchar*>(context.extension.c_str());
    m_result.cookie = context.cookie.c_str();
    m_result.userInfo = context.userInfo.c_str();
    m_result.finalUrl = context.finalUrl.c_str();
    m_result.cacheKey = context.cacheKey.c_str();
    m_result.extra1 = context.extra1.c_str();
    m_result.extra2 = context.extra2.c_str();
    m_result.auxBlockData = context.auxBlock.Get();
    m_result.rawXmlData = context.rawXml.Get();
    m_result.auxBlockSize = context.auxBlock.Length();
    m_result.rawXmlSize = context.rawXml.Length();
    m_result.stateText = context.stateText.c_str();

    m_result.chats = context.chats.Link();
    if (!m_result.chats)
        return &m_result;

    auto entry = [&context](const qarvo::C_WString& thread, int32_t lastRes, int32_t commentCount) {
        ThreadInfo info{};
        info.viewCounter = context.viewCounter;
        info.lastRes = lastRes;
        info.resultCode = context.resultCode;
        info.commentCount = commentCount;
        info.serverTime = context.serverTime;
        info.thread = reinterpret_cast<const pelmora_wchar*>(thread.c_str());
        info.ticket = reinterpret_cast<const pelmora_wchar*>(context.ticket.c_str());
        return info;
    };
    if (context.threadEntries.empty()) {
        m_threadInfo.push_back(entry(context.thread, context.lastRes, context.commentCount));
    } else {
        for (const ParseContext::ThreadEntry& e : context.threadEntries)
            m_threadInfo.push_back(entry(e.thread, e.lastRes, e.commentCount));
    }
    // Linked only now: the vector no longer moves.
    for (size_t i = 0; i + 1 < m_threadInfo.size(); ++i)
        m_threadInfo[i].next = &m_threadInfo[i + 1];
    m_result.threadInfo = m_threadInfo.data();
    return &m_result;
}

void ResultRecord::Free()
{
    m_threadInfo.clear();
    m_result = ParseResult{};
}

}  // namespace pelmora::engine
