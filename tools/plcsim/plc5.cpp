// PLC-5 word range read / write and read-modify-write with logical binary addresses.
#include "tools/plcsim/pccc_decode.h"
#include "tools/plcsim/tables.h"

namespace plcsim {

namespace {

constexpr uint8_t kLevel0 = 0x01;  // data-table area (must be 0)
constexpr uint8_t kLevelFile = 0x02;
constexpr uint8_t kLevelElement = 0x04;
constexpr uint8_t kLevelSub = 0x08;
constexpr uint8_t kLevelsKnown = 0x0F;

const Status kFormat{kStsIllegalCommand, 0};

// Logical binary address: level mask, then one compact number per level present.
Status DecodeAddress(Reader &r, Target &t, DecodedRequest &d) {
    uint8_t mask = r.U8();
    d.levelMask = mask;
    if (!r.ok()) return kFormat;
    if ((mask & ~kLevelsKnown) != 0) return Ext(kExtTooManyLevels);
    if ((mask & kLevelFile) == 0 || (mask & kLevelElement) == 0) return Ext(kExtTooFewLevels);
    uint16_t area = (mask & kLevel0) ? r.Compact() : 0;
    t.file = r.Compact();
    t.element = r.Compact();
    t.sub = (mask & kLevelSub) ? r.Compact() : 0;
    if (!r.ok()) return kFormat;
    d.hasAddress = true;
    d.fileNumber = t.file;
    d.element = t.element;
    d.subElement = (mask & kLevelSub) ? t.sub : -1;
    if (area != 0) return Ext(kExtNotUsable);
    return Status{};
}

// Packet offset and total transaction of the word range commands.
Status DecodeRange(Reader &r, Operation &op, DecodedRequest &d, Target &t) {
    uint16_t offset = r.U16le();
    uint16_t total = r.U16le();
    if (!r.ok()) return kFormat;
    d.packetOffset = offset;
    d.totalTransaction = total;
    op.skipWords = offset;
    return DecodeAddress(r, t, d);
}

// The size field: one byte; or the byte and 0x00 (a 16-bit word); or 0xFF and a 16-bit word.
Status DecodeSize(Reader &r, size_t &size, DecodedRequest &d) {
    size_t left = r.left();
    uint8_t first = r.U8();
    if (left == 1 && first != 0xFF) {
        size = first;
    } else if (left == 2 && first != 0xFF) {
        size = static_cast<size_t>(first) | (static_cast<size_t>(r.U8()) << 8);
    } else if (left == 3 && first == 0xFF) {
        size = r.U16le();
    } else {
        return kFormat;
    }
    d.sizeFieldBytes = static_cast<int>(left);
    d.byteSize = static_cast<int>(size);
    return Status{};
}

// Words of a range must fit the total transaction the request announces.
Status CheckTotal(const Operation &op, const DecodedRequest &d) {
    size_t words = op.bytes / 2;
    if (op.bytes == 0 || op.bytes % 2 != 0) return kFormat;
    if (op.skipWords + words > static_cast<size_t>(d.totalTransaction))
        return Ext(kExtTransactionTooLarge);
    return Status{};
}

}  // namespace

Status DecodePlc5Read(Reader &r, Operation &op, DecodedRequest &d) {
    Status s = DecodeRange(r, op, d, op.target);
    if (!IsOk(s)) return s;
    s = DecodeSize(r, op.bytes, d);
    if (!IsOk(s)) return s;
    return CheckTotal(op, d);
}

Status DecodePlc5Write(Reader &r, Operation &op, DecodedRequest &d) {
    op.write = true;
    Status s = DecodeRange(r, op, d, op.target);
    if (!IsOk(s)) return s;
    op.bytes = r.left();
    op.data = r.here();
    r.Skip(op.bytes);
    d.byteSize = static_cast<int>(op.bytes);
    return CheckTotal(op, d);
}

// Sets of address, AND mask, OR mask until the end of the command.
Status DecodePlc5Rmw(Reader &r, Operation &op, DecodedRequest &d) {
    op.write = true;
    DecodedRequest later;  // fields of the second and further sets are not reported
    do {
        MaskSet set;
        Status s = DecodeAddress(r, set.target, op.masks.empty() ? d : later);
        if (!IsOk(s)) return s;
        set.andMask = r.U16le();
        set.orMask = r.U16le();
        if (!r.ok()) return kFormat;
        if (op.masks.empty()) {
            op.target = set.target;
            d.andMask = set.andMask;
            d.orMask = set.orMask;
        }
        d.words.push_back(set.andMask);
        d.words.push_back(set.orMask);
        op.masks.push_back(set);
    } while (r.left() > 0);
    op.bytes = op.masks.size() * 2;
    return Status{};
}

}  // namespace plcsim
