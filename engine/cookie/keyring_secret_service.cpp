// The Secret Service (GNOME Keyring, KeePassXC, KDE's ksecretd) through libsecret.

#include "engine/cookie/glib_runtime.h"
#include "engine/cookie/keyring.h"

namespace pelmora::cookie {
namespace {

using glib::GError;
using glib::GList;

// libsecret's flag values (secret-service.h, secret-types.h).
constexpr int kServiceOpenSession = 1 << 1;
constexpr int kServiceLoadCollections = 1 << 2;
constexpr int kSearchAll = 1 << 1;
constexpr int kSearchLoadSecrets = 1 << 3;

struct SecretLibrary {
    void* (*serviceGet)(int flags, void* cancellable, GError** error) = nullptr;
    GList* (*search)(void* service, const void* schema, void* attributes, int flags, void* cancellable,
                     GError** error) = nullptr;
    char* (*itemLabel)(void* item) = nullptr;
    void* (*itemSecret)(void* item) = nullptr;
    const char* (*valueText)(void* value) = nullptr;
    glib::UnrefFn valueUnref = nullptr;
    void* (*hashNew)(unsigned (*hash)(const void*), int (*equal)(const void*, const void*)) = nullptr;
    unsigned (*strHash)(const void*) = nullptr;
    int (*strEqual)(const void*, const void*) = nullptr;
    glib::UnrefFn hashUnref = nullptr;
    void (*listFreeFull)(GList* list, glib::UnrefFn free) = nullptr;
    glib::UnrefFn objectUnref = nullptr;
    glib::UnrefFn free = nullptr;
    glib::FreeErrorFn errorFree = nullptr;

    bool load()
    {
        // Not installed: the secret cannot be read, and that is all.
        void* lib = glib::loadForever("libsecret-1.so.0");
        if (!lib)
            return false;
        serviceGet = glib::symbol<decltype(serviceGet)>(lib, "secret_service_get_sync");
        search = glib::symbol<decltype(search)>(lib, "secret_service_search_sync");
        itemLabel = glib::symbol<decltype(itemLabel)>(lib, "secret_item_get_label");
        itemSecret = glib::symbol<decltype(itemSecret)>(lib, "secret_item_get_secret");
        valueText = glib::symbol<decltype(valueText)>(lib, "secret_value_get_text");
        valueUnref = glib::symbol<decltype(valueUnref)>(lib, "secret_value_unref");
        // GLib's own, reached through libsecret's dependencies.
        hashNew = glib::symbol<decltype(hashNew)>(lib, "g_hash_table_new");
        strHash = glib::symbol<decltype(strHash)>(lib, "g_str_hash");
        strEqual = glib::symbol<decltype(strEqual)>(lib, "g_str_equal");
        hashUnref = glib::symbol<decltype(hashUnref)>(lib, "g_hash_table_unref");
        listFreeFull = glib::symbol<decltype(listFreeFull)>(lib, "g_list_free_full");
        objectUnref = glib::symbol<decltype(objectUnref)>(lib, "g_object_unref");
        free = glib::symbol<decltype(free)>(lib, "g_free");
        errorFree = glib::symbol<decltype(errorFree)>(lib, "g_error_free");
        return serviceGet && search && itemLabel && itemSecret && valueText && valueUnref && hashNew && strHash &&
               strEqual && hashUnref && listFreeFull && objectUnref && free && errorFree;
    }
};

}  // namespace

KeyringAnswer askSecretService(const std::string& label)
{
    KeyringAnswer answer;
    SecretLibrary secret;
    if (!secret.load()) {
        answer.detail = "the Secret Service library (libsecret) is not installed";
        return answer;
    }
    GError* error = nullptr;
    void* service = secret.serviceGet(kServiceOpenSession | kServiceLoadCollections, nullptr, &error);
    if (!service) {
        answer.detail = "the Secret Service did not answer: " + glib::takeError(error, secret.errorFree);
        return answer;
    }
    // Every item, with its secret when the collection is unlocked; no unlock prompt is raised
    // from a job thread that nobody watches.
    void* attributes = secret.hashNew(secret.strHash, secret.strEqual);
    GList* items = secret.search(service, nullptr, attributes, kSearchAll | kSearchLoadSecrets, nullptr, &error);
    secret.hashUnref(attributes);
    const std::string searchError = glib::takeError(error, secret.errorFree);
    bool labelSeen = false;
    for (GList* node = items; node && answer.kind != KeyringAnswer::Kind::Found; node = node->next) {
        char* itemLabel = secret.itemLabel(node->data);
        const bool match = itemLabel && label == itemLabel;
        secret.free(itemLabel);
        if (!match)
            continue;
        labelSeen = true;
        void* value = secret.itemSecret(node->data);
        const char* text = value ? secret.valueText(value) : nullptr;
        if (text) {
            answer.kind = KeyringAnswer::Kind::Found;
            answer.secret = text;
        }
        if (value)
            secret.valueUnref(value);
    }
    if (items)
        secret.listFreeFull(items, secret.objectUnref);
    secret.objectUnref(service);
    if (answer.kind == KeyringAnswer::Kind::Found) {
        answer.detail = "the Secret Service";
    } else if (labelSeen) {
        answer.detail = "the Secret Service holds \"" + label + "\" but it is locked";
    } else if (!searchError.empty()) {
        answer.detail = "the Secret Service did not answer: " + searchError;
    } else {
        answer.kind = KeyringAnswer::Kind::NotFound;
        answer.detail = "the Secret Service holds no \"" + label + "\"";
    }
    return answer;
}

}  // namespace pelmora::cookie
