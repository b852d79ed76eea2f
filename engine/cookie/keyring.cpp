#include "engine/cookie/keyring.h"

#include <mutex>

#include "engine/cookie/cookie_paths.h"

namespace pelmora::cookie {
namespace {

std::mutex g_hookMutex;
KeyringHook g_hook;  // guarded by g_hookMutex

bool containsNoCase(std::string text, const char* word)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text.find(word) != std::string::npos;
}

bool kdeDesktop()
{
    return containsNoCase(environment("XDG_CURRENT_DESKTOP"), "KDE") || !environment("KDE_FULL_SESSION").empty();
}

// Without a session bus nothing can answer; asking would only make GLib try to start one.
bool sessionBusReachable()
{
    if (!environment("DBUS_SESSION_BUS_ADDRESS").empty())
        return true;
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    return !runtime.empty() && !listFolder(runtime, "bus").empty();
}

}  // namespace

void setKeyringHook(KeyringHook hook)
{
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_hook = std::move(hook);
}

KeyringAnswer askKeyring(const std::string& keyringName)
{
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        if (g_hook)
            return g_hook(keyringName);
    }
    if (!sessionBusReachable())
        return {KeyringAnswer::Kind::Unavailable, std::string(), "no desktop session bus"};
    const std::string label = keyringName + " Safe Storage";
    KeyringAnswer first;
    KeyringAnswer second;
    if (kdeDesktop()) {
        first = askKWallet(keyringName + " Keys", label);
        if (first.kind == KeyringAnswer::Kind::Found)
            return first;
        second = askSecretService(label);
    } else {
        first = askSecretService(label);
        if (first.kind == KeyringAnswer::Kind::Found)
            return first;
        second = askKWallet(keyringName + " Keys", label);
    }
    if (second.kind == KeyringAnswer::Kind::Found)
        return second;
    // Say what the desktop's own keyring said.
    KeyringAnswer answer = first.kind == KeyringAnswer::Kind::NotFound || second.kind != KeyringAnswer::Kind::NotFound
                               ? first
                               : second;
    answer.detail = first.detail + "; " + second.detail;
    return answer;
}

}  // namespace pelmora::cookie
