// Wire-log texts: hex dumps and decoded frame fields.
#include "tools/plcsim/wirelog.h"

#include <cstdio>

#include "tools/plcsim/encap.h"
#include "tools/plcsim/pccc.h"
#include "tools/plcsim/wire.h"

namespace plcsim {

namespace {

std::string Format(const char *fmt, unsigned a, unsigned b = 0, unsigned c = 0, unsigned e = 0,
                   unsigned f = 0) {
    char text[160];
    std::snprintf(text, sizeof text, fmt, a, b, c, e, f);
    return text;
}

const char *EncapName(uint8_t command) {
    switch (command) {
        case kEncapSession:
            return "session connect";
        case kEncapPccc:
            return "PCCC";
        default:
            return "unknown";
    }
}

// CMD, STS, TNS (and FNC or EXT STS) of the PCCC part of a command-7 frame.
std::string PcccHead(const uint8_t *bytes, size_t length, bool fromHost) {
    if (length < kHeaderBytes + kPrefixBytes + kPcccHeadBytes) return "";
    Reader r(bytes + kHeaderBytes + kPrefixBytes, length - kHeaderBytes - kPrefixBytes);
    unsigned cmd = r.U8();
    unsigned sts = r.U8();
    unsigned tns = r.U16le();
    std::string s = Format("\n    PCCC CMD 0x%02X STS 0x%02X TNS 0x%04X", cmd, sts, tns);
    if (r.left() == 0) return s;
    unsigned next = r.U8();
    if (fromHost) {
        s += Format(" FNC 0x%02X ", next);
        s += CommandName(static_cast<uint8_t>(cmd), static_cast<uint8_t>(next));
    } else if (sts == kStsExtended) {
        s += Format(" EXT STS 0x%02X", next);
    } else {
        s += Format(", %u data bytes", static_cast<unsigned>(r.left() + 1));
    }
    return s;
}

}  // namespace

std::string HexDump(const uint8_t *bytes, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        if (i > 0) out += (i % 16 == 0) ? "\n    " : " ";
        out += Format("%02X", bytes[i]);
    }
    return out;
}

std::string FormatFrame(const uint8_t *bytes, size_t length, bool fromHost) {
    std::string s = fromHost ? "host -> plc, " : "plc -> host, ";
    s += Format("%u bytes", static_cast<unsigned>(length));
    if (length >= kHeaderBytes) {
        Reader r(bytes, length);
        unsigned mode = r.U8();
        unsigned command = r.U8();
        unsigned dataLength = r.U16be();
        unsigned session = r.U32be();
        unsigned status = r.U32be();
        unsigned context = r.U32be();
        s += Format(": mode %u command %u (", mode, command);
        s += EncapName(static_cast<uint8_t>(command));
        s += Format(") dataLength %u session 0x%08X status 0x%X context 0x%08X", dataLength,
                    session, status, context);
        s += PcccHead(bytes, length, fromHost);
    }
    s += "\n    ";
    s += HexDump(bytes, length);
    return s;
}

std::string DescribeRequest(const DecodedRequest &d) {
    std::string s = "    ";
    s += d.commandName;
    if (d.hasAddress) {
        s += Format(" file %u element %u", static_cast<unsigned>(d.fileNumber),
                    static_cast<unsigned>(d.element));
        if (d.subElement >= 0) s += Format(" sub %u", static_cast<unsigned>(d.subElement));
        if (d.slcFileType != 0) s += Format(" type 0x%02X", d.slcFileType);
        if (d.levelMask != 0) s += Format(" levels 0x%02X", d.levelMask);
    }
    if (d.byteSize >= 0) s += Format(" bytes %u", static_cast<unsigned>(d.byteSize));
    if (d.hasPccc) {
        s += Format(" -> STS 0x%02X", d.reply.sts);
        if (d.reply.sts == kStsExtended) s += Format(" EXT STS 0x%02X", d.reply.extSts);
    }
    if (!d.note.empty()) {
        s += " (";
        s += d.note;
        s += ")";
    }
    return s;
}

}  // namespace plcsim
