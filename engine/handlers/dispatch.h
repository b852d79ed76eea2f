#pragma once
// Which handler serves an address, decided by its host.

#include "engine/handlers/handler.h"
#include "qarvo/text/string.h"

namespace pelmora::engine {

enum class AddressKind {
    Service = 0,     // the service's own hosts, and anything nobody else claims
    YouTube = 1,
    SecondSite = 2,  // endpoints::kSecondVideoSiteHost
    ThirdSite = 3,   // endpoints::kThirdVideoSiteHost
};

// The host part of an address: the text between "://" and the next "/". Without "://", the
// text between the first "/" at or after index 6 and the next "/".
qarvo::C_String addressHost(const qarvo::C_String& address);
AddressKind classifyAddress(const qarvo::C_String& address);
Handler handlerFor(AddressKind kind);

}  // namespace pelmora::engine
