// Session connect and PCCC command frames, and the processor's refusals of bad frames.
#include "tools/plcsim/encap.h"

#include "tools/plcsim/pccc.h"
#include "tools/plcsim/wire.h"

namespace plcsim {

namespace {

// Reply header: mode 2, the request's command, its session (or `session` for a session reply),
// `status`, the request's context, reserved zero.
std::vector<uint8_t> ReplyHeader(const uint8_t *request, uint16_t dataLength,
                                 const uint8_t *sessionBytes, uint32_t status) {
    std::vector<uint8_t> f;
    f.reserve(kHeaderBytes + dataLength);
    Writer w(f);
    w.U8(kModeReply);
    w.U8(request[1]);
    w.U16be(dataLength);
    w.Bytes(sessionBytes, 4);
    w.U32be(status);
    w.Bytes(request + 12, 4);
    f.resize(kHeaderBytes, 0);
    return f;
}

void DecodeHeader(const uint8_t *frame, size_t n, DecodedRequest &d) {
    Reader r(frame, n);
    d.mode = r.U8();
    d.command = r.U8();
    d.dataLength = r.U16be();
    d.session = r.U32be();
    d.status = r.U32be();
    d.context = r.U32be();
}

uint32_t NewSession(StationState &st) {
    do {
        st.nextSession = st.nextSession * 1103515245u + 12345u + static_cast<uint32_t>(st.handle);
    } while (st.nextSession == 0);
    return st.nextSession;
}

void HandleSession(StationState &st, Conn &conn, const uint8_t *frame, FrameOutcome &out,
                   DecodedRequest &d) {
    d.commandName = "session connect";
    if (st.faults.sessionSilent) {
        d.note = "session request left unanswered (fault)";
        return;
    }
    if (conn.session == 0) conn.session = NewSession(st);
    ++st.counters.sessions;
    const uint8_t handle[4] = {
        static_cast<uint8_t>(conn.session >> 24), static_cast<uint8_t>(conn.session >> 16),
        static_cast<uint8_t>(conn.session >> 8), static_cast<uint8_t>(conn.session)};
    size_t extra = static_cast<size_t>(st.faults.sessionDataLength);
    std::vector<uint8_t> f = ReplyHeader(frame, static_cast<uint16_t>(extra), handle, 0);
    f.resize(kHeaderBytes + extra, 0);
    out.frames.push_back(std::move(f));
    d.answered = true;
}

// A header-only refusal: the request's session echoed, a non-zero status, no data.
void Refuse(const uint8_t *frame, uint32_t status, FrameOutcome &out, DecodedRequest &d,
            const char *note) {
    out.frames.push_back(ReplyHeader(frame, 0, frame + 4, status));
    d.note = note;
    d.answered = true;
}

// The frame a fault sends before the right reply.
std::vector<uint8_t> PreReplyFrame(PreReply kind, const std::vector<uint8_t> &reply) {
    std::vector<uint8_t> f = reply;
    if (kind == PreReply::WrongTns && f.size() >= kHeaderBytes + kPrefixBytes + 4) {
        size_t at = kHeaderBytes + kPrefixBytes + 2;
        uint16_t tns = static_cast<uint16_t>((f[at] | (f[at + 1] << 8)) + 0x1111);
        f[at] = static_cast<uint8_t>(tns & 0xFF);
        f[at + 1] = static_cast<uint8_t>(tns >> 8);
    } else if (kind == PreReply::Mode1) {
        f[0] = kModeRequest;
    } else if (kind == PreReply::BadStatus) {
        f[11] = static_cast<uint8_t>(kEncapInvalidSession);
    }
    return f;
}

void AddPreReply(Faults &faults, const std::vector<uint8_t> &reply, FrameOutcome &out) {
    if (faults.pre == PreReply::None || faults.preCount == 0) return;
    out.frames.push_back(PreReplyFrame(faults.pre, reply));
    if (faults.preCount > 0 && --faults.preCount == 0) faults.pre = PreReply::None;
}

void HandlePccc(StationState &st, Conn &conn, const uint8_t *frame, size_t n, FrameOutcome &out,
                DecodedRequest &d) {
    ++st.counters.requests;
    if (conn.session == 0 || d.session != conn.session) {
        ++st.counters.badSession;
        Refuse(frame, kEncapInvalidSession, out, d,
               conn.session == 0 ? "no session on this connection" : "wrong session handle");
        return;
    }
    std::vector<uint8_t> pccc;
    const uint8_t *body = frame + kHeaderBytes + kPrefixBytes;
    size_t bodyLength = n >= kHeaderBytes + kPrefixBytes ? n - kHeaderBytes - kPrefixBytes : 0;
    if (n < kHeaderBytes + kPrefixBytes || !ExecutePccc_Locked(st, body, bodyLength, d, pccc)) {
        ++st.counters.malformed;
        Refuse(frame, kEncapInvalidLength, out, d, "data too short for a PCCC command");
        return;
    }
    if (st.faults.swallow > 0) {
        --st.faults.swallow;
        ++st.counters.swallowed;
        d.note = "request swallowed (fault)";
        return;
    }
    std::vector<uint8_t> reply =
        ReplyHeader(frame, static_cast<uint16_t>(kPrefixBytes + pccc.size()), frame + 4, 0);
    reply.insert(reply.end(), frame + kHeaderBytes, frame + kHeaderBytes + kPrefixBytes);
    reply.insert(reply.end(), pccc.begin(), pccc.end());
    AddPreReply(st.faults, reply, out);
    out.frames.push_back(std::move(reply));
    ++st.counters.replies;
    if (d.reply.sts != 0) ++st.counters.refused;
    d.answered = true;
}

}  // namespace

void HandleFrame_Locked(StationState &st, Conn &conn, const uint8_t *frame, size_t n,
                        RequestRecord &rec, FrameOutcome &out) {
    DecodedRequest &d = rec.decoded;
    DecodeHeader(frame, n, d);
    if (d.command == kEncapSession) {
        HandleSession(st, conn, frame, out, d);
    } else if (d.command == kEncapPccc) {
        HandlePccc(st, conn, frame, n, out, d);
    } else {
        d.commandName = "unsupported encapsulation command";
        Refuse(frame, kEncapUnsupported, out, d, "unsupported encapsulation command");
    }
    if (!out.frames.empty()) rec.reply = out.frames.back();
}

}  // namespace plcsim
