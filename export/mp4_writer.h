// Writes the export's MP4: H.264 through libx264 and AAC through FFmpeg's own encoder, the
// index moved to the front when the file is complete.
//
// Sound is placed by sample position: each decoded stretch of the source sound is put where
// its time falls in the output, gaps are filled with silence and overlaps dropped, so the
// sound stays in step with the pictures across cuts and file boundaries.
//
// Thread contract: pictures may be written from one thread while sound is placed from
// another (the muxer is shared under a lock); open, finish and abandon run when neither is
// busy.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

namespace moksel::exporting {

struct VideoSettings {
    int width = 0, height = 0;
    AVRational frameRate{30, 1};  // the usual rate of the pictures
    AVRational timeBase{1, 30};   // unit of the pictures' times (they may be spaced unevenly)
    int crf = 20;
    std::string preset = "veryfast";
    int threads = 0;  // 0 = the encoder's choice
    AVColorSpace colorSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorPrimaries colorPrimaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic colorTransfer = AVCOL_TRC_UNSPECIFIED;
};

struct SoundSettings {
    bool present = false;
    int sampleRate = 22050;
    int channels = 1;
};

class Mp4Writer {
public:
    Mp4Writer() = default;
    ~Mp4Writer();
    Mp4Writer(const Mp4Writer&) = delete;
    Mp4Writer& operator=(const Mp4Writer&) = delete;

    // Creates `path` (written as MP4 whatever its name) and opens the encoders.
    bool open(const std::string& path, const VideoSettings& video, const SoundSettings& sound,
              std::string& error);

    // Encodes a composed picture; its pts is in the video settings' time base. The picture is
    // not taken.
    bool writePicture(AVFrame* picture, std::string& error);

    // Puts a decoded sound frame at output sample `atSample`, keeping only samples before
    // `endSample`.
    bool placeSound(const AVFrame* decoded, int64_t atSample, int64_t endSample,
                    std::string& error);
    // Fills silence up to `sample` (the end of a stretch of pictures).
    bool padSoundTo(int64_t sample, std::string& error);
    int64_t soundSamples() const { return placed_; }
    int sampleRate() const { return sound_.sampleRate; }

    // How long the last picture shows, in the video time base (0: the nominal frame rate's
    // interval); the pictures' times tell the others'.
    void setLastPictureDuration(int64_t duration) { lastPictureDuration_ = duration; }
    // Flushes the encoders and completes the file (index at the front).
    bool finish(std::string& error);
    // Closes the file without completing it (cancel, failure); the caller removes it.
    void abandon();

private:
    bool writePackets(AVCodecContext* encoder, AVStream* stream, AVPacket* packet,
                      std::string& error, int64_t duration = 0);
    bool appendSound(uint8_t* const* planes, int count, std::string& error);
    bool encodeSound(bool flush, std::string& error);

    SoundSettings sound_;
    std::mutex muxerLock_;  // the muxer is fed by the picture and the sound side
    AVFormatContext* muxer_ = nullptr;
    AVCodecContext* videoEncoder_ = nullptr;
    AVCodecContext* soundEncoder_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVStream* soundStream_ = nullptr;
    AVPacket* packet_ = nullptr;       // pictures' packets
    AVPacket* soundPacket_ = nullptr;  // sound's packets
    AVAudioFifo* fifo_ = nullptr;
    SwrContext* resampler_ = nullptr;
    int resamplerFormat_ = -1, resamplerRate_ = 0;
    AVChannelLayout resamplerLayout_{};
    uint8_t** convertPlanes_ = nullptr;  // converted samples of one frame
    int convertCapacity_ = 0;
    int64_t placed_ = 0;   // sound samples handed to the fifo
    int64_t encoded_ = 0;  // sound samples sent to the encoder
    int64_t lastPictureDuration_ = 0;
    bool headerWritten_ = false, finished_ = false;
};

}  // namespace moksel::exporting
