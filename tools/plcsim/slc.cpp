// SLC 5/05 protected typed logical read, write and masked write with three address fields.
#include "tools/plcsim/pccc_decode.h"
#include "tools/plcsim/tables.h"

namespace plcsim {

namespace {

const Status kFormat{kStsIllegalCommand, 0};

// Byte size, file number, file-type byte, element, sub-element.
Status DecodeHead(Reader &r, Operation &op, DecodedRequest &d) {
    op.bytes = r.Compact();
    Target &t = op.target;
    t.slc = true;
    t.file = r.Compact();
    t.slcType = r.U8();
    t.element = r.Compact();
    t.sub = r.Compact();
    if (!r.ok()) return kFormat;
    d.byteSize = static_cast<int>(op.bytes);
    d.hasAddress = true;
    d.slcFileType = t.slcType;
    d.fileNumber = t.file;
    d.element = t.element;
    d.subElement = t.sub;
    if (op.bytes == 0) return kFormat;
    return Status{};
}

}  // namespace

Status DecodeSlcRead(Reader &r, Operation &op, DecodedRequest &d) {
    Status s = DecodeHead(r, op, d);
    if (!IsOk(s)) return s;
    return r.left() == 0 ? Status{} : kFormat;
}

Status DecodeSlcWrite(Reader &r, Operation &op, DecodedRequest &d) {
    op.write = true;
    Status s = DecodeHead(r, op, d);
    if (!IsOk(s)) return s;
    if (r.left() != op.bytes) return kFormat;
    op.data = r.here();
    r.Skip(op.bytes);
    return Status{};
}

// Mask word, then the data words: new = (old AND NOT mask) OR (value AND mask), word by word.
Status DecodeSlcMasked(Reader &r, Operation &op, DecodedRequest &d) {
    op.write = true;
    Status s = DecodeHead(r, op, d);
    if (!IsOk(s)) return s;
    if (op.bytes % 2 != 0 || r.left() != op.bytes + 2) return kFormat;
    uint16_t mask = r.U16le();
    d.andMask = mask;
    for (size_t i = 0; i < op.bytes / 2; ++i) {
        uint16_t value = r.U16le();
        if (i == 0) d.orMask = value;
        d.words.push_back(value);
        op.masks.push_back(MaskSet{op.target, i, static_cast<uint16_t>(~mask),
                                   static_cast<uint16_t>(value & mask)});
    }
    return Status{};
}

}  // namespace plcsim
