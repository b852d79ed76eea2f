#include "viewer/core/model/ng_filter.h"

#include <re2/re2.h>
#include <re2/set.h>

#include <deque>
#include <unordered_map>

#include "qarvo/charcode/system_charcode.h"

namespace pelmora::viewer {

namespace System = qarvo::common::System;

namespace {

constexpr std::string_view kUserPrefix = "user:";
constexpr std::string_view kWordPrefix = "word:";
constexpr std::string_view kRegexPrefix = "regex:";
// Memory the compiled patterns may take; a list beyond it is refused with a message.
constexpr int64_t kPatternMemory = 256ll << 20;

char16_t foldAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

std::u16string wide(std::string_view utf8)
{
    return System::utf8_to_utf16(qarvo::C_String(std::string(utf8))).std();
}

}  // namespace

// Every word at once (Aho-Corasick over UTF-16 code units, ASCII letters folded): one pass
// over a comment whatever the number of words.
class NgFilter::WordMatcher {
public:
    WordMatcher() : m_fail(1, 0), m_terminal(1, false) {}

    void add(const std::u16string& word)
    {
        int node = 0;
        for (char16_t c : word) {
            const uint64_t key = edge(node, foldAscii(c));
            auto it = m_next.find(key);
            if (it == m_next.end()) {
                it = m_next.emplace(key, static_cast<int>(m_fail.size())).first;
                m_fail.push_back(0);
                m_terminal.push_back(false);
                m_children.resize(m_fail.size());
                m_children[static_cast<size_t>(node)].push_back({foldAscii(c), it->second});
            }
            node = it->second;
        }
        m_terminal[static_cast<size_t>(node)] = true;
    }

    // Failure links, breadth first; a node is terminal when a word ends in it or in the
    // longest suffix it falls back to.
    void build()
    {
        m_children.resize(m_fail.size());
        std::deque<int> pending;
        for (const auto& [c, child] : m_children[0])
            pending.push_back(child);
        while (!pending.empty()) {
            const int node = pending.front();
            pending.pop_front();
            for (const auto& [c, child] : m_children[static_cast<size_t>(node)]) {
                int fallback = m_fail[static_cast<size_t>(node)];
                int target = step(fallback, c);
                while (target < 0 && fallback != 0) {
                    fallback = m_fail[static_cast<size_t>(fallback)];
                    target = step(fallback, c);
                }
                m_fail[static_cast<size_t>(child)] = target < 0 || target == child ? 0 : target;
                if (m_terminal[static_cast<size_t>(m_fail[static_cast<size_t>(child)])])
                    m_terminal[static_cast<size_t>(child)] = true;
                pending.push_back(child);
            }
        }
        m_children.clear();
        m_children.shrink_to_fit();
    }

    bool empty() const { return m_fail.size() == 1; }

    bool found(const qarvo::C_WString& text) const
    {
        int node = 0;
        for (int i = 0; i < text.Length(); ++i) {
            const char16_t c = foldAscii(text.c_str()[i]);
            int next = step(node, c);
            while (next < 0 && node != 0) {
                node = m_fail[static_cast<size_t>(node)];
                next = step(node, c);
            }
            node = next < 0 ? 0 : next;
            if (m_terminal[static_cast<size_t>(node)])
                return true;
        }
        return false;
    }

private:
    static uint64_t edge(int node, char16_t c) { return static_cast<uint64_t>(node) << 16 | c; }
    int step(int node, char16_t c) const
    {
        const auto it = m_next.find(edge(node, c));
        return it == m_next.end() ? -1 : it->second;
    }

    std::unordered_map<uint64_t, int> m_next;
    std::vector<int> m_fail;
    std::vector<bool> m_terminal;
    std::vector<std::vector<std::pair<char16_t, int>>> m_children;  // only while building
};

// Every pattern at once through RE2's set matcher; each pattern is also kept on its own for
// the rare text on which the set's automaton runs out of memory.
class NgFilter::PatternSet {
public:
    PatternSet() : m_set(options(), RE2::UNANCHORED) {}

    // false with `error` when the pattern does not compile.
    bool add(const std::string& pattern, std::string* error)
    {
        auto single = std::make_unique<RE2>(pattern, options());
        if (!single->ok()) {
            *error = single->error();
            return false;
        }
        if (m_set.Add(pattern, error) < 0)
            return false;
        m_singles.push_back(std::move(single));
        return true;
    }

    bool compile() { return m_singles.empty() || (m_compiled = m_set.Compile()); }
    bool empty() const { return m_singles.empty(); }

    bool found(const std::string& utf8) const
    {
        if (m_compiled) {
            RE2::Set::ErrorInfo info;
            std::vector<int> matched;
            if (m_set.Match(utf8, &matched, &info))
                return true;
            if (info.kind == RE2::Set::kNoError || info.kind == RE2::Set::kNotCompiled)
                return false;
        }
        for (const auto& single : m_singles)
            if (RE2::PartialMatch(utf8, *single))
                return true;
        return false;
    }

private:
    static RE2::Options options()
    {
        RE2::Options o;
        o.set_log_errors(false);
        o.set_max_mem(kPatternMemory);
        return o;
    }

    RE2::Set m_set;
    bool m_compiled = false;
    std::vector<std::unique_ptr<RE2>> m_singles;
};

NgFilter::NgFilter() : m_words(std::make_unique<WordMatcher>()), m_patterns(std::make_unique<PatternSet>()) {}
NgFilter::~NgFilter() = default;

std::shared_ptr<const NgFilter> NgFilter::FromText(std::string_view utf8, std::vector<std::string>* errors)
{
    auto filter = std::make_shared<NgFilter>();
    auto report = [errors](int line, const std::string& what) {
        if (errors)
            errors->push_back(std::to_string(line) + " 行目: " + what);
    };
    if (utf8.starts_with("\xEF\xBB\xBF"))
        utf8.remove_prefix(3);
    int number = 0;
    size_t at = 0;
    while (at < utf8.size()) {
        const size_t end = std::min(utf8.find('\n', at), utf8.size());
        std::string_view line = utf8.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#' || line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        if (line.starts_with(kUserPrefix) && line.size() > kUserPrefix.size()) {
            filter->m_users.insert(wide(line.substr(kUserPrefix.size())));
        } else if (line.starts_with(kWordPrefix) && line.size() > kWordPrefix.size()) {
            filter->m_words->add(wide(line.substr(kWordPrefix.size())));
        } else if (line.starts_with(kRegexPrefix) && line.size() > kRegexPrefix.size()) {
            std::string error;
            if (!filter->m_patterns->add(std::string(line.substr(kRegexPrefix.size())), &error)) {
                report(number, "正規表現が不正です (" + error + ")");
                continue;
            }
        } else {
            report(number, "user: word: regex: のどれでもありません");
            continue;
        }
        ++filter->m_ruleCount;
    }
    filter->m_words->build();
    if (!filter->m_patterns->compile()) {
        report(number, "正規表現が多すぎます");
        filter->m_patterns = std::make_unique<PatternSet>();
    }
    return filter;
}

bool NgFilter::Empty() const
{
    return m_users.empty() && m_words->empty() && m_patterns->empty();
}

bool NgFilter::Matches(const qarvo::C_WString& userId, const qarvo::C_WString& text) const
{
    if (!m_users.empty() && m_users.count(userId.std()))
        return true;
    if (!m_words->empty() && m_words->found(text))
        return true;
    return !m_patterns->empty() && m_patterns->found(System::utf16_to_utf8(text).std());
}

std::string NgUserRule(const qarvo::C_WString& userId)
{
    return std::string(kUserPrefix) + System::utf16_to_utf8(userId).std();
}

}  // namespace pelmora::viewer
