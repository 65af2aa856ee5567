// Builds the bytes of a small front recording file around a telemetry box, for tests: the
// top-level boxes ftyp, free, mdat and moov (with udat inside), as the camera writes them.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace moksel::test {

inline std::string bigEndian32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

inline std::string littleEndian32(uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

inline std::string box(const char* type, const std::string& payload) {
    return bigEndian32(uint32_t(payload.size() + 8)) + type + payload;
}

struct TelemetryFile {
    std::vector<std::string> sentences;  // one GPSI entry each ("" = empty entry)
    std::vector<std::array<float, 3>> sensors;
    std::vector<uint32_t> flags;
    bool withUdat = true;
    bool withGps = true;
    bool withSensors = true;
    bool withFlags = true;
    std::string mediaData = std::string(1000, '\x5a');

    std::string gpsPayload() const {
        std::string out;
        for (const std::string& s : sentences) {
            std::string entry = s.substr(0, 128);
            entry.resize(128, '\0');
            out += entry;
        }
        return out;
    }
    std::string sensorPayload() const {
        std::string out;
        for (const auto& xyz : sensors) {
            for (float v : xyz) {
                uint32_t bits;
                std::memcpy(&bits, &v, 4);
                out += littleEndian32(bits);
            }
        }
        return out;
    }
    std::string flagPayload() const {
        std::string out;
        for (uint32_t f : flags) out += littleEndian32(f);
        return out;
    }
    std::string udat() const {
        std::string inner;
        if (withGps) inner += box("GPSI", gpsPayload());
        if (withSensors) inner += box("SENS", sensorPayload());
        if (withFlags) inner += box("finf", flagPayload());
        return box("udat", inner);
    }
    // The first three top-level boxes.
    std::string leadingBoxes() const {
        return box("ftyp", std::string("isom\0\0\2\0isomiso2avc1mp41", 24)) + box("free", "") +
               box("mdat", mediaData);
    }
    std::string bytes() const {
        std::string moov = box("mvhd", std::string(100, '\0'));
        if (withUdat) moov += udat();
        return leadingBoxes() + box("moov", moov);
    }
};

// Writes `bytes` to a file in the test's temporary folder and returns its path.
inline std::string writeTestFile(const std::string& name, const std::string& bytes) {
    std::string path = ::testing::TempDir() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

inline std::string rmcSentence(const char* lat, const char* ns, const char* lon, const char* ew,
                               const char* knots, const char* course) {
    return std::string("$GPRMC,081500.000,A,") + lat + "," + ns + "," + lon + "," + ew + "," +
           knots + "," + course + ",010312,,,A*00";
}

}  // namespace moksel::test
