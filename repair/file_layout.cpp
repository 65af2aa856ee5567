#include "file_layout.h"

#include <cstdio>
#include <cstring>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
}

namespace moksel::repair {
namespace {

struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

uint64_t bigEndian(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

// True when every sample the index lists lies inside the file.
bool indexedSamplesInFile(const std::string& path, uint64_t fileSize, bool& opened) {
    AVFormatContext* input = nullptr;
    opened = avformat_open_input(&input, path.c_str(), nullptr, nullptr) >= 0;
    if (!opened) return false;
    bool inside = true;
    for (unsigned s = 0; s < input->nb_streams && inside; ++s) {
        AVStream* stream = input->streams[s];
        const int count = avformat_index_get_entries_count(stream);
        for (int i = 0; i < count; ++i) {
            const AVIndexEntry* e = avformat_index_get_entry(stream, i);
            if (e && (e->pos < 0 || uint64_t(e->pos) + uint64_t(e->size) > fileSize)) {
                inside = false;
                break;
            }
        }
    }
    avformat_close_input(&input);
    return inside;
}

}  // namespace

FileLayout readFileLayout(const std::string& path) {
    FileLayout layout;
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rb"));
    if (!file) return layout;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return layout;
    const long end = std::ftell(file.get());
    if (end < 0) return layout;
    layout.opened = true;
    layout.fileSize = uint64_t(end);
    uint64_t at = 0;
    while (at + 8 <= layout.fileSize) {
        uint8_t header[16];
        if (std::fseek(file.get(), long(at), SEEK_SET) != 0) break;
        const size_t got = std::fread(header, 1, sizeof header, file.get());
        if (got < 8) break;
        uint64_t size = bigEndian(header, 4);
        uint64_t headerSize = 8;
        if (size == 1) {
            if (got < 16) break;
            size = bigEndian(header + 8, 8);
            headerSize = 16;
        }
        const bool toEnd = size == 0;
        if (toEnd) size = layout.fileSize - at;
        if (size < headerSize) break;  // not a box: the walk cannot go on
        const bool cut = size > layout.fileSize - at;
        const uint64_t boxEnd = cut ? layout.fileSize : at + size;
        if (std::memcmp(header + 4, "mdat", 4) == 0 && !layout.hasMedia) {
            layout.hasMedia = true;
            layout.mediaBegin = at + headerSize;
            layout.mediaEnd = boxEnd;
            layout.mediaCut = cut;
            layout.mediaToEnd = toEnd;
        } else if (std::memcmp(header + 4, "moov", 4) == 0 && !layout.hasIndex) {
            layout.hasIndex = true;
            layout.indexWhole = !cut;
            layout.indexFirst = !layout.hasMedia;
        }
        if (cut) break;
        at = boxEnd;
    }
    return layout;
}

FileState quickFileState(const std::string& path) {
    const FileLayout layout = readFileLayout(path);
    if (!layout.opened || !layout.hasMedia) return FileState::NotRecording;
    if (!layout.hasIndex || !layout.indexWhole) return FileState::IndexMissing;
    if (layout.mediaCut) return FileState::MediaCut;
    return FileState::Whole;
}

FileState fileState(const std::string& path) {
    const FileState quick = quickFileState(path);
    if (quick != FileState::Whole && quick != FileState::MediaCut) return quick;
    const FileLayout layout = readFileLayout(path);
    bool opened = false;
    const bool inside = indexedSamplesInFile(path, layout.fileSize, opened);
    if (!opened) return FileState::IndexMissing;  // an index the demuxer cannot read
    return inside ? FileState::Whole : FileState::MediaCut;
}

const char* fileStateText(FileState state) {
    switch (state) {
        case FileState::Whole:
            return "complete";
        case FileState::IndexMissing:
            return "cut off (its index is missing)";
        case FileState::MediaCut:
            return "cut short (samples its index lists are missing)";
        case FileState::NotRecording:
            return "not a recording (no media data)";
    }
    return "";
}

}  // namespace moksel::repair
