#include "engine/cookie/firefox_profiles.h"

namespace pelmora::cookie {
namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

struct ProfileSection {
    std::string name;
    std::string path;
    bool relative = true;
    bool isDefault = false;
};

std::string absolute(const std::string& path, bool relative, const std::string& root)
{
    return relative && !path.starts_with("/") ? root + "/" + path : path;
}

}  // namespace

std::vector<FirefoxProfileEntry> firefoxProfilesOf(std::string_view ini, const std::string& root)
{
    std::vector<ProfileSection> sections;
    std::string installDefault;
    enum class Section { Other, Profile, Install } section = Section::Other;
    size_t start = 0;
    while (start < ini.size()) {
        size_t end = ini.find('\n', start);
        if (end == std::string_view::npos)
            end = ini.size();
        const std::string_view line = trimmed(ini.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.starts_with("[Profile")) {
                section = Section::Profile;
                sections.emplace_back();
            } else {
                section = line.starts_with("[Install") ? Section::Install : Section::Other;
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, eq));
        const std::string_view value = trimmed(line.substr(eq + 1));
        if (section == Section::Profile) {
            ProfileSection& profile = sections.back();
            if (key == "Path")
                profile.path = std::string(value);
            else if (key == "Name")
                profile.name = std::string(value);
            else if (key == "IsRelative")
                profile.relative = value == "1";
            else if (key == "Default")
                profile.isDefault = value == "1";
        } else if (section == Section::Install && key == "Default" && installDefault.empty()) {
            installDefault = std::string(value);
        }
    }

    std::vector<FirefoxProfileEntry> profiles;
    for (const ProfileSection& s : sections)
        if (!s.path.empty())
            profiles.push_back({s.name, absolute(s.path, s.relative, root), s.isDefault});
    bool anyDefault = false;
    for (const FirefoxProfileEntry& p : profiles)
        anyDefault = anyDefault || p.isDefault;
    if (!anyDefault && !installDefault.empty()) {
        const std::string folder = absolute(installDefault, true, root);
        for (FirefoxProfileEntry& p : profiles)
            if (p.folder == folder)
                p.isDefault = anyDefault = true;
        if (!anyDefault) {
            profiles.insert(profiles.begin(), {installDefault, folder, true});
            anyDefault = true;
        }
    }
    if (!anyDefault && !profiles.empty())
        profiles.front().isDefault = true;
    // Only one default: the first marked.
    bool seen = false;
    for (FirefoxProfileEntry& p : profiles) {
        p.isDefault = p.isDefault && !seen;
        seen = seen || p.isDefault;
    }
    return profiles;
}

std::string defaultProfileFolder(std::string_view ini, const std::string& root)
{
    for (const FirefoxProfileEntry& profile : firefoxProfilesOf(ini, root))
        if (profile.isDefault)
            return profile.folder;
    return std::string();
}

}  // namespace pelmora::cookie
