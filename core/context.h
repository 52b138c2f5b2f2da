// The channel's state records. Everything a channel needs lives in the
// 20000-byte block the host provides; the driver lays it out as DriverContext.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/file_types.h"
#include "platform/clock.h"
#include "platform/lock.h"
#include "platform/socket.h"
#include "platform/thread.h"

namespace ordax {

struct Trace;  // diag/trace.h

constexpr int kStationCount = 100;
constexpr int kAddressTextSize = 32;   // 31 characters and a terminator
constexpr int kAddressColumns = 13;    // columns of a gate address
constexpr int kFrameCapacity = 2176;   // request or reply frame
constexpr int kDataWords = 1025;       // words of a read or write
constexpr int kStringBufferSize = 84;  // string assembly buffer
constexpr int kNoBit = 255;

// The channel's four timing settings, in milliseconds.
struct ChannelTimers {
    std::uint32_t superviseInterval;  // re-supervise a station after this long
    std::uint32_t loopSleep;          // channel thread's sleep after each walk
    std::uint32_t connectTimeout;     // limit for a TCP connect
    std::uint32_t sessionTimeout;     // limit for the session reply
};

constexpr ChannelTimers kDefaultTimers{5000, 250, 5000, 5000};

// One PLC station (address 00..99).
struct StationEntry {
    plat::PlatLock lock;             // exists only while the channel is started
    std::int32_t plcType;            // PlcType of the active address; 0 = not configured
    char address[kAddressTextSize];  // active IP address or host name
    plat::Socket socket;             // TCP socket, -1 = no connection
    std::int32_t onStandby;          // 1 while the standby address is active
    std::uint16_t tns;               // PCCC transaction number, never 0 once used
    std::uint8_t session[4];         // session handle, bytes as received
    std::int32_t basePlcType;        // PlcType of the base address
    char baseAddress[kAddressTextSize];
    std::int32_t standbyPlcType;  // 0 = no hot-backup partner
    char standbyAddress[kAddressTextSize];
    std::uint32_t lastSupervision;  // tick of the last supervision; 0 = due now
};

// One request and its reply.
struct Transaction {
    std::int32_t function;  // RequestKind 1..4
    std::uint8_t station;   // 0..99
    std::int32_t fileType;  // FileTypeCode: a row of core/file_types.h
    std::uint16_t fileNumber;
    std::uint16_t element;
    std::uint8_t subElement;
    std::uint16_t count;                 // 16-bit words to read or write
    std::uint8_t bit;                    // 0..15 for bit requests; 255 = none
    std::uint8_t frame[kFrameCapacity];  // request frame, then reply frame
    std::int32_t frameLength;            // bytes of `frame` to send
    std::uint8_t sts;                    // STS of the accepted reply
    std::uint8_t extSts;                 // EXT STS when sts is 0xF0, else 0
    std::uint16_t data[kDataWords];      // word values; little-endian on the wire
};

// One string gate with an X or Y address, in the channel's list.
struct StringDefinition {
    StringDefinition *next;
    std::int32_t gateId;
    std::int32_t station;
    std::int32_t fileType;  // character code of X or Y
    std::int32_t fileNumber;
    std::int32_t element;
    std::int32_t length;  // characters, 0..99
};

// The channel block, in the field order of the host interface.
struct DriverContext {
    std::int32_t runFlag;      // 1 while the channel thread is to keep running
    std::int32_t threadAlive;  // 1 once the thread finished its first pass
    ChannelTimers timers;
    char addressColumns[kAddressColumns];  // parser's upper-cased work copy
    std::uint8_t parsingBlock;             // 1 while a block parse runs the gate parser
    StationEntry stations[kStationCount];
    std::int32_t channelOpen;    // 1 while the channel is open
    std::uint32_t replyTimeout;  // ms; at least 1000 once set
    Transaction txn;             // the channel's request/reply record
    std::int32_t clientId;       // written by Tam5MkClient; low byte used
    char *clientName;            // 10-byte client name, allocated by command 1
    char stringBuffer[kStringBufferSize];
    StringDefinition *stringDefinitions;  // newest first
    // The driver's own bookkeeping, after every field of the host
    // interface. Command 1 clears it with the rest of the block; a zero-filled
    // lock is free and a zero-filled event clear on every backend.
    plat::ThreadHandle channelThread;  // the running (or unjoined) thread; 0 = none
    std::int32_t locksCreated;         // 1 while the configured stations' locks exist
    std::int32_t socketsStarted;       // 1 while this channel holds a socket-library start
    std::uintptr_t preparedMark;       // PreparedMarkOf(block) once command 1 prepared it
    plat::PlatLock callLock;           // one gate command of the channel at a time
    plat::PlatLock stopLock;           // one stop of the channel at a time
    plat::Event closeEvent;            // set as a close begins: ends the engine's pauses
    plat::Event stopEvent;             // set by the stop: ends the thread's pauses
    plat::Event runningEvent;          // set by the thread as it begins to run
    plat::Event firstWalkEvent;        // set by the thread after its first walk
    plat::Event endEvent;              // set by the thread as it ends
    Trace *trace;                      // the frame trace of a started channel; null = off
};

constexpr std::size_t kContextSize = 20000;
static_assert(sizeof(DriverContext) <= kContextSize,
              "the channel state must fit in the host's 20000-byte block");

// The block of a call, as the driver's records.
inline DriverContext *ContextOf(void *block) {
    return static_cast<DriverContext *>(block);
}

// What command 1 leaves in `preparedMark` of the block at `block`: the
// block's own address, scrambled, so that neither a fresh block's zeros nor
// its leftovers, nor a copy of a prepared block elsewhere, read as prepared.
inline std::uintptr_t PreparedMarkOf(const void *block) {
    constexpr std::uintptr_t kSalt = static_cast<std::uintptr_t>(0x4F7264615837A5C3ull);
    return reinterpret_cast<std::uintptr_t>(block) ^ kSalt;
}

// True when command 1 has prepared this block: its bookkeeping (thread,
// locks, events) is the driver's own and may be used.
inline bool BlockPrepared(const DriverContext &ctx) {
    return ctx.preparedMark == PreparedMarkOf(&ctx);
}

}  // namespace ordax
