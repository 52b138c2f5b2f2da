// Operation texts the read and write commands and the master-flag check pass
// to ReportLinkStatus. They open every first line of a failure report.
#pragma once

namespace ordax {

inline constexpr char kOpReadBit[] = "Read Bit Failed";
inline constexpr char kOpReadWord[] = "Read Word Failed";  // words and blocks
inline constexpr char kOpReadString[] = "Read String Failed";
inline constexpr char kOpWriteBit[] = "Write Bit Failed";
inline constexpr char kOpWriteWord[] = "Write Word Failed";  // words and blocks
inline constexpr char kOpWriteString[] = "Write String Failed";
inline constexpr char kOpWriteNFileString[] = "Write N File String Failed";
inline constexpr char kOpMasterFlagRead[] = "Master Flag Read Failed";

}  // namespace ordax
