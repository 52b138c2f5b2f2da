// The calendar time of the host library's log stamps, from the platform's
// thread-safe conversion (host/posix/, host/win32/).
#pragma once

#include <ctime>

namespace tamhub {

// Writes `seconds` as local calendar time to `local`.
void LocalTime(std::time_t seconds, std::tm *local);

}  // namespace tamhub
