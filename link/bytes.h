// Byte encoding helpers: explicit byte order over a bounded cursor.
//
// A ByteCursor writes into a buffer of known size. A write that would pass
// the end writes nothing and sets `overflow`, so an encoder can run to its end
// and the caller checks once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ordax {

struct ByteCursor {
    std::uint8_t *data;
    std::size_t capacity;
    std::size_t pos;
    bool overflow;
};

constexpr ByteCursor MakeCursor(std::uint8_t *data, std::size_t capacity, std::size_t pos = 0) {
    return ByteCursor{data, capacity, pos, pos > capacity};
}

// True when `n` more bytes fit; otherwise marks the cursor as overflowed.
constexpr bool Reserve(ByteCursor &c, std::size_t n) {
    if (c.overflow || n > c.capacity - c.pos) {
        c.overflow = true;
        return false;
    }
    return true;
}

constexpr void PutU8(ByteCursor &c, std::uint8_t v) {
    if (!Reserve(c, 1)) return;
    c.data[c.pos++] = v;
}

constexpr void PutU16le(ByteCursor &c, std::uint16_t v) {
    if (!Reserve(c, 2)) return;
    c.data[c.pos++] = static_cast<std::uint8_t>(v & 0xFFu);
    c.data[c.pos++] = static_cast<std::uint8_t>(v >> 8);
}

constexpr void PutU16be(ByteCursor &c, std::uint16_t v) {
    if (!Reserve(c, 2)) return;
    c.data[c.pos++] = static_cast<std::uint8_t>(v >> 8);
    c.data[c.pos++] = static_cast<std::uint8_t>(v & 0xFFu);
}

constexpr void PutU32be(ByteCursor &c, std::uint32_t v) {
    if (!Reserve(c, 4)) return;
    for (int shift = 24; shift >= 0; shift -= 8) {
        c.data[c.pos++] = static_cast<std::uint8_t>((v >> shift) & 0xFFu);
    }
}

// `n` words, each little-endian; one bounds check for the whole run.
constexpr void PutU16leArray(ByteCursor &c, const std::uint16_t *words, std::size_t n) {
    if (!Reserve(c, 2 * n)) return;
    std::uint8_t *out = c.data + c.pos;
    for (std::size_t i = 0; i < n; ++i) {
        out[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFFu);
        out[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    c.pos += 2 * n;
}

// Copies `n` bytes as they are.
constexpr void PutBytes(ByteCursor &c, const std::uint8_t *bytes, std::size_t n) {
    if (!Reserve(c, n)) return;
    for (std::size_t i = 0; i < n; ++i) c.data[c.pos++] = bytes[i];
}

// `n` zero bytes.
constexpr void PutZeros(ByteCursor &c, std::size_t n) {
    if (!Reserve(c, n)) return;
    for (std::size_t i = 0; i < n; ++i) c.data[c.pos++] = 0;
}

// PCCC compact number: a value up to 254 is one byte; from 255 on it is
// 0xFF followed by the value as a little-endian word.
constexpr std::uint8_t kCompactEscape = 0xFF;
constexpr std::uint16_t kCompactShortMax = 254;

constexpr void PutCompact(ByteCursor &c, std::uint16_t v) {
    if (v <= kCompactShortMax) {
        PutU8(c, static_cast<std::uint8_t>(v));
        return;
    }
    if (!Reserve(c, 3)) return;
    PutU8(c, kCompactEscape);
    PutU16le(c, v);
}

// A ByteReader reads from a buffer of known size. A read that would pass
// the end yields zeros, moves nothing and sets `overflow`, so a decoder can
// read all its fields and the caller checks once.
struct ByteReader {
    const std::uint8_t *data;
    std::size_t size;
    std::size_t pos;
    bool overflow;
};

constexpr ByteReader MakeReader(const std::uint8_t *data, std::size_t size, std::size_t pos = 0) {
    return ByteReader{data, size, pos, pos > size};
}

// True when `n` more bytes can be read; otherwise marks the reader as overflowed.
constexpr bool Require(ByteReader &r, std::size_t n) {
    if (r.overflow || n > r.size - r.pos) {
        r.overflow = true;
        return false;
    }
    return true;
}

// Bytes left after the read position.
constexpr std::size_t Remaining(const ByteReader &r) {
    return r.overflow ? 0 : r.size - r.pos;
}

constexpr std::uint8_t GetU8(ByteReader &r) {
    if (!Require(r, 1)) return 0;
    return r.data[r.pos++];
}

constexpr std::uint16_t GetU16le(ByteReader &r) {
    if (!Require(r, 2)) return 0;
    const auto v = static_cast<std::uint16_t>(r.data[r.pos] | (r.data[r.pos + 1] << 8));
    r.pos += 2;
    return v;
}

constexpr std::uint16_t GetU16be(ByteReader &r) {
    if (!Require(r, 2)) return 0;
    const auto v = static_cast<std::uint16_t>((r.data[r.pos] << 8) | r.data[r.pos + 1]);
    r.pos += 2;
    return v;
}

constexpr std::uint32_t GetU32be(ByteReader &r) {
    if (!Require(r, 4)) return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | r.data[r.pos++];
    return v;
}

// Copies `n` bytes as they are; nothing is copied when they are not all there.
constexpr void GetBytes(ByteReader &r, std::uint8_t *out, std::size_t n) {
    if (!Require(r, n)) return;
    for (std::size_t i = 0; i < n; ++i) out[i] = r.data[r.pos++];
}

// Moves the read position to `pos` (a fixed field offset).
constexpr void SeekTo(ByteReader &r, std::size_t pos) {
    if (pos > r.size) {
        r.overflow = true;
        return;
    }
    r.pos = pos;
}

}  // namespace ordax
