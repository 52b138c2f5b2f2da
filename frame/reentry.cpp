// The calls of the driver under way on this thread, innermost first, as a
// chain of scopes on the thread's own stack.
#include "frame/reentry.h"

#include "ordax.h"
#include "platform/thread.h"

namespace ordax {

namespace {

thread_local const ChannelCallScope *tInnermost = nullptr;

}  // namespace

bool TakesChannelLocks(int code) {
    switch (code) {
        case PDX_OPEN_CHANNEL:
        case PDX_PARSE_GATE:
        case PDX_PARSE_BLOCK:
        case PDX_READ_GATE:
        case PDX_READ_BLOCK:
        case PDX_WRITE_GATE:
        case PDX_WRITE_BLOCK:
        case PDX_CLOSE_CHANNEL:
            return true;
        default:
            return false;
    }
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
