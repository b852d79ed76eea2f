#pragma once
// Name resolution bounded by an exchange's deadline and ended at once by an abort. The system
// resolver cannot be interrupted and may take its own time-out (tens of seconds) for a name
// nobody answers, so the lookup runs on a helper thread; a caller that stops waiting abandons
// it. The helper owns what it uses and ends by itself when the lookup returns; its answer is
// then dropped. Dotted addresses are read at once, without a helper.
//
// (An asynchronous resolver would not do better: glibc's getaddrinfo_a also runs the lookup on
// threads of its own and cannot cancel one under way, and a resolver library would be one more
// dependency for the one call the library makes.)

#include <cstdint>
#include <functional>

#include "qarvo/net/deadline.h"

namespace qarvo::net {

enum class ResolveResult { Found, NotFound, TimedOut, Aborted };

// How often a waiting caller looks at the deadline and the abort test.
inline constexpr int kResolvePollMs = 10;

// The lookup itself: true with the IPv4 address (host order) when the name is known.
using HostLookup = std::function<bool(const char* name, uint32_t* address)>;

// Resolves `name` with `lookup` (the system's when empty) within `deadline`, polling `isAbort`.
ResolveResult resolveHost(const char* name, const Deadline& deadline, const std::function<bool()>& isAbort,
                          uint32_t* address, const HostLookup& lookup = HostLookup());

}  // namespace qarvo::net
