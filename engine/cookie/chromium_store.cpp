// The Chromium family: the cookies table of the profile's Cookies database.

#include "engine/cookie/cookie_database.h"
#include "engine/cookie/cookie_rules.h"
#include "engine/cookie/login_cookie.h"
#include "engine/cookie/store_readers.h"

namespace pelmora::cookie {
namespace {

// Microseconds from 1601-01-01 (Chromium's epoch) to 1970-01-01.
constexpr int64_t kEpochOffsetMicros = 11644473600ll * 1000000;

int64_t unixMicros(int64_t chromiumMicros)
{
    return chromiumMicros > kEpochOffsetMicros ? chromiumMicros - kEpochOffsetMicros : 0;
}

struct Row {
    StoredCookie cookie;
    std::string hostKey;
    std::string encrypted;
};

// Decrypts `row` with the first key that gives a value; the reason for the last failure when
// none does.
bool decryptRow(Row& row, const ChromiumKeys::Keys& keys, int version, DecryptResult& failure)
{
    failure = DecryptResult::WrongKey;
    for (const ChromiumKey& key : keys.candidates) {
        std::string value;
        const DecryptResult result = decryptChromiumValue(row.encrypted, key, row.hostKey, version, value);
        if (result == DecryptResult::Ok) {
            row.cookie.value = std::move(value);
            return true;
        }
        failure = result;
        if (result == DecryptResult::UnknownVersion)
            return false;
    }
    return false;
}

std::string loginFailureText(ValueVersion version, const ChromiumKeys::Keys& keys, DecryptResult failure)
{
    if (version == ValueVersion::V11 && keys.keyring.kind != KeyringAnswer::Kind::Found)
        return "the keyring did not answer; the login cookie could not be decrypted (" + keys.keyring.detail + ")";
    if (version == ValueVersion::V11)
        return std::string("the login cookie could not be decrypted with the keyring's secret (") +
               decryptResultText(failure) + ")";
    return std::string("the login cookie could not be decrypted (") + decryptResultText(failure) + ")";
}

}  // namespace

const ChromiumKeys::Keys& ChromiumKeys::keysFor(const BrowserInfo& browser, ValueVersion version)
{
    if (!m_v10Made) {
        m_v10.candidates.push_back(deriveChromiumKey(kFixedChromiumPassword));
        m_v10.keyring.detail = "not asked";
        m_v10Made = true;
    }
    if (version != ValueVersion::V11)
        return m_v10;
    auto it = m_v11.find(browser.keyringName);
    if (it != m_v11.end())
        return it->second;
    Keys keys;
    keys.keyring = askKeyring(browser.keyringName);
    if (keys.keyring.kind == KeyringAnswer::Kind::Found)
        keys.candidates.push_back(deriveChromiumKey(keys.keyring.secret));
    // Without a keyring the browsers fall back to the fixed password; some builds use an empty
    // one.
    keys.candidates.push_back(deriveChromiumKey(kFixedChromiumPassword));
    keys.candidates.push_back(deriveChromiumKey(""));
    return m_v11.emplace(browser.keyringName, std::move(keys)).first->second;
}

bool readChromiumStore(const BrowserProfile& profile, const CookieRequest& request, int64_t nowSeconds,
                       ChromiumKeys& keys, StoreRead& out)
{
    out = StoreRead();
    CookieDatabase db;
    if (!db.Open(profile.store, profile.browserRunning ? CookieDatabase::Holder::Browser : CookieDatabase::Holder::Nobody)) {
        out.error = db.LastError();
        return false;
    }
    int version = 0;
    bool versionRead = db.Each("SELECT value FROM meta WHERE key = 'version'", [&](const DatabaseRow& row) {
        version = static_cast<int>(row.integer(0));
    });
    if (!versionRead) {
        out.error = db.LastError();
        return false;
    }

    std::vector<Row> rows;
    const bool read = db.Each("SELECT * FROM cookies", [&](const DatabaseRow& r) {
        // A partitioned copy belongs to the site it was embedded in.
        if (!r.text(r.column("top_frame_site_key")).empty())
            return;
        Row row;
        row.hostKey = r.text(r.column("host_key"));
        setStoredHost(row.cookie, row.hostKey);
        // Only the rows the request could get are decrypted.
        if (!domainMatches(row.cookie, request.host))
            return;
        row.cookie.name = r.text(r.column("name"));
        row.cookie.value = r.text(r.column("value"));
        row.encrypted = r.blob(r.column("encrypted_value"));
        row.cookie.path = r.text(r.column("path"));
        const int secure = r.column("is_secure") >= 0 ? r.column("is_secure") : r.column("secure");
        row.cookie.secure = r.integer(secure) != 0;
        const int httpOnly = r.column("is_httponly") >= 0 ? r.column("is_httponly") : r.column("httponly");
        row.cookie.httpOnly = r.integer(httpOnly) != 0;
        const int64_t expires = r.integer(r.column("expires_utc"));
        row.cookie.expires = expires > 0 ? unixMicros(expires) / 1000000 : 0;
        row.cookie.lastAccess = unixMicros(r.integer(r.column("last_access_utc")));
        row.cookie.creation = unixMicros(r.integer(r.column("creation_utc")));
        rows.push_back(std::move(row));
    });
    if (!read) {
        out.error = db.LastError();
        return false;
    }

    std::vector<StoredCookie> cookies;
    for (Row& row : rows) {
        if (!row.encrypted.empty()) {
            const ValueVersion valueVersion = encryptedValueVersion(row.encrypted);
            const ChromiumKeys::Keys& candidates = keys.keysFor(*profile.browser, valueVersion);
            DecryptResult failure;
            if (!decryptRow(row, candidates, version, failure)) {
                // A value that cannot be decrypted is never sent; the login's failure is told.
                if (cookieApplies(row.cookie, request, nowSeconds) && isLoginCookie(row.cookie, request) &&
                    out.loginError.empty())
                    out.loginError = loginFailureText(valueVersion, candidates, failure);
                continue;
            }
        }
        cookies.push_back(std::move(row.cookie));
    }
    out.cookies = applicableCookies(cookies, request, nowSeconds);
    return true;
}

bool readProfileStore(const BrowserProfile& profile, const CookieRequest& request, int64_t nowSeconds,
                      ChromiumKeys& keys, StoreRead& out)
{
    if (profile.browser && profile.browser->family == BrowserFamily::Chromium)
        return readChromiumStore(profile, request, nowSeconds, keys, out);
    return readFirefoxStore(profile, request, nowSeconds, out);
}

}  // namespace pelmora::cookie
