#include "recording/telemetry.h"

#include <algorithm>
#include <cstring>
#include <string_view>

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
            return "the file is not an MP4 recording, or it is damaged or truncated (a top-level "
                   "box header is invalid)";
    }
    return "";
}

TelemetryBox::TelemetryBox()
    : raw_(new uint8_t[kRawCapacity]),
      gps_(new uint8_t[kEntryCapacity * kGpsEntryBytes]()),
      sensors_(new uint8_t[kEntryCapacity * kSensorEntryBytes]()),
      flags_(new uint8_t[kEntryCapacity * kFlagEntryBytes]()) {}

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

// Only the bytes the last read filled can be non-zero, so zeroing them restores all-zero
// arrays without touching the whole 720 KB at every open.
void TelemetryBox::clearEntries() {
    std::memset(gps_.get(), 0, gpsBytes_);
    std::memset(sensors_.get(), 0, sensorBytes_);
    std::memset(flags_.get(), 0, flagBytes_);
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
    return readBoxes(file);
}

// Passes over the first three top-level boxes by their sizes (the file type, free and media
// data boxes of a camera file; the movie box with the telemetry follows), then reads one bulk
// window and scans it. A size that is too small or reaches past the end of the file is damage:
// the walk stops there (no telemetry) instead of seeking backwards or off the file.
bool TelemetryBox::readBoxes(std::FILE* file) {
    off_t start = ftello(file);
    if (start < 0 || fseeko(file, 0, SEEK_END) != 0) return false;
    off_t end = ftello(file);
    if (end < start) return false;
    uint64_t fileSize = uint64_t(end - start);

    uint64_t position = 0;  // relative to `start`
    for (int box = 0; box < 3; ++box) {
        uint8_t header[16];
        if (fileSize - position < 8) {
            // Fewer than three boxes before the end: nothing can follow them.
            status_ = position == fileSize ? TelemetryReadStatus::NoTelemetry
                                           : TelemetryReadStatus::DamagedBoxHeader;
            return false;
        }
        if (fseeko(file, off_t(start + position), SEEK_SET) != 0 ||
            std::fread(header, 1, 8, file) != 8)
            return false;
        uint64_t size = bigEndian32(header);
        if (size == 1) {  // 64-bit size after the type
            if (fileSize - position < 16 || std::fread(header + 8, 1, 8, file) != 8) {
                status_ = TelemetryReadStatus::DamagedBoxHeader;
                return false;
            }
            size = bigEndian64(header + 8);
            if (size < 16) {
                status_ = TelemetryReadStatus::DamagedBoxHeader;
                return false;
            }
        } else if (size == 0) {  // the box runs to the end of the file: nothing follows it
            status_ = TelemetryReadStatus::NoTelemetry;
            return false;
        } else if (size < 8) {
            status_ = TelemetryReadStatus::DamagedBoxHeader;
            return false;
        }
        if (size > fileSize - position) {
            status_ = TelemetryReadStatus::DamagedBoxHeader;
            return false;
        }
        position += size;
    }

    if (fseeko(file, off_t(start + position), SEEK_SET) != 0) return false;
    size_t bytesRead = std::fread(raw_.get(), 1, kRawCapacity, file);
    if (bytesRead < kRawCapacity && std::ferror(file)) return false;
    scan(bytesRead);
    return status_ == TelemetryReadStatus::Found;
}

void TelemetryBox::scan(size_t bytesRead) {
    const uint8_t* raw = raw_.get();
    size_t udat = findTag(raw, bytesRead, 0, "udat");
    if (udat == kNotFound) {
        status_ = TelemetryReadStatus::NoTelemetry;
        return;
    }
    status_ = TelemetryReadStatus::Found;

    // Copies the payload of the sub-box whose type starts at `at`: its size is the big-endian
    // word before the type; the copy is limited to what the buffer holds after the header and
    // to the array.
    auto copyPayload = [&](size_t at, uint8_t* into, size_t capacity) -> size_t {
        if (at < 4) return 0;
        uint32_t size = bigEndian32(raw + at - 4);
        if (size <= 8) return 0;
        size_t length = std::min<size_t>({size_t(size) - 8, bytesRead - (at + 4), capacity});
        std::memcpy(into, raw + at + 4, length);
        return length;
    };

    size_t from = udat;
    size_t at = findTag(raw, bytesRead, from, "GPSI");
    if (at != kNotFound) {
        gpsBytes_ = copyPayload(at, gps_.get(), kEntryCapacity * kGpsEntryBytes);
        from = at;
    }
    at = findTag(raw, bytesRead, from, "SENS");
    if (at != kNotFound) {
        sensorBytes_ = copyPayload(at, sensors_.get(), kEntryCapacity * kSensorEntryBytes);
        from = at;
    }
    at = findTag(raw, bytesRead, from, "finf");
    if (at != kNotFound)
        flagBytes_ = copyPayload(at, flags_.get(), kEntryCapacity * kFlagEntryBytes);
}

int16_t accelerationToStored(float valueG) {
    return truncatedLow16(double(valueG) * 100.0);
}

int TelemetryBox::buildRecords(const int64_t* packetTimesMs, int packetCount, TelemetryRecord* out,
                               int capacity, uint32_t& eventTimeMs) const {
    eventTimeMs = 0;
    if (status_ != TelemetryReadStatus::Found || !packetTimesMs || !out) return 0;
    int count = std::max(0, std::min({packetCount, capacity, kTelemetryCapacity}));
    for (int i = 0; i < count; ++i) {
        TelemetryRecord record;
        record.timeMs = uint32_t(uint64_t(packetTimesMs[i]));

        const uint8_t* sensor = sensors_.get() + size_t(i) * kSensorEntryBytes;
        record.accelX = accelerationToStored(littleEndianFloat(sensor));
        record.accelY = accelerationToStored(littleEndianFloat(sensor + 4));
        record.accelZ = accelerationToStored(littleEndianFloat(sensor + 8));

        const char* gps = reinterpret_cast<const char*>(gps_.get()) + size_t(i) * kGpsEntryBytes;
        if (gps[0] != 0) parseGpsSentence(gpsEntryText(gps, kGpsEntryBytes), record);

        if (littleEndian32(flags_.get() + size_t(i) * kFlagEntryBytes) == 1)
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
