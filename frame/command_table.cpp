// The fifteen-slot command table, the exported entry point and the small
// commands 2, 12, 13 and 15. Channel open and close are in open_channel.cpp.
#include "access/access.h"
#include "address/address.h"
#include "core/context.h"
#include "core/relaxed.h"
#include "core/reply_timeout.h"
#include "frame/commands.h"
#include "frame/frame_messages.h"
#include "frame/reentry.h"

namespace ordax {

namespace {

int Nop(PdxCall *) {
    return PDX_DONE;
}

int Unsupported(PdxCall *) {
    return PDX_LINK_ERROR;
}

// A value of 0 leaves the time-out unchanged; the engine reads it at every
// exchange, so a new value applies from the next one. The channel thread's
// master-flag reads use it too, so it is written whole. Without a block
// there is nothing to set.
int SetReplyTimeout(PdxCall *call) {
    if (call->driverContext == nullptr) return PDX_LINK_ERROR;
    const auto *args = static_cast<const TimeoutArgs *>(call->args);
    if (args == nullptr || args->timeoutCs == 0) return PDX_DONE;
    StoreRelaxed(ContextOf(call->driverContext)->replyTimeout, ReplyTimeoutFromCs(args->timeoutCs));
    return PDX_DONE;
}

// Slot n holds the routine of command code n; slot 0 is never used.
constexpr Command kCommandTable[16] = {
    nullptr,          // 0
    OpenChannel,      // 1
    Nop,              // 2
    ParseGate,        // 3
    ParseBlock,       // 4
    ReadGate,         // 5
    ReadBlock,        // 6
    WriteGate,        // 7
    nullptr,          // 8: no routine
    nullptr,          // 9: no routine
    WriteBlock,       // 10
    CloseChannel,     // 11
    Unsupported,      // 12
    Unsupported,      // 13
    DescribeDriver,   // 14
    SetReplyTimeout,  // 15
};

}  // namespace

Command CommandFor(int code) {
    if (code < 1 || code > 15) return nullptr;
    return kCommandTable[code];
}

// The gate commands share the channel's Transaction and the parser's work
// fields.
bool OneCallAtATime(int code) {
    switch (code) {
        case PDX_PARSE_GATE:
        case PDX_PARSE_BLOCK:
        case PDX_READ_GATE:
        case PDX_READ_BLOCK:
        case PDX_WRITE_GATE:
        case PDX_WRITE_BLOCK:
            return true;
        default:
            return false;
    }
}

namespace {

// Runs a gate command under the channel's call lock once command 1 has
// prepared the block, so that calls of several host threads on one channel
// are served one after the other and command 11 can wait for the one under
// way. Channels do not wait for each other.
int RunOneAtATime(Command command, PdxCall *call) {
    if (call->driverContext == nullptr) return command(call);
    DriverContext &ctx = *ContextOf(call->driverContext);
    if (!BlockPrepared(ctx)) return command(call);
    plat::LockEnter(&ctx.callLock);
    const int result = command(call);
    plat::LockLeave(&ctx.callLock);
    return result;
}

// The commands that take the channel's locks, inside a scope that marks the
// block as this thread's; a call back into the same block from a host
// service, or from the channel's own thread, is refused at once.
int RunOnChannel(Command command, PdxCall *call) {
    if (ChannelCallScope::Reenters(call->driverContext)) {
        Emit(framemsg::kCalledBackIn, call->command);
        return PDX_LINK_ERROR;
    }
    ChannelCallScope scope(call->driverContext);
    if (OneCallAtATime(call->command)) return RunOneAtATime(command, call);
    return command(call);
}

}  // namespace

}  // namespace ordax

// Codes without a routine (0, 8, 9 and anything outside 1..15) answer 2.
extern "C" int PdxMain(PdxCall *call) {
    if (call == nullptr) return PDX_LINK_ERROR;
    ordax::Command command = ordax::CommandFor(call->command);
    if (command == nullptr) return PDX_LINK_ERROR;
    if (call->driverContext != nullptr && ordax::TakesChannelLocks(call->command)) {
        return ordax::RunOnChannel(command, call);
    }
    return command(call);
}
