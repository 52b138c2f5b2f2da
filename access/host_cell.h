// The host's value layouts, byte by byte. A host cell is 4 bytes laid out
// little-endian: a 32-bit value fills it, a 16-bit value (and the 0 or 1 of
// a bit) sits in bytes 2 and 3. Blocks are values packed one after another.
// The words of a Transaction hold PLC words as numbers; these helpers are
// the only place where they meet the host's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ordax {

constexpr std::size_t kCellWordOffset = 2;  // bytes 2 and 3 of a cell hold a 16-bit value

inline void PutHostU16(std::uint8_t *out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value & 0xFFu);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline std::uint16_t GetHostU16(const std::uint8_t *in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

// Byte `i` of a run of little-endian words.
inline std::uint8_t WordByte(const std::uint16_t *words, std::size_t i) {
    const std::uint16_t w = words[i / 2];
    return static_cast<std::uint8_t>(i % 2 == 0 ? (w & 0xFFu) : (w >> 8));
}

// `bytes` bytes of the words as they travel: low byte of each word first.
inline void WordsToHostBytes(const std::uint16_t *words, std::uint8_t *out, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) out[i] = WordByte(words, i);
}

// The inverse; an odd last byte becomes the low byte of a word whose high
// byte is 0.
inline void HostBytesToWords(const std::uint8_t *in, std::size_t bytes, std::uint16_t *words) {
    for (std::size_t i = 0; i + 1 < bytes; i += 2) words[i / 2] = GetHostU16(in + i);
    if (bytes % 2 != 0) words[bytes / 2] = in[bytes - 1];
}

// A word whose two bytes are the characters `first` (high byte) and
// `second` (low byte), and the other way round.
inline std::uint16_t HighFirstWord(std::uint8_t first, std::uint8_t second) {
    return static_cast<std::uint16_t>((first << 8) | second);
}
inline std::uint16_t LowFirstWord(std::uint8_t first, std::uint8_t second) {
    return static_cast<std::uint16_t>(first | (second << 8));
}

}  // namespace ordax
