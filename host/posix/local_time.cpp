// POSIX: localtime_r.
#include "host/local_time.h"

namespace tamhub {

void LocalTime(std::time_t seconds, std::tm *local) {
    localtime_r(&seconds, local);
}

}  // namespace tamhub
