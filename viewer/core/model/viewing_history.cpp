#include "viewer/core/model/viewing_history.h"

#include <climits>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/markup.h"

namespace pelmora::viewer {

namespace System = qarvo::common::System;
using qarvo::C_String;
using qarvo::C_WString;

namespace {

// --- the markup of the history page ---
constexpr const char* kHeadingOpen = "<h1";
constexpr const char* kHeadingClose = "/h1>";
constexpr const char16_t* kErrorHeading = u"エラー";
constexpr const char* kTableOpen = "<table";
constexpr const char* kEntryLink = "<a href";
constexpr const char* kClearLink = "history?c=clear";
constexpr const char16_t* kWideEntryLink = u"<a href";
constexpr const char16_t* kTableClose = u"</table>";
constexpr const char16_t* kImage = u"<img ";
constexpr const char16_t* kImageSource = u"src=\"";
constexpr const char16_t* kSpan = u"<span";
constexpr const char16_t* kParagraph = u"<p";
constexpr const char16_t* kParagraphClose = u"</p";
constexpr const char16_t* kStrong = u"<str";
constexpr const char16_t* kAnchor = u"<a ";
// Links that lead off the list (the page's own anchors and commands).
constexpr const char16_t* kLocalLink = u"#";
constexpr const char16_t* kCommandLink = u"history";

// A cursor over the region of entries; every step moves forward or fails, and a failure
// ends the parse.
class Cursor {
public:
    explicit Cursor(const C_WString& text) : m_text(text) {}

    int position() const { return m_pos; }
    bool failed() const { return m_pos < 0; }

    // Moves just past the next `marker`.
    bool skipPast(const char16_t* marker)
    {
        if (failed())
            return false;
        const int at = m_text.IndexOf(marker, m_pos);
        m_pos = at < 0 ? -1 : at + C_WString(marker).Length();
        return !failed();
    }
    // Moves to the next `marker` (not past it).
    bool moveTo(const char16_t* marker)
    {
        if (failed())
            return false;
        m_pos = m_text.IndexOf(marker, m_pos);
        return !failed();
    }
    // The text up to the next `end` (not included); the cursor stays on `end`.
    bool textUpTo(char16_t end, C_WString* out)
    {
        if (failed())
            return false;
        const int at = m_text.IndexOf(static_cast<int>(end), m_pos);
        if (at < 0) {
            m_pos = -1;
            return false;
        }
        *out = m_text.SubString(m_pos, at - 1);
        m_pos = at;
        return true;
    }
    bool textUpTo(const char16_t* end, C_WString* out)
    {
        if (failed())
            return false;
        const int at = m_text.IndexOf(end, m_pos);
        if (at < 0) {
            m_pos = -1;
            return false;
        }
        *out = m_text.SubString(m_pos, at - 1);
        m_pos = at;
        return true;
    }
    // The text between the next ">" (outside quotes) and the "<" after it.
    bool elementText(C_WString* out)
    {
        if (failed())
            return false;
        const int close = m_text.IndexOfSkipQuote(u">", m_pos);
        m_pos = close < 0 ? -1 : close + 1;
        return textUpTo(u'<', out);
    }
    // The next quoted value.
    bool quoted(C_WString* out)
    {
        if (failed())
            return false;
        const int open = m_text.IndexOf(static_cast<int>(u'"'), m_pos);
        m_pos = open < 0 ? -1 : open + 1;
        if (!textUpTo(u'"', out))
            return false;
        ++m_pos;
        return true;
    }

private:
    const C_WString& m_text;
    int m_pos = 0;
};

// The number of the next "<str" element: its tag and text, whose digits outside quotes count.
bool strongNumber(Cursor& cursor, const C_WString& text, int* value)
{
    if (!cursor.moveTo(kStrong))
        return false;
    const int start = cursor.position();
    C_WString inner;
    if (!cursor.elementText(&inner))
        return false;
    if (!FirstNumberOutsideQuotes(text.SubString(start, cursor.position() - 1), value))
        *value = 0;
    return true;
}

C_WString absoluteLink(const C_WString& link, const C_WString& siteRoot)
{
    if (link.StartsWith(u"http://") || link.StartsWith(u"https://"))
        return link;
    // A path without its leading slash is still a path on the site.
    return link.StartsWith(u"/") ? siteRoot + link : siteRoot + u"/" + link;
}

// One entry from the cursor on; false when a marker is missing or the list ends.
bool parseEntry(Cursor& c, const C_WString& region, const C_WString& siteRoot, NICO_RANKING_DATA& e,
                C_WString& thumbnail)
{
    C_WString link;
    if (!c.quoted(&link) || link.StartsWith(kLocalLink) || link.StartsWith(kCommandLink))
        return false;
    e.link = absoluteLink(link, siteRoot);
    if (!c.skipPast(kImage) || !c.skipPast(kImageSource) || !c.textUpTo(u'"', &thumbnail))
        return false;
    if (!c.skipPast(kSpan) || !c.elementText(&e.spanText))
        return false;
    if (!c.skipPast(kParagraph) || !c.moveTo(kStrong) || !c.elementText(&e.firstStrong))
        return false;
    if (!c.moveTo(kStrong) || !c.elementText(&e.secondStrong))
        return false;
    C_WString rest;
    if (!c.textUpTo(kParagraphClose, &rest))
        return false;
    int earlier = 0;
    // The page counts the views before this one.
    e.viewCount = FirstNumberOutsideQuotes(rest, &earlier) && earlier < INT_MAX ? earlier + 1 : 1;
    C_WString title;
    if (!c.moveTo(kAnchor) || !c.elementText(&title))
        return false;
    e.anchorText = System::_htmlspecialchars_decode(title);
    return strongNumber(c, region, &e.playCount) && strongNumber(c, region, &e.commentCount) &&
           strongNumber(c, region, &e.extraCount);
}

}  // namespace

C_WString SiteRoot(const C_WString& address)
{
    const int slash = address.IndexOf(u"/", 8);
    return slash < 0 ? address : address.Left(slash);
}

bool FirstNumberOutsideQuotes(const C_WString& text, int* value)
{
    const int n = text.Length();
    const char16_t* s = text.c_str();
    auto digit = [&](int i) { return i < n && s[i] >= u'0' && s[i] <= u'9'; };
    bool quoted = false;
    for (int i = 0; i < n; ++i) {
        if (s[i] == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted || !digit(i))
            continue;
        long long v = 0;
        while (i < n) {
            if (digit(i)) {
                v = v * 10 + (s[i] - u'0');
                if (v > INT_MAX)
                    v = INT_MAX;
                ++i;
            } else if (s[i] == u',' && digit(i + 1) && digit(i + 2) && digit(i + 3) && !digit(i + 4)) {
                ++i;
            } else {
                break;
            }
        }
        *value = static_cast<int>(v);
        return true;
    }
    return false;
}

bool ParseViewingHistory(const C_String& page, const C_WString& siteRoot, const std::atomic<int>* closing,
                         ViewingHistory& history)
{
    const int headingOpen = page.IndexOf(kHeadingOpen);
    const int headingClose = headingOpen < 0 ? -1 : page.IndexOf(kHeadingClose, headingOpen);
    if (headingClose < 0)
        return false;
    // The service shows its errors (not logged in, too many requests) as a page of their own.
    if (System::utf8_to_utf16(page.SubString(headingOpen, headingClose - 1)).Contains(kErrorHeading))
        return false;
    const int table = page.IndexOf(kTableOpen, headingClose);
    const int first = table < 0 ? -1 : page.IndexOf(kEntryLink, table);
    const int clear = first < 0 ? -1 : page.IndexOf(kClearLink, first);
    if (clear < 0)
        return false;
    const C_WString region = System::utf8_to_utf16(page.SubString(first, clear - 1));

    Cursor cursor(region);
    int taken = 0;
    while (taken < kMaxHistoryEntries) {
        if (closing && closing->load())
            return true;
        auto entry = qarvo::common::MakePointer<NICO_RANKING_DATA>();
        C_WString thumbnail;
        if (!parseEntry(cursor, region, siteRoot, *entry, thumbnail))
            return true;
        // Only an entry followed by another link is complete; the last link of the region
        // belongs to the page's own commands.
        if (!cursor.moveTo(kWideEntryLink))
            return true;
        history.entries.push_back(entry);
        history.thumbnails.push_back(System::utf16_to_utf8(thumbnail));
        ++taken;
        if (region.IndexOf(kTableClose, cursor.position()) < 0)
            return true;
    }
    return true;
}

}  // namespace pelmora::viewer
