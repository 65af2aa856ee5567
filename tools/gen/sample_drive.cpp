#include "sample_drive.h"

#include <chrono>
#include <filesystem>

namespace moksel::gen {

std::vector<GenOptions> sampleDrivePlan(const std::string& root) {
    const std::filesystem::path base(root);
    struct Entry {
        const char* type;
        DateTime start;
        int seconds;
        double driveOffsetS;  // where the drive script stands at the first frame
        GpsMode gps;
        std::optional<DriveKind> drive;
        int shockSecond;  // -1 none
    };
    // A morning drive (two one-minute normal recordings, an event in the middle of it, a
    // shorter recording with a void GPS stretch as in a tunnel), then the parked car: motion
    // recordings and a parking bump.
    const Entry plan[] = {
        {"drf", {2026, 12, 8, 8, 15, 0}, 60, 0, GpsMode::Mixed, std::nullopt, -1},
        {"drf", {2026, 12, 8, 8, 16, 0}, 60, 60, GpsMode::AllFix, std::nullopt, -1},
        {"evt", {2026, 12, 8, 8, 16, 25}, 20, 85, GpsMode::AllFix, std::nullopt, 10},
        {"drf", {2026, 12, 8, 8, 17, 0}, 30, 120, GpsMode::Mixed, std::nullopt, -1},
        {"mod", {2026, 12, 8, 19, 2, 10}, 20, 0, GpsMode::AllFix, std::nullopt, -1},
        {"evt", {2026, 12, 8, 21, 44, 3}, 20, 0, GpsMode::AllFix, DriveKind::Parked, 8},
        {"mod", {2026, 12, 9, 7, 30, 5}, 20, 0, GpsMode::AllFix, std::nullopt, -1},
    };
    std::vector<GenOptions> out;
    for (const Entry& e : plan) {
        GenOptions o;
        o.type = e.type;
        const char* folder = o.type == "drf" ? "NORMAL" : o.type == "evt" ? "EVENT" : "MOTION";
        o.outputDir = (base / folder).string();
        o.start = e.start;
        o.fps = 30;
        o.frames = e.seconds * o.fps;
        o.width = 1280;
        o.height = 720;
        o.keyInterval = 30;
        o.driveOffsetS = e.driveOffsetS;
        o.gps = e.gps;
        o.drive = e.drive;
        o.shockFrame = e.shockSecond < 0 ? -1 : e.shockSecond * o.fps;
        o.seed = static_cast<uint32_t>(out.size() + 1);
        o.parallel = true;
        out.push_back(o);
    }
    return out;
}

bool writeSampleDrive(const std::string& root, std::ostream& log, std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    for (const GenOptions& o : sampleDrivePlan(root)) {
        GenResult r;
        if (!generatePair(o, r, error)) return false;
        const auto rel = [&](const std::string& p) {
            return std::filesystem::relative(p, root).string();
        };
        log << "wrote " << rel(r.frontPath) << " + " << rel(r.rearPath) << ": " << r.frontFrames
            << " frames, " << r.frontFrames / o.fps << " s"
            << (r.shockFrame >= 0 ? ", shock at frame " + std::to_string(r.shockFrame) : "")
            << '\n';
        log.flush();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    log << "sample card written to " << root << " in " << seconds << " s\n";
    return true;
}

}  // namespace moksel::gen
