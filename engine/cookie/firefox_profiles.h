#pragma once
// Where Firefox keeps the cookies of the user's default profile on this system.

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cookie {

// The folders Firefox may keep its profiles.ini in, in the order they are tried: the
// XDG configuration folder, the classic folder, and the Flatpak and Snap packages' folders.
std::vector<std::string> firefoxProfileRoots();

// The default profile's folder named by the profiles.ini text of `root`: the [Profile*]
// section with Default=1 (else the one an [Install*] section names, else the first), its Path
// relative to `root` when IsRelative=1. Empty when the text names no profile.
std::string defaultProfileFolder(std::string_view profilesIni, const std::string& root);

// The cookies.sqlite path of the first root whose default profile has one; empty when none.
std::string findFirefoxCookieStore();

}  // namespace pelmora::cookie
