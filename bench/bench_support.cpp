#include "bench_support.h"

#include "scratch_folder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace moksel::bench {

std::string benchFolder() {
    static const gen::ScratchFolder folder("moksel-bench-");
    return folder.path().string();
}

gen::GenResult makePair(const std::string& name, int frames, int width, int height) {
    gen::GenOptions options;
    options.outputDir = benchFolder() + "/" + name;
    options.frames = frames;
    options.width = width;
    options.height = height;
    options.keyInterval = 30;
    options.encoderThreads = 0;
    gen::GenResult result;
    std::string error;
    if (!gen::generatePair(options, result, error)) {
        std::fprintf(stderr, "moksel-bench: cannot generate %s: %s\n", name.c_str(), error.c_str());
        std::exit(2);
    }
    return result;
}

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace moksel::bench
