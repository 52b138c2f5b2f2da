// Timing lines of the node file.
#include <cstdint>
#include <cstring>

#include "core/text.h"
#include "nodefile/node_file.h"

namespace ordax {

namespace {

constexpr int kTimerCount = 4;
constexpr char kValueEnd = ';';
constexpr std::int64_t kLongMax = 2147483647;  // the host platform's 32-bit long

// Converts like atol: optional sign, decimal digits, stop at the first other
// character; no digit gives 0. The magnitude saturates at the 32-bit range
// instead of overflowing.
std::int32_t LongValue(const char *text) {
    bool negative = false;
    if (*text == '+' || *text == '-') negative = (*text++ == '-');
    std::int64_t value = 0;
    for (; IsDigit(*text); ++text) {
        value = value * 10 + (*text - '0');
        if (value > kLongMax + 1) value = kLongMax + 1;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value > kLongMax ? kLongMax : value);
}

}  // namespace

// Values set the settings in table order; the line's first character is the
// 'T' and is skipped.
void ApplyTimingLine(const char *line, ChannelTimers *timers) {
    std::uint32_t *const settings[kTimerCount] = {&timers->superviseInterval, &timers->loopSleep,
                                                  &timers->connectTimeout, &timers->sessionTimeout};
    const char *value = line + 1;
    for (std::uint32_t *setting : settings) {
        const char *end = std::strchr(value, kValueEnd);
        if (end == nullptr) return;
        if (end != value) *setting = static_cast<std::uint32_t>(LongValue(value));
        value = end + 1;
    }
}

}  // namespace ordax
