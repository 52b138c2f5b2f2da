// Commands 12, 13 and 15: the unsupported pair and the reply time-out.
#include "frame/commands.h"
#include "frame/context.h"
#include "frame/reply_timeout.h"

namespace ordax {

int Unsupported(PdxCall *) { return PDX_LINK_ERROR; }

// A value of 0 leaves the time-out unchanged; the engine reads it at every
// exchange, so a new value applies from the next one.
int SetReplyTimeout(PdxCall *call) {
    const auto *args = static_cast<const TimeoutArgs *>(call->args);
    if (args == nullptr || args->timeoutCs == 0) return PDX_DONE;
    ContextOf(call->driverContext)->replyTimeout = ReplyTimeoutFromCs(args->timeoutCs);
    return PDX_DONE;
}

}  // namespace ordax
