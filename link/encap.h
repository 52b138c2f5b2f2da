// The 28-byte encapsulation header in front of every frame on a station's
// connection, and the fixed offsets of the PCCC request and reply inside a
// frame. Header fields are big-endian; everything in the PCCC part is
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/bytes.h"

namespace ordax {

// EncapHeader layout (byte offsets in the frame).
constexpr std::size_t kEncapHeaderSize = 28;
constexpr std::size_t kEncapMode = 0;
constexpr std::size_t kEncapCommand = 1;
constexpr std::size_t kEncapDataLength = 2;  // 16 bits, big-endian
constexpr std::size_t kEncapSession = 4;     // 4 bytes, as the station sent them
constexpr std::size_t kEncapStatus = 8;      // 32 bits, big-endian
constexpr std::size_t kEncapContext = 12;    // 32 bits, big-endian
constexpr std::size_t kEncapReserved = 16;   // 12 zero bytes
constexpr std::size_t kEncapReservedSize = 12;
constexpr std::size_t kSessionSize = 4;

constexpr std::uint8_t kModeRequest = 1;
constexpr std::uint8_t kModeReply = 2;
constexpr std::uint8_t kCommandSessionConnect = 1;
constexpr std::uint8_t kCommandPccc = 7;

// Context of the session-connect request: the bytes 00 04 00 05.
constexpr std::uint32_t kSessionContext = 0x00040005u;

// The data prefix between header and PCCC command: 00 05 00 00.
constexpr std::size_t kDataPrefixSize = 4;
constexpr std::uint8_t kDataPrefix[kDataPrefixSize] = {0x00, 0x05, 0x00, 0x00};

// PCCC part of a frame: request and reply both start at byte 32.
constexpr std::size_t kPcccStart = kEncapHeaderSize + kDataPrefixSize;  // CMD
constexpr std::size_t kPcccSts = kPcccStart + 1;
constexpr std::size_t kPcccTns = kPcccStart + 2;        // 16 bits, little-endian
constexpr std::size_t kPcccFnc = kPcccStart + 4;        // request: function code
constexpr std::size_t kPcccReplyData = kPcccStart + 4;  // reply: EXT STS or data
constexpr std::size_t kPcccHeadSize = 5;                // CMD, STS, TNS, FNC

// Bytes of a session-connect request and the buffer for its reply
// (header and at most 15 data bytes).
constexpr std::size_t kSessionRequestSize = kEncapHeaderSize;
constexpr std::size_t kSessionReplyCapacity = 43;

// Fields of one header, host order.
struct EncapFields {
    std::uint8_t mode;
    std::uint8_t command;
    std::uint16_t dataLength;
    const std::uint8_t *session;  // 4 bytes copied unchanged; nullptr = zeros
    std::uint32_t status;
    std::uint32_t context;
};

// Writes the 28 header bytes at the cursor (reserved bytes zero).
constexpr void PutEncapHeader(ByteCursor &c, const EncapFields &f) {
    PutU8(c, f.mode);
    PutU8(c, f.command);
    PutU16be(c, f.dataLength);
    if (f.session != nullptr) {
        PutBytes(c, f.session, kSessionSize);
    } else {
        PutZeros(c, kSessionSize);
    }
    PutU32be(c, f.status);
    PutU32be(c, f.context);
    PutZeros(c, kEncapReservedSize);
}

// Fills `out` with the 28-byte session-connect request:
// 01 01 00 00, 00 00 00 00, 00 00 00 00, 00 04 00 05, twelve 00.
void BuildSessionRequest(std::uint8_t (&out)[kSessionRequestSize]);

}  // namespace ordax
