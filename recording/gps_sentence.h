// The GPS sentence parser for one GPSI entry (the recommended-minimum sentence).
//
// Thread contract: pure function, callable from any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "recording/telemetry.h"

namespace moksel {

// Number of leading bytes of a GPSI entry before the parsed text: '$', the five-letter
// address ("GPRMC") and the comma after it.
constexpr size_t kGpsSentencePrefixBytes = 7;

// Parses the text that follows "$GPRMC," (time, status, latitude, N/S, longitude, E/W,
// speed in knots, course in degrees, ...) into latitude, longitude, speedKmh and heading of
// `record`; nothing else is written. Positional and tolerant: fields are taken in order up
// to each comma; a field without a following comma reads as empty, and so does every later
// one; an empty or non-numeric field gives 0. "S" makes the latitude negative, "W" the
// longitude.
void parseGpsSentence(std::string_view text, TelemetryRecord& record);

// The UTC time the sentence carries, from its time (hhmmss.ss) and date (ddmmyy) fields, in ms
// since 1970 (years 80 to 99 are 1980 to 1999, the others 2000 to 2079). False when either
// field is missing or is not a real time or date.
bool gpsSentenceUtcMs(std::string_view text, int64_t& utcMs);

// The text of a 128-byte GPSI entry that parseGpsSentence takes: from its eighth byte up to
// its NUL or its end. Empty when the entry is empty or shorter than the prefix.
std::string_view gpsEntryText(const char* entry, size_t entryBytes);

}  // namespace moksel
