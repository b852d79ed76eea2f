#pragma once
// Which cookie is the login: for the service, its session cookie; for any other site, whatever
// cookie it has (the lookup cannot know their names).

#include "engine/cookie/stored_cookie.h"

namespace pelmora::cookie {

inline constexpr const char* kServiceLoginCookie = "user_session";

// The request goes to the service's own site (the main host's registrable domain).
bool isServiceRequest(const CookieRequest& request);

bool isLoginCookie(const StoredCookie& cookie, const CookieRequest& request);

}  // namespace pelmora::cookie
