#pragma once
// Reading the cookies that apply to one request out of a browser profile's store: Firefox's
// moz_cookies and the Chromium family's cookies table (with its values decrypted).

#include <map>
#include <string>
#include <vector>

#include "engine/cookie/browser_profiles.h"
#include "engine/cookie/chromium_crypto.h"
#include "engine/cookie/keyring.h"
#include "engine/cookie/stored_cookie.h"

namespace pelmora::cookie {

struct StoreRead {
    std::vector<StoredCookie> cookies;  // those that apply, in sending order
    // Why the store could not be read at all (empty when it was).
    std::string error;
    // Why the login cookie the store holds for the request could not be used (empty when it
    // could, or when there is none).
    std::string loginError;
};

// The keys the Chromium-family values of one lookup are tried with; each browser's keyring is
// asked at most once, and only when a "v11" value needs it.
class ChromiumKeys {
public:
    struct Keys {
        KeyringAnswer keyring;
        std::vector<ChromiumKey> candidates;  // in the order they are tried
    };
    // The keys for a value of `version` of `browser`.
    const Keys& keysFor(const BrowserInfo& browser, ValueVersion version);

private:
    std::map<std::string, Keys> m_v11;  // by keyring name
    Keys m_v10;
    bool m_v10Made = false;
};

bool readFirefoxStore(const BrowserProfile& profile, const CookieRequest& request, int64_t nowSeconds, StoreRead& out);
bool readChromiumStore(const BrowserProfile& profile, const CookieRequest& request, int64_t nowSeconds,
                       ChromiumKeys& keys, StoreRead& out);
// The reader of the profile's browser family.
bool readProfileStore(const BrowserProfile& profile, const CookieRequest& request, int64_t nowSeconds,
                      ChromiumKeys& keys, StoreRead& out);

}  // namespace pelmora::cookie
