// Generated recording pairs: the camera's box layout, millisecond time stamps, one telemetry
// entry per front video packet, readable frame numbers, the known sound, and every option.
#include "recording_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "frame_pattern.h"
#include "media_probe.h"

extern "C" {
#include <libavutil/log.h>
}

namespace moksel::gen {
namespace {

using test::probe;

const bool kQuiet = [] {
    av_log_set_level(AV_LOG_ERROR);
    return true;
}();

struct Box {
    std::string type;
    size_t offset = 0, size = 0;
};

uint32_t be32(const std::vector<uint8_t>& d, size_t at) {
    return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3];
}

// Boxes with 32-bit sizes from `begin` to `end`; an entry "BAD" marks a broken chain.
std::vector<Box> boxes(const std::vector<uint8_t>& d, size_t begin, size_t end) {
    std::vector<Box> out;
    for (size_t at = begin; at < end;) {
        const size_t size = at + 8 <= end ? be32(d, at) : 0;
        if (size < 8 || at + size > end) return out.push_back({"BAD", at, size}), out;
        out.push_back({std::string(reinterpret_cast<const char*>(&d[at + 4]), 4), at, size});
        at += size;
    }
    return out;
}

std::vector<std::string> types(const std::vector<Box>& list) {
    std::vector<std::string> out;
    for (const Box& b : list) out.push_back(b.type);
    return out;
}

GenOptions small(const std::string& folder) {
    GenOptions o;
    o.outputDir = test::freshFolder(folder);
    o.frames = 45;
    o.width = 320;
    o.height = 180;
    o.keyInterval = 15;
    return o;
}

GenResult generate(const GenOptions& o) {
    GenResult r;
    std::string error;
    EXPECT_TRUE(generatePair(o, r, error)) << error;
    return r;
}

std::string nameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

TEST(RecordingGenerator, FrontFileHasTheCameraLayout) {
    GenOptions o = small("layout");
    o.type = "evt";
    o.start = {2026, 12, 9, 23, 59, 59};
    const GenResult r = generate(o);
    EXPECT_EQ(nameOf(r.frontPath), "evt0_20261209_235959.mp4");
    EXPECT_EQ(nameOf(r.rearPath), "evt1_20261209_235959.mp4");
    EXPECT_EQ(nameOf(r.frontPath).size(), 24u);
    EXPECT_EQ(r.shockFrame, 22);

    const std::vector<uint8_t> d = test::readFile(r.frontPath);
    const auto top = boxes(d, 0, d.size());
    ASSERT_EQ(types(top), (std::vector<std::string>{"ftyp", "free", "mdat", "moov"}));
    const Box& moov = top[3];
    const auto inMoov = boxes(d, moov.offset + 8, moov.offset + moov.size);
    ASSERT_FALSE(inMoov.empty());
    EXPECT_EQ(inMoov.front().type, "mvhd");
    ASSERT_EQ(inMoov.back().type, "udat");
    const Box& udat = inMoov.back();
    const auto sub = boxes(d, udat.offset + 8, udat.offset + udat.size);
    ASSERT_EQ(types(sub), (std::vector<std::string>{"GPSI", "SENS", "finf"}));

    // One entry per front video packet.
    const test::Probe p = probe(r.frontPath);
    ASSERT_TRUE(p.opened);
    ASSERT_EQ(p.streams.size(), 2u);
    ASSERT_TRUE(p.streams[0].video);
    ASSERT_TRUE(p.streams[1].audio);
    const auto video = p.packetsOf(0);
    const size_t n = video.size();
    ASSERT_EQ(n, 45u);
    EXPECT_EQ(r.frontFrames, 45);
    EXPECT_EQ(r.telemetryEntries, 45);
    EXPECT_EQ(sub[0].size, 8 + 128 * n);
    EXPECT_EQ(sub[1].size, 8 + 12 * n);
    EXPECT_EQ(sub[2].size, 8 + 4 * n);

    // Entries hold the track.
    ASSERT_EQ(r.track.size(), n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* gps = &d[sub[0].offset + 8 + 128 * i];
        const TrackPoint& t = r.track[i];
        SCOPED_TRACE("entry " + std::to_string(i) + " " + t.sentence);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(gps)), t.sentence);
        for (size_t k = t.sentence.size(); k < 128; ++k) ASSERT_EQ(gps[k], 0);
        float xyz[3];
        std::memcpy(xyz, &d[sub[1].offset + 8 + 12 * i], 12);  // little-endian host
        EXPECT_EQ(xyz[0], t.accelX);
        EXPECT_EQ(xyz[1], t.accelY);
        EXPECT_EQ(xyz[2], t.accelZ);
        uint32_t flag;
        std::memcpy(&flag, &d[sub[2].offset + 8 + 4 * i], 4);
        EXPECT_EQ(flag, i == 22 ? 1u : 0u);
    }
    EXPECT_TRUE(r.track[n / 4].fix);

    // Millisecond time stamps, key frames at the interval, no reordering.
    EXPECT_EQ(p.streams[0].timeBaseNum, 1);
    EXPECT_EQ(p.streams[0].timeBaseDen, 1000);
    EXPECT_EQ(p.streams[0].width, 320);
    EXPECT_EQ(p.streams[1].sampleRate, 22050);
    EXPECT_EQ(p.streams[1].channels, 1);
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(video[i].pts, int64_t(std::lround(i * 1000.0 / 30))) << i;
        EXPECT_EQ(video[i].pts, r.track[i].timeMs);
        EXPECT_EQ(video[i].dts, video[i].pts);
        EXPECT_EQ(video[i].key, i % 15 == 0) << i;
        if (i) {
            const int64_t step = video[i].pts - video[i - 1].pts;
            EXPECT_TRUE(step == 33 || step == 34) << step;
        }
    }
}

TEST(RecordingGenerator, FrameNumbersReadBackFromFrontAndRear) {
    GenOptions o = small("numbers");
    o.frames = 40;
    o.rearFrames = 25;  // the rear camera stopped early
    const GenResult r = generate(o);
    EXPECT_EQ(r.rearFrames, 25);
    for (auto [path, frames, camera] :
         {std::tuple{r.frontPath, 40, 0}, std::tuple{r.rearPath, 25, 1}}) {
        for (bool view : {false, true}) {
            SCOPED_TRACE(path + (view ? " at 487x311" : " at its own size"));
            test::ConvertOptions convert;
            if (view) convert.width = 487, convert.height = 311;
            int wrong = 0;
            const int decoded =
                test::decodeVideo(path, 0, convert, [&](int index, const test::Bgra& pic) {
                    wrong += readFrameNumber(pic.pixels.data(), pic.width, pic.height,
                                             pic.stride()) != index;
                    wrong += readFrameCamera(pic.pixels.data(), pic.width, pic.height,
                                             pic.stride()) != camera;
                });
            EXPECT_EQ(decoded, frames);
            EXPECT_EQ(wrong, 0);
        }
    }
    // The scenes differ: the same frame of front and rear does not look alike.
    std::vector<uint8_t> front, rear;
    test::decodeVideo(r.frontPath, 0, {}, [&](int i, const test::Bgra& p) {
        if (i == 5) front = p.pixels;
    });
    test::decodeVideo(r.rearPath, 0, {}, [&](int i, const test::Bgra& p) {
        if (i == 5) rear = p.pixels;
    });
    ASSERT_EQ(front.size(), rear.size());
    size_t differing = 0;
    for (size_t i = 0; i < front.size(); i += 4)
        differing += std::abs(front[i] - rear[i]) > 40 || std::abs(front[i + 2] - rear[i + 2]) > 40;
    EXPECT_GT(differing, front.size() / 4 / 4);
}

TEST(RecordingGenerator, SoundIsTheAnnouncedSine) {
    for (int channels : {1, 2}) {
        GenOptions o = small("sound" + std::to_string(channels));
        o.frames = 60;  // 2 s
        o.signal.channels = channels;
        o.signal.frequencyHz = 440;
        o.rear = RearKind::Missing;
        const GenResult r = generate(o);
        EXPECT_EQ(r.signal.channels, channels);
        EXPECT_EQ(probe(r.frontPath).streams[1].channels, channels);
        std::vector<float> s;
        int rate = 0;
        ASSERT_TRUE(test::decodeSound(r.frontPath, s, rate));
        EXPECT_EQ(rate, 22050);
        EXPECT_NEAR(double(s.size()), 2 * 22050, 2048 + 1024);
        // Leave out the encoder's ramp at both ends.
        const size_t begin = 4096, end = 2 * 22050 - 4096;
        ASSERT_GT(s.size(), end);
        double energy = 0;
        int crossings = 0;
        for (size_t i = begin; i < end; ++i) {
            energy += double(s[i]) * s[i];
            crossings += (s[i - 1] < 0) != (s[i] < 0);
        }
        const double rms = std::sqrt(energy / double(end - begin));
        EXPECT_NEAR(rms, r.signal.amplitude / std::sqrt(2.0), 0.1 * r.signal.amplitude);
        const double hz = crossings / 2.0 / (double(end - begin) / 22050);
        EXPECT_NEAR(hz, 440, 5);
        // The announced signal has the same level.
        double expected = 0;
        for (size_t i = begin; i < end; ++i) expected += std::pow(soundSampleAt(r.signal, i), 2);
        EXPECT_NEAR(std::sqrt(expected / double(end - begin)), rms, 0.1 * r.signal.amplitude);
    }
}

TEST(RecordingGenerator, FrontFileOptions) {
    GenOptions o = small("front-options");
    o.frames = 20;
    o.rear = RearKind::Missing;

    o.sound = false;
    GenResult r = generate(o);
    test::Probe p = probe(r.frontPath);
    EXPECT_EQ(p.videoStreams(), 1);
    EXPECT_EQ(p.audioStreams(), 0);
    EXPECT_EQ(r.signal.channels, 0);
    o.sound = true;

    o.telemetry = false;
    r = generate(o);
    std::vector<uint8_t> d = test::readFile(r.frontPath);
    EXPECT_EQ(std::search(d.begin(), d.end(), "udat", "udat" + 4), d.end());
    EXPECT_EQ(types(boxes(d, 0, d.size())),
              (std::vector<std::string>{"ftyp", "free", "mdat", "moov"}));
    EXPECT_EQ(r.telemetryEntries, 0);
    o.telemetry = true;

    o.flags = false;
    o.telemetryEntries = 7;
    r = generate(o);
    d = test::readFile(r.frontPath);
    auto top = boxes(d, 0, d.size());
    ASSERT_EQ(top.size(), 4u);
    auto udat = boxes(d, top[3].offset + 8, top[3].offset + top[3].size).back();
    ASSERT_EQ(udat.type, "udat");
    const auto sub = boxes(d, udat.offset + 8, udat.offset + udat.size);
    ASSERT_EQ(types(sub), (std::vector<std::string>{"GPSI", "SENS"}));
    EXPECT_EQ(sub[0].size, 8u + 7 * 128);
    EXPECT_EQ(r.telemetryEntries, 7);
    o.flags = true;
    o.telemetryEntries = -1;

    o.keyInterval = 0;  // one key frame only
    o.frames = 60;
    r = generate(o);
    const auto video = probe(r.frontPath).packetsOf(0);
    ASSERT_EQ(video.size(), 60u);
    EXPECT_TRUE(video[0].key);
    for (size_t i = 1; i < video.size(); ++i) EXPECT_FALSE(video[i].key) << i;
    int readable = 0;
    test::decodeVideo(r.frontPath, 0, {}, [&](int i, const test::Bgra& pic) {
        readable += readFrameNumber(pic.pixels.data(), pic.width, pic.height, pic.stride()) == i;
    });
    EXPECT_EQ(readable, 60);
    o.keyInterval = 15;
    o.frames = 20;

    o.secondVideoStream = true;
    r = generate(o);
    p = probe(r.frontPath);
    ASSERT_EQ(p.streams.size(), 3u);
    EXPECT_TRUE(p.streams[0].video && p.streams[1].video && p.streams[2].audio);
    EXPECT_EQ(p.packetsOf(0).size(), 20u);
    EXPECT_EQ(p.packetsOf(1).size(), 20u);
    EXPECT_EQ(r.secondStreamFrames, 20);
    EXPECT_EQ(r.telemetryEntries, 20);
    int rearLooking = 0;
    test::decodeVideo(r.frontPath, 1, {}, [&](int i, const test::Bgra& pic) {
        FrameMark m;
        rearLooking += readFrameMark(pic.pixels.data(), pic.width, pic.height, pic.stride(), m) &&
                       m.frameNumber == i && m.camera == Camera::Rear;
    });
    EXPECT_EQ(rearLooking, 20);
}

TEST(RecordingGenerator, RearFileKinds) {
    GenOptions o = small("rear-kinds");
    o.frames = 15;
    const std::string rearPath = o.outputDir + "/drf1_20120301_081500.mp4";

    o.rear = RearKind::Normal;
    o.rearFrames = 30;  // more than the front
    GenResult r = generate(o);
    EXPECT_EQ(r.rearPath, rearPath);
    test::Probe p = probe(rearPath);
    EXPECT_EQ(p.videoStreams(), 1);
    EXPECT_EQ(p.audioStreams(), 0);
    EXPECT_EQ(p.packetsOf(0).size(), 30u);
    EXPECT_EQ(r.rearFrames, 30);
    std::vector<uint8_t> d = test::readFile(rearPath);
    EXPECT_EQ(types(boxes(d, 0, d.size())),
              (std::vector<std::string>{"ftyp", "free", "mdat", "moov"}));
    EXPECT_EQ(std::search(d.begin(), d.end(), "udat", "udat" + 4), d.end());

    o.rear = RearKind::Missing;  // also removes the rear file of the run before
    r = generate(o);
    EXPECT_TRUE(r.rearPath.empty());
    EXPECT_FALSE(std::filesystem::exists(rearPath));
    EXPECT_EQ(r.rearFrames, 0);

    o.rear = RearKind::SoundOnly;
    r = generate(o);
    p = probe(rearPath);
    EXPECT_TRUE(p.opened);
    EXPECT_EQ(p.videoStreams(), 0);
    EXPECT_EQ(p.audioStreams(), 1);
    EXPECT_EQ(r.rearFrames, 0);

    o.rear = RearKind::NotMp4;
    r = generate(o);
    EXPECT_EQ(r.rearPath, rearPath);
    EXPECT_GT(std::filesystem::file_size(rearPath), 0u);
    EXPECT_FALSE(probe(rearPath).opened);

    o.rear = RearKind::Empty;
    r = generate(o);
    EXPECT_EQ(std::filesystem::file_size(rearPath), 0u);
    EXPECT_FALSE(probe(rearPath).opened);
    // The front file is the same whatever the rear.
    EXPECT_EQ(probe(r.frontPath).packetsOf(0).size(), 15u);
}

TEST(RecordingGenerator, MoreFramesThanTheTelemetryHolds) {
    GenOptions o = small("long");
    o.frames = 4500;
    o.width = 64;
    o.height = 36;
    o.keyInterval = 300;
    o.rear = RearKind::Missing;
    o.sound = false;
    const GenResult r = generate(o);
    const auto video = probe(r.frontPath).packetsOf(0);
    ASSERT_EQ(video.size(), 4500u);
    EXPECT_EQ(video.back().pts, 149967);  // 4499 frames of 33.3 ms
    EXPECT_EQ(r.telemetryEntries, 4500);
    const std::vector<uint8_t> d = test::readFile(r.frontPath);
    const auto top = boxes(d, 0, d.size());
    ASSERT_EQ(top.size(), 4u);
    const Box udat = boxes(d, top[3].offset + 8, top[3].offset + top[3].size).back();
    EXPECT_EQ(udat.size, 8u + (8 + 128 * 4500) + (8 + 12 * 4500) + (8 + 4 * 4500));
    int wrong = 0;
    const int decoded = test::decodeVideo(r.frontPath, 0, {}, [&](int i, const test::Bgra& p) {
        wrong += readFrameNumber(p.pixels.data(), p.width, p.height, p.stride()) != i;
    });
    EXPECT_EQ(decoded, 4500);
    EXPECT_EQ(wrong, 0);
}

TEST(RecordingGenerator, OtherWritersLayoutsTimeBasesAndReorderedFrames) {
    GenOptions o = small("other-writers");
    o.frames = 40;
    o.keyInterval = 250;
    o.bFrames = 3;
    o.videoTimeScale = 90000;
    o.sampleRate = 48000;
    o.signal.channels = 2;
    o.movieFirst = true;
    o.extraBoxType = "uuid";
    const GenResult r = generate(o);
    for (const std::string& path : {r.frontPath, r.rearPath}) {
        SCOPED_TRACE(path);
        const std::vector<uint8_t> d = test::readFile(path);
        const auto top = boxes(d, 0, d.size());
        EXPECT_EQ(types(top), (std::vector<std::string>{"ftyp", "uuid", "moov", "free", "mdat"}));
        // Every picture is still the one written (the chunk offsets followed the media data),
        // in display order, although packets come in decode order.
        int wrong = 0;
        const int decoded = test::decodeVideo(path, 0, {}, [&](int i, const test::Bgra& p) {
            wrong += readFrameNumber(p.pixels.data(), p.width, p.height, p.stride()) != i;
        });
        EXPECT_EQ(decoded, 40);
        EXPECT_EQ(wrong, 0);
        const test::Probe info = probe(path);
        ASSERT_FALSE(info.streams.empty());
        EXPECT_EQ(info.streams[0].timeBaseDen, 90000);
        const auto video = info.packetsOf(0);
        EXPECT_EQ(std::count_if(video.begin(), video.end(), [](auto& p) { return p.key; }), 1);
        EXPECT_FALSE(std::is_sorted(video.begin(), video.end(),
                                    [](auto& a, auto& b) { return a.pts < b.pts; }));
    }
    const test::Probe front = probe(r.frontPath);
    ASSERT_EQ(front.streams.size(), 2u);
    EXPECT_EQ(front.streams[1].sampleRate, 48000);
    EXPECT_EQ(front.streams[1].channels, 2);
    // The telemetry box went into the movie box before it moved.
    const std::vector<uint8_t> d = test::readFile(r.frontPath);
    const auto top = boxes(d, 0, d.size());
    EXPECT_EQ(types(boxes(d, top[2].offset + 8, top[2].offset + top[2].size)).back(), "udat");

    o.outputDir = test::freshFolder("sixteen-k");
    o.sampleRate = 16000;
    o.signal.channels = 1;
    o.videoTimeScale = 15360;
    o.movieFirst = false;
    o.extraBoxType.clear();
    o.bFrames = 0;
    const test::Probe mono = probe(generate(o).frontPath);
    ASSERT_EQ(mono.streams.size(), 2u);
    EXPECT_EQ(mono.streams[0].timeBaseDen, 15360);
    EXPECT_EQ(mono.streams[1].sampleRate, 16000);
}

TEST(RecordingGenerator, RefusesImpossibleOptions) {
    auto refused = [](GenOptions o) {
        o.outputDir = test::freshFolder("refused");
        GenResult r;
        std::string error;
        const bool ok = generatePair(o, r, error);
        EXPECT_FALSE(error.empty());
        return !ok && std::filesystem::is_empty(o.outputDir);
    };
    GenOptions o;
    o.frames = 10;
    o.width = 63;
    EXPECT_TRUE(refused(o));
    o.width = 64;
    o.frames = 0;
    EXPECT_TRUE(refused(o));
    o.frames = 65537;
    EXPECT_TRUE(refused(o));
    o.frames = 10;
    o.type = "drive";
    EXPECT_TRUE(refused(o));
    o.type = "drf";
    o.signal.channels = 3;
    EXPECT_TRUE(refused(o));
    o.signal.channels = 1;
    o.start.month = 13;
    EXPECT_TRUE(refused(o));
}

}  // namespace
}  // namespace moksel::gen
