#include "viewer/core/model/tag_info.h"

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/markup.h"

#include <string_view>

namespace pelmora::viewer {

namespace System = qarvo::common::System;
using qarvo::C_String;

int TagDomainIndex(const C_String& domain)
{
    if (domain == "www" || domain.StartsWith("jp"))
        return 0;
    if (domain.StartsWith("tw"))
        return 1;
    if (domain == "de")
        return 2;
    if (domain == "es")
        return 3;
    return 4;
}

namespace {

// Text between the next pair of double quotes at or after `from`.
C_String quotedAfter(const C_String& text, int from, int* end)
{
    const int open = text.IndexOf("\"", from);
    const int close = open < 0 ? -1 : text.IndexOf("\"", open + 1);
    if (close < 0) {
        *end = -1;
        return C_String();
    }
    *end = close + 1;
    return text.SubString(open + 1, close - 1);
}

// The tag elements of one block. A "<tag" whose element holds another "<" before its ">" is
// cut short by that one and is no tag: in a malformed answer many of them could share one ">",
// and reading each of them to it (and copying its text again) was quadratic in time and in
// the memory of the copies.
void parseBlock(const C_String& body, int start, int end, TagSet& set)
{
    const std::string_view all = body.view();
    for (int tag = body.IndexOf("<tag", start); tag >= 0 && tag < end; tag = body.IndexOf("<tag", tag + 1)) {
        const size_t stop = all.find_first_of("<>", static_cast<size_t>(tag) + 1);
        if (stop == std::string_view::npos || static_cast<int>(stop) >= end)
            break;
        if (all[stop] == '<')
            continue;
        const int close = static_cast<int>(stop);
        // "<tags" is not a tag element.
        if (body.CharAt(tag + 4) == 's')
            continue;
        const std::string_view element = all.substr(static_cast<size_t>(tag), static_cast<size_t>(close - tag) + 1);
        const int lt = body.IndexOf("<", close);
        if (lt < 0)
            break;
        C_String text = lt > close + 1 ? body.SubString(close + 1, lt - 1) : C_String();
        // The service escapes some ampersands twice.
        text = System::htmlspecialchars_decode(System::htmlspecialchars_decode(text, "UTF-8"), "UTF-8");
        text.Replace("&apos;", "'");
        set.texts.push_back(System::utf8_to_utf16(text));
        set.locked.push_back(element.find("lock=\"1\"") != std::string_view::npos ? 1 : 0);
    }
}

}  // namespace

bool ParseThumbInfo(const C_String& body, TagLists& lists)
{
    const int root = body.IndexOf("_thumb_response");
    if (root >= 0 && body.LastIndexOf("<", root) >= 0) {
        const int status = body.IndexOf("status", root);
        if (status >= 0) {
            int end = 0;
            C_String value = quotedAfter(body, status, &end);
            value.ToLower();
            if (value != "ok" && body.IndexOf("deleted", status) >= 0)
                return false;
        }
    }
    for (int pos = body.IndexOf("<tags"); pos >= 0;) {
        const int domainAt = body.IndexOf("domain", pos);
        if (domainAt < 0)
            break;
        int afterDomain = 0;
        const C_String domain = quotedAfter(body, domainAt, &afterDomain);
        const int blockEnd = body.IndexOf("</tags", domainAt);
        const int index = TagDomainIndex(domain);
        const int end = blockEnd < 0 ? body.Length() : blockEnd;
        if (index < kTagDomains && afterDomain > 0)
            parseBlock(body, afterDomain, end, lists[index]);
        if (blockEnd < 0)
            break;
        pos = body.IndexOf("<tags", blockEnd + 1);
    }
    return true;
}

}  // namespace pelmora::viewer
