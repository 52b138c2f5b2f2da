// The values every soak station carries: one table row per gate, each with
// its place in the simulated processor, and the byte form in which the
// test compares a value held by the simulator, handed to or read from the
// host and tracked by the model.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ordax.h"
#include "tools/plcsim/plcsim.h"

namespace soak {

// A value in canonical bytes: a word as two bytes little-endian, a real as
// its four IEEE bytes little-endian, a bit as one byte 0 or 1, a block as
// its words little-endian, a text as its characters.
using Value = std::string;

enum class Kind { kWord, kReal, kBit, kBlock, kText };
enum class Use {
    kWritten,  // written and read by the channel's host thread only
    kFixed,    // never written; holds its initial value throughout
    kCounter,  // raised by the fault thread only, in every processor
};

struct ItemSpec {
    const char *name;
    Kind kind;
    Use use;
    const char *gate;  // the gate address after the two station digits
    int gateType;
    int blockLength;  // > 0: a block gate (commands 4, 6, 10)
    plcsim::Address at;
};

constexpr int kIntGate = 1;
constexpr int kBitNumber = 7;                   // the bit gate's bit in B3:2
constexpr std::uint16_t kBitWordRest = 0x5A01;  // the other bits of B3:2, never changed
constexpr int kBlockWords = 20;

inline constexpr ItemSpec kItems[] = {
    {"word", Kind::kWord, Use::kWritten, "N007010", kIntGate, 0, {plcsim::FileType::N, 7, 10, 0}},
    {"real",
     Kind::kReal,
     Use::kWritten,
     "F008005",
     PDX_GATE_REAL,
     0,
     {plcsim::FileType::F, 8, 5, 0}},
    {"bit",
     Kind::kBit,
     Use::kWritten,
     "B00300207",
     PDX_GATE_DIGITAL,
     0,
     {plcsim::FileType::B, 3, 2, 0}},
    {"block",
     Kind::kBlock,
     Use::kWritten,
     "N007100",
     kIntGate,
     kBlockWords,
     {plcsim::FileType::N, 7, 100, 0}},
    {"text",
     Kind::kText,
     Use::kWritten,
     "G009001",
     PDX_GATE_STRING,
     0,
     {plcsim::FileType::ST, 9, 1, 0}},
    {"fixed", Kind::kWord, Use::kFixed, "N007020", kIntGate, 0, {plcsim::FileType::N, 7, 20, 0}},
    {"counter",
     Kind::kWord,
     Use::kCounter,
     "N007030",
     kIntGate,
     0,
     {plcsim::FileType::N, 7, 30, 0}},
};
constexpr int kItemCount = static_cast<int>(std::size(kItems));
constexpr int kCounterItem = kItemCount - 1;
static_assert(kItems[kCounterItem].use == Use::kCounter);

Value WordValue(std::uint16_t w);
std::uint16_t ValueWord(const Value &v);

// The value station `salt` starts with, and the one its `seq`-th write of
// the item gives; written values differ from one write to the next and
// from one station to another.
Value InitialValue(const ItemSpec &item, int salt);
Value WrittenValue(const ItemSpec &item, int salt, std::uint64_t seq);

// The item's value as the simulator holds it; nullopt when it cannot be
// read (or, for the bit, when the word's other bits have changed).
std::optional<Value> SimValue(const plcsim::Station &plc, const ItemSpec &item);
bool PutSimValue(plcsim::Station &plc, const ItemSpec &item, const Value &v);

// The host's value buffer: a value to write into it, a value read out of it.
void ToHostBuffer(const ItemSpec &item, const Value &v, std::uint8_t *buffer);
Value FromHostBuffer(const ItemSpec &item, const std::uint8_t *buffer);

std::string Printable(const Value &v);

}  // namespace soak
