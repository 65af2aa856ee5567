// moksel-bench open | playback [--minutes N] [--sound-server] [--cpu-only] | export [--rounds N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace moksel::bench {
int runOpenBench();
int runPlaybackBench(int offsetMinutes, bool soundServer, bool cpuOnly);
int runExportBench(int rounds);
}  // namespace moksel::bench

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: moksel-bench open | playback [--minutes N] [--sound-server] [--cpu-only] | export [--rounds N]\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "open") return moksel::bench::runOpenBench();
#ifdef MOKSEL_EXPORT_BENCH
    if (command == "export") {
        const int rounds = argc > 3 && std::strcmp(argv[2], "--rounds") == 0 ? std::atoi(argv[3]) : 3;
        return moksel::bench::runExportBench(std::max(1, rounds));
    }
#endif
    if (command == "playback") {
        int minutes = 10;
        bool soundServer = false;
        bool cpuOnly = false;
        for (int i = 2; i < argc; ++i) {
            soundServer = soundServer || std::strcmp(argv[i], "--sound-server") == 0;
            cpuOnly = cpuOnly || std::strcmp(argv[i], "--cpu-only") == 0;
            if (i + 1 < argc && std::strcmp(argv[i], "--minutes") == 0) {
                minutes = std::max(1, std::atoi(argv[i + 1]));
            }
        }
        return moksel::bench::runPlaybackBench(minutes, soundServer, cpuOnly);
    }
    std::fprintf(stderr, "moksel-bench: unknown benchmark %s\n", command.c_str());
    return 2;
}
