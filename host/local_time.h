// The calendar time of the host library's log stamps, from the platform's
// thread-safe conversion (host/posix/, host/win32/).
#pragma once

#include <ctime>

namespace tamhub {

// `seconds` as local calendar time.
std::tm LocalTime(std::time_t seconds);

}  // namespace tamhub
