// The PCCC request frame: header, data prefix, and the command whose
// function code and operands depend on the request kind and the family.
#include <cstring>

#include "link/encap.h"
#include "link/link.h"
#include "link/link_messages.h"

namespace ordax {

namespace {

constexpr std::uint8_t kCmdTyped = 0x0F;
constexpr std::size_t kZeroedPrefix = 43;  // header, prefix, first PCCC bytes
constexpr int kKinds = 4;                  // ReadSingleWord .. WriteWords
constexpr std::uint16_t kShortSizeMax = 254;
constexpr std::size_t kRangeFieldsSize = 4;     // PLC-5 packet offset and total transaction
constexpr std::size_t kMaxPlc5AddressSize = 8;  // level mask, file (3), element (3), sub-element

// Function codes by family (PLC-5, SLC 5) and request kind.
constexpr std::uint8_t kFnc[2][kKinds] = {
    {0x01, 0x26, 0x01, 0x00},  // word range read, read-modify-write, read, word range write
    {0xA2, 0xAB, 0xA2, 0xAA},  // protected typed logical read, masked write, read, write
};

// Byte size of `count` words, computed in 16 bits.
std::uint16_t ByteSize(const Transaction &t) {
    return static_cast<std::uint16_t>(t.count * 2u);
}

// Bit mask of t.bit; 0 for a bit number outside the word.
std::uint16_t BitMask(const Transaction &t) {
    return t.bit < 16 ? static_cast<std::uint16_t>(1u << t.bit) : std::uint16_t{0};
}

std::uint16_t BitValue(const Transaction &t) {
    return t.data[0] != 0 ? BitMask(t) : std::uint16_t{0};
}

void PutWords(ByteCursor &c, const Transaction &t) {
    PutU16leArray(c, t.data, t.count);
}

// Operand writers. false = the SLC address has no file-type byte.
bool Plc5Read(ByteCursor &c, const Transaction &t) {
    PutU16le(c, 0);        // packet offset
    PutU16le(c, t.count);  // total transaction
    EncodePlc5Address(c, t);
    const std::uint16_t size = ByteSize(t);
    if (size > kShortSizeMax) PutU8(c, kCompactEscape);
    PutU16le(c, size);  // short form is the size as a word, not one byte
    return true;
}

bool Plc5WriteBit(ByteCursor &c, const Transaction &t) {
    EncodePlc5Address(c, t);
    PutU16le(c, static_cast<std::uint16_t>(~BitMask(t)));  // AND mask
    PutU16le(c, BitValue(t));                              // OR mask
    return true;
}

bool Plc5WriteWords(ByteCursor &c, const Transaction &t) {
    PutU16le(c, 0);
    PutU16le(c, t.count);
    EncodePlc5Address(c, t);
    PutWords(c, t);
    return true;
}

bool SlcRead(ByteCursor &c, const Transaction &t) {
    PutCompact(c, ByteSize(t));
    return EncodeSlcAddress(c, t) >= 0;
}

bool SlcWriteBit(ByteCursor &c, const Transaction &t) {
    PutU8(c, static_cast<std::uint8_t>(ByteSize(t) & 0xFFu));
    if (EncodeSlcAddress(c, t) < 0) return false;
    PutU16le(c, BitMask(t));
    PutU16le(c, BitValue(t));
    return true;
}

bool SlcWriteWords(ByteCursor &c, const Transaction &t) {
    PutCompact(c, ByteSize(t));
    if (EncodeSlcAddress(c, t) < 0) return false;
    PutWords(c, t);
    return true;
}

using OperandWriter = bool (*)(ByteCursor &c, const Transaction &t);
constexpr OperandWriter kWriters[2][kKinds] = {
    {Plc5Read, Plc5WriteBit, Plc5Read, Plc5WriteWords},
    {SlcRead, SlcWriteBit, SlcRead, SlcWriteWords},
};

// Logs a refusal when the request names a gate.
void LogRefusal(const Message<const char *> &m, const char *gateName) {
    if (gateName != nullptr) Emit(m, gateName);
}

// Index 0 (PLC-5) or 1 (SLC 5) of the station, -1 for any other plcType or a
// station number outside the table.
int FamilyIndex(const DriverContext &ctx, std::uint8_t station) {
    if (station >= kStationCount) return -1;
    const std::int32_t type = ctx.stations[station].plcType;
    return type == kPlc5 ? 0 : type == kSlc5 ? 1 : -1;
}

// The largest request (a PLC-5 word write with an 8-byte address) and the
// largest reply must fit the frame buffer.
static_assert(kPcccStart + kPcccHeadSize + kRangeFieldsSize + kMaxPlc5AddressSize +
                  2u * kMaxWriteWords <=
              kFrameCapacity);
static_assert(kPcccReplyData + 2u * kMaxSingleWordCount <= kFrameCapacity);
static_assert(kMaxReadWords <= kMaxSingleWordCount);

// True when the request and its reply fit the frame buffer and the words
// fit the data area.
bool CountFits(const Transaction &t) {
    switch (t.function) {
        case ReadSingleWord:
            return t.count <= kMaxSingleWordCount;
        case ReadWords:
            return t.count <= kMaxReadWords;
        case WriteWords:
            return t.count <= kMaxWriteWords;
        default:
            return true;  // WriteBit sends one word whatever count says
    }
}

// 1, 2, ... 65535, 1, ...: never 0.
std::uint16_t NextTns(std::uint16_t tns) {
    const std::uint16_t next = static_cast<std::uint16_t>(tns + 1u);
    return next == 0 ? std::uint16_t{1} : next;
}

// Header and data prefix in front of a PCCC command of n bytes.
void PutFrameHead(Transaction &t, const StationEntry &st, std::size_t n) {
    const auto dataLength = static_cast<std::uint16_t>(n + kDataPrefixSize);
    ByteCursor c = MakeCursor(t.frame, kFrameCapacity);
    PutEncapHeader(c, EncapFields{kModeRequest, kCommandPccc, dataLength, st.session, 0, st.tns});
    PutBytes(c, kDataPrefix, kDataPrefixSize);
    t.frameLength = static_cast<std::int32_t>(kEncapHeaderSize + dataLength);
}

}  // namespace

// Contract in link.h. The caller holds the station's lock: tns is
// read, advanced and written here.
LinkResult BuildPcccRequest(DriverContext &ctx, Transaction &txn, const char *gateName,
                            StationLockHeld) {
    std::memset(txn.frame, 0, kZeroedPrefix);
    if (txn.function < ReadSingleWord || txn.function > WriteWords) {
        LogRefusal(linkmsg::kFunctionType, gateName);
        return kLinkBadFunction;
    }
    const int family = FamilyIndex(ctx, txn.station);
    if (family < 0) {
        LogRefusal(txn.function == WriteWords ? linkmsg::kPlcTypeWrite : linkmsg::kPlcType,
                   gateName);
        return kLinkBadPlcType;
    }
    if (!CountFits(txn)) {
        LogRefusal(linkmsg::kCount, gateName);
        return kLinkBadCount;
    }
    StationEntry &st = ctx.stations[txn.station];
    const int kind = txn.function - ReadSingleWord;
    st.tns = NextTns(st.tns);
    ByteCursor c = MakeCursor(txn.frame, kFrameCapacity, kPcccStart);
    PutU8(c, kCmdTyped);
    PutU8(c, 0);  // STS
    PutU16le(c, st.tns);
    PutU8(c, kFnc[family][kind]);
    if (!kWriters[family][kind](c, txn)) {
        LogRefusal(linkmsg::kSlcFileType, gateName);
        return kLinkBadFileType;
    }
    PutFrameHead(txn, st, c.pos - kPcccStart);
    return kLinkOk;
}

}  // namespace ordax
