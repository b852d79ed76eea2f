#pragma once
// The NG list: comments the user does not want to see flow. Rules, one a line of the UTF-8
// file list/ng.txt:
//   user:ID        every comment of that user id
//   word:TEXT      comments containing TEXT (ASCII letters in any case)
//   regex:PATTERN  comments matching PATTERN (RE2 syntax: linear time whatever the pattern)
// Blank lines and lines starting with "#" are ignored. A line that is no rule, or a pattern
// that does not compile, is reported and left out; the other rules still apply.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

class NgFilter {
public:
    NgFilter();
    ~NgFilter();
    NgFilter(const NgFilter&) = delete;
    NgFilter& operator=(const NgFilter&) = delete;

    // `errors` receives one line per rule left out ("3 行目: ..."). Never fails as a whole.
    static std::shared_ptr<const NgFilter> FromText(std::string_view utf8, std::vector<std::string>* errors);

    bool Matches(const qarvo::C_WString& userId, const qarvo::C_WString& text) const;
    bool Empty() const;
    size_t RuleCount() const { return m_ruleCount; }

private:
    class WordMatcher;
    class PatternSet;

    std::unordered_set<std::u16string> m_users;
    std::unique_ptr<WordMatcher> m_words;
    std::unique_ptr<PatternSet> m_patterns;
    size_t m_ruleCount = 0;
};

// The rule line that marks a user.
std::string NgUserRule(const qarvo::C_WString& userId);

// Larger files are not read (a list of ten thousand rules is a few hundred kB).
inline constexpr size_t kMaxNgListBytes = 16 * 1024 * 1024;

}  // namespace pelmora::viewer
