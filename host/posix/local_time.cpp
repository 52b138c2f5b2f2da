// POSIX: localtime_r.
#include "host/local_time.h"

namespace tamhub {

std::tm LocalTime(std::time_t seconds) {
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

}  // namespace tamhub
