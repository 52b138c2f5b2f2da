// Shared helpers of the data access tests: a channel opened through PdxMain
// from a node file, with a PLC-5 and an SLC 5 station of the simulator and
// one configured station nothing answers for; gates parsed with command 3
// or 4 and then read or written with a GateAccess filled from the parsed
// GateRecord, as a host does it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/tamhub.h"
#include "host/tamhub_gate.h"
#include "ordax.h"
#include "testkit/host_channel.h"
#include "testkit/messages.h"
#include "tools/plcsim/plcsim.h"

namespace accesstest {

constexpr char kPlc5Ip[] = "127.0.0.70";
constexpr char kSlcIp[] = "127.0.0.71";
constexpr char kDeadIp[] = "127.0.0.72";  // configured, nothing listens
constexpr int kPlc5Station = 5;
constexpr int kSlcStation = 6;
constexpr int kDeadStation = 7;  // stations 0-4 and 8-99 are not configured
constexpr int kChannel = 21;
constexpr int kBufferBytes = 4 * 1100;  // larger than any block the driver moves

// Word, float and string helpers on the simulator's side.
inline plcsim::Address N(int file, int element) {
    return {plcsim::FileType::N, file, element, 0};
}

// One host gate: its address text, the GateRecord commands 3 and 4 fill,
// and the GateAccess and value buffer of the read and write commands.
struct HostGate {
    std::string text;
    GateRecord record{};
    GateAccess access{};
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kBufferBytes, 0xEE);
    int parsed = -1;

    // A fresh GateAccess from the parsed record, as the host fills it before
    // each call, with `count` values and the value buffer at `offset`.
    GateAccess &Access(int count = 1, std::size_t offset = 0) {
        record.addressText = text.c_str();
        access = TamHubGateAccess(&record, count, buffer.data() + offset);
        return access;
    }
    void PutText(const std::string &value) {
        std::fill(buffer.begin(), buffer.end(), 0xEE);
        std::memcpy(buffer.data(), value.c_str(), value.size() + 1);
    }
    std::uint16_t CellWord() const {  // bytes 2 and 3 of the cell
        return static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));
    }
    std::uint32_t Cell(std::size_t index = 0) const {
        const std::uint8_t *p = buffer.data() + 4 * index;
        return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) |
               (static_cast<std::uint32_t>(p[3]) << 24);
    }
    void SetCell(std::uint32_t value, std::size_t index = 0) {
        for (std::size_t i = 0; i < 4; ++i) {
            buffer[4 * index + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    std::uint16_t Word(std::size_t index) const {  // block of 16-bit values
        return static_cast<std::uint16_t>(buffer[2 * index] | (buffer[2 * index + 1] << 8));
    }
    void SetWord(std::size_t index, std::uint16_t value) {
        buffer[2 * index] = static_cast<std::uint8_t>(value & 0xFF);
        buffer[2 * index + 1] = static_cast<std::uint8_t>(value >> 8);
    }
};

// Node file timers: supervise every second, a short walk pause, one
// second for connect and session; reply time-out 1000 ms.
inline std::vector<std::string> NodeLines() {
    return {"T 1000; 50; 1000; 1000;", "05 = 127.0.0.70", "06 = 127.0.0.71-SLC5",
            "07 = 127.0.0.72"};
}

class AccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        TamHubReset();
        log_ = std::make_unique<ordax_test::MessageCapture>();
        plc5Handle_ = sim_.AddStation({kPlc5Ip, plcsim::Family::Plc5, "F8:500,N7:1100", 2222});
        ASSERT_GE(plc5Handle_, 0) << "simulated PLC-5 at " << kPlc5Ip << ": " << sim_.LastError();
        slcHandle_ = sim_.AddStation({kSlcIp, plcsim::Family::Slc5, "F8:500", 2222});
        ASSERT_GE(slcHandle_, 0) << "simulated SLC 5 at " << kSlcIp << ": " << sim_.LastError();
        ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
        ASSERT_TRUE(dir_.ok()) << dir_.error();
        dir_.Write(kChannel, NodeLines());
        const int opened = ordax_test::OpenCommand(*block_, kChannel, 1, 100);
        openIssued_ = true;
        ASSERT_EQ(opened, PDX_DONE) << "command 1 of channel " << kChannel;
        ASSERT_EQ(block_->ctx().replyTimeout, 1000u);
        log_->Clear();
    }
    // Undoes what the set-up did: command 11 only after a command 1 (which
    // clears the block: before it, the block holds no list to walk). The
    // test owns the block, so it releases the string definitions the
    // driver never frees.
    void TearDown() override {
        if (openIssued_) {
            ordax_test::CloseCommand(*block_);
            for (ordax::StringDefinition *d = Ctx().stringDefinitions; d != nullptr;) {
                ordax::StringDefinition *next = d->next;
                delete d;
                d = next;
            }
            Ctx().stringDefinitions = nullptr;
        }
        log_.reset();
        TamHubReset();
    }

    plcsim::Station &Plc5() { return sim_.station(plc5Handle_); }
    plcsim::Station &Slc() { return sim_.station(slcHandle_); }
    plcsim::Station &StationOf(int number) { return number == kSlcStation ? Slc() : Plc5(); }
    ordax::DriverContext &Ctx() { return block_->ctx(); }
    const ordax_test::MessageCapture &Log() const { return *log_; }
    ordax_test::MessageCapture &Log() { return *log_; }

    // Command 3 (or 4 with a block length) for a gate of `gateType`.
    std::unique_ptr<HostGate> Parse(const std::string &text, int gateType, int blockLength = 0,
                                    int gateId = 1) {
        auto gate = std::make_unique<HostGate>();
        gate->text = text;
        gate->record.addressText = gate->text.c_str();
        gate->record.gateId = gateId;
        gate->record.gateType = gateType;
        gate->record.blockLength = blockLength;
        gate->parsed = Call(blockLength > 0 ? PDX_PARSE_BLOCK : PDX_PARSE_GATE, &gate->record);
        gate->Access(blockLength > 0 ? blockLength : 1);
        return gate;
    }
    int Call(int command, void *args) {
        return ordax_test::HostCall(block_->bytes, command, kChannel, args);
    }
    int Call(int command, HostGate &gate) { return Call(command, &gate.access); }

    // The messages logged since the last Clear, as "level|text", without
    // those of the channel thread's connection attempts.
    std::vector<std::string> Messages() const {
        static const char *const kConnecting[] = {"Ordax : Connected to ",
                                                  "Ordax : Failure connecting to ",
                                                  "Ordax : socket connect", "Ordax : connect"};
        std::vector<std::string> out;
        for (const ordax_test::Message &m : log_->All()) {
            bool connecting = false;
            for (const char *prefix : kConnecting) connecting |= m.text.rfind(prefix, 0) == 0;
            if (!connecting) out.push_back(std::to_string(m.level) + "|" + m.text);
        }
        return out;
    }

    plcsim::Simulator sim_;
    int plc5Handle_ = -1;
    int slcHandle_ = -1;
    ordax_test::NodeDir dir_;
    std::unique_ptr<ordax_test::HostBlock> block_ = ordax_test::NewHostBlock();
    std::unique_ptr<ordax_test::MessageCapture> log_;
    bool openIssued_ = false;
};

inline std::string M(int level, const std::string &text) {
    return std::to_string(level) + "|" + text;
}

}  // namespace accesstest
