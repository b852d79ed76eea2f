#include "engine/cookie/firefox_profiles.h"

#include <cstdlib>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/file_stream.h"
#include "qarvo/file/path.h"

namespace pelmora::cookie {
namespace {

namespace System = qarvo::common::System;

constexpr long long kMaxIniBytes = 1024 * 1024;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

struct ProfileSection {
    std::string path;
    bool relative = true;
    bool isDefault = false;
};

qarvo::C_WString wide(const std::string& utf8)
{
    return System::utf8_to_utf16(qarvo::C_String(utf8));
}

}  // namespace

std::vector<std::string> firefoxProfileRoots()
{
    std::vector<std::string> roots;
    const std::string home = environment("HOME");
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty())
        config = home + "/.config";
    if (!config.empty())
        roots.push_back(config + "/mozilla/firefox");
    if (!home.empty()) {
        roots.push_back(home + "/.mozilla/firefox");
        roots.push_back(home + "/.var/app/org.mozilla.firefox/.mozilla/firefox");
        roots.push_back(home + "/snap/firefox/common/.mozilla/firefox");
    }
    return roots;
}

std::string defaultProfileFolder(std::string_view ini, const std::string& root)
{
    std::vector<ProfileSection> profiles;
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
                profiles.emplace_back();
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
            ProfileSection& profile = profiles.back();
            if (key == "Path")
                profile.path = std::string(value);
            else if (key == "IsRelative")
                profile.relative = value == "1";
            else if (key == "Default")
                profile.isDefault = value == "1";
        } else if (section == Section::Install && key == "Default" && installDefault.empty()) {
            installDefault = std::string(value);
        }
    }

    const ProfileSection* chosen = nullptr;
    for (const ProfileSection& p : profiles)
        if (p.isDefault && !p.path.empty()) {
            chosen = &p;
            break;
        }
    if (!chosen && !installDefault.empty())
        return installDefault.front() == '/' ? installDefault : root + "/" + installDefault;
    if (!chosen)
        for (const ProfileSection& p : profiles)
            if (!p.path.empty()) {
                chosen = &p;
                break;
            }
    if (!chosen)
        return std::string();
    return chosen->relative ? root + "/" + chosen->path : chosen->path;
}

std::string findFirefoxCookieStore()
{
    for (const std::string& root : firefoxProfileRoots()) {
        qarvo::C_BinaryMemory ini;
        if (!qarvo::C_FileStream::ReadAll(wide(root + "/profiles.ini"), ini) || ini.Length() > kMaxIniBytes ||
            ini.Length() == 0)
            continue;
        const std::string folder =
            defaultProfileFolder(std::string_view(reinterpret_cast<const char*>(ini.Get()), static_cast<size_t>(ini.Length())), root);
        if (folder.empty())
            continue;
        const std::string store = folder + "/cookies.sqlite";
        if (qarvo::qarvo_FileExists(wide(store)))
            return store;
    }
    return std::string();
}

}  // namespace pelmora::cookie
