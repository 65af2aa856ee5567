// The telemetry box of a front recording and the per-frame telemetry records.
//
// A front file carries, in its movie box, a `udat` box with three sub-boxes, one entry per
// front video packet (entry i belongs to packet i + 1):
//   GPSI  128-byte NUL-terminated GPS sentences (an entry starting with 0 has no position)
//   SENS  12-byte entries, three little-endian floats: X, Y, Z acceleration in g
//   finf  4-byte little-endian flag words; 1 marks the event point
// The box is found by walking the box tree: the top-level boxes, then the movie box's
// children. The camera's own layout (ftyp, free, mdat, moov with udat last) costs a handful of
// header reads; other layouts (the movie box moved to the front by a copy tool, extra boxes
// after ftyp) are found the same way. Only the udat box itself is read in full.
//
// Thread contract: a TelemetryBox is used by one thread at a time (the engine thread at open).
// The free functions are pure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace moksel {

struct TelemetryRecord {
    int16_t accelX = 0;     // X acceleration in g x 100, truncated toward zero
    int16_t accelY = 0;     // Y acceleration in g x 100
    int16_t accelZ = 0;     // Z acceleration in g x 100
    uint32_t timeMs = 0;    // time stamp of the matching front video packet, ms (low 32 bits)
    double latitude = 0;    // decimal degrees, negative south; 0 without a sentence
    double longitude = 0;   // decimal degrees, negative west; 0 without a sentence
    uint16_t speedKmh = 0;  // km/h, truncated
    double heading = 0;     // course over ground, degrees from true north as written
};

// Outcome of the last TelemetryBox::read, for messages to the user.
enum class TelemetryReadStatus : int {
    Found = 0,             // a udat box was found
    CannotOpen = 1,        // the file could not be opened or read
    NoTelemetry = 2,       // a readable box tree without a udat box
    DamagedBoxHeader = 3,  // a box header on the way to the telemetry is damaged or truncated
    EmptyFile = 4,         // the file holds no bytes
};

const char* telemetryReadStatusText(TelemetryReadStatus status);

class TelemetryBox {
public:
    // The most bytes of a udat box that are read (about 1.8 million frames of entries, 16 hours
    // at 30 fps); a damaged size beyond it cannot make the reader allocate without bound.
    static constexpr uint64_t kMaxBoxBytes = 256ull << 20;
    static constexpr size_t kGpsEntryBytes = 128;
    static constexpr size_t kSensorEntryBytes = 12;
    static constexpr size_t kFlagEntryBytes = 4;

    // The working arrays are sized by each read to the box it finds.
    TelemetryBox();
    ~TelemetryBox();
    TelemetryBox(const TelemetryBox&) = delete;
    TelemetryBox& operator=(const TelemetryBox&) = delete;

    // Reads the telemetry of a front file: walks the top-level boxes and the movie box's
    // children to the udat box, reads it whole (at most kMaxBoxBytes; a box cut short by the
    // end of the file is read to the end), finds "GPSI", "SENS" and "finf" in it and copies
    // their payloads. Returns whether a udat box was found. Every copy is limited by the bytes
    // actually read; a damaged box size never leads to a read outside the buffer, to a
    // backward seek or to a loop.
    bool read(const std::string& frontPath);
    // The same from an open stream positioned at the start of the file (not closed here).
    bool read(std::FILE* file);

    TelemetryReadStatus status() const { return status_; }
    // Entries copied by the last read, per sub-box (whole entries; a partial tail is counted
    // as one entry padded with zeros).
    int gpsEntryCount() const;
    int sensorEntryCount() const;
    int flagEntryCount() const;

    // Builds one record per packet, i = 0 .. min(packetCount, capacity) - 1:
    // time from packetTimesMs[i] (already in ms), accelerations from sensor entry i, position,
    // speed and heading from GPS entry i, and eventTimeMs = timeMs of the last record whose
    // flag word is 1 (0 if none). Entries missing from the box read as zeros. Returns the
    // number of records built; 0 (and eventTimeMs 0) when the last read found no udat box.
    int buildRecords(const int64_t* packetTimesMs, int packetCount, TelemetryRecord* out,
                     int capacity, uint32_t& eventTimeMs) const;

    // The GPS sentence of entry i, as parseGpsSentence takes it; empty for an empty entry and
    // past the entries.
    std::string_view gpsSentence(int i) const;

private:
    void clearEntries();
    bool readBoxes(std::FILE* file);
    bool readUdat(std::FILE* file, uint64_t offset, uint64_t size);
    void scan(size_t bytesRead);

    std::vector<uint8_t> raw_;  // the udat box as read
    // Payloads of the sub-boxes, each padded with zeros to whole entries.
    std::vector<uint8_t> gps_, sensors_, flags_;
    // Bytes of each payload copied by the last read.
    size_t gpsBytes_ = 0, sensorBytes_ = 0, flagBytes_ = 0;
    TelemetryReadStatus status_ = TelemetryReadStatus::NoTelemetry;
};

// The record reported for a shown front packet: walks the records from the first and takes
// the first whose timeMs is later than packetTimeMs; the reported record is the one before
// it. Returns -1 when nothing is reported: no record is later (the last frame, or no
// records), or the first record is already later than the packet.
int telemetryIndexForPacketTime(const TelemetryRecord* records, int count, int64_t packetTimeMs);

// Sensor value in g to the stored x100 integer: truncated toward zero to a 32-bit integer
// whose low 16 bits are kept; values beyond the 32-bit range and NaN give 0.
int16_t accelerationToStored(float valueG);

}  // namespace moksel
