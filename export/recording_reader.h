// Reads one recording file for the export: its first video stream decoded picture by picture
// in time order, and its sound decoded as it is met in the file.
//
// Pictures are asked for by time (`pictureAt`): the reader decodes on and keeps the latest
// picture that is due at that time, so a front and a rear file with slightly different frame
// times stay paired the way the viewer pairs them. Damaged packets are skipped; a damaged or
// cut-off tail ends the stream.
//
// Thread contract: one thread uses a reader (the export's worker); with readAhead, the reader
// decodes on a thread of its own that hands pictures over through a short queue.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace moksel::exporting {

class PictureQueue;

class RecordingReader {
public:
    RecordingReader() = default;
    ~RecordingReader();
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    // Opens the file; `video` / `sound` choose what is decoded. False with a message when the
    // file cannot be read or lacks the video stream asked for. A missing sound stream is not an
    // error (hasSound() tells).
    bool open(const std::string& path, bool video, bool sound, std::string& error);
    // Moves to the key frame at or before `ms` (the file's own times).
    void seek(int64_t ms);
    // Decodes the pictures on a thread of their own from here on, a few ahead of pictureAt
    // (for a file read for its pictures only: the sound sink would run on that thread).
    void readAhead();

    // The latest picture whose time is at most `ms` plus `toleranceMs`; null before the first
    // picture and when the latest is more than kStaleMs old. Valid until the next call.
    static constexpr int64_t kStaleMs = 1000;
    const AVFrame* pictureAt(int64_t ms, int64_t toleranceMs);
    // Reads on until the sound decoded reaches `ms` or the file ends.
    void readSoundUntil(int64_t ms);

    bool hasSound() const { return soundDecoder_ != nullptr; }
    const AVCodecContext* videoCodec() const { return videoDecoder_; }
    const AVCodecContext* soundCodec() const { return soundDecoder_; }

    // Receives every decoded sound frame with its start time in ms (the file's own times).
    std::function<void(const AVFrame* frame, double startMs)> soundSink;

private:
    bool readPacket();  // false at the end of the file
    void decodeSound(const AVPacket* packet);
    AVFrame* nextPicture();  // the next picture (decoded or read ahead); null at the end
    AVFrame* decodePicture();  // decodes the next picture; null at the end
    int64_t pictureMs(const AVFrame* frame) const;

    AVFormatContext* format_ = nullptr;
    AVCodecContext* videoDecoder_ = nullptr;
    AVCodecContext* soundDecoder_ = nullptr;
    int videoStream_ = -1, soundStream_ = -1;
    AVPacket* packet_ = nullptr;
    AVFrame* current_ = nullptr;    // latest picture handed out
    AVFrame* lookahead_ = nullptr;  // next picture, not yet due
    AVFrame* soundFrame_ = nullptr;
    std::deque<AVPacket*> videoQueue_;  // video packets read while looking for sound
    bool ended_ = false, flushed_ = false, pictureEnded_ = false;
    int64_t soundReachedMs_ = INT64_MIN;
    std::unique_ptr<PictureQueue> ahead_;  // pictures decoded by the read-ahead thread
    std::thread aheadThread_;
};

}  // namespace moksel::exporting
