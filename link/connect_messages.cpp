// Messages for bind and connect failures, by Windows Sockets error number.
#include "link/link_messages.h"
#include "platform/sockerr.h"

namespace ordax {

namespace {

struct CodeMessage {
    int code;
    Message<> message;
};

constexpr CodeMessage kBindMessages[] = {
    {plat::kWsaEbadf, {kLevelError, "Ordax : Bind invalid socket descriptor error"}},
    {plat::kWsaEinval, {kLevelError, "Ordax : Bind socket already bound error"}},
    {plat::kWsaEafnosupport, {kLevelError, "Ordax : Bind AF not supported error"}},
    {plat::kWsaEaddrinuse, {kLevelError, "Ordax : Bind address in use error"}},
    {plat::kWsaEaddrnotavail, {kLevelError, "Ordax : Bind address not available error"}},
};
constexpr Message<int, int> kBindUnknown{kLevelError, "Ordax : Bind unknown error code %d 0x%X"};

constexpr CodeMessage kConnectMessages[] = {
    {plat::kWsaEbadf, {kLevelDetail, "Ordax : connect invalid socket desriptor"}},
    {plat::kWsaEnotsock, {kLevelDetail, "Ordax : socket connect invalid socket descriptor"}},
    {plat::kWsaEafnosupport, {kLevelDetail, "Ordax : connect AF protocol not supported"}},
    {plat::kWsaEaddrinuse, {kLevelDetail, "Ordax : connect address already in use error"}},
    {plat::kWsaEaddrnotavail, {kLevelDetail, "Ordax : connect address not available"}},
    {plat::kWsaEnetunreach, {kLevelDetail, "Ordax : socket connect network is unreachable"}},
    {plat::kWsaEtimedout, {kLevelDetail, "Ordax : socket connect timed out"}},
    {plat::kWsaEconnrefused,
     {kLevelDetail, "Ordax : socket connect attempt to connected was forcefully refused"}},
};
constexpr Message<int, int> kConnectUnknown{kLevelDetail,
                                            "Ordax : socket connect unknown error code %d 0x%x"};

template <std::size_t N>
const Message<> *Find(const CodeMessage (&table)[N], int code) {
    for (const CodeMessage &m : table) {
        if (m.code == code) return &m.message;
    }
    return nullptr;
}

}  // namespace

void LogBindFailure(int wsaError) {
    const Message<> *known = Find(kBindMessages, wsaError);
    if (known != nullptr) {
        Emit(*known);
    } else {
        Emit(kBindUnknown, wsaError, wsaError);
    }
}

void LogConnectFailure(int wsaError) {
    const Message<> *known = Find(kConnectMessages, wsaError);
    if (known != nullptr) {
        Emit(*known);
    } else {
        Emit(kConnectUnknown, wsaError, wsaError);
    }
}

}  // namespace ordax
