#include "engine/handlers/dispatch.h"

#include "engine/handlers/other_sites.h"
#include "engine/handlers/video_handler.h"
#include "engine/service/endpoints.h"

namespace pelmora::engine {

qarvo::C_String addressHost(const qarvo::C_String& address)
{
    // Counting from index 6 finds the host of "http://host/..." but only the empty text
    // between the slashes of "https://host/...", which would send every https address of
    // another site to the service's handler. The scheme separator is therefore looked for
    // first.
    const int scheme = address.IndexOf("://");
    int start = scheme >= 0 ? scheme + 2 : address.IndexOf('/', 6);
    if (start < 0)
        return qarvo::C_String();
    ++start;
    const int end = address.IndexOf('/', start);
    return end < 0 ? address.SubString(start) : address.SubString(start, end - 1);
}

AddressKind classifyAddress(const qarvo::C_String& address)
{
    const qarvo::C_String host = addressHost(address);
    if (host.Contains("nico"))
        return AddressKind::Service;
    if (host.Contains("youtube"))
        return AddressKind::YouTube;
    if (host.Equals(endpoints::kSecondVideoSiteHost))
        return AddressKind::SecondSite;
    if (host.Equals(endpoints::kThirdVideoSiteHost))
        return AddressKind::ThirdSite;
    return AddressKind::Service;
}

Handler handlerFor(AddressKind kind)
{
    switch (kind) {
    case AddressKind::YouTube:
        return handleYouTube;
    case AddressKind::SecondSite:
        return handleGetflvSite;
    case AddressKind::ThirdSite:
        return handleEmbedSite;
    case AddressKind::Service:
        break;
    }
    return handleVideo;
}

}  // namespace pelmora::engine
