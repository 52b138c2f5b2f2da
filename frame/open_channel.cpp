// Commands 1 and 11: open a channel from its node file and close it again.
#include <cstring>

#include "address/address.h"
#include "channel/channel.h"
#include "core/context.h"
#include "core/host.h"
#include "core/relaxed.h"
#include "core/reply_timeout.h"
#include "diag/trace.h"
#include "frame/client_names.h"
#include "frame/commands.h"
#include "frame/frame_messages.h"
#include "nodefile/node_file.h"

namespace ordax {

namespace {

// Clears the whole host block and sets what a closed channel starts from:
// no connections, no flags, the default timers.
DriverContext &PrepareBlock(void *block) {
    std::memset(block, 0, kContextSize);
    DriverContext &ctx = *ContextOf(block);
    for (StationEntry &st : ctx.stations) st.socket = plat::kNoSocket;
    ctx.channelOpen = 0;
    ctx.threadAlive = 0;
    ctx.runFlag = 0;
    ctx.timers = kDefaultTimers;
    ctx.preparedMark = PreparedMarkOf(block);
    return ctx;
}

// Takes the client name "Ordax%02d" of the channel and registers the driver
// with the host under it. false = failed (logged). The name is the
// library's one copy of that text (frame/client_names.h): a block opened
// again gets the same pointer back, and the host may keep it.
bool RegisterClient(DriverContext &ctx, int channel) {
    char *name = ClientNameFor(channel);
    if (name == nullptr) {
        Emit(framemsg::kNoClientNameMemory);
        return false;
    }
    ctx.clientName = name;
    const short rc = Tam5MkClient(name, 1, 0, &ctx.clientId);
    if (rc != 0) {
        Emit(framemsg::kMakeClientFailed, rc);
        return false;
    }
    return true;
}

// The close of a block that command 1 prepared. From the moment channelOpen
// is clear, every exchange ends "not open" before it touches a station, and
// the close event ends an engine's pause after a time-out; a gate command
// still under way is then waited for (the channel's call lock) before the
// thread is stopped and anything is deleted; the string definitions go
// while that lock is held. One close at a time. The trace goes last: the
// thread's closes are its last lines.
void CloseChannelBlock(DriverContext &ctx) {
    plat::LockEnter(&ctx.stopLock);
    StoreRelaxed(ctx.channelOpen, 0);
    plat::EventSet(&ctx.closeEvent);
    plat::LockEnter(&ctx.callLock);
    ReleaseStringDefinitions(ctx);
    plat::LockLeave(&ctx.callLock);
    StopChannel(ctx);
    CloseTrace(ctx.trace);
    ctx.trace = nullptr;
    plat::LockLeave(&ctx.stopLock);
}

}  // namespace

// Command 1. The steps run in a fixed order; the first failure ends the
// command with 2 and leaves what is done in place. With openNow 0 the
// channel is only prepared: no thread, every exchange ends "not open".
// A block that command 1 prepared before is closed first, so that a
// running channel's thread, connections and locks are not lost under the
// clear, and its string definitions are freed; its client name is the same
// text again and comes back as the same pointer. Without an argument record
// nothing is done. A channel that starts
// traces its frames when ORDAX_TRACE names a file (diag/trace.h); a trace
// that cannot be opened costs a message, never the channel.
int OpenChannel(PdxCall *call) {
    Emit(framemsg::kVersion, __DATE__, __TIME__);
    if (call->driverContext == nullptr || call->args == nullptr) return PDX_LINK_ERROR;
    if (BlockPrepared(*ContextOf(call->driverContext))) {
        CloseChannelBlock(*ContextOf(call->driverContext));
    }
    DriverContext &ctx = PrepareBlock(call->driverContext);
    if (!RegisterClient(ctx, call->channel)) return PDX_LINK_ERROR;
    if (!ReadNodeFile(&ctx, call->channel)) return PDX_LINK_ERROR;
    const auto *args = static_cast<const OpenArgs *>(call->args);
    if (args->openNow == 0) return PDX_DONE;
    ctx.replyTimeout = ReplyTimeoutFromCs(args->timeoutCs);
    ctx.trace = OpenTrace(call->channel);
    if (StartChannel(ctx) != kChannelStarted) {
        CloseTrace(ctx.trace);
        ctx.trace = nullptr;
        Emit(framemsg::kChannelOpenFailed);
        return PDX_LINK_ERROR;
    }
    return PDX_DONE;
}

// Command 11. A block that command 1 never prepared has no thread, locks or
// connections of the driver's: nothing is touched. The string definitions
// of a prepared block are freed; the client registration and its name stay
// as they are.
int CloseChannel(PdxCall *call) {
    if (call->driverContext == nullptr) return PDX_DONE;
    DriverContext &ctx = *ContextOf(call->driverContext);
    if (BlockPrepared(ctx)) CloseChannelBlock(ctx);
    return PDX_DONE;
}

}  // namespace ordax
