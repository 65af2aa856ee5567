// The small JSON record written beside an exported video: which program made it, from which
// recordings (with their SHA-256), over which range, in which layout and with which options,
// and the SHA-256 of the video itself, so a recipient can check that the video came unedited
// from these recordings. Also the write-then-rename step that keeps half-written files from
// ever carrying a final name.
//
// Thread contract: plain functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/export_options.h"

namespace moksel::exporting {

// Lower-case hexadecimal SHA-256 of a file's bytes; empty when it cannot be read.
std::string fileSha256(const std::string& path);

struct RecordSource {
    std::string path;
    std::string camera;  // "front" or "rear"
    std::string sha256;  // worked out by exportRecordJson when empty
};

struct RecordContents {
    std::vector<RecordSource> sources;
    ExportRequest request;
    int64_t fromMs = 0, toMs = 0;  // the range as exported
    int frames = 0;
    int64_t durationMs = 0;
    int width = 0, height = 0;
    std::string frameRate;  // "30/1"
    std::string outputPath;  // the final name of the video
    std::string outputSha256;
};

// The record's JSON text (hashing the source files whose hash is not given).
std::string exportRecordJson(const RecordContents& contents);

// The record's file name for a video: the video's name with ".json" for its extension.
std::string recordPathFor(const std::string& videoPath);

// A name in the same folder for writing `finalPath` before it is complete.
std::string temporaryPathFor(const std::string& finalPath);

// Writes `text` to `path` through a temporary name. False with a message on failure.
bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error);

}  // namespace moksel::exporting
