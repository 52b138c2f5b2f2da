// The calls of the driver under way on this thread, innermost first, as a
// chain of scopes on the thread's own stack.
#include "frame/reentry.h"

#include "frame/commands.h"
#include "ordax.h"
#include "platform/thread.h"

namespace ordax {

namespace {

thread_local const ChannelCallScope *tInnermost = nullptr;

}  // namespace

// The gate commands, and the open and close, which take the station locks
// and join or start the channel thread.
bool TakesChannelLocks(int code) {
    return code == PDX_OPEN_CHANNEL || code == PDX_CLOSE_CHANNEL || OneCallAtATime(code);
}

ChannelCallScope::ChannelCallScope(const void *block) : block_(block), outer_(tInnermost) {
    tInnermost = this;
}

ChannelCallScope::~ChannelCallScope() {
    tInnermost = outer_;
}

bool ChannelCallScope::Reenters(const void *block) {
    if (plat::ThreadArgument() == block) return true;
    for (const ChannelCallScope *scope = tInnermost; scope != nullptr; scope = scope->outer_) {
        if (scope->block_ == block) return true;
    }
    return false;
}

}  // namespace ordax
