#include "mp4_boxes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace moksel::gen {
namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

void putBe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v >> 24);
    out[at + 1] = static_cast<uint8_t>(v >> 16);
    out[at + 2] = static_cast<uint8_t>(v >> 8);
    out[at + 3] = static_cast<uint8_t>(v);
}

void putLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
    out[at + 2] = static_cast<uint8_t>(v >> 16);
    out[at + 3] = static_cast<uint8_t>(v >> 24);
}

// Appends a sub-box header for `payload` bytes and returns the payload's offset.
size_t beginBox(std::vector<uint8_t>& out, const char* type, size_t payload) {
    const size_t at = out.size();
    out.resize(at + 8 + payload, 0);
    putBe32(out, at, static_cast<uint32_t>(8 + payload));
    std::memcpy(&out[at + 4], type, 4);
    return at + 8;
}

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

uint64_t be(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

std::vector<uint8_t> buildTelemetryBox(const std::vector<TrackPoint>& track, int entries,
                                       bool withFlags) {
    const size_t n = static_cast<size_t>(std::max(0, entries));
    std::vector<uint8_t> out(8, 0);
    std::memcpy(&out[4], "udat", 4);

    size_t at = beginBox(out, "GPSI", n * kGpsEntryBytes);
    for (size_t i = 0; i < n && i < track.size(); ++i) {
        const std::string& s = track[i].sentence;
        std::memcpy(&out[at + i * kGpsEntryBytes], s.data(),
                    std::min<size_t>(s.size(), kGpsEntryBytes - 1));  // keeps a NUL at the end
    }
    at = beginBox(out, "SENS", n * kSensorEntryBytes);
    for (size_t i = 0; i < n && i < track.size(); ++i) {
        const size_t e = at + i * kSensorEntryBytes;
        putLe32(out, e, floatBits(track[i].accelX));
        putLe32(out, e + 4, floatBits(track[i].accelY));
        putLe32(out, e + 8, floatBits(track[i].accelZ));
    }
    if (withFlags) {
        at = beginBox(out, "finf", n * kFlagEntryBytes);
        for (size_t i = 0; i < n && i < track.size(); ++i)
            putLe32(out, at + i * kFlagEntryBytes, track[i].event ? 1u : 0u);
    }
    putBe32(out, 0, static_cast<uint32_t>(out.size()));
    return out;
}

bool listBoxes(const std::string& path, uint64_t begin, uint64_t end, std::vector<Mp4Box>& boxes,
               std::string& error) {
    boxes.clear();
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) {
        error = path + ": " + ec.message();
        return false;
    }
    if (end == 0 || end > fileSize) end = fileSize;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = path + ": cannot open";
        return false;
    }
    uint64_t pos = begin;
    while (pos + 8 <= end) {
        uint8_t h[16];
        if (fseeko(f.get(), static_cast<off_t>(pos), SEEK_SET) != 0 ||
            std::fread(h, 1, 8, f.get()) != 8) {
            error = path + ": read error";
            return false;
        }
        Mp4Box box;
        box.type.assign(reinterpret_cast<const char*>(h + 4), 4);
        box.offset = pos;
        box.size = be(h, 4);
        if (box.size == 1) {
            if (std::fread(h + 8, 1, 8, f.get()) != 8) {
                error = path + ": truncated box header";
                return false;
            }
            box.size = be(h + 8, 8);
            box.headerSize = 16;
        } else if (box.size == 0) {
            box.size = end - pos;  // runs to the end
        }
        if (box.size < static_cast<uint64_t>(box.headerSize) || box.size > end - pos) {
            error = path + ": box '" + box.type + "' at " + std::to_string(pos) +
                    " has a bad size " + std::to_string(box.size);
            return false;
        }
        boxes.push_back(box);
        pos += box.size;
    }
    if (pos != end) {
        error = path + ": " + std::to_string(end - pos) + " stray bytes at the end";
        return false;
    }
    return true;
}

bool appendToMovieBox(const std::string& path, const std::vector<uint8_t>& box,
                      std::string& error) {
    std::vector<Mp4Box> top;
    if (!listBoxes(path, 0, 0, top, error)) return false;
    if (top.empty() || top.back().type != "moov" || top.back().headerSize != 8) {
        error = path + ": the movie box is not the last box of the file";
        return false;
    }
    const uint64_t newSize = top.back().size + box.size();
    if (newSize > 0xFFFFFFFFu) {
        error = path + ": movie box too large";
        return false;
    }
    File f(std::fopen(path.c_str(), "r+b"));
    if (!f) {
        error = path + ": cannot open for writing";
        return false;
    }
    std::vector<uint8_t> size(4);
    putBe32(size, 0, static_cast<uint32_t>(newSize));
    if (fseeko(f.get(), 0, SEEK_END) != 0 ||
        std::fwrite(box.data(), 1, box.size(), f.get()) != box.size() ||
        fseeko(f.get(), static_cast<off_t>(top.back().offset), SEEK_SET) != 0 ||
        std::fwrite(size.data(), 1, 4, f.get()) != 4 || std::fflush(f.get()) != 0) {
        error = path + ": write error";
        return false;
    }
    return true;
}

std::vector<uint8_t> makeBox(const char* type, size_t payload) {
    std::vector<uint8_t> out;
    beginBox(out, type, payload);
    return out;
}

namespace {

// Moves every chunk offset of the stco and co64 boxes under `box` (a moov box or one of the
// containers on the way to the sample tables) by the shift of the top-level box it points into.
bool shiftChunkOffsets(uint8_t* box, uint64_t size, const std::vector<Mp4Box>& top,
                       const std::vector<int64_t>& shift) {
    auto shiftOf = [&](uint64_t offset, int64_t& out) {
        for (size_t i = 0; i < top.size(); ++i) {
            if (offset >= top[i].offset && offset < top[i].offset + top[i].size) {
                out = shift[i];
                return true;
            }
        }
        return false;
    };
    uint64_t pos = 8;
    while (pos + 8 <= size) {
        uint8_t* child = box + pos;
        const uint64_t childSize = be(child, 4);
        if (childSize < 8 || childSize > size - pos) return false;
        const std::string type(reinterpret_cast<const char*>(child + 4), 4);
        if (type == "trak" || type == "mdia" || type == "minf" || type == "stbl") {
            if (!shiftChunkOffsets(child, childSize, top, shift)) return false;
        } else if (type == "stco" || type == "co64") {
            const int width = type == "stco" ? 4 : 8;
            if (childSize < 16) return false;
            const uint64_t count = be(child + 12, 4);
            if (16 + count * width > childSize) return false;
            for (uint64_t e = 0; e < count; ++e) {
                uint8_t* at = child + 16 + e * width;
                int64_t delta = 0;
                if (!shiftOf(be(at, width), delta)) return false;
                const uint64_t moved = be(at, width) + delta;
                if (width == 4 && moved > 0xFFFFFFFFu) return false;
                for (int b = 0; b < width; ++b) at[b] = uint8_t(moved >> (8 * (width - 1 - b)));
            }
        }
        pos += childSize;
    }
    return true;
}

}  // namespace

bool relayoutTopLevel(const std::string& path, bool movieFirst, const std::vector<uint8_t>& extraBox,
                      std::string& error) {
    std::vector<Mp4Box> top;
    if (!listBoxes(path, 0, 0, top, error)) return false;
    if (top.empty() || top.front().type != "ftyp") {
        error = path + ": the file does not start with ftyp";
        return false;
    }
    std::vector<uint8_t> bytes(top.back().offset + top.back().size);
    {
        File f(std::fopen(path.c_str(), "rb"));
        if (!f || std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
            error = path + ": read error";
            return false;
        }
    }
    // New order of the original boxes, and where the extra box goes (after ftyp).
    std::vector<size_t> order{0};
    for (size_t i = 1; i < top.size(); ++i)
        if (movieFirst && top[i].type == "moov") order.push_back(i);
    for (size_t i = 1; i < top.size(); ++i)
        if (!(movieFirst && top[i].type == "moov")) order.push_back(i);
    std::vector<int64_t> shift(top.size(), 0);
    uint64_t at = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k == 1) at += extraBox.size();
        shift[order[k]] = int64_t(at) - int64_t(top[order[k]].offset);
        at += top[order[k]].size;
    }
    for (size_t i = 0; i < top.size(); ++i) {
        if (top[i].type != "moov") continue;
        if (top[i].headerSize != 8 ||
            !shiftChunkOffsets(bytes.data() + top[i].offset, top[i].size, top, shift)) {
            error = path + ": the movie box's chunk offsets cannot be moved";
            return false;
        }
    }
    const std::string temporary = path + ".relayout";
    {
        File f(std::fopen(temporary.c_str(), "wb"));
        bool ok = f != nullptr;
        for (size_t k = 0; ok && k < order.size(); ++k) {
            if (k == 1 && !extraBox.empty())
                ok = std::fwrite(extraBox.data(), 1, extraBox.size(), f.get()) == extraBox.size();
            const Mp4Box& b = top[order[k]];
            ok = ok && std::fwrite(bytes.data() + b.offset, 1, b.size, f.get()) == b.size;
        }
        if (!ok || std::fflush(f.get()) != 0) {
            error = temporary + ": write error";
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = path + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace moksel::gen
