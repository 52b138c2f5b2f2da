// A socket table played from the fuzzer's input: the bytes a peer sends in
// pieces, would-blocks, errors, a close and wait outcomes, in the order the
// input gives them. Waits and sleeps take no wall time (virtual_clock.cpp).
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/socket.h"

namespace fuzzsock {

constexpr plat::Socket kSocket = 5;

struct Step {
    enum Kind { kBytes, kWouldBlock, kError, kClosed, kWait, kReply } kind;
    std::vector<std::uint8_t> bytes;           // kBytes: handed out over one or more recv calls;
                                               // kReply: the bytes after STS
    int error = 0;                             // kError: Windows Sockets number; kReply: STS
    plat::WaitResult wait = plat::kWaitReady;  // kWait: the next read wait's outcome
};

enum class SendMode { kAll, kWouldBlockOnce, kPieces, kFail };

struct Script {
    std::deque<Step> recv;  // empty: would-block for ever
    SendMode send = SendMode::kAll;
    // Observations.
    std::vector<std::uint8_t> received;  // every byte recv handed out
    std::vector<std::uint8_t> sent;
    int recvCalls = 0;
    int waits = 0;
    int closes = 0;
    int lastError = 0;
};

Script &Current();

// Installs the table with an empty script for its lifetime.
class Installed {
public:
    Installed();
    ~Installed();
    Installed(const Installed &) = delete;
    Installed &operator=(const Installed &) = delete;
};

// Op codes of a recv script in the input, one byte each (taken modulo 8):
enum Op : std::uint8_t {
    kOpPiece = 0,       // then n-1 (one byte), then n bytes handed out as one piece
    kOpPiece1 = 1,      //   (the same)
    kOpPiece2 = 2,      //   (the same)
    kOpWait = 3,        // then a selector: the next read wait times out, fails or has no event
    kOpWouldBlock = 4,  // one recv reports would-block
    kOpError = 5,       // then a selector: one recv fails with a socket error
    kOpClosed = 6,      // the peer closed: recv returns 0 from here on
    kOpRest = 7,        // every remaining byte of the input as one piece
};

// A reply to the request sent last, made when recv first meets it: mode 2,
// status 0, that request's session, CMD | 0x40 and TNS, then `sts` and
// `afterSts` (EXT STS and data). The input needs no TNS of its own.
Step ReplyStep(std::uint8_t sts, std::vector<std::uint8_t> afterSts);

// Appends the steps the rest of `in` describes to `script.recv`.
void ParseRecvSteps(fuzz::Input &in, Script &script);

// The input bytes that hand out `frame` as one piece.
std::vector<std::uint8_t> WholePiece(const std::vector<std::uint8_t> &frame);

}  // namespace fuzzsock
