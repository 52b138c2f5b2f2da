// Timing lines of the node file.
#include <cstdint>
#include <cstring>

#include "core/text.h"
#include "core/wait_limit.h"
#include "nodefile/node_file.h"

namespace ordax {

namespace {

constexpr std::int64_t kLongMax = 2147483647;  // the host platform's 32-bit long

// The four settings in the order a timing line gives them. The two waits
// for a station are held to a minute: a negative value (-1 reads as
// 0xFFFFFFFF) or one above kMaxWaitMs is taken as kMaxWaitMs, so no setting
// makes a connect or a session wait endless; 0 stays 0.
struct TimerSetting {
    std::uint32_t ChannelTimers::*field;
    bool boundedWait;
};

constexpr TimerSetting kTimerSettings[] = {
    {&ChannelTimers::superviseInterval, false},
    {&ChannelTimers::loopSleep, false},
    {&ChannelTimers::connectTimeout, true},
    {&ChannelTimers::sessionTimeout, true},
};

std::uint32_t SettingValue(const TimerSetting &setting, const char *text) {
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
    for (const TimerSetting &setting : kTimerSettings) {
        const char *end = std::strchr(value, kTimingValueEnd);
        if (end == nullptr) return;
        if (end != value) timers->*setting.field = SettingValue(setting, value);
        value = end + 1;
    }
}

}  // namespace ordax
