// Status error reporting: turns the outcome of one exchange with a PLC
// station into operator messages and into the host's result code.
#pragma once

#include "core/context.h"
#include "ordax.h"

namespace ordax {

// Operation texts the read and write commands and the master-flag check pass
// to ReportLinkStatus. They open every first line of a failure report.
inline constexpr char kOpReadBit[] = "Read Bit Failed";
inline constexpr char kOpReadWord[] = "Read Word Failed";  // words and blocks
inline constexpr char kOpReadString[] = "Read String Failed";
inline constexpr char kOpWriteBit[] = "Write Bit Failed";
inline constexpr char kOpWriteWord[] = "Write Word Failed";  // words and blocks
inline constexpr char kOpWriteString[] = "Write String Failed";
inline constexpr char kOpWriteNFileString[] = "Write N File String Failed";
inline constexpr char kOpMasterFlagRead[] = "Master Flag Read Failed";

// Logs the outcome of an exchange and returns the host result.
//   linkResult: what Transact returned (compared as unsigned).
//   txn:        read only; sts is examined when linkResult is 0, extSts when
//               sts is 0xF0.
//   operation:  the caller's operation text (one of the kOp texts above); a null
//               pointer is printed as an empty text.
//   gate:       the gate concerned, or null. Given, its addressText is named
//               in the long first-line forms (a null addressText prints as an
//               empty text).
// Returns 0 (success, nothing logged), 1 (the PLC or the request builder
// refused the request) or 2 (local status or link failure). Never fails.
int ReportLinkStatus(int linkResult, const Transaction &txn, const char *operation,
                     const GateAccess *gate);

}  // namespace ordax
