// A recording's file as the demuxer reads it, through a reader of the engine's own, and the
// index pass: the one read through the whole file at open, which learns every packet's times,
// flags, place and size. In an MP4 whose streams need no parsing of their data (H.264, HEVC,
// AAC, PCM), that pass passes over the samples' bytes instead of reading them, so opening costs
// the same whatever the file's length and its pictures and sound are read from the file only
// when they are decoded (PacketIndex reads them by place and size). Any other file, and any
// read outside the sample tables' samples, is read as usual.
//
// Thread contract: engine thread (open and close).
#pragma once

#include <initializer_list>

extern "C" {
struct AVFormatContext;
}

namespace moksel {

// Opens the file for the demuxer and reads its header and stream information. False (and
// *demuxer null) when the file cannot be read or is not media FFmpeg knows.
bool openMediaFile(const char* path, AVFormatContext** demuxer);
// Closes the demuxer and the file it reads; sets *demuxer null. Null does nothing.
void closeMediaFile(AVFormatContext** demuxer);

// Starts the index pass over `streams` (stream numbers; negative ones are ignored). When their
// data can be read again by place and size, the pass skips their samples' bytes and the result
// is a new descriptor of the file for those later reads (the caller owns it); otherwise -1 and
// every byte is read.
int beginIndexPass(AVFormatContext* demuxer, std::initializer_list<int> streams);
// Ends the pass: every read reads the file again.
void endIndexPass(AVFormatContext* demuxer);

}  // namespace moksel
