#pragma once
// The profiles a Firefox-family browser lists in its profiles.ini.

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cookie {

struct FirefoxProfileEntry {
    std::string name;    // Name=
    std::string folder;  // Path=, made absolute when IsRelative=1
    bool isDefault = false;
};

// Every [Profile*] section of the profiles.ini text of `root` with a Path, in file order. The
// default one is the section with Default=1, else the one an [Install*] section names, else
// the first.
std::vector<FirefoxProfileEntry> firefoxProfilesOf(std::string_view profilesIni, const std::string& root);

// The default profile's folder; empty when the text names no profile.
std::string defaultProfileFolder(std::string_view profilesIni, const std::string& root);

}  // namespace pelmora::cookie
