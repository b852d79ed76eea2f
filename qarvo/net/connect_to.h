#pragma once
// Connection redirection: "HOST1:PORT1:HOST2:PORT2" rules, several joined by ",", make a
// connection to HOST1:PORT1 go to HOST2:PORT2 instead while the request keeps naming HOST1.
// Tests and the demo use it to put the simulated service in place of the real one.
//
// HOST1 matches without regard to case; an empty HOST1 or PORT1 matches any; an empty HOST2
// or PORT2 keeps the original. The first matching rule wins. Malformed rules are skipped.

#include "qarvo/text/string.h"

namespace qarvo::net {

// The environment variable. It is read once, at the first connect, under a lock: connects run
// on worker threads, and reading the environment while another thread changes it is a data
// race. A program (a test) that changes it later says so with reloadConnectTo().
inline constexpr const char* kConnectToVariable = "PELMORA_CONNECT_TO";

// Applies `rules` to *host / *port; true when a rule matched (and changed nothing or both).
bool applyConnectTo(const char* rules, C_String* host, int* port);
// The same with the rules of the environment variable, as last read.
bool applyConnectToFromEnvironment(C_String* host, int* port);
// Reads the variable again. Call it from the thread that changed the environment, after the
// change.
void reloadConnectTo();

}  // namespace qarvo::net
