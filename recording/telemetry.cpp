#include "recording/telemetry.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <sys/stat.h>

#include "recording/gps_sentence.h"
#include "recording/numeric.h"

namespace moksel {

namespace {

uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

uint64_t bigEndian64(const uint8_t* p) {
    return uint64_t(bigEndian32(p)) << 32 | bigEndian32(p + 4);
}

uint32_t littleEndian32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float littleEndianFloat(const uint8_t* p) {
    uint32_t bits = littleEndian32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// First position at or after `from` where the four bytes of `tag` start, within [0, size);
// size_t(-1) when none.
size_t findTag(const uint8_t* data, size_t size, size_t from, const char (&tag)[5]) {
    if (size < 4) return size_t(-1);
    for (size_t i = from; i + 4 <= size; ++i) {
        if (data[i] == uint8_t(tag[0]) && std::memcmp(data + i, tag, 4) == 0) return i;
    }
    return size_t(-1);
}

constexpr size_t kNotFound = size_t(-1);

}  // namespace

const char* telemetryReadStatusText(TelemetryReadStatus status) {
    switch (status) {
        case TelemetryReadStatus::Found:
            return "telemetry found";
        case TelemetryReadStatus::CannotOpen:
            return "the file cannot be opened or read";
        case TelemetryReadStatus::NoTelemetry:
            return "the file has no telemetry box (udat)";
        case TelemetryReadStatus::DamagedBoxHeader:
            return "the file is not an MP4 recording, or it is damaged or truncated (a box "
                   "header is invalid)";
        case TelemetryReadStatus::EmptyFile:
            return "the file is empty (0 bytes)";
    }
    return "";
}

TelemetryBox::TelemetryBox() = default;
TelemetryBox::~TelemetryBox() = default;

int TelemetryBox::gpsEntryCount() const {
    return int((gpsBytes_ + kGpsEntryBytes - 1) / kGpsEntryBytes);
}
int TelemetryBox::sensorEntryCount() const {
    return int((sensorBytes_ + kSensorEntryBytes - 1) / kSensorEntryBytes);
}
int TelemetryBox::flagEntryCount() const {
    return int((flagBytes_ + kFlagEntryBytes - 1) / kFlagEntryBytes);
}

void TelemetryBox::clearEntries() {
    gps_.clear();
    sensors_.clear();
    flags_.clear();
    gpsBytes_ = sensorBytes_ = flagBytes_ = 0;
}

bool TelemetryBox::read(const std::string& frontPath) {
    std::FILE* file = std::fopen(frontPath.c_str(), "rb");
    if (!file) {
        clearEntries();
        status_ = TelemetryReadStatus::CannotOpen;
        return false;
    }
    bool found = read(file);
    std::fclose(file);
    return found;
}

bool TelemetryBox::read(std::FILE* file) {
    clearEntries();
    status_ = TelemetryReadStatus::CannotOpen;
    if (!file) return false;
    // A folder opens as a stream on some systems but cannot be read as a file.
    struct stat info {};
    const int descriptor = fileno(file);
    if (descriptor >= 0 && fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) return false;
    return readBoxes(file);
}

namespace {

struct BoxHeader {
    char type[4];
    uint64_t size = 0;      // whole box, at most to the end of its container
    int headerBytes = 8;
    bool cutShort = false;  // the box claims more bytes than its container has left
};

enum class HeaderRead { Ok, Damaged, ReadError };

// Reads the header of the box at `position` inside a container that ends at `end` (offsets from
// the file's start). A size of 0 means "to the end of the container"; a box that claims more
// than is left is marked cut short and runs to the end.
HeaderRead readHeader(std::FILE* file, uint64_t position, uint64_t end, BoxHeader& header) {
    if (end - position < 8) return HeaderRead::Damaged;
    uint8_t bytes[16];
    if (fseeko(file, off_t(position), SEEK_SET) != 0 || std::fread(bytes, 1, 8, file) != 8)
        return HeaderRead::ReadError;
    std::memcpy(header.type, bytes + 4, 4);
    header.size = bigEndian32(bytes);
    header.headerBytes = 8;
    if (header.size == 1) {  // 64-bit size after the type
        if (end - position < 16) return HeaderRead::Damaged;
        if (std::fread(bytes + 8, 1, 8, file) != 8) return HeaderRead::ReadError;
        header.size = bigEndian64(bytes + 8);
        header.headerBytes = 16;
        if (header.size < 16) return HeaderRead::Damaged;
    } else if (header.size == 0) {
        header.size = end - position;
    } else if (header.size < 8) {
        return HeaderRead::Damaged;
    }
    header.cutShort = header.size > end - position;
    if (header.cutShort) header.size = end - position;
    return HeaderRead::Ok;
}

bool isType(const BoxHeader& header, const char (&type)[5]) {
    return std::memcmp(header.type, type, 4) == 0;
}

}  // namespace

// Walks the top-level boxes; inside the movie box walks its children. The camera writes udat
// as the movie box's last child, after the media data; copy tools move the movie box to the
// front or add boxes after ftyp, which the walk passes over by their sizes. A size that is too
// small or (for any box but the movie and telemetry boxes, which a cut-short recording may
// leave open) reaches past the end of the file is damage: the walk stops there.
bool TelemetryBox::readBoxes(std::FILE* file) {
    off_t start = ftello(file);
    if (start < 0 || fseeko(file, 0, SEEK_END) != 0) return false;
    off_t endOffset = ftello(file);
    if (endOffset < start) return false;
    const uint64_t end = uint64_t(endOffset);
    if (end == uint64_t(start)) {
        status_ = TelemetryReadStatus::EmptyFile;
        return false;
    }

    uint64_t position = uint64_t(start);
    while (position < end) {
        BoxHeader header;
        HeaderRead result = readHeader(file, position, end, header);
        if (result == HeaderRead::ReadError) return false;
        // Only the movie and telemetry boxes of a recording cut short may run past the end.
        if (result == HeaderRead::Damaged ||
            (header.cutShort && !isType(header, "moov") && !isType(header, "udat"))) {
            status_ = TelemetryReadStatus::DamagedBoxHeader;
            return false;
        }
        if (isType(header, "udat")) return readUdat(file, position, header.size);
        if (isType(header, "moov")) {
            const uint64_t moovEnd = position + header.size;
            uint64_t child = position + uint64_t(header.headerBytes);
            while (child < moovEnd) {
                BoxHeader inner;
                result = readHeader(file, child, moovEnd, inner);
                if (result == HeaderRead::ReadError) return false;
                if (result == HeaderRead::Damaged) {
                    status_ = TelemetryReadStatus::DamagedBoxHeader;
                    return false;
                }
                if (isType(inner, "udat")) return readUdat(file, child, inner.size);
                child += inner.size;
            }
        }
        position += header.size;
    }
    status_ = TelemetryReadStatus::NoTelemetry;
    return false;
}

bool TelemetryBox::readUdat(std::FILE* file, uint64_t offset, uint64_t size) {
    const size_t bytes = size_t(std::min(size, kMaxBoxBytes));
    raw_.assign(bytes, 0);
    if (fseeko(file, off_t(offset), SEEK_SET) != 0) return false;
    const size_t bytesRead = std::fread(raw_.data(), 1, bytes, file);
    if (bytesRead < bytes && std::ferror(file)) return false;
    scan(bytesRead);
    raw_.clear();
    raw_.shrink_to_fit();
    return status_ == TelemetryReadStatus::Found;
}

void TelemetryBox::scan(size_t bytesRead) {
    const uint8_t* raw = raw_.data();
    size_t udat = findTag(raw, bytesRead, 0, "udat");
    if (udat == kNotFound) {
        status_ = TelemetryReadStatus::NoTelemetry;
        return;
    }
    status_ = TelemetryReadStatus::Found;

    // Copies the payload of the sub-box whose type starts at `at`: its size is the big-endian
    // word before the type; the copy is limited to what the buffer holds after the header. The
    // array is padded with zeros to whole entries.
    auto copyPayload = [&](size_t at, std::vector<uint8_t>& into, size_t entryBytes) -> size_t {
        if (at < 4) return 0;
        uint32_t size = bigEndian32(raw + at - 4);
        if (size <= 8) return 0;
        size_t length = std::min<size_t>(size_t(size) - 8, bytesRead - (at + 4));
        into.assign((length + entryBytes - 1) / entryBytes * entryBytes, 0);
        std::memcpy(into.data(), raw + at + 4, length);
        return length;
    };

    size_t from = udat;
    size_t at = findTag(raw, bytesRead, from, "GPSI");
    if (at != kNotFound) {
        gpsBytes_ = copyPayload(at, gps_, kGpsEntryBytes);
        from = at;
    }
    at = findTag(raw, bytesRead, from, "SENS");
    if (at != kNotFound) {
        sensorBytes_ = copyPayload(at, sensors_, kSensorEntryBytes);
        from = at;
    }
    at = findTag(raw, bytesRead, from, "finf");
    if (at != kNotFound) flagBytes_ = copyPayload(at, flags_, kFlagEntryBytes);
}

int16_t accelerationToStored(float valueG) {
    return truncatedLow16(double(valueG) * 100.0);
}

std::string_view TelemetryBox::gpsSentence(int i) const {
    if (i < 0 || size_t(i) >= gps_.size() / kGpsEntryBytes) return {};
    const char* gps = reinterpret_cast<const char*>(gps_.data()) + size_t(i) * kGpsEntryBytes;
    return gps[0] != 0 ? gpsEntryText(gps, kGpsEntryBytes) : std::string_view();
}

int TelemetryBox::buildRecords(const int64_t* packetTimesMs, int packetCount, TelemetryRecord* out,
                               int capacity, uint32_t& eventTimeMs) const {
    eventTimeMs = 0;
    if (status_ != TelemetryReadStatus::Found || !packetTimesMs || !out) return 0;
    int count = std::max(0, std::min(packetCount, capacity));
    // Entries past the end of a sub-box read as zeros.
    const size_t gpsEntries = gps_.size() / kGpsEntryBytes;
    const size_t sensorEntries = sensors_.size() / kSensorEntryBytes;
    const size_t flagEntries = flags_.size() / kFlagEntryBytes;
    for (int i = 0; i < count; ++i) {
        const size_t entry = size_t(i);
        TelemetryRecord record;
        record.timeMs = uint32_t(uint64_t(packetTimesMs[i]));

        if (entry < sensorEntries) {
            const uint8_t* sensor = sensors_.data() + entry * kSensorEntryBytes;
            record.accelX = accelerationToStored(littleEndianFloat(sensor));
            record.accelY = accelerationToStored(littleEndianFloat(sensor + 4));
            record.accelZ = accelerationToStored(littleEndianFloat(sensor + 8));
        }
        if (entry < gpsEntries) {
            const char* gps = reinterpret_cast<const char*>(gps_.data()) + entry * kGpsEntryBytes;
            if (gps[0] != 0) parseGpsSentence(gpsEntryText(gps, kGpsEntryBytes), record);
        }
        if (entry < flagEntries &&
            littleEndian32(flags_.data() + entry * kFlagEntryBytes) == 1)
            eventTimeMs = record.timeMs;
        out[i] = record;
    }
    return count;
}

int telemetryIndexForPacketTime(const TelemetryRecord* records, int count, int64_t packetTimeMs) {
    if (!records) return -1;
    for (int i = 0; i < count; ++i) {
        if (int64_t(records[i].timeMs) > packetTimeMs) return i - 1;  // -1 before the first
    }
    return -1;
}

}  // namespace moksel
