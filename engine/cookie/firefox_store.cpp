// Firefox and its forks: the moz_cookies table of cookies.sqlite.

#include "engine/cookie/firefox_store.h"

#include "engine/cookie/cookie_database.h"
#include "engine/cookie/cookie_rules.h"
#include "engine/cookie/login_cookie.h"
#include "engine/cookie/store_readers.h"

namespace pelmora::cookie {
namespace {

// From this schema version on, moz_cookies.expiry counts milliseconds.
constexpr int kExpiryInMillisSchema = 16;

}  // namespace

bool readFirefoxStore(const BrowserProfile& profile, const CookieRequest& request, int64_t nowSeconds, StoreRead& out)
{
    out = StoreRead();
    CookieDatabase db;
    int schema = 0;
    if (!db.Open(profile.store, profile.browserRunning ? CookieDatabase::Holder::Browser : CookieDatabase::Holder::Nobody) ||
        !db.UserVersion(schema)) {
        out.error = db.LastError();
        return false;
    }
    std::vector<StoredCookie> rows;
    const bool read = db.Each("SELECT * FROM moz_cookies", [&](const DatabaseRow& row) {
        // Copies kept for a container tab or partitioned under another site (first-party
        // isolation, state partitioning) are not the browser's ordinary cookies.
        if (!row.text(row.column("originAttributes")).empty())
            return;
        StoredCookie cookie;
        setStoredHost(cookie, row.text(row.column("host")));
        cookie.name = row.text(row.column("name"));
        cookie.value = row.text(row.column("value"));
        cookie.path = row.text(row.column("path"));
        int64_t expiry = row.integer(row.column("expiry"));
        if (schema >= kExpiryInMillisSchema)
            expiry /= 1000;
        cookie.expires = expiry;
        cookie.secure = row.integer(row.column("isSecure")) != 0;
        cookie.httpOnly = row.integer(row.column("isHttpOnly")) != 0;
        cookie.lastAccess = row.integer(row.column("lastAccessed"));
        cookie.creation = row.integer(row.column("creationTime"));
        rows.push_back(std::move(cookie));
    });
    if (!read) {
        out.error = db.LastError();
        return false;
    }
    out.cookies = applicableCookies(rows, request, nowSeconds);
    return true;
}

bool readFirefoxCookies(const std::string& storePath, const std::string& host, int64_t nowSeconds, std::string& cookie)
{
    BrowserProfile profile;
    profile.browser = findBrowser("firefox");
    profile.name = "store";
    profile.store = storePath;
    CookieRequest request;
    request.host = lowerAscii(host);
    StoreRead read;
    if (storePath.empty() || host.empty() || !readFirefoxStore(profile, request, nowSeconds, read) || read.cookies.empty())
        return false;
    cookie = cookieHeader(read.cookies);
    return true;
}

}  // namespace pelmora::cookie
