// Writes a repaired recording with FFmpeg's MP4 muxer (stream copy: the samples' bytes are
// written as found). The file is written under a temporary name beside the final one and
// renamed only when complete, so an interrupted repair never leaves a half file that looks
// finished.
//
// Thread contract: one object per file; use from one thread.
#pragma once

#include <cstdint>
#include <string>

struct AVCodecParameters;
struct AVFormatContext;
struct AVPacket;

namespace moksel::repair {

struct TimeBase {
    int num = 1, den = 1000;
};

class RepairedFileWriter {
public:
    ~RepairedFileWriter();  // an unfinished file is removed

    // `sound` may be null for a file with video only.
    bool open(const std::string& path, const AVCodecParameters* video, TimeBase videoTime,
              const AVCodecParameters* sound, TimeBase soundTime, std::string& error);
    // Times are in the time base given to open for that stream.
    bool write(bool video, const uint8_t* data, size_t size, int64_t pts, int64_t dts,
               int64_t duration, bool key, std::string& error);
    bool finish(std::string& error);

private:
    void discard();

    std::string path_, partPath_;
    AVFormatContext* output_ = nullptr;
    AVPacket* packet_ = nullptr;
    int videoStream_ = -1, soundStream_ = -1;
    TimeBase videoTime_, soundTime_;
};

}  // namespace moksel::repair
