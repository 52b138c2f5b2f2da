// The stations' listening sockets: opening one (normal or silent), closing it, and taking a
// connection off it. Functions named ..._Locked expect the caller to hold Impl::mutex.
#pragma once

#include <cstdint>
#include <string>

#include "tools/plcsim/state.h"

namespace plcsim {

// The epoll tag of a listener: this bit plus the station's handle.
constexpr uint64_t kListenerTag = 1ull << 63;

bool OpenListener_Locked(Simulator::Impl &impl, StationState &st, std::string &error);
void CloseListener_Locked(Simulator::Impl &impl, StationState &st);
// Accepts one waiting connection, non-blocking and with Nagle off; -1 when none waits.
int AcceptOne(int listenFd);

}  // namespace plcsim
