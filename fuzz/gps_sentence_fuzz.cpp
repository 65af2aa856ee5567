// Fuzz target: the text of a GPS entry through the sentence parser, both as free text and as
// a 128-byte entry cut at its NUL.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_driver.h"
#include "recording/gps_sentence.h"

std::vector<std::string> mokselFuzzSeeds() {
    return {"081500.000,A,3724.5000,N,12700.6000,E,10.0,90.5,010312,,,A*6C",
            "081500.000,V,,,,,,,010312,,,N*53", "000000,A,9000.0000,S,18000.0000,W,100,359.99,,,,",
            "$GPRMC,081500.000,A,3351.9000,S,15112.6000,W,0.5,270.25,010312,,,A*00",
            "1e308,A,-1e308,N,nan,E,inf,-0,,"};
}

std::vector<std::string> mokselFuzzDictionary() {
    return {",",    "N",   "S",   "E",     "W", ".", "-",   "+",
            "e308", "nan", "inf", "0x1p4", "A", "V", "9999"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    moksel::TelemetryRecord record;
    record.accelX = 1;
    record.timeMs = 2;
    moksel::parseGpsSentence(std::string_view(text, size), record);
    // Never a NaN or infinity, and nothing but the four GPS fields written.
    if (!std::isfinite(record.latitude) || !std::isfinite(record.longitude) ||
        !std::isfinite(record.heading))
        std::abort();
    if (record.accelX != 1 || record.timeMs != 2 || record.accelY != 0 || record.accelZ != 0)
        std::abort();

    // The same bytes as a GPS entry: 128 bytes, no NUL guaranteed.
    char entry[128];
    std::memset(entry, 0, sizeof entry);
    std::memcpy(entry, data, std::min(size, sizeof entry));
    std::string_view entryText = moksel::gpsEntryText(entry, sizeof entry);
    if (entryText.size() > sizeof entry - moksel::kGpsSentencePrefixBytes) std::abort();
    moksel::TelemetryRecord fromEntry;
    moksel::parseGpsSentence(entryText, fromEntry);
    return 0;
}
