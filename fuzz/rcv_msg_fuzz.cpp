// RcvMsg over a scripted byte stream. Input: buffer capacity selector,
// time-out selector, then the recv script (fuzz/input_script.h).
#include <algorithm>
#include <iterator>
#include <memory>

#include "fuzz/fuzz_input.h"
#include "fuzz/input_script.h"
#include "fuzz/layouts.h"
#include "link/encap.h"
#include "link/link.h"
#include "platform/clock.h"

namespace {

// What must hold after RcvMsg returned `rc` with `length`, having had
// `elapsed` ms of the time-out and a buffer of `capacity` bytes.
void CheckReceive(ordax::RcvResult rc, int capacity, std::uint32_t timeout, std::uint32_t elapsed,
                  const ordax_test::FakeNet &net, const std::uint8_t *buffer, int length) {
    const std::vector<std::uint8_t> &got = net.received;
    FUZZ_CHECK(rc == ordax::kRcvOk || rc == ordax::kRcvSocketError || rc == ordax::kRcvTimeout ||
               rc == ordax::kRcvTooLong);
    FUZZ_CHECK(got.size() <= static_cast<std::size_t>(capacity));
    FUZZ_CHECK(net.closed.empty());  // closing is the caller's business
    // Limits: the wait for the first byte, or the waits for the rest with
    // the time that is left; never more than the time-out in all.
    FUZZ_CHECK(elapsed <= timeout + 10);
    if (capacity < static_cast<int>(ordax::kEncapHeaderSize)) {
        FUZZ_CHECK(rc == ordax::kRcvTooLong && net.recvCalls == 0 && net.waitTimeouts.empty());
    }
    if (got.size() >= ordax::kEncapHeaderSize) {
        // Never past the frame the header announces.
        const std::size_t frame = ordax::kEncapHeaderSize + (std::size_t{got[2]} << 8 | got[3]);
        FUZZ_CHECK(got.size() <= frame);
        if (frame > static_cast<std::size_t>(capacity)) {
            FUZZ_CHECK(rc == ordax::kRcvTooLong && got.size() == ordax::kEncapHeaderSize);
        }
    }
    if (rc == ordax::kRcvOk) {
        FUZZ_CHECK(length >= static_cast<int>(ordax::kEncapHeaderSize) && length <= capacity);
        FUZZ_CHECK(static_cast<std::size_t>(length) == got.size());
        FUZZ_CHECK(length ==
                   static_cast<int>(ordax::kEncapHeaderSize) + (buffer[2] << 8 | buffer[3]));
        FUZZ_CHECK(std::equal(got.begin(), got.end(), buffer));
    } else {
        FUZZ_CHECK(length == capacity);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::CheckMessagesOnce();
    fuzz::Input in(data, size);
    fuzz::RcvHead head;
    fuzz::Read(in, head);
    const int capacity = fuzz::kRcvCapacities[head.capacity % std::size(fuzz::kRcvCapacities)];
    const std::uint32_t timeout = fuzz::kRcvTimeouts[head.timeout % std::size(fuzz::kRcvTimeouts)];
    fuzzsock::Sockets sockets;
    ordax_test::FakeNet &net = sockets.net();
    fuzzsock::ParseRecvSteps(in, net);

    // The buffer has exactly the capacity announced, so a write past it is caught.
    auto buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(capacity));
    int length = capacity;
    const std::uint32_t t0 = plat::TickCount();
    const ordax::RcvResult rc =
        ordax::RcvMsg(ordax_test::kFakeSocket, buffer.get(), &length, timeout);
    const std::uint32_t elapsed = plat::TickCount() - t0;
    CheckReceive(rc, capacity, timeout, elapsed, net, buffer.get(), length);
    return 0;
}
