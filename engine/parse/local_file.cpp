#include "engine/parse/local_file.h"

#include <climits>
#include <string>
#include <string_view>

#include "engine/parse/chat_parser.h"
#include "engine/pelmora2.h"
#include "qarvo/file/file_stream.h"
#include "qarvo/platform/memory_block.h"

namespace pelmora::engine {
namespace {

// The comment records count in int.
constexpr int64_t kMaxFileBytes = INT_MAX - 1;

struct FileBytes {
    qarvo::platform::MemoryBlock block;
    size_t size = 0;
};

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads the whole file into one block of its exact size: growing a buffer while reading would
// hold the old and the new block at once, and a 150 MB answer is decoded in one go. The block is
// not zeroed first (a large one comes in huge pages): the read is its first touch.
bool readWholeFile(const qarvo::C_WString& path, FileBytes& out)
{
    qarvo::C_FileStream file;
    if (!file.Open(path, qarvo::FileFlags::Binary | qarvo::FileFlags::ReadOnly))
        return false;
    const int64_t size = file.GetSize();
    if (size < 0 || size > kMaxFileBytes)
        return false;
    out.block = qarvo::platform::allocateMemoryBlock(static_cast<size_t>(size));
    if (!out.block)
        return false;
    size_t used = 0;
    while (used < static_cast<size_t>(size)) {
        const int n = file.Read(out.block.get() + used, static_cast<int>(static_cast<size_t>(size) - used));
        if (n < 0)
            return false;
        if (n == 0)
            break;  // the file shrank while we read it: keep what is there
        used += static_cast<size_t>(n);
    }
    out.size = used;
    return true;
}

}  // namespace

bool looksLikeCommentXml(const char* data, size_t size)
{
    std::string_view text(data, size);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty() && isXmlSpace(text.front()))
        text.remove_prefix(1);
    for (const char* head : {"<?xml", "<packet", "<thread", "<chat"}) {
        if (!text.starts_with(head))
            continue;
        // A name must end there: "<threads>" or "<chatroom>" is some other document.
        const std::string_view rest = text.substr(std::char_traits<char>::length(head));
        if (head[1] == '?' || rest.empty() || isXmlSpace(rest.front()) || rest.front() == '>' || rest.front() == '/')
            return true;
    }
    return false;
}

int decodeCommentBytes(const char* data, size_t size, ParseContext& context)
{
    if (!looksLikeCommentXml(data, size))
        return PELMORA_RESULT_NOT_USABLE;
    if (size > static_cast<size_t>(kMaxFileBytes))
        return PELMORA_RESULT_NOT_USABLE;
    parseChats(context, std::string_view(data, size), kNoRunningNumbers);
    return PELMORA_RESULT_SUCCESS;
}

int decodeCommentFile(const qarvo::C_WString& path, ParseContext& context)
{
    FileBytes bytes;
    if (!readWholeFile(path, bytes))
        return PELMORA_RESULT_FILE_UNREADABLE;
    return decodeCommentBytes(bytes.block.get(), bytes.size, context);
}

}  // namespace pelmora::engine
