// KWallet over D-Bus (kwalletd6, else kwalletd5), through GLib's GIO.

#include "engine/cookie/glib_runtime.h"
#include "engine/cookie/keyring.h"

namespace pelmora::cookie {
namespace {

using glib::GError;

constexpr int kSessionBus = 2;     // G_BUS_TYPE_SESSION
constexpr int kCallTimeoutMs = 10000;
constexpr const char* kAppId = "PelmoraVista";
constexpr const char* kInterface = "org.kde.KWallet";

struct GioLibrary {
    void* (*busGet)(int type, void* cancellable, GError** error) = nullptr;
    void* (*call)(void* connection, const char* name, const char* path, const char* interface, const char* method,
                  void* parameters, const void* replyType, int flags, int timeoutMs, void* cancellable,
                  GError** error) = nullptr;
    void* (*variantNew)(const char* format, ...) = nullptr;
    void (*variantGet)(void* variant, const char* format, ...) = nullptr;
    glib::UnrefFn variantUnref = nullptr;
    glib::UnrefFn objectUnref = nullptr;
    glib::FreeErrorFn errorFree = nullptr;

    bool load()
    {
        void* lib = glib::loadForever("libgio-2.0.so.0");
        if (!lib)
            return false;
        busGet = glib::symbol<decltype(busGet)>(lib, "g_bus_get_sync");
        call = glib::symbol<decltype(call)>(lib, "g_dbus_connection_call_sync");
        variantNew = glib::symbol<decltype(variantNew)>(lib, "g_variant_new");
        variantGet = glib::symbol<decltype(variantGet)>(lib, "g_variant_get");
        variantUnref = glib::symbol<decltype(variantUnref)>(lib, "g_variant_unref");
        objectUnref = glib::symbol<decltype(objectUnref)>(lib, "g_object_unref");
        errorFree = glib::symbol<decltype(errorFree)>(lib, "g_error_free");
        return busGet && call && variantNew && variantGet && variantUnref && objectUnref && errorFree;
    }
};

// One wallet daemon's D-Bus names.
struct Daemon {
    const char* name;
    const char* path;
};
constexpr Daemon kDaemons[] = {{"org.kde.kwalletd6", "/modules/kwalletd6"}, {"org.kde.kwalletd5", "/modules/kwalletd5"}};

class WalletCall {
public:
    WalletCall(GioLibrary& gio, void* connection, const Daemon& daemon) : m_gio(gio), m_connection(connection), m_daemon(daemon) {}

    // The reply, or null with `error` set; the caller unrefs it.
    void* call(const char* method, void* parameters, std::string& error)
    {
        GError* gerror = nullptr;
        void* reply = m_gio.call(m_connection, m_daemon.name, m_daemon.path, kInterface, method, parameters, nullptr, 0,
                                 kCallTimeoutMs, nullptr, &gerror);
        if (!reply)
            error = std::string(method) + ": " + glib::takeError(gerror, m_gio.errorFree);
        return reply;
    }

private:
    GioLibrary& m_gio;
    void* m_connection;
    const Daemon& m_daemon;
};

KeyringAnswer askDaemon(GioLibrary& gio, void* connection, const Daemon& daemon, const std::string& folder,
                        const std::string& entry)
{
    KeyringAnswer answer;
    WalletCall wallet(gio, connection, daemon);
    std::string error;
    void* reply = wallet.call("networkWallet", nullptr, error);
    if (!reply) {
        answer.detail = "KWallet did not answer (" + error + ")";
        return answer;
    }
    const char* walletName = nullptr;
    gio.variantGet(reply, "(&s)", &walletName);
    const std::string name = walletName ? walletName : "kdewallet";
    gio.variantUnref(reply);

    reply = wallet.call("open", gio.variantNew("(sxs)", name.c_str(), static_cast<int64_t>(0), kAppId), error);
    if (!reply) {
        answer.detail = "KWallet did not open the wallet (" + error + ")";
        return answer;
    }
    int handle = -1;
    gio.variantGet(reply, "(i)", &handle);
    gio.variantUnref(reply);
    if (handle < 0) {
        answer.detail = "KWallet did not open the wallet \"" + name + "\"";
        return answer;
    }
    reply = wallet.call("readPassword",
                        gio.variantNew("(isss)", handle, folder.c_str(), entry.c_str(), kAppId), error);
    if (reply) {
        const char* secret = nullptr;
        gio.variantGet(reply, "(&s)", &secret);
        if (secret && *secret) {
            answer.kind = KeyringAnswer::Kind::Found;
            answer.secret = secret;
            answer.detail = "KWallet";
        } else {
            answer.kind = KeyringAnswer::Kind::NotFound;
            answer.detail = "KWallet holds no \"" + entry + "\" in \"" + folder + "\"";
        }
        gio.variantUnref(reply);
    } else {
        answer.detail = "KWallet did not answer (" + error + ")";
    }
    if (void* closed = wallet.call("close", gio.variantNew("(ibs)", handle, 0, kAppId), error))
        gio.variantUnref(closed);
    return answer;
}

}  // namespace

KeyringAnswer askKWallet(const std::string& folder, const std::string& entry)
{
    KeyringAnswer answer;
    GioLibrary gio;
    if (!gio.load()) {
        answer.detail = "GLib's GIO library is not installed, so KWallet cannot be asked";
        return answer;
    }
    GError* error = nullptr;
    void* connection = gio.busGet(kSessionBus, nullptr, &error);
    if (!connection) {
        answer.detail = "no session bus for KWallet: " + glib::takeError(error, gio.errorFree);
        return answer;
    }
    for (const Daemon& daemon : kDaemons) {
        answer = askDaemon(gio, connection, daemon, folder, entry);
        if (answer.kind != KeyringAnswer::Kind::Unavailable)
            break;
    }
    gio.objectUnref(connection);
    return answer;
}

}  // namespace pelmora::cookie
