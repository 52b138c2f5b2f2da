// The socket script a fuzz input describes, played by the test kit's
// scripted socket table (testkit/fake_sockets.h): the bytes a peer sends in
// pieces, would-blocks, errors, a close and read-wait outcomes, in the order
// the input gives them, and how sends are answered. Waits and sleeps take no
// wall time (virtual_clock.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "testkit/fake_sockets.h"

namespace fuzzsock {

// The scripted sockets as the fuzz targets install them: a read wait that
// fails leaves WSAENETDOWN, and no socket but ordax_test::kFakeSocket, the
// one the targets' stations hold, is ever closed.
class Sockets {
public:
    Sockets();
    ordax_test::FakeNet &net() { return fake_.net(); }

private:
    ordax_test::FakeSockets fake_;
};

enum class SendMode { kAll, kWouldBlockOnce, kPieces, kFail };

// Answers the sends of `net` as `mode` says: everything, a would-block
// first, at most 7 bytes a call, or a reset every time.
void SetSendMode(ordax_test::FakeNet &net, SendMode mode);

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
ordax_test::IoStep ReplyStep(std::uint8_t sts, std::vector<std::uint8_t> afterSts);

// Appends the steps the rest of `in` describes to `net.recv`.
void ParseRecvSteps(fuzz::Input &in, ordax_test::FakeNet &net);

// The input bytes that hand out `frame` as one piece.
std::vector<std::uint8_t> WholePiece(const std::vector<std::uint8_t> &frame);

}  // namespace fuzzsock
