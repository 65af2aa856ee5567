// moksel-bench open [--size WxH --minutes N] | playback [--minutes N] [--sound-server] [--cpu-only] [--size WxH]
//              | viewer [--seconds N] [--size WxH] [--no-map] [--viewer PATH]
//              | export [--rounds N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace moksel::bench {
int runOpenBench();
int runFirstPictureBench(int width, int height, int minutes);
int runPlaybackBench(int offsetMinutes, bool soundServer, bool cpuOnly);
int runRepairBench();
int runCameraPaceBench(int width, int height, int seconds);
int runViewerBench(int seconds, int width, int height, bool withMap, std::string viewer);
int runExportBench(int rounds);
}  // namespace moksel::bench

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: moksel-bench open [--size WxH [--minutes N]] | playback [--minutes N] [--sound-server] [--cpu-only] [--size WxH]\n"
                             "       moksel-bench viewer [--seconds N] [--size WxH] [--no-map] [--viewer PATH]\n"
                             "       moksel-bench export [--rounds N]\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "open") {
        // open --size WxH [--minutes N]: the first picture of a real camera's pair.
        int width = 0, height = 0, minutes = 3;
        for (int i = 2; i + 1 < argc; ++i) {
            if (std::strcmp(argv[i], "--size") == 0) std::sscanf(argv[i + 1], "%dx%d", &width, &height);
            if (std::strcmp(argv[i], "--minutes") == 0) minutes = std::max(1, std::atoi(argv[i + 1]));
        }
        if (width > 0 && height > 0) return moksel::bench::runFirstPictureBench(width, height, minutes);
        return moksel::bench::runOpenBench();
    }
    if (command == "repair") return moksel::bench::runRepairBench();
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
            // --size WxH: both cameras' pace at that front size (rear 1920 x 1080).
            int width = 0, height = 0;
            if (i + 1 < argc && std::strcmp(argv[i], "--size") == 0 &&
                std::sscanf(argv[i + 1], "%dx%d", &width, &height) == 2) {
                return moksel::bench::runCameraPaceBench(width, height, 20);
            }
            soundServer = soundServer || std::strcmp(argv[i], "--sound-server") == 0;
            cpuOnly = cpuOnly || std::strcmp(argv[i], "--cpu-only") == 0;
            if (i + 1 < argc && std::strcmp(argv[i], "--minutes") == 0) {
                minutes = std::max(1, std::atoi(argv[i + 1]));
            }
        }
        return moksel::bench::runPlaybackBench(minutes, soundServer, cpuOnly);
    }
    if (command == "viewer") {
        // viewer [--seconds N] [--size WxH] [--no-map] [--viewer PATH]
        int seconds = 60, width = 1920, height = 1080;
        bool withMap = true;
        std::string viewer;
        for (int i = 2; i < argc; ++i) {
            withMap = withMap && std::strcmp(argv[i], "--no-map") != 0;
            if (i + 1 >= argc) continue;
            if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(2, std::atoi(argv[i + 1]));
            if (std::strcmp(argv[i], "--viewer") == 0) viewer = argv[i + 1];
            if (std::strcmp(argv[i], "--size") == 0 &&
                std::sscanf(argv[i + 1], "%dx%d", &width, &height) != 2) {
                std::fprintf(stderr, "moksel-bench: --size wants WIDTHxHEIGHT\n");
                return 2;
            }
        }
#ifdef MOKSEL_VIEWER_BENCH
        return moksel::bench::runViewerBench(seconds, width, height, withMap, viewer);
#else
        std::fprintf(stderr, "moksel-bench: built without X11; the viewer benchmark is not available\n");
        return 2;
#endif
    }
    std::fprintf(stderr, "moksel-bench: unknown benchmark %s\n", command.c_str());
    return 2;
}
