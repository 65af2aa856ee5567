// In-memory index of the packets of one stream of a recording, each with its times converted to
// milliseconds from its stream's time base. Packets are numbered 1..count in the order their
// pictures are shown: file order, except in streams with reordered pictures (B-frames), whose
// packets come in decode order and are numbered here by presentation time. Each packet keeps
// its place in the decode order, which is the order the decoder must be fed in.
//
// A packet keeps its data, or (when the index reads from the file) only its place and size in
// the file: its data is read again when it is decoded (packetData).
//
// Thread contract: filled on the engine thread during open into a fresh index, then moved into
// the engine context under the camera lock (video) or the sound device lock (sound); read by
// the thread that holds that lock (decoders, still operations, the sound thread).
#pragma once

#include <cstdint>
#include <vector>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/rational.h>
}

namespace moksel {

struct StoredPacket {
    AVPacket* packet = nullptr;  // owned; data as read, times still in stream units
    int64_t timeMs = 0;          // presentation time in ms (decode time when it has none)
    int64_t decodeTimeMs = 0;    // decode time in ms
    int64_t durationMs = 0;      // duration in ms
    int decodePosition = 0;      // 1-based place in the file's (decode) order
    int64_t filePosition = -1;   // where the data lies in the file, when it is read from there
    int byteCount = 0;           // its size in bytes then
    // A key picture. Kept by value: a copy of the entry stays readable after the index that
    // owns the packet is closed (a still picture reported after its lock was released).
    bool key = false;
    bool isKey() const { return key; }
};

// Converts a time in stream units to ms, truncated toward zero.
int64_t streamTimeToMs(int64_t value, AVRational timeBase);

class PacketIndex {
public:
    PacketIndex() = default;
    ~PacketIndex();
    PacketIndex(PacketIndex&& other) noexcept;
    PacketIndex& operator=(PacketIndex&& other) noexcept;
    PacketIndex(const PacketIndex&) = delete;
    PacketIndex& operator=(const PacketIndex&) = delete;

    // From now on packets that have a place in the file keep only that place and size; their
    // data is read from `fd` (owned by the index from now on) when it is asked for.
    void readDataFrom(int fd);
    // The packet ready for the decoder, its data read from the file when the index reads
    // from there (valid until the next call); null when that read fails (a file cut short
    // or gone), in which case the packet is passed over.
    const AVPacket* packetData(const StoredPacket& entry);

    // Takes the packet's data over (the caller's packet is left blank) and numbers it
    // count() + 1. A packet without any time stamp continues where the previous one ended.
    void store(AVPacket* packet, AVRational timeBase);
    // After the last store: packets are numbered by presentation time when the stream
    // reorders its pictures; a packet without a duration gets the distance to the next
    // packet's time, so pacing and steps never see a zero duration inside the stream.
    void finish();

    int count() const { return static_cast<int>(entries_.size()); }
    // The packet with that number, or null outside 1..count.
    const StoredPacket* at(int seq) const;
    // First key packet whose time is at or after timeMs; when none qualifies the last key
    // packet; 0 when the index holds no key packet.
    int firstKeyAtOrAfter(uint32_t timeMs) const;
    // Last key packet among 1..n; 1 when there is none.
    int lastKeyAtOrBefore(int n) const;
    // The packet at a place of the decode order (1..count), or null.
    const StoredPacket* inDecodeOrder(int position) const;
    // The packet whose time is exactly timeMs, 0 when none is.
    int numberAtTimeMs(int64_t timeMs) const;
    // The packet shown at timeMs: the last one whose time is at or before it (1 before the
    // first; 0 for an empty index).
    int numberShownAt(int64_t timeMs) const;
    // Where a seek to timeMs lands: the first key packet at or after it, as long as that key
    // is within a second of the time; otherwise (key pictures far apart) the packet shown at
    // timeMs, reached by decoding on from the key before it. 0 for an empty index.
    int seekTarget(int64_t timeMs) const;
    // Releases every packet; count() becomes 0.
    void clear();

private:
    std::vector<StoredPacket> entries_;
    std::vector<int> decodeOrder_;  // decode position - 1 -> packet number
    int dataFile_ = -1;             // the file the packets' data is read from, or -1
    AVPacket* loaded_ = nullptr;    // the last packet read from it
};

}  // namespace moksel
