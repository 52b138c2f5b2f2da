// Clocks and statistics of the measurements, and the process's descriptors.
#pragma once

#include <chrono>
#include <vector>

#include "platform/thread.h"

namespace bench {

using Clock = std::chrono::steady_clock;

double MicrosSince(Clock::time_point t0);
double MsSince(Clock::time_point t0);

// Middle element (upper middle for an even count); 0 for none.
double Median(std::vector<double> values);

// CPU time used so far, in ms, by one thread of this process (-1 when it
// cannot be read) and by the whole process.
double ThreadCpuMs(plat::ThreadHandle thread);
double ProcessCpuMs();

// Descriptors the process holds now (-1 when they cannot be listed); a
// pending connect holds one.
int OpenDescriptors();

}  // namespace bench
