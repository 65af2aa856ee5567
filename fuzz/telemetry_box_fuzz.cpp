// Fuzz target: a whole front recording file's bytes through the telemetry box reader, the
// record builder and the frame lookup.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_driver.h"
#include "recording/telemetry.h"

namespace {

std::string bigEndian32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string box(const char* type, const std::string& payload) {
    return bigEndian32(uint32_t(payload.size() + 8)) + type + payload;
}

// A small camera-like file: ftyp, free, mdat, then moov with udat (GPSI, SENS, finf).
std::string cameraFile(int entries, bool withFinf, const std::string& mdatPayload) {
    std::string gps, sensors, flags;
    for (int i = 0; i < entries; ++i) {
        char sentence[128] = {};
        std::snprintf(
            sentence, sizeof sentence,
            "$GPRMC,0815%02d.000,A,37%02d.%04d,%c,127%02d.%04d,%c,%d.%d,%d.5,010312,,,A*6C", i % 60,
            i % 60, i * 37 % 10000, i % 2 ? 'N' : 'S', i % 60, i * 91 % 10000, i % 3 ? 'E' : 'W',
            i % 120, i % 10, i * 7 % 360);
        gps.append(sentence, sizeof sentence);
        for (float v : {0.01f * float(i) - 1.234f, 0.005f, 1.0f}) {
            uint32_t bits;
            std::memcpy(&bits, &v, 4);
            sensors += {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
        }
        flags += std::string(i == entries / 2 ? "\1\0\0\0" : "\0\0\0\0", 4);
    }
    std::string udat = box("GPSI", gps) + box("SENS", sensors);
    if (withFinf) udat += box("finf", flags);
    return box("ftyp", "isom\0\0\2\0isomiso2avc1mp41") + box("free", "") +
           box("mdat", mdatPayload) +
           box("moov", box("mvhd", std::string(20, '\0')) + box("udat", udat));
}

}  // namespace

std::vector<std::string> mokselFuzzSeeds() {
    return {cameraFile(3, true, "video"), cameraFile(1, false, ""), cameraFile(12, true, "udat"),
            cameraFile(0, true, std::string(64, '\0'))};
}

std::vector<std::string> mokselFuzzDictionary() {
    return {"udat",
            "GPSI",
            "SENS",
            "finf",
            "moov",
            "mdat",
            "free",
            "ftyp",
            "$GPRMC,",
            std::string("\0\0\0\1", 4),
            std::string("\0\0\0\0", 4),
            std::string("\1\0\0\0", 4)};
}

namespace {

// Reads `bytes` as a whole file and checks what the reader and the builder give.
void readAndBuild(const std::string& bytes) {
    static moksel::TelemetryBox telemetry;  // one reader for every input, as the engine keeps
    static std::vector<moksel::TelemetryRecord> records;

    std::FILE* file =
        bytes.empty() ? nullptr : fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    bool found = telemetry.read(file);
    if (file) std::fclose(file);

    if (found != (telemetry.status() == moksel::TelemetryReadStatus::Found)) std::abort();
    int entries = std::max(
        {telemetry.gpsEntryCount(), telemetry.sensorEntryCount(), telemetry.flagEntryCount()});
    // Entries come from the box, which lies within the input (a partial tail counts as one).
    constexpr size_t kSmallest = moksel::TelemetryBox::kFlagEntryBytes;
    if (size_t(entries) * kSmallest > bytes.size() + kSmallest) std::abort();

    // One packet more than the entries, 33 ms apart, so the tail reads zeroed entries.
    int packets = entries + 1;
    records.resize(size_t(packets));
    std::vector<int64_t> timesMs(static_cast<size_t>(packets));
    for (int i = 0; i < packets; ++i) timesMs[size_t(i)] = int64_t(i) * 33;
    uint32_t eventTimeMs = 0;
    int count = telemetry.buildRecords(timesMs.data(), packets, records.data(), int(records.size()),
                                       eventTimeMs);
    if (count < 0 || count > packets || (!found && count != 0)) std::abort();
    for (int i = 0; i < count; ++i) {
        const moksel::TelemetryRecord& r = records[size_t(i)];
        if (!std::isfinite(r.latitude) || !std::isfinite(r.longitude) || !std::isfinite(r.heading))
            std::abort();
        if (r.timeMs != uint32_t(timesMs[size_t(i)])) std::abort();
    }
    if (count > 0) {
        int index = moksel::telemetryIndexForPacketTime(records.data(), count, 33);
        if (index < -1 || index >= count) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // The bytes as a whole file: the walk over the first three boxes.
    readAndBuild(bytes);
    // The same bytes after three sound leading boxes, so that the scan for the telemetry box
    // and its sub-boxes sees every input, not only those whose leading boxes survived.
    static const std::string leading = box("ftyp", "isom") + box("free", "") + box("mdat", "video");
    readAndBuild(leading + bytes);
    return 0;
}
