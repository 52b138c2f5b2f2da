// The simulator's handling of received frames on one connection: header
// decoding, session, PCCC decoding and execution against the data tables,
// the reply, and the wire-log texts of both. Input: family selector,
// session selector, then the bytes the connection receives; they are cut
// into frames by their headers as the simulator's loop cuts them.
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/layouts.h"
#include "tools/plcsim/encap.h"
#include "tools/plcsim/pccc.h"
#include "tools/plcsim/state.h"
#include "tools/plcsim/wirelog.h"

namespace {

// The defaults, and files large enough for the largest transfers a request
// can name.
constexpr char kTables[] = "N40:10000,ST41:1000";

plcsim::StationState NewStation(plcsim::Family family) {
    plcsim::StationState st;
    st.handle = 0;
    st.config.family = family;
    std::string error;
    FUZZ_CHECK(st.tables.Build(kTables, family, error));
    return st;
}

std::size_t Be16(const std::vector<std::uint8_t> &f, std::size_t at) {
    return std::size_t{f[at]} << 8 | f[at + 1];
}

// What every reply frame must be: a whole frame whose header tells its
// length, mode 2, the request's command and context.
void CheckReply(const std::uint8_t *request, const std::vector<std::uint8_t> &reply,
                const plcsim::DecodedRequest &d) {
    FUZZ_CHECK(reply.size() >= plcsim::kHeaderBytes);
    FUZZ_CHECK(Be16(reply, 2) + plcsim::kHeaderBytes == reply.size());
    FUZZ_CHECK(reply[0] == plcsim::kModeReply && reply[1] == request[1]);
    FUZZ_CHECK(std::equal(request + 12, request + 16, reply.begin() + 12));
    const std::size_t pccc = plcsim::kHeaderBytes + plcsim::kPrefixBytes;
    if (d.command == plcsim::kEncapPccc && reply.size() > plcsim::kHeaderBytes) {
        FUZZ_CHECK(reply.size() >= pccc + plcsim::kPcccHeadBytes);
        FUZZ_CHECK(reply[pccc] == (d.cmd | plcsim::kCmdReplyBit));
        FUZZ_CHECK(reply[pccc + 1] == d.reply.sts);
        FUZZ_CHECK((reply[pccc + 2] | reply[pccc + 3] << 8) == d.tns);
    }
    (void)plcsim::FormatFrame(reply.data(), reply.size(), false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::Input in(data, size);
    fuzz::PlcsimHead head;
    fuzz::Read(in, head);
    // Every run starts from the same tables.
    static const plcsim::StationState prototypes[2] = {NewStation(plcsim::Family::Plc5),
                                                       NewStation(plcsim::Family::Slc5)};
    plcsim::StationState st = prototypes[head.family % 2];
    plcsim::Conn conn;
    conn.session = head.session % 2 == 0 ? 0 : fuzz::kPlcsimSession;
    const std::vector<std::uint8_t> stream = in.Rest();

    std::size_t at = 0;
    while (stream.size() - at >= plcsim::kHeaderBytes) {
        const std::uint8_t *frame = stream.data() + at;
        const std::size_t dataLength = std::size_t{frame[2]} << 8 | frame[3];
        if (dataLength > plcsim::kMaxDataLength) break;  // the loop closes the connection
        const std::size_t n = plcsim::kHeaderBytes + dataLength;
        if (stream.size() - at < n) break;  // incomplete: the loop waits for more
        plcsim::RequestRecord rec;
        plcsim::FrameOutcome out;
        plcsim::HandleFrame_Locked(st, conn, frame, n, rec, out);
        const plcsim::DecodedRequest &d = rec.decoded;
        FUZZ_CHECK(d.dataLength == dataLength);
        FUZZ_CHECK(out.frames.size() <= 1 && !out.close);
        FUZZ_CHECK(d.answered == !out.frames.empty());
        for (const auto &reply : out.frames) CheckReply(frame, reply, d);
        if (d.command == plcsim::kEncapSession) FUZZ_CHECK(conn.session != 0);
        (void)plcsim::FormatFrame(frame, n, true);
        (void)plcsim::DescribeRequest(d);
        at += n;
    }
    return 0;
}
