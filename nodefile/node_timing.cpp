// Timing lines of the node file.
#include <cstdint>
#include <cstring>

#include "core/text.h"
#include "core/wait_limit.h"
#include "nodefile/node_file.h"

namespace ordax {

namespace {

constexpr std::int64_t kLongMax = 2147483647;  // the host platform's 32-bit long

std::uint32_t SettingValue(const TimingLineSetting &setting, const char *text) {
    const auto value = static_cast<std::uint32_t>(TimingValue(text));
    return setting.boundedWait ? BoundedWaitMs(value) : value;
}

}  // namespace

std::int32_t TimingValue(const char *text) {
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

// Values set the settings in table order; the line's first character is the
// 'T' and is skipped.
void ApplyTimingLine(const char *line, ChannelTimers *timers) {
    const char *value = line + 1;
    for (const TimingLineSetting &setting : kTimingLineSettings) {
        const char *end = std::strchr(value, kTimingValueEnd);
        if (end == nullptr) return;
        if (end != value) timers->*setting.field = SettingValue(setting, value);
        value = end + 1;
    }
}

}  // namespace ordax
