// The PLC link: frames on a station's connection, the station connection's
// trace point and its close, PCCC request encoding and the transaction
// engine. Connections are made by the batch of attempts (connect_batch.h).
#pragma once

#include <cstdint>

#include "core/codes.h"
#include "core/context.h"
#include "core/results.h"
#include "diag/trace.h"
#include "link/bytes.h"
#include "link/encap.h"
#include "platform/socket.h"

namespace ordax {

// Marks the functions that expect the caller to hold the station's lock.
struct StationLockHeld {};
inline constexpr StationLockHeld kStationLockHeld{};

// ---- Frames on a station's connection -------------------------------------

// Hands all `length` bytes to the socket. After a would-block it waits for
// the socket to become writable, with the time left of `timeoutMs` (held to
// kMaxWaitMs); once that has run out it fails with 10035.
// 0 = all sent, 1 = failed (logged).
int SendMsg(plat::Socket s, const std::uint8_t *bytes, int length, std::uint32_t timeoutMs);

// Reads exactly one frame (28 header bytes, then the `dataLength` bytes the
// header announces) into `buffer`. On entry *length is the capacity; after
// result 0 it is 28 + dataLength, otherwise unchanged. Waits at most
// `timeoutMs` (held to kMaxWaitMs) for the first byte and then `timeoutMs`
// for the whole frame; bytes that are late are waited for with the time
// that is left. Never reads past the announced frame.
RcvResult RcvMsg(plat::Socket s, std::uint8_t *buffer, int *length, std::uint32_t timeoutMs);

// ---- Station connection ---------------------------------------------------

// Where a station's frames and events go in the channel's trace: station
// `number` at `address`, its active address (or the copy an attempt took).
inline TracePoint StationTrace(Trace *trace, int number, const char (&address)[kAddressTextSize]) {
    return TracePoint{trace, number, address};
}

// Closes the station's socket (if any) and marks it unconnected (-1).
void CloseStation(StationEntry &station);

// ---- PCCC request encoding ------------------------------------------------

// Largest `count` the request builder accepts per kind: the request and its
// reply must fit the frame buffer, and the words the data area.
constexpr std::uint16_t kMaxReadWords = kDataWords;
constexpr std::uint16_t kMaxSingleWordCount = static_cast<std::uint16_t>(
    (kFrameCapacity - kPcccReplyData) / 2);  // reply still fits the frame
constexpr std::uint16_t kMaxWriteWords = kDataWords;

// Writes the request frame of `txn` into txn.frame and txn.frameLength and
// advances the station's tns. 0 = built; 3, 4 or 5 = refused, logged at
// level 8 with `gateName` (the gate's address text) when it is not null;
// the channel thread's own requests pass null and refusals stay quiet.
// Refusals 4 and 5 (and a refused count) leave tns alone; refusal 3 comes
// after tns has advanced.
LinkResult BuildPcccRequest(DriverContext &ctx, Transaction &txn, const char *gateName,
                            StationLockHeld);

// PLC-5 logical binary address of txn's file, element (and sub-element for
// T, C, R, P). Returns the bytes written (3 to 8).
int EncodePlc5Address(ByteCursor &out, const Transaction &txn);

// SLC three-field address: file, file-type byte, element, sub-element.
// Returns the bytes written (4 to 8), or -1 when fileType has no SLC byte.
int EncodeSlcAddress(ByteCursor &out, const Transaction &txn);

// ---- Transaction engine ---------------------------------------------------

// One request/reply exchange for `txn` with its station; `gateName` as for
// BuildPcccRequest. Returns a link result (core/results.h). On 0, txn.sts,
// txn.extSts and, for the read kinds with sts 0, txn.data hold the reply.
// This form takes the station's lock and releases it before the pause after
// a time-out; the caller must not hold it.
LinkResult Transact(DriverContext &ctx, Transaction &txn, const char *gateName);

// The same exchange for a caller that already holds the station's lock (the
// channel thread's master-flag reads); it is left held. There is no pause
// after a time-out: the result comes as soon as the reply time-out ends.
LinkResult Transact(DriverContext &ctx, Transaction &txn, const char *gateName, StationLockHeld);

}  // namespace ordax
