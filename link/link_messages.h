// Operator messages of the PLC link: text and level, character for
// character as operators and their tools know them.
#pragma once

#include "frame/codes.h"
#include "frame/host.h"

namespace ordax {

struct LinkMessage {
    int level;
    const char *text;  // printf format
};

namespace linkmsg {

// Request building (only logged when a gate is named).
inline constexpr LinkMessage kSlcFileType{kLevelDetail, "Ordax: SLC Request with invalid File type, Gate Address: %s"};
inline constexpr LinkMessage kPlcType{kLevelDetail, "Ordax: Request with invalid PLC type, Gate Address: %s"};
inline constexpr LinkMessage kPlcTypeWrite{kLevelDetail, "Ordax: Request with invalid PLC type, Gate Address %s"};
inline constexpr LinkMessage kFunctionType{kLevelDetail, "Ordax: Request with invalid Function type, Gate Address: %s"};
inline constexpr LinkMessage kCount{kLevelDetail, "Ordax: Request with invalid Count, Gate Address: %s"};

// Sending and receiving frames.
inline constexpr LinkMessage kSendErrno{kLevelError, "Ordax : Send message errno %d 0x%X"};
inline constexpr LinkMessage kRcvTooLong{kLevelError, "Ordax : Receive Message length exceeds buffer limits"};
inline constexpr LinkMessage kRcvSelectFailed{kLevelDetail, "Ordax : RcvMsg Select failed Errno %d 0x%X"};
inline constexpr LinkMessage kRcvNoEvent{kLevelError, "Ordax : RcvMsg internal error, selected completed but no event on socket"};
inline constexpr LinkMessage kRcvError{kLevelError, "Ordax : Receive Message error %d 0x%d"};
inline constexpr LinkMessage kRcvTimeout{kLevelError, "Ordax : Timeout from receive message"};

// Station connection.
inline constexpr LinkMessage kNoSocket{kLevelError, " Ordax : Unable to allocate socket for station at IP %s"};
inline constexpr LinkMessage kSockOpt{kLevelError, "Ordax : Errno %d 0x%X setting socket options for station at IP %s"};
inline constexpr LinkMessage kIoctl{kLevelError, "Ordax : Failure setting ioctl for station at IP %s"};
inline constexpr LinkMessage kBadHost{kLevelError, "Ordax : Invalid host name: %s"};
inline constexpr LinkMessage kConnectNoEvent{kLevelError, "Ordax : OpenStation internal error connect select completed with no event set on socket"};
inline constexpr LinkMessage kConnectTimeout{kLevelDetail, "Ordax : connect select timeout"};
inline constexpr LinkMessage kConnectSelectErrno{kLevelDetail, "Ordax : connect select Errno %d 0x%X"};
inline constexpr LinkMessage kSessionSend{kLevelDetail, "Ordax : session connect send failed"};
inline constexpr LinkMessage kSessionReceive{kLevelDetail, "Ordax : session establish received failed"};
inline constexpr LinkMessage kConnected{kLevelDetail, "Ordax : Connected to %s"};
inline constexpr LinkMessage kConnectFailure{kLevelError, "Ordax : Failure connecting to %s"};

}  // namespace linkmsg

// Sends one message through the host's message service.
template <typename... Args>
void Log(const LinkMessage &m, Args... args) {
    if constexpr (sizeof...(Args) == 0) {
        err(m.level, "%s", m.text);
    } else {
        err(m.level, m.text, args...);
    }
}

// Bind and connect failures: one message per Windows Sockets error number.
// Bind messages are level 32, connect messages level 8; an unknown number
// takes the table's fallback format with the number twice.
void LogBindFailure(int wsaError);
void LogConnectFailure(int wsaError);

}  // namespace ordax
