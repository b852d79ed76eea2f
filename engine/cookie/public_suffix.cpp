#include "engine/cookie/public_suffix.h"

#include <libpsl.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace pelmora::cookie {
namespace {

struct PslFree {
    void operator()(psl_ctx_t* context) const { psl_free(context); }
};

// The list installed with the system (kept up to date by its package) when it loads, else the
// copy built into libpsl.
const psl_ctx_t* suffixList()
{
    static const std::unique_ptr<psl_ctx_t, PslFree> latest(psl_latest(nullptr));
    return latest ? latest.get() : psl_builtin();
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!out.empty() && out.back() == '.')
        out.pop_back();
    return out;
}

}  // namespace

bool isIpAddress(std::string_view host)
{
    if (host.empty())
        return false;
    if (host.front() == '[' || host.find(':') != std::string_view::npos)
        return true;
    return std::all_of(host.begin(), host.end(),
                       [](char c) { return c == '.' || std::isdigit(static_cast<unsigned char>(c)); });
}

std::string registrableDomain(std::string_view host)
{
    const std::string h = lowered(host);
    if (h.empty() || isIpAddress(h))
        return h;
    const psl_ctx_t* list = suffixList();
    const char* domain = list ? psl_registrable_domain(list, h.c_str()) : nullptr;
    return domain ? std::string(domain) : h;
}

bool isPublicSuffix(std::string_view host)
{
    const std::string h = lowered(host);
    if (h.empty() || isIpAddress(h))
        return false;
    const psl_ctx_t* list = suffixList();
    return list && psl_is_public_suffix(list, h.c_str()) != 0;
}

}  // namespace pelmora::cookie
