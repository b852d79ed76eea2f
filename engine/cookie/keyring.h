#pragma once
// The secret a Chromium-family browser keeps in the desktop keyring to encrypt its "v11"
// cookie values: the Secret Service (through libsecret, loaded at run time so that a system
// without it still runs) and KWallet (over D-Bus, through GLib's GIO, loaded the same way),
// KWallet first where it is the desktop's.

#include <functional>
#include <string>

namespace pelmora::cookie {

struct KeyringAnswer {
    enum class Kind {
        Found,        // `secret` holds it
        NotFound,     // a keyring answered but holds no such secret
        Unavailable,  // no keyring answered (none running, library missing, locked, ...)
    };
    Kind kind = Kind::Unavailable;
    std::string secret;
    std::string detail;  // which keyring, or why none answered
};

// The secret "<name> Safe Storage" (name: "Chrome", "Chromium", ...).
KeyringAnswer askKeyring(const std::string& keyringName);

// Tests hand the secret in here instead of a real keyring; an empty hook restores the
// desktop's keyrings.
using KeyringHook = std::function<KeyringAnswer(const std::string& keyringName)>;
void setKeyringHook(KeyringHook hook);

// The two keyrings on their own (keyring_secret_service.cpp, keyring_kwallet.cpp).
KeyringAnswer askSecretService(const std::string& label);
KeyringAnswer askKWallet(const std::string& folder, const std::string& entry);

}  // namespace pelmora::cookie
