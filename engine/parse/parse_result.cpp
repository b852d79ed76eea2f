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

    m_result.chats = context.chats.Link();
    if (!m_result.chats)
        return &m_result;

    m_threadInfo = std::make_unique<ThreadInfo>();
    m_threadInfo->viewCounter = context.viewCounter;
    m_threadInfo->lastRes = context.lastRes;
    m_threadInfo->resultCode = context.resultCode;
    m_threadInfo->serverTime = context.serverTime;
    m_threadInfo->thread = reinterpret_cast<const pelmora_wchar*>(context.thread.c_str());
    m_threadInfo->ticket = reinterpret_cast<const pelmora_wchar*>(context.ticket.c_str());
    m_result.threadInfo = m_threadInfo.get();
    return &m_result;
}

void ResultRecord::Free()
{
    m_threadInfo.reset();
    m_result = ParseResult{};
}

}  // namespace pelmora::engine
