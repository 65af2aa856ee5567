// moksel-bench open | playback [--minutes N] [--monitor SOURCE] [--cpu-only]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace moksel::bench {
int runOpenBench();
int runPlaybackBench(int offsetMinutes, const std::string& monitor, bool cpuOnly);
}  // namespace moksel::bench

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: moksel-bench open | playback [--minutes N] [--monitor SOURCE] [--cpu-only]\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "open") return moksel::bench::runOpenBench();
    if (command == "playback") {
        int minutes = 10;
        std::string monitor;
        bool cpuOnly = false;
        for (int i = 2; i < argc; ++i) cpuOnly = cpuOnly || std::strcmp(argv[i], "--cpu-only") == 0;
        for (int i = 2; i + 1 < argc; ++i) {
            if (std::strcmp(argv[i], "--minutes") == 0) minutes = std::max(1, std::atoi(argv[i + 1]));
            if (std::strcmp(argv[i], "--monitor") == 0) monitor = argv[i + 1];
        }
        return moksel::bench::runPlaybackBench(minutes, monitor, cpuOnly);
    }
    std::fprintf(stderr, "moksel-bench: unknown benchmark %s\n", command.c_str());
    return 2;
}
