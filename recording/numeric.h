// Number conversions shared by the telemetry parsers.
#pragma once

#include <cmath>
#include <cstdint>

namespace moksel {

// Truncates toward zero to a 32-bit integer and keeps its low 16 bits, as the stored
// acceleration and speed fields do. A value outside the 32-bit range, or NaN, gives 0 instead
// of an undefined conversion.
inline int16_t truncatedLow16(double value) {
    if (!(std::fabs(value) < 2147483648.0)) return 0;
    auto whole = static_cast<int32_t>(value);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(whole) & 0xFFFFu));
}

}  // namespace moksel
