// The head of each fuzz target's input, read by the target and written by
// the corpus maker. Selectors index the target's tables modulo their size.
#pragma once

#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/context.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/script_socket.h"
#include "ordax.h"

namespace fuzz {

constexpr std::int32_t kGateKinds[] = {0, PDX_GATE_REAL, PDX_GATE_DIGITAL, PDX_GATE_STRING, 1, -1,
                                       99};
constexpr int kRcvCapacities[] = {ordax::kFrameCapacity, 28, 27, 0, 43, 100, 29, 56};
constexpr std::uint32_t kRcvTimeouts[] = {1000, 0, 1, 10, 100, 5000};
constexpr std::int32_t kTransactFamilies[] = {ordax::kPlc5, ordax::kSlc5,    ordax::kPlc5,
                                              ordax::kSlc5, ordax::kPlcNone, 3};
constexpr std::int32_t kTransactFunctions[] = {
    ordax::ReadSingleWord, ordax::WriteBit, ordax::ReadWords, ordax::WriteWords, 0, 5};
constexpr std::uint32_t kReplyTimeouts[] = {1000, 100, 5000};
constexpr fuzzsock::SendMode kSendModes[] = {
    fuzzsock::SendMode::kAll, fuzzsock::SendMode::kAll, fuzzsock::SendMode::kWouldBlockOnce,
    fuzzsock::SendMode::kPieces, fuzzsock::SendMode::kFail};

// gate_parser: then the address text.
struct GateHead {
    std::uint8_t kind;     // kGateKinds
    std::uint8_t command;  // even: command 3, odd: command 4
    std::int16_t blockLength;
};

// rcv_msg: then the recv script.
struct RcvHead {
    std::uint8_t capacity;  // kRcvCapacities
    std::uint8_t timeout;   // kRcvTimeouts
};

// transact: then the recv script.
struct TransactHead {
    std::uint8_t family;    // kTransactFamilies
    std::uint8_t function;  // kTransactFunctions
    std::uint8_t fileType;  // modulo 16
    std::uint16_t count;    // modulo 2048
    std::uint8_t bit;
    std::uint16_t fileNumber, element;
    std::uint8_t subElement;
    std::uint16_t tns;                       // the station's last TNS: the request carries the next
    std::uint8_t replyTimeout, send, named;  // kReplyTimeouts, kSendModes, gate named if even
};

// plcsim_frame: then the bytes the connection receives.
struct PlcsimHead {
    std::uint8_t family;   // even PLC-5, odd SLC 5
    std::uint8_t session;  // even: no session yet, odd: kPlcsimSession established
};

constexpr std::uint32_t kPlcsimSession = 0x5A000001u;

inline void Read(Input &in, GateHead &h) {
    h = {in.Byte(), in.Byte(), static_cast<std::int16_t>(in.U16())};
}
inline void Read(Input &in, RcvHead &h) {
    h = {in.Byte(), in.Byte()};
}
inline void Read(Input &in, TransactHead &h) {
    h.family = in.Byte();
    h.function = in.Byte();
    h.fileType = in.Byte();
    h.count = in.U16();
    h.bit = in.Byte();
    h.fileNumber = in.U16();
    h.element = in.U16();
    h.subElement = in.Byte();
    h.tns = in.U16();
    h.replyTimeout = in.Byte();
    h.send = in.Byte();
    h.named = in.Byte();
}
inline void Read(Input &in, PlcsimHead &h) {
    h = {in.Byte(), in.Byte()};
}

// Writers for the corpus maker.
inline void Put16(std::vector<std::uint8_t> &out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline std::vector<std::uint8_t> Bytes(const GateHead &h) {
    std::vector<std::uint8_t> out{h.kind, h.command};
    Put16(out, static_cast<std::uint16_t>(h.blockLength));
    return out;
}
inline std::vector<std::uint8_t> Bytes(const RcvHead &h) {
    return {h.capacity, h.timeout};
}
inline std::vector<std::uint8_t> Bytes(const TransactHead &h) {
    std::vector<std::uint8_t> out{h.family, h.function, h.fileType};
    Put16(out, h.count);
    out.push_back(h.bit);
    Put16(out, h.fileNumber);
    Put16(out, h.element);
    out.push_back(h.subElement);
    Put16(out, h.tns);
    out.insert(out.end(), {h.replyTimeout, h.send, h.named});
    return out;
}
inline std::vector<std::uint8_t> Bytes(const PlcsimHead &h) {
    return {h.family, h.session};
}

}  // namespace fuzz
