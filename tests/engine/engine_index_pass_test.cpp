// The index pass at open learns every packet without reading its data when the file allows; the
// packets then read back by place must be exactly those a full read gives, for the camera's
// own files and for files other cameras and tools write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/media_file.h"
#include "engine/packet_index.h"
#include "engine_test_support.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace moksel::test {
namespace {

struct Indexes {
    PacketIndex video, sound;
    bool byPlace = false;  // the data is read back from the file
};

// Indexes the first video and sound streams, as open does when `byPlace`, else reading every
// byte with libavformat's own file reading.
bool indexFile(const std::string& path, bool byPlace, Indexes& out) {
    AVFormatContext* demuxer = nullptr;
    if (byPlace) {
        if (!openMediaFile(path.c_str(), &demuxer)) return false;
    } else if (avformat_open_input(&demuxer, path.c_str(), nullptr, nullptr) < 0 ||
               avformat_find_stream_info(demuxer, nullptr) < 0) {
        avformat_close_input(&demuxer);
        return false;
    }
    const int video = av_find_best_stream(demuxer, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int sound = av_find_best_stream(demuxer, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (byPlace) {
        const int fd = beginIndexPass(demuxer, {video, sound});
        out.byPlace = fd >= 0;
        if (fd >= 0) {
            out.video.readDataFrom(fd);
            out.sound.readDataFrom(dup(fd));
        }
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(demuxer, packet) >= 0) {
        if (packet->stream_index == video) out.video.store(packet, demuxer->streams[video]->time_base);
        if (packet->stream_index == sound) out.sound.store(packet, demuxer->streams[sound]->time_base);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (byPlace) {
        endIndexPass(demuxer);
        closeMediaFile(&demuxer);
    } else {
        avformat_close_input(&demuxer);
    }
    out.video.finish();
    out.sound.finish();
    return true;
}

void expectSamePackets(PacketIndex& read, PacketIndex& full, const std::string& what) {
    ASSERT_EQ(read.count(), full.count()) << what;
    for (int n = 1; n <= full.count(); ++n) {
        const StoredPacket& a = *read.at(n);
        const StoredPacket& b = *full.at(n);
        ASSERT_EQ(a.timeMs, b.timeMs) << what << " packet " << n;
        ASSERT_EQ(a.durationMs, b.durationMs) << what << " packet " << n;
        ASSERT_EQ(a.decodePosition, b.decodePosition) << what << " packet " << n;
        ASSERT_EQ(a.isKey(), b.isKey()) << what << " packet " << n;
        const AVPacket* x = read.packetData(a);
        const AVPacket* y = full.packetData(b);
        ASSERT_TRUE(x && y) << what << " packet " << n;
        ASSERT_EQ(x->size, y->size) << what << " packet " << n;
        ASSERT_EQ(std::memcmp(x->data, y->data, static_cast<size_t>(y->size)), 0) << what << " packet " << n;
    }
}

// A generated recording re-encoded by the system's ffmpeg with `arguments`; empty when this
// ffmpeg cannot (an encoder it lacks).
std::string reencoded(const std::string& name, const std::string& arguments) {
    const gen::GenResult source = makeRecording(name + "-source", smallOptions(120));
    const auto folder = testFolder() / name;
    std::filesystem::create_directories(folder);
    const std::string out = (folder / "drf0_20120301_081500.mp4").string();
    const std::string command = "ffmpeg -nostdin -v quiet -y -i '" + source.frontPath + "' " + arguments + " '" + out + "'";
    return std::system(command.c_str()) == 0 ? out : std::string();
}

TEST(IndexPassTest, PacketsReadBackByPlaceAreThoseAFullReadGives) {
    struct Case {
        std::string name;
        std::string path;
        bool byPlace;  // whether the pass must skip the data
    };
    std::vector<Case> cases;
    gen::GenOptions camera = smallOptions(120);
    cases.push_back({"camera", makeRecording("pass-camera", camera).frontPath, true});
    gen::GenOptions other = smallOptions(120);
    other.bFrames = 3;
    other.keyInterval = 250;
    other.videoTimeScale = 90000;
    other.sampleRate = 48000;
    other.signal.channels = 2;
    other.movieFirst = true;
    cases.push_back({"reordered, 90 kHz, stereo, index first", makeRecording("pass-other", other).frontPath, true});
    cases.push_back({"x264 defaults", reencoded("pass-x264", "-c:v libx264 -preset veryfast -c:a copy"), true});
    cases.push_back({"HEVC", reencoded("pass-hevc", "-c:v libx265 -preset ultrafast -x265-params log-level=none -tag:v hvc1 -c:a copy"), true});
    cases.push_back({"fragmented", reencoded("pass-fragmented", "-c copy -movflags frag_keyframe+empty_moov"), false});
    for (const Case& c : cases) {
        if (c.path.empty()) continue;  // an encoder this ffmpeg lacks
        Indexes read, full;
        ASSERT_TRUE(indexFile(c.path, true, read)) << c.name;
        ASSERT_TRUE(indexFile(c.path, false, full)) << c.name;
        EXPECT_EQ(read.byPlace, c.byPlace) << c.name;
        ASSERT_GT(full.video.count(), 0) << c.name;
        expectSamePackets(read.video, full.video, c.name + " video");
        expectSamePackets(read.sound, full.sound, c.name + " sound");
    }
}

}  // namespace
}  // namespace moksel::test
