#include "engine/media_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

namespace moksel {

namespace {

constexpr int kReadBufferBytes = 64 * 1024;

// The largest single block FFmpeg may take. The biggest a recording needs is a picture's plane
// (an 8K 10-bit picture's is about 70 MB) or a long file's sample table (tens of MB); a damaged
// header that declares a billion samples in a 2 KB file is refused at once instead of taking a
// gigabyte before the read fails.
constexpr size_t kLargestBlock = 256u << 20;

struct MediaFile {
    int fd = -1;
    int64_t size = 0;
    int64_t offset = 0;
    bool byPlace = false;  // the packets can be read again by place and size
    bool skipping = false;
    // Byte ranges [start, end) of the samples whose reads the index pass skips, by start.
    std::vector<std::pair<int64_t, int64_t>> samples;
};

// The end of the skipped sample holding `offset`, or -1 when no skipped sample holds it.
int64_t skippedSampleEnd(const MediaFile& file, int64_t offset) {
    auto after = std::upper_bound(file.samples.begin(), file.samples.end(), offset,
                                  [](int64_t o, const std::pair<int64_t, int64_t>& s) { return o < s.first; });
    if (after == file.samples.begin()) return -1;
    --after;
    return offset < after->second ? after->second : -1;
}

int readFile(void* opaque, uint8_t* buffer, int bytes) {
    MediaFile& file = *static_cast<MediaFile*>(opaque);
    if (bytes <= 0) return 0;
    if (file.offset >= file.size) return AVERROR_EOF;
    int64_t wanted = std::min<int64_t>(bytes, file.size - file.offset);
    if (file.skipping) {
        // A read inside a sample gives the demuxer the bytes up to the sample's end unread:
        // the pass keeps only where the sample lies. It never reaches into what follows,
        // which may be a box the demuxer must see as it is.
        const int64_t end = skippedSampleEnd(file, file.offset);
        if (end > 0) {
            wanted = std::min(wanted, end - file.offset);
            file.offset += wanted;
            return static_cast<int>(wanted);
        }
    }
    ssize_t got;
    do {
        got = ::pread(file.fd, buffer, static_cast<size_t>(wanted), file.offset);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return AVERROR(errno);
    if (got == 0) return AVERROR_EOF;
    file.offset += got;
    return static_cast<int>(got);
}

int64_t seekFile(void* opaque, int64_t position, int whence) {
    MediaFile& file = *static_cast<MediaFile*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE: return file.size;
        case SEEK_SET: break;
        case SEEK_CUR: position += file.offset; break;
        case SEEK_END: position += file.size; break;
        default: return AVERROR(EINVAL);
    }
    if (position < 0) return AVERROR(EINVAL);
    file.offset = position;
    return position;
}

MediaFile* fileOf(AVFormatContext* demuxer) {
    return demuxer && demuxer->pb ? static_cast<MediaFile*>(demuxer->pb->opaque) : nullptr;
}

void freeReader(AVIOContext** reader) {
    if (!*reader) return;
    auto* file = static_cast<MediaFile*>((*reader)->opaque);
    av_freep(&(*reader)->buffer);
    avio_context_free(reader);
    if (file) {
        if (file->fd >= 0) ::close(file->fd);
        delete file;
    }
}

// Codecs whose packets in an MP4 are the samples' bytes as stored.
bool codecReadableByPlace(const AVStream* stream) {
    switch (stream->codecpar->codec_id) {
        case AV_CODEC_ID_H264:
        case AV_CODEC_ID_HEVC:
        case AV_CODEC_ID_AAC:
        case AV_CODEC_ID_PCM_S16LE:
        case AV_CODEC_ID_PCM_S16BE:
            return true;
        default:
            return false;
    }
}

// Opens the file for a demuxer; `parse` lets libavformat parse the streams' data as it reads.
bool openWith(const char* path, bool parse, AVFormatContext** demuxer) {
    auto* file = new MediaFile;
    file->fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (file->fd < 0 || ::fstat(file->fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (file->fd >= 0) ::close(file->fd);
        delete file;
        return false;
    }
    file->size = info.st_size;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBufferBytes));
    AVIOContext* reader = buffer ? avio_alloc_context(buffer, kReadBufferBytes, 0, file, readFile, nullptr, seekFile)
                                 : nullptr;
    if (!reader) {
        av_free(buffer);
        ::close(file->fd);
        delete file;
        return false;
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context) {
        freeReader(&reader);
        return false;
    }
    context->pb = reader;
    if (!parse) context->flags |= AVFMT_FLAG_NOPARSE;
    // On failure avformat_open_input frees the context but leaves our reader.
    if (avformat_open_input(&context, path, nullptr, nullptr) < 0) {
        freeReader(&reader);
        return false;
    }
    if (avformat_find_stream_info(context, nullptr) < 0) {
        avformat_close_input(&context);
        freeReader(&reader);
        return false;
    }
    *demuxer = context;
    return true;
}

uint64_t bigEndian(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}

// Whether the file holds movie fragments (moof boxes among the top-level boxes): their samples
// become known only as the fragments are read, so such a file is read as usual.
bool hasFragments(const MediaFile& file) {
    int64_t position = 0;
    for (int boxes = 0; boxes < 256 && position + 8 <= file.size; ++boxes) {
        uint8_t header[16] = {};
        if (::pread(file.fd, header, sizeof header, position) < 8) return false;
        if (std::memcmp(header + 4, "moof", 4) == 0 || std::memcmp(header + 4, "mfra", 4) == 0) return true;
        uint64_t size = bigEndian(header, 4);
        if (size == 1) size = bigEndian(header + 8, 8);
        if (size < 8) return false;  // to the end of the file, or damage
        position += static_cast<int64_t>(std::min<uint64_t>(size, static_cast<uint64_t>(file.size)));
    }
    return false;
}

// Whether every packet of the file is its sample's bytes, flagged as the sample tables say,
// with nothing libavformat would learn from parsing the data: an MP4 of those codecs whose
// videos mark their key pictures (without that table libavformat finds them in the data).
bool readableByPlace(const AVFormatContext* demuxer) {
    if (!demuxer->iformat || !std::strstr(demuxer->iformat->name, "mp4")) return false;
    if (hasFragments(*static_cast<const MediaFile*>(demuxer->pb->opaque))) return false;
    for (unsigned i = 0; i < demuxer->nb_streams; ++i) {
        AVStream* stream = demuxer->streams[i];
        const AVMediaType type = stream->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) continue;
        if (!codecReadableByPlace(stream)) return false;
        if (type != AVMEDIA_TYPE_VIDEO) continue;
        const int count = avformat_index_get_entries_count(stream);
        int keys = 0;
        for (int n = 0; n < count; ++n) {
            const AVIndexEntry* entry = avformat_index_get_entry(stream, n);
            if (entry && (entry->flags & AVINDEX_KEYFRAME)) ++keys;
        }
        if (count > 1 && keys >= count) return false;
    }
    return true;
}

}  // namespace

bool openMediaFile(const char* path, AVFormatContext** demuxer) {
    *demuxer = nullptr;
    static const bool limited = [] {
        av_max_alloc(kLargestBlock);
        return true;
    }();
    (void)limited;
    // Opened first without parsing; a file whose packets need it is opened again with it.
    if (openWith(path, false, demuxer)) {
        if (readableByPlace(*demuxer)) {
            fileOf(*demuxer)->byPlace = true;
            return true;
        }
        closeMediaFile(demuxer);
    }
    return openWith(path, true, demuxer);
}

void closeMediaFile(AVFormatContext** demuxer) {
    if (!*demuxer) return;
    AVIOContext* reader = (*demuxer)->pb;
    avformat_close_input(demuxer);
    freeReader(&reader);
}

int beginIndexPass(AVFormatContext* demuxer, std::initializer_list<int> streams) {
    MediaFile* file = fileOf(demuxer);
    if (!file || !file->byPlace) return -1;
    std::vector<std::pair<int64_t, int64_t>> samples;
    for (const int number : streams) {
        if (number < 0) continue;
        if (number >= static_cast<int>(demuxer->nb_streams)) return -1;
        AVStream* stream = demuxer->streams[number];
        const int count = avformat_index_get_entries_count(stream);
        for (int i = 0; i < count; ++i) {
            const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
            if (entry && entry->pos >= 0 && entry->size > 0) samples.emplace_back(entry->pos, entry->pos + entry->size);
        }
    }
    if (samples.empty()) return -1;
    const int copy = ::fcntl(file->fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return -1;
    std::sort(samples.begin(), samples.end());
    file->samples = std::move(samples);
    file->skipping = true;
    return copy;
}

void endIndexPass(AVFormatContext* demuxer) {
    if (MediaFile* file = fileOf(demuxer)) {
        file->skipping = false;
        file->samples.clear();
        file->samples.shrink_to_fit();
    }
}

}  // namespace moksel
