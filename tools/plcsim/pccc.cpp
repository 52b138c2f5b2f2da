// PCCC dispatch: command table, checks (forced status, program mode, size limit), execution.
#include "tools/plcsim/pccc.h"

#include "tools/plcsim/encap.h"
#include "tools/plcsim/pccc_decode.h"
#include "tools/plcsim/wire.h"

namespace plcsim {

namespace {

using Decoder = Status (*)(Reader &, Operation &, DecodedRequest &);

// Most data bytes a reply frame can carry: its 16-bit data length also
// counts the prefix, CMD, STS and TNS.
inline constexpr size_t kMaxReadBytes = 0xFFFF - kPrefixBytes - kPcccHeadBytes;

struct CommandInfo {
    uint8_t fnc;
    Family family;
    const char *name;
    Decoder decode;
};

const CommandInfo kCommands[] = {
    {0x00, Family::Plc5, "word range write", DecodePlc5Write},
    {0x01, Family::Plc5, "word range read", DecodePlc5Read},
    {0x26, Family::Plc5, "read-modify-write", DecodePlc5Rmw},
    {0xA2, Family::Slc5, "typed logical read", DecodeSlcRead},
    {0xAA, Family::Slc5, "typed logical write", DecodeSlcWrite},
    {0xAB, Family::Slc5, "typed logical masked write", DecodeSlcMasked},
};

const CommandInfo *FindCommand(uint8_t fnc) {
    for (const auto &c : kCommands)
        if (c.fnc == fnc) return &c;
    return nullptr;
}

// The file a target names, checked against the SLC file-type byte when there is one.
Status FindFile(StationState &st, const Target &t, DataFile *&file) {
    file = st.tables.Find(t.file);
    if (file == nullptr) return Ext(kExtNotUsable);
    if (t.slc && InfoOf(file->type).slcType != t.slcType) return Ext(kExtIllegalDataType);
    return Status{};
}

// Word offset of `words` words starting `skip` words after the target, inside its file.
Status LocateRange(StationState &st, const Target &t, size_t skip, size_t words, DataFile *&file,
                   size_t &offset) {
    Status s = FindFile(st, t, file);
    if (!IsOk(s)) return s;
    s = st.tables.Locate(*file, t.element, t.sub, offset);
    if (!IsOk(s)) return s;
    offset += skip;
    if (offset + words > file->words.size()) return Ext(kExtWrongSize);
    return Status{};
}

Status ExecuteRead(StationState &st, const Operation &op, std::vector<uint8_t> &reply) {
    DataFile *file = nullptr;
    size_t offset = 0;
    Status s = LocateRange(st, op.target, op.skipWords, (op.bytes + 1) / 2, file, offset);
    if (!IsOk(s)) return s;
    for (size_t i = 0; i < op.bytes; ++i) {
        uint16_t w = file->words[offset + i / 2];
        reply.push_back(static_cast<uint8_t>(i % 2 == 0 ? w & 0xFF : w >> 8));
    }
    return Status{};
}

Status ExecuteWrite(StationState &st, const Operation &op) {
    DataFile *file = nullptr;
    size_t offset = 0;
    Status s = LocateRange(st, op.target, op.skipWords, (op.bytes + 1) / 2, file, offset);
    if (!IsOk(s)) return s;
    for (size_t i = 0; i < op.bytes; ++i) {
        uint16_t &w = file->words[offset + i / 2];
        uint16_t b = op.data[i];
        w = static_cast<uint16_t>(i % 2 == 0 ? (w & 0xFF00) | b : (w & 0x00FF) | (b << 8));
    }
    return Status{};
}

// Every set is checked before any is applied, so a refused request changes nothing.
Status ExecuteMasks(StationState &st, const Operation &op) {
    std::vector<uint16_t *> cells;
    for (const MaskSet &m : op.masks) {
        DataFile *file = nullptr;
        size_t offset = 0;
        Status s = LocateRange(st, m.target, m.index, 1, file, offset);
        if (!IsOk(s)) return s;
        cells.push_back(&file->words[offset]);
    }
    for (size_t i = 0; i < cells.size(); ++i)
        *cells[i] = static_cast<uint16_t>((*cells[i] & op.masks[i].andMask) | op.masks[i].orMask);
    return Status{};
}

// Faults and modes that refuse a well-formed request before it touches the tables.
Status CheckRefusals_Locked(StationState &st, const Operation &op) {
    Faults &f = st.faults;
    for (const ForcedAt &at : f.forceAt)
        if (at.file == op.target.file && at.element == op.target.element && at.sub == op.target.sub)
            return at.status;
    if (op.write && f.programMode) return Status{kStsProgramMode, 0};
    if (f.maxDataBytes != 0 && op.bytes > f.maxDataBytes) return f.maxRefusal;
    return Status{};
}

Status Run_Locked(StationState &st, const CommandInfo &c, Reader &r, DecodedRequest &d,
                  std::vector<uint8_t> &data) {
    Operation op;
    Status s = c.decode(r, op, d);
    if (op.data != nullptr)
        for (size_t i = 0; i + 1 < op.bytes; i += 2)
            d.words.push_back(static_cast<uint16_t>(op.data[i] | (op.data[i + 1] << 8)));
    if (!IsOk(s)) return s;
    if (!op.write && op.bytes > kMaxReadBytes) return Ext(kExtTransactionTooLarge);
    s = CheckRefusals_Locked(st, op);
    if (!IsOk(s)) return s;
    if (!op.masks.empty()) return ExecuteMasks(st, op);
    if (op.write) return ExecuteWrite(st, op);
    return ExecuteRead(st, op, data);
}

const char *RefusalNote(uint8_t fnc, const CommandInfo *c, Family family) {
    if (c == nullptr) return "unknown function code";
    if (c->family != family) return "command of the other processor family";
    (void)fnc;
    return "";
}

}  // namespace

const char *CommandName(uint8_t cmd, uint8_t fnc) {
    const CommandInfo *c = cmd == kCmdRequest ? FindCommand(fnc) : nullptr;
    return c ? c->name : "unknown";
}

bool ExecutePccc_Locked(StationState &st, const uint8_t *p, size_t n, DecodedRequest &d,
                        std::vector<uint8_t> &reply) {
    Reader r(p, n);
    d.cmd = r.U8();
    d.tnsSts = r.U8();
    d.tns = r.U16le();
    if (!r.ok()) return false;
    d.hasPccc = true;
    Status s{kStsIllegalCommand, 0};
    std::vector<uint8_t> data;
    const CommandInfo *c = nullptr;
    if (r.left() > 0) {
        d.hasFnc = true;
        d.fnc = r.U8();
        d.commandName = CommandName(d.cmd, d.fnc);
        c = d.cmd == kCmdRequest ? FindCommand(d.fnc) : nullptr;
        d.note = d.cmd == kCmdRequest ? RefusalNote(d.fnc, c, st.config.family) : "CMD is not 0x0F";
    } else {
        d.commandName = "unknown";
        d.note = "no function code";
    }
    if (st.faults.forceNext) {
        s = *st.faults.forceNext;
        st.faults.forceNext.reset();
        d.note = "forced status";
    } else if (c != nullptr && c->family == st.config.family) {
        s = Run_Locked(st, *c, r, d, data);
        if (!IsOk(s) && d.note.empty()) d.note = "refused";
    }
    d.reply = s;
    Writer w(reply);
    w.U8(static_cast<uint8_t>(d.cmd | kCmdReplyBit));
    w.U8(s.sts);
    w.U16le(d.tns);
    if (s.sts == kStsExtended) w.U8(s.extSts);
    if (IsOk(s)) w.Bytes(data.data(), data.size());
    return true;
}

}  // namespace plcsim
