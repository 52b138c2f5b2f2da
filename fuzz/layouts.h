// The head of each fuzz target's input, read by the target and written by
// the corpus maker. Selectors index the target's tables modulo their size.
#pragma once

#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/context.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/input_script.h"
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

// access: the commands, the fields of a GateAccess record (a selector of
// 0x80 or more gives the bit or width as a signed byte), the replies.
constexpr int kAccessCommands[] = {PDX_READ_GATE, PDX_READ_BLOCK, PDX_WRITE_GATE, PDX_WRITE_BLOCK};
constexpr std::int32_t kAccessLetters[] = {'N', 'B', 'F', 'G', 'X', 'Y', 'T', 'C', 'R', 'P',
                                           'I', 'O', 'S', 'G', 'X', 'Y', 'Z', 'n', 0};
constexpr std::int32_t kAccessStations[] = {5, 5, 5, 6, 105, 261, -251, 99};
constexpr std::int32_t kAccessFamilies[] = {ordax::kPlc5, ordax::kSlc5};
constexpr std::int32_t kAccessBits[] = {ordax::kNoBit, ordax::kNoBit, 0, 7, 15, 16, -1, 259};
constexpr std::int32_t kAccessWidths[] = {16, 32, 16, 32, 0, 8, 64, 24};
constexpr std::size_t kAccessReplyData[] = {
    2 * ordax::kDataWords, 2 * ordax::kDataWords, 84, 86, 2, 4, 0, 1};

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

// access: then 16 bytes of the host's values, then the replies: with
// `replies` 1 to 3 modulo 4 that many made replies (fuzzsock::ReplyStep),
// each an STS byte (below 0x80: STS 0), an EXT STS and a kAccessReplyData
// selector, followed by 16 bytes the data repeats; with 0 the recv script.
struct AccessHead {
    std::uint8_t command;  // kAccessCommands
    std::uint8_t letter;   // kAccessLetters
    std::uint8_t station;  // kAccessStations
    std::uint8_t family;   // kAccessFamilies: station 5's
    std::uint8_t bit;      // kAccessBits
    std::uint8_t width;    // kAccessWidths
    std::int32_t count;
    std::uint32_t packed;  // packedAddress
    std::uint16_t tns;     // station 5's last TNS
    std::uint8_t link;     // bit 0: channel closed; bit 1: station not connected; >> 2: kSendModes
    std::uint8_t replies;
    std::uint8_t text;  // characters of the host's text for string writes, modulo 120
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
inline void Read(Input &in, AccessHead &h) {
    h.command = in.Byte();
    h.letter = in.Byte();
    h.station = in.Byte();
    h.family = in.Byte();
    h.bit = in.Byte();
    h.width = in.Byte();
    const std::uint32_t countLow = in.U16();
    h.count = static_cast<std::int32_t>(countLow | std::uint32_t{in.U16()} << 16);
    const std::uint32_t packedLow = in.U16();
    h.packed = packedLow | std::uint32_t{in.U16()} << 16;
    h.tns = in.U16();
    h.link = in.Byte();
    h.replies = in.Byte();
    h.text = in.Byte();
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
inline std::vector<std::uint8_t> Bytes(const AccessHead &h) {
    std::vector<std::uint8_t> out{h.command, h.letter, h.station, h.family, h.bit, h.width};
    const auto count = static_cast<std::uint32_t>(h.count);
    Put16(out, static_cast<std::uint16_t>(count & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(count >> 16));
    Put16(out, static_cast<std::uint16_t>(h.packed & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(h.packed >> 16));
    Put16(out, h.tns);
    out.insert(out.end(), {h.link, h.replies, h.text});
    return out;
}
inline std::vector<std::uint8_t> Bytes(const PlcsimHead &h) {
    return {h.family, h.session};
}

}  // namespace fuzz
