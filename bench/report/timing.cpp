#include "bench/report/timing.h"

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace bench {

namespace {

double Ms(const timespec &t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

double MicrosSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
}

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double ThreadCpuMs(plat::ThreadHandle thread) {
    clockid_t id;
    timespec t{};
    if (thread == 0 || pthread_getcpuclockid(static_cast<pthread_t>(thread), &id) != 0 ||
        clock_gettime(id, &t) != 0) {
        return -1;
    }
    return Ms(t);
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return Ms(t);
}

int OpenDescriptors() {
    std::error_code ec;
    int count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        ++count;
    }
    return ec ? -1 : count;
}

}  // namespace bench
