// The steps of a connection attempt that a single attempt (OpenStation) and
// a batch of attempts (ConnectBatch) share. Each logs its own failure.
#pragma once

#include <cstdint>

#include "platform/socket.h"

namespace ordax {

constexpr std::uint16_t kPlcPort = 2222;

// Keep-alive, non-blocking mode and a local bind to 0.0.0.0:0 on a new
// socket. false = failed (logged).
bool PrepareSocket(plat::Socket s, const char *address);

// Remote IPv4 address in network order. A text with a dot is converted as a
// dotted address and never looked up by name; an empty text is refused
// without a lookup. false = unknown host (logged).
bool ResolveAddress(const char *address, std::uint32_t *addr);

// True for the connect errors that mean "still under way".
bool IsPendingConnect(int code);

}  // namespace ordax
