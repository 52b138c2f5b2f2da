// A channel block with a few configured stations, and calls of commands 3
// and 4 through the driver's entry point.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/codes.h"
#include "core/context.h"
#include "ordax.h"
#include "testkit/channel_block.h"
#include "testkit/host_channel.h"
#include "testkit/messages.h"

namespace address_test {

constexpr int kPlc5Station = 5;
constexpr int kSlc5Station = 6;
constexpr int kInteger = 0;  // any gateType but 3, 6 and 7
constexpr int kReal = PDX_GATE_REAL;
constexpr int kDigital = PDX_GATE_DIGITAL;
constexpr int kString = PDX_GATE_STRING;
constexpr int kUnset = -7;  // decoded fields before a parse

inline const std::string kInvalidChar = "Ordax : Parse invalid character in gate address !!!";
inline const std::string kUnknownDevice = "Ordax : Parse unknown device type !!!";

inline int ElementOf(const GateRecord &g) {
    return g.packedAddress & 0xFFF;
}
inline int FileOf(const GateRecord &g) {
    return (g.packedAddress >> 12) & 0xFFF;
}
inline int SubOf(const GateRecord &g) {
    return static_cast<int>(static_cast<std::uint32_t>(g.packedAddress) >> 24);
}

class GateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = ordax_test::NewChannelBlock(ordax_test::ChannelState::kClosed);
        using ordax_test::StationLock;
        for (int n : {0, kPlc5Station, 7, 15, 77}) {
            ordax_test::ConfigureStation(*ctx_, n, ordax::kPlc5, "plc5", StationLock::kNone);
        }
        for (int n : {kSlc5Station, 8, 9, 99}) {
            ordax_test::ConfigureStation(*ctx_, n, ordax::kSlc5, "slc5", StationLock::kNone);
        }
    }
    // The test owns the block, so it releases the definitions the driver
    // never frees.
    void TearDown() override {
        ordax::StringDefinition *d = ctx_->stringDefinitions;
        while (d != nullptr) {
            ordax::StringDefinition *next = d->next;
            delete d;
            d = next;
        }
        ctx_->stringDefinitions = nullptr;
    }

    GateRecord Gate(const char *text, int gateType, int blockLength = 0) {
        GateRecord g{};
        g.addressText = text;
        g.gateId = 4242;
        g.gateType = gateType;
        g.blockLength = blockLength;
        g.station = g.fileType = g.packedAddress = g.bit = g.valueBits = kUnset;
        return g;
    }
    int Call(int command, GateRecord *gate) {
        return ordax_test::HostCall(ctx_.get(), command, 0, gate);
    }
    int Parse(GateRecord *gate) { return Call(PDX_PARSE_GATE, gate); }
    int Block(GateRecord *gate) { return Call(PDX_PARSE_BLOCK, gate); }
    int Parse(const char *text, int gateType) {
        GateRecord g = Gate(text, gateType);
        return Parse(&g);
    }
    int Block(const char *text, int gateType, int blockLength) {
        GateRecord g = Gate(text, gateType, blockLength);
        return Block(&g);
    }
    int DefinitionCount() const {
        int n = 0;
        for (auto *d = ctx_->stringDefinitions; d != nullptr; d = d->next) ++n;
        return n;
    }

    ordax_test::MessageCapture messages_;
    std::unique_ptr<ordax::DriverContext> ctx_;
};

}  // namespace address_test
