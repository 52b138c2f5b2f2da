// Messages for bind and connect failures, by Windows Sockets error number.
#include "link/link_messages.h"
#include "platform/sockerr.h"

namespace ordax {

namespace {

struct CodeMessage {
    int code;
    const char *text;
};

constexpr CodeMessage kBindMessages[] = {
    {plat::kWsaEbadf, "Ordax : Bind invalid socket descriptor error"},
    {plat::kWsaEinval, "Ordax : Bind socket already bound error"},
    {plat::kWsaEafnosupport, "Ordax : Bind AF not supported error"},
    {plat::kWsaEaddrinuse, "Ordax : Bind address in use error"},
    {plat::kWsaEaddrnotavail, "Ordax : Bind address not available error"},
};
constexpr LinkMessage kBindUnknown{kLevelError, "Ordax : Bind unknown error code %d 0x%X"};

constexpr CodeMessage kConnectMessages[] = {
    {plat::kWsaEbadf, "Ordax : connect invalid socket desriptor"},
    {plat::kWsaEnotsock, "Ordax : socket connect invalid socket descriptor"},
    {plat::kWsaEafnosupport, "Ordax : connect AF protocol not supported"},
    {plat::kWsaEaddrinuse, "Ordax : connect address already in use error"},
    {plat::kWsaEaddrnotavail, "Ordax : connect address not available"},
    {plat::kWsaEnetunreach, "Ordax : socket connect network is unreachable"},
    {plat::kWsaEtimedout, "Ordax : socket connect timed out"},
    {plat::kWsaEconnrefused, "Ordax : socket connect attempt to connected was forcefully refused"},
};
constexpr LinkMessage kConnectUnknown{kLevelDetail, "Ordax : socket connect unknown error code %d 0x%x"};

template <std::size_t N>
const char *Find(const CodeMessage (&table)[N], int code) {
    for (const CodeMessage &m : table) {
        if (m.code == code) return m.text;
    }
    return nullptr;
}

}  // namespace

void LogBindFailure(int wsaError) {
    const char *text = Find(kBindMessages, wsaError);
    if (text != nullptr) {
        Log(LinkMessage{kLevelError, text});
    } else {
        Log(kBindUnknown, wsaError, wsaError);
    }
}

void LogConnectFailure(int wsaError) {
    const char *text = Find(kConnectMessages, wsaError);
    if (text != nullptr) {
        Log(LinkMessage{kLevelDetail, text});
    } else {
        Log(kConnectUnknown, wsaError, wsaError);
    }
}

}  // namespace ordax
