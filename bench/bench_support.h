// Shared pieces of the benchmarks: generated recordings, clocks and medians.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <string>
#include <vector>

#include "recording_generator.h"

namespace moksel::bench {

// A recording pair in the benchmark's temporary folder (made once per name).
gen::GenResult makePair(const std::string& name, int frames, int width, int height);
std::string benchFolder();

double nowMs();
// CPU seconds used so far by this process (all threads), by the calling thread (RUSAGE_THREAD)
// or by its finished children.
double cpuSeconds(int who = RUSAGE_SELF);
double median(std::vector<double> values);

}  // namespace moksel::bench
