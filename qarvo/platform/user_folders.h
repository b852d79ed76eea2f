#pragma once
// The user's own folders as the desktop's base-directory rules name them. A variable that is
// unset, empty or not an absolute path counts as absent, as the rules ask (a relative value
// would name a different folder in every working folder). Paths are UTF-8.

#include <string>

namespace qarvo::platform {

// $HOME, else the account's home from the user database; empty when neither gives one.
std::string userHomeFolder();
// $XDG_CONFIG_HOME, else HOME/.config; empty without a home.
std::string userConfigFolder();
// $XDG_DATA_HOME, else HOME/.local/share; empty without a home.
std::string userDataFolder();
// $XDG_RUNTIME_DIR when it names a folder; empty otherwise (there is no default).
std::string userRuntimeFolder();

}  // namespace qarvo::platform
