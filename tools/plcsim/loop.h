// The event loop: connections, timed output. Functions named ..._Locked expect the
// caller to hold Impl::mutex.
#pragma once

#include <string>

#include "tools/plcsim/state.h"

namespace plcsim {

void CloseConn_Locked(Simulator::Impl &impl, uint64_t id);
void CloseAllConns_Locked(Simulator::Impl &impl, int station);  // station < 0: all
void RunLoop(Simulator::Impl &impl);
void WakeLoop(Simulator::Impl &impl);

}  // namespace plcsim
