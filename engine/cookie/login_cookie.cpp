#include "engine/cookie/login_cookie.h"

#include "engine/cookie/public_suffix.h"
#include "engine/service/endpoints.h"

namespace pelmora::cookie {

bool isServiceRequest(const CookieRequest& request)
{
    static const std::string serviceSite = registrableDomain(endpoints::kMainHost);
    return registrableDomain(request.host) == serviceSite;
}

bool isLoginCookie(const StoredCookie& cookie, const CookieRequest& request)
{
    return !isServiceRequest(request) || cookie.name == kServiceLoginCookie;
}

}  // namespace pelmora::cookie
