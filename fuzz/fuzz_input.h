// Helpers shared by the fuzz targets: a cursor over the fuzzer's bytes that
// yields zeros past the end, a check that aborts with its text (assert is
// compiled out in optimised builds), and a message sink that checks every
// operator message the driver sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/tamhub.h"

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

namespace fuzz {

class Input {
public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    std::size_t left() const { return size_ - pos_; }
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t U16() {
        const std::uint16_t lo = Byte();
        return static_cast<std::uint16_t>(lo | (Byte() << 8));
    }
    // One of the `n` entries of a table.
    template <typename T, std::size_t N>
    const T &Pick(const T (&table)[N]) {
        return table[Byte() % N];
    }
    // Up to `n` bytes (fewer at the end of the input).
    std::vector<std::uint8_t> Take(std::size_t n) {
        n = n < left() ? n : left();
        std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }
    std::vector<std::uint8_t> Rest() { return Take(left()); }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The driver's operator messages have level 8 or 32 and a text that starts
// with one of the driver's prefixes.
inline void CheckMessage(void *, int level, const char *text) {
    FUZZ_CHECK(level == 8 || level == 32);
    FUZZ_CHECK(text != nullptr);
    FUZZ_CHECK(std::strncmp(text, "Ordax", 5) == 0 || std::strncmp(text, "Halvik: ", 8) == 0);
}

// Installs CheckMessage as the host's message sink for the process.
inline void CheckMessagesOnce() {
    static const bool installed = [] {
        TamHubSetMessageSink(&CheckMessage, nullptr);
        return true;
    }();
    (void)installed;
}

}  // namespace fuzz
