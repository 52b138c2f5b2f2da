// Operator messages of the PLC link: text and level, character for
// character as operators and their tools know them.
#pragma once

#include "core/message.h"

namespace ordax {

namespace linkmsg {

// Request building (only logged when a gate is named).
inline constexpr Message<const char *> kSlcFileType{
    kLevelDetail, "Ordax: SLC Request with invalid File type, Gate Address: %s"};
inline constexpr Message<const char *> kPlcType{
    kLevelDetail, "Ordax: Request with invalid PLC type, Gate Address: %s"};
inline constexpr Message<const char *> kPlcTypeWrite{
    kLevelDetail, "Ordax: Request with invalid PLC type, Gate Address %s"};
inline constexpr Message<const char *> kFunctionType{
    kLevelDetail, "Ordax: Request with invalid Function type, Gate Address: %s"};
inline constexpr Message<const char *> kCount{
    kLevelDetail, "Ordax: Request with invalid Count, Gate Address: %s"};

// Sending and receiving frames.
inline constexpr Message<int, int> kSendErrno{kLevelError, "Ordax : Send message errno %d 0x%X"};
inline constexpr Message<> kRcvTooLong{kLevelError,
                                       "Ordax : Receive Message length exceeds buffer limits"};
inline constexpr Message<int, int> kRcvSelectFailed{kLevelDetail,
                                                    "Ordax : RcvMsg Select failed Errno %d 0x%X"};
inline constexpr Message<> kRcvNoEvent{
    kLevelError, "Ordax : RcvMsg internal error, selected completed but no event on socket"};
inline constexpr Message<int, int> kRcvError{kLevelError, "Ordax : Receive Message error %d 0x%d"};
inline constexpr Message<> kRcvTimeout{kLevelError, "Ordax : Timeout from receive message"};

// Station connection.
inline constexpr Message<const char *> kNoSocket{
    kLevelError, " Ordax : Unable to allocate socket for station at IP %s"};
inline constexpr Message<int, int, const char *> kSockOpt{
    kLevelError, "Ordax : Errno %d 0x%X setting socket options for station at IP %s"};
inline constexpr Message<const char *> kIoctl{kLevelError,
                                              "Ordax : Failure setting ioctl for station at IP %s"};
inline constexpr Message<const char *> kBadHost{kLevelError, "Ordax : Invalid host name: %s"};
inline constexpr Message<> kConnectTimeout{kLevelDetail, "Ordax : connect select timeout"};
inline constexpr Message<int, int> kConnectSelectErrno{kLevelDetail,
                                                       "Ordax : connect select Errno %d 0x%X"};
inline constexpr Message<> kSessionSend{kLevelDetail, "Ordax : session connect send failed"};
inline constexpr Message<> kSessionReceive{kLevelDetail,
                                           "Ordax : session establish received failed"};
inline constexpr Message<const char *> kConnected{kLevelDetail, "Ordax : Connected to %s"};
inline constexpr Message<const char *> kConnectFailure{kLevelError,
                                                       "Ordax : Failure connecting to %s"};

}  // namespace linkmsg

// Bind and connect failures: one message per Windows Sockets error number.
// Bind messages are level 32, connect messages level 8; an unknown number
// takes the table's fallback format with the number twice.
void LogBindFailure(int wsaError);
void LogConnectFailure(int wsaError);

}  // namespace ordax
