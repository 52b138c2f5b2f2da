// Windows: localtime_s (arguments in the C runtime's order).
#include "host/local_time.h"

namespace tamhub {

void LocalTime(std::time_t seconds, std::tm *local) {
    localtime_s(local, &seconds);
}

}  // namespace tamhub
