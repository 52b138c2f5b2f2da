// The session-connect request frame.
#include "link/encap.h"

namespace ordax {

void BuildSessionRequest(std::uint8_t (&out)[kSessionRequestSize]) {
    ByteCursor c = MakeCursor(out, sizeof out);
    PutEncapHeader(
        c, EncapFields{kModeRequest, kCommandSessionConnect, 0, nullptr, 0, kSessionContext});
}

}  // namespace ordax
