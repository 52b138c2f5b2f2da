// The steps of a connection attempt that the batch of attempts
// (ConnectBatch) takes one by one. Each logs its own failure.
#pragma once

#include <cstdint>

#include "platform/socket.h"

namespace ordax {

constexpr std::uint16_t kPlcPort = 2222;

// Keep-alive, non-blocking mode and a local bind to 0.0.0.0:0 on a new
// socket. false = failed (logged).
bool PrepareSocket(plat::Socket s, const char *address);

// How an address text becomes a remote IPv4 address.
enum class AddressForm {
    kDotted,     // inet_addr took it: *addr holds it
    kHostName,   // to be looked up by name (LookUpHost)
    kNoAddress,  // empty, or the broadcast address: never connected to
};

// Sorts the text without any lookup. A text inet_addr accepts is a dotted
// address, whatever else it looks like; anything else with a name in it is
// a host name, dots or not ("plc7.line2.plant"). "255.255.255.255" (what
// inet_addr also answers for every text it refuses) is never a station.
AddressForm ParseAddress(const char *address, std::uint32_t *addr);

// The name lookup of a host name. false = not found, or found as the
// broadcast address (logged "Invalid host name").
bool LookUpHost(const char *address, std::uint32_t *addr);

// True for the connect errors that mean "still under way".
bool IsPendingConnect(int code);

}  // namespace ordax
