// Shared helpers of the link tests: a channel block with configured
// stations, byte-vector views of frames, and the scripted sockets.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "link/link.h"
#include "ordax.h"
#include "testkit/channel_block.h"
#include "testkit/fake_sockets.h"

namespace linktest {

using Bytes = std::vector<std::uint8_t>;

// The test kit's scripted sockets.
using ordax_test::Fails;
using ordax_test::FakeNet;
using ordax_test::FakeSockets;
using ordax_test::Frame;
using ordax_test::IoStep;
using ordax_test::kFakeSocket;
using ordax_test::PeerClosed;
using ordax_test::RecvBytes;
using ordax_test::SendAccepts;

// An open channel block with every socket -1 and the default timers.
inline std::unique_ptr<ordax::DriverContext> NewContext() {
    return ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
}

inline ordax::StationEntry &Configure(ordax::DriverContext &ctx, int station, std::int32_t plcType,
                                      const char *address = "127.0.0.20") {
    return ordax_test::ConfigureStation(ctx, station, plcType, address);
}

// A request record for `station` with no bit; the caller adds data or a bit.
inline ordax::Transaction MakeTxn(int station, std::int32_t function, std::int32_t fileType,
                                  std::uint16_t file, std::uint16_t element,
                                  std::uint16_t count = 1) {
    ordax::Transaction t{};
    t.function = function;
    t.station = static_cast<std::uint8_t>(station);
    t.fileType = fileType;
    t.fileNumber = file;
    t.element = element;
    t.count = count;
    t.bit = ordax::kNoBit;
    return t;
}

inline Bytes FrameBytes(const ordax::Transaction &txn) {
    return Bytes(txn.frame, txn.frame + txn.frameLength);
}

// The PCCC part of a built request (from CMD on).
inline Bytes PcccBytes(const ordax::Transaction &txn) {
    return Bytes(txn.frame + 32, txn.frame + txn.frameLength);
}

inline std::string Hex(const Bytes &b) {
    static const char *digits = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t v : b) {
        if (!s.empty()) s += ' ';
        s += digits[v >> 4];
        s += digits[v & 15];
    }
    return s;
}

inline ::GateAccess Gate(const char *text) {
    ::GateAccess g{};
    g.addressText = text;
    return g;
}

}  // namespace linktest
