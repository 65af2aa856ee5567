#include "engine/packet_index.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace moksel {

int64_t streamTimeToMs(int64_t value, AVRational timeBase) {
    if (timeBase.num <= 0 || timeBase.den <= 0) return value;
    return av_rescale_q_rnd(value, timeBase, AVRational{1, 1000}, AV_ROUND_ZERO);
}

PacketIndex::~PacketIndex() { clear(); }

PacketIndex::PacketIndex(PacketIndex&& other) noexcept
    : entries_(std::move(other.entries_)),
      decodeOrder_(std::move(other.decodeOrder_)),
      dataFile_(std::exchange(other.dataFile_, -1)),
      loaded_(std::exchange(other.loaded_, nullptr)) {
    other.entries_.clear();
    other.decodeOrder_.clear();
}

PacketIndex& PacketIndex::operator=(PacketIndex&& other) noexcept {
    if (this != &other) {
        clear();
        entries_ = std::move(other.entries_);
        decodeOrder_ = std::move(other.decodeOrder_);
        dataFile_ = std::exchange(other.dataFile_, -1);
        loaded_ = std::exchange(other.loaded_, nullptr);
        other.entries_.clear();
        other.decodeOrder_.clear();
    }
    return *this;
}

void PacketIndex::readDataFrom(int fd) {
    if (dataFile_ >= 0) ::close(dataFile_);
    dataFile_ = fd;
}

const AVPacket* PacketIndex::packetData(const StoredPacket& entry) {
    if (entry.filePosition < 0) return entry.packet;
    if (dataFile_ < 0 || entry.byteCount <= 0) return nullptr;
    if (!loaded_ && !(loaded_ = av_packet_alloc())) return nullptr;
    av_packet_unref(loaded_);
    if (av_new_packet(loaded_, entry.byteCount) < 0) return nullptr;
    if (av_packet_copy_props(loaded_, entry.packet) < 0) return nullptr;
    size_t done = 0;
    const auto wanted = static_cast<size_t>(entry.byteCount);
    while (done < wanted) {
        const ssize_t got = ::pread(dataFile_, loaded_->data + done, wanted - done,
                                    static_cast<off_t>(entry.filePosition + static_cast<int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return nullptr;
        done += static_cast<size_t>(got);
    }
    return loaded_;
}

void PacketIndex::store(AVPacket* packet, AVRational timeBase) {
    StoredPacket entry;
    entry.packet = av_packet_alloc();
    if (!entry.packet) return;
    av_packet_move_ref(entry.packet, packet);
    entry.key = (entry.packet->flags & AV_PKT_FLAG_KEY) != 0;
    if (dataFile_ >= 0 && entry.packet->pos >= 0 && entry.packet->size > 0) {
        // Only where the data lies is kept; it is read again when decoded.
        entry.filePosition = entry.packet->pos;
        entry.byteCount = entry.packet->size;
        av_buffer_unref(&entry.packet->buf);
        entry.packet->data = nullptr;
        entry.packet->size = 0;
    }
    const AVPacket* p = entry.packet;
    const int64_t previousEnd =
        entries_.empty() ? 0 : entries_.back().timeMs + entries_.back().durationMs;
    if (p->pts != AV_NOPTS_VALUE) {
        entry.timeMs = streamTimeToMs(p->pts, timeBase);
    } else if (p->dts != AV_NOPTS_VALUE) {
        entry.timeMs = streamTimeToMs(p->dts, timeBase);
    } else {
        entry.timeMs = previousEnd;
    }
    entry.decodeTimeMs = p->dts != AV_NOPTS_VALUE ? streamTimeToMs(p->dts, timeBase) : entry.timeMs;
    entry.durationMs = p->duration > 0 ? streamTimeToMs(p->duration, timeBase) : 0;
    entry.decodePosition = static_cast<int>(entries_.size()) + 1;
    entries_.push_back(entry);
}

void PacketIndex::finish() {
    // Presentation times out of file order: the stream reorders its pictures.
    bool reordered = false;
    for (size_t i = 0; i + 1 < entries_.size() && !reordered; ++i) {
        const AVPacket* a = entries_[i].packet;
        const AVPacket* b = entries_[i + 1].packet;
        reordered = a->pts != AV_NOPTS_VALUE && b->pts != AV_NOPTS_VALUE && b->pts < a->pts;
    }
    if (reordered) {
        std::stable_sort(entries_.begin(), entries_.end(), [](const StoredPacket& a, const StoredPacket& b) {
            return a.timeMs < b.timeMs;
        });
    }
    decodeOrder_.assign(entries_.size(), 0);
    for (size_t i = 0; i < entries_.size(); ++i) {
        const int position = entries_[i].decodePosition;
        if (position >= 1 && static_cast<size_t>(position) <= entries_.size()) {
            decodeOrder_[static_cast<size_t>(position - 1)] = static_cast<int>(i) + 1;
        }
    }
    for (size_t i = 0; i + 1 < entries_.size(); ++i) {
        if (entries_[i].durationMs <= 0) {
            entries_[i].durationMs = std::max<int64_t>(0, entries_[i + 1].timeMs - entries_[i].timeMs);
        }
    }
    if (entries_.size() >= 2 && entries_.back().durationMs <= 0) {
        entries_.back().durationMs = entries_[entries_.size() - 2].durationMs;
    }
}

const StoredPacket* PacketIndex::at(int seq) const {
    if (seq < 1 || seq > count()) return nullptr;
    return &entries_[static_cast<size_t>(seq - 1)];
}

int PacketIndex::firstKeyAtOrAfter(uint32_t timeMs) const {
    int lastKey = 0;
    for (int i = 0; i < count(); ++i) {
        const StoredPacket& e = entries_[static_cast<size_t>(i)];
        if (!e.isKey()) continue;
        lastKey = i + 1;
        if (e.timeMs >= static_cast<int64_t>(timeMs)) return lastKey;
    }
    return lastKey;
}

int PacketIndex::lastKeyAtOrBefore(int n) const {
    int lastKey = 1;
    const int end = std::min(n, count());
    for (int i = 0; i < end; ++i) {
        if (entries_[static_cast<size_t>(i)].isKey()) lastKey = i + 1;
    }
    return lastKey;
}

const StoredPacket* PacketIndex::inDecodeOrder(int position) const {
    if (position < 1 || static_cast<size_t>(position) > decodeOrder_.size()) return at(position);
    return at(decodeOrder_[static_cast<size_t>(position - 1)]);
}

int PacketIndex::numberAtTimeMs(int64_t timeMs) const {
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), timeMs,
                                        [](const StoredPacket& e, int64_t t) { return e.timeMs < t; });
    if (found != entries_.end() && found->timeMs == timeMs) return static_cast<int>(found - entries_.begin()) + 1;
    // Times not in order (a damaged stream): look at every packet.
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].timeMs == timeMs) return static_cast<int>(i) + 1;
    }
    return 0;
}

int PacketIndex::numberShownAt(int64_t timeMs) const {
    if (entries_.empty()) return 0;
    const auto after = std::upper_bound(entries_.begin(), entries_.end(), timeMs,
                                        [](int64_t t, const StoredPacket& e) { return t < e.timeMs; });
    return std::max(1, static_cast<int>(after - entries_.begin()));
}

int PacketIndex::seekTarget(int64_t timeMs) const {
    constexpr int64_t kKeyReachMs = 1000;
    const int key = firstKeyAtOrAfter(static_cast<uint32_t>(std::max<int64_t>(0, timeMs)));
    if (key != 0) {
        const int64_t distance = at(key)->timeMs - timeMs;
        if (distance >= -kKeyReachMs && distance <= kKeyReachMs) return key;
    }
    return numberShownAt(timeMs);
}

void PacketIndex::clear() {
    for (StoredPacket& e : entries_) av_packet_free(&e.packet);
    entries_.clear();
    decodeOrder_.clear();
    av_packet_free(&loaded_);
    if (dataFile_ >= 0) ::close(dataFile_);
    dataFile_ = -1;
}

}  // namespace moksel
