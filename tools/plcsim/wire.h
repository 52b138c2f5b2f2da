// Byte cursors for the simulator's own frame decoding and encoding: explicit byte order,
// bounds known, an overrun recorded instead of read or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plcsim {

// Reads from [data, data + size); every read past the end yields 0 and clears ok().
class Reader {
public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t left() const { return ok_ ? size_ - pos_ : 0; }
    const uint8_t *here() const { return data_ + pos_; }
    void Skip(size_t n) {
        if (Need(n)) pos_ += n;
    }

    uint8_t U8() {
        if (!Need(1)) return 0;
        return data_[pos_++];
    }
    uint16_t U16le() {
        if (!Need(2)) return 0;
        uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint16_t U16be() {
        if (!Need(2)) return 0;
        uint16_t v = static_cast<uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    uint32_t U32be() {
        uint32_t hi = U16be();
        return (hi << 16) | U16be();
    }
    // Compact number: one byte 0..254, or 0xFF then a 16-bit little-endian word.
    uint16_t Compact() {
        uint8_t b = U8();
        return b == 0xFF ? U16le() : b;
    }

private:
    bool Need(size_t n) {
        if (!ok_ || size_ - pos_ < n) {
            ok_ = false;
            return false;
        }
        return true;
    }
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Appends to a byte vector.
class Writer {
public:
    explicit Writer(std::vector<uint8_t> &out) : out_(out) {}

    void U8(uint8_t v) { out_.push_back(v); }
    void U16le(uint16_t v) {
        out_.push_back(static_cast<uint8_t>(v & 0xFF));
        out_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U16be(uint16_t v) {
        out_.push_back(static_cast<uint8_t>(v >> 8));
        out_.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    void U32be(uint32_t v) {
        U16be(static_cast<uint16_t>(v >> 16));
        U16be(static_cast<uint16_t>(v & 0xFFFF));
    }
    void Bytes(const uint8_t *p, size_t n) { out_.insert(out_.end(), p, p + n); }

private:
    std::vector<uint8_t> &out_;
};

inline void PutU16be(std::vector<uint8_t> &v, size_t at, uint16_t x) {
    v[at] = static_cast<uint8_t>(x >> 8);
    v[at + 1] = static_cast<uint8_t>(x & 0xFF);
}

}  // namespace plcsim
