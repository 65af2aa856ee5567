// What a recording file's top-level boxes say about it: where its media data lies, whether its
// index (the movie box) is there and whole, and whether the file ends before its boxes do.
//
// Thread contract: plain functions; each call opens the file itself.
#pragma once

#include <cstdint>
#include <string>

namespace moksel::repair {

struct FileLayout {
    bool opened = false;
    uint64_t fileSize = 0;
    bool hasMedia = false;    // an `mdat` box was found
    uint64_t mediaBegin = 0;  // its payload, clamped to the file
    uint64_t mediaEnd = 0;
    bool mediaCut = false;    // its size runs past the end of the file
    bool mediaToEnd = false;  // its size field says 0 (up to the end of the file)
    bool hasIndex = false;    // a `moov` box starts in the file
    bool indexWhole = false;  // ... and ends in it
    bool indexFirst = false;  // ... before the media data
};

FileLayout readFileLayout(const std::string& path);

// How a recording file stands, for the list and before a repair.
enum class FileState {
    Whole,         // plays as it is
    IndexMissing,  // media data without a (whole) index: the camera stopped before writing it
    MediaCut,      // the index is there but samples it lists lie past the end of the file
    NotRecording,  // no media data at all, or not an MP4 file
};

// From the boxes alone (cheap: a few small reads).
FileState quickFileState(const std::string& path);
// The same, and for a file with an index, a check that every sample it lists lies in the file.
FileState fileState(const std::string& path);

const char* fileStateText(FileState state);

}  // namespace moksel::repair
