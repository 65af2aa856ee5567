// Test helpers that read generated recordings back with FFmpeg: stream and packet lists, decoded
// pictures converted to BGRA the way the viewer converts them, decoded sound.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace moksel::gen::test {

struct StreamInfo {
    int index = 0;
    bool video = false, audio = false;
    int timeBaseNum = 0, timeBaseDen = 0;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
};

struct PacketInfo {
    int stream = 0;
    int64_t pts = 0, dts = 0;
    bool key = false;
};

struct Probe {
    bool opened = false;
    std::vector<StreamInfo> streams;
    std::vector<PacketInfo> packets;  // file order
    int videoStreams() const;
    int audioStreams() const;
    std::vector<PacketInfo> packetsOf(int stream) const;
};

Probe probe(const std::string& path);

// A BGRA picture, rows packed.
struct Bgra {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    int stride() const { return width * 4; }
};

struct ConvertOptions {
    int width = 0, height = 0;  // 0: the decoded size
    bool fastBilinear = true;
    int brightness = 50, contrast = 50;  // 0..100, 50/50 = unchanged
};

// Decodes every picture of video stream `stream` and hands each, converted, to `visit` with its
// decode order index. Returns the number of pictures, -1 when the file cannot be decoded.
int decodeVideo(const std::string& path, int stream, const ConvertOptions& convert,
                const std::function<void(int index, const Bgra&)>& visit);

// Decodes the first sound stream to floats of its first channel.
bool decodeSound(const std::string& path, std::vector<float>& samples, int& sampleRate);

// The bytes of a file.
std::vector<uint8_t> readFile(const std::string& path);

// A fresh empty folder under the test temporary folder.
std::string freshFolder(const std::string& name);

}  // namespace moksel::gen::test
