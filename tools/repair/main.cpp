// moksel-repair BROKEN.mp4 [--reference GOOD.mp4] [-o OUT]
//
// Repairs a recording that a crash cut off. With a front camera file the rear file of the pair
// is repaired too (or copied, when it is whole). OUT is the folder for the repaired pair
// (default: REPAIRED beside the original); the originals are never changed.
#include <cstdio>
#include <cstring>
#include <string>

#include "repair/recording_repair.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: moksel-repair BROKEN.mp4 [--reference GOOD.mp4] [-o OUT]\n"
                 "  BROKEN.mp4    a recording whose index a crash left unwritten or cut short\n"
                 "  --reference   a complete recording of the same camera (default: the nearest\n"
                 "                one beside BROKEN.mp4)\n"
                 "  -o OUT        folder for the repaired recording (default: REPAIRED beside\n"
                 "                BROKEN.mp4)\n");
    return 2;
}

void printFile(const moksel::repair::RepairReport& r) {
    using moksel::repair::RepairOutcome;
    if (r.outcome == RepairOutcome::Repaired) {
        std::printf("%s -> %s: %d video samples, %d sound samples, %.1f s\n", r.input.c_str(),
                    r.output.c_str(), r.videoSamples, r.soundSamples, r.durationS);
        if (!r.reference.empty()) std::printf("  reference: %s\n", r.reference.c_str());
        if (r.skippedBytes)
            std::printf("  skipped %llu bytes that were neither video nor sound\n",
                        static_cast<unsigned long long>(r.skippedBytes));
    } else {
        std::printf("%s: %s\n", r.input.c_str(), r.message.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    moksel::repair::PairRepairJob job;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--reference" || arg == "-r") && i + 1 < argc)
            job.reference = argv[++i];
        else if ((arg == "-o" || arg == "--out") && i + 1 < argc)
            job.outputFolder = argv[++i];
        else if (arg == "-h" || arg == "--help")
            return usage(), 0;
        else if (!arg.empty() && arg[0] != '-' && job.front.empty())
            job.front = arg;
        else
            return usage();
    }
    if (job.front.empty()) return usage();
    av_log_set_level(AV_LOG_FATAL);  // the damage the repair works around is no news

    const auto pair = moksel::repair::repairPair(job);
    using moksel::repair::RepairOutcome;
    if (pair.outcome == RepairOutcome::NothingToRepair && pair.front.output.empty()) {
        std::printf("%s\n", pair.message.c_str());
        return 0;
    }
    printFile(pair.front);
    if (pair.rear) printFile(*pair.rear);
    if (pair.outcome == RepairOutcome::Repaired) {
        std::printf("repaired: %s\n", pair.frontOutput.c_str());
        return 0;
    }
    if (pair.outcome == RepairOutcome::NothingToRepair) return 0;
    std::fprintf(stderr, "moksel-repair: %s\n", pair.message.c_str());
    return 1;
}
