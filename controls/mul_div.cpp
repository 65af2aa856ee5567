#include "controls/mul_div.h"

#include <cstdint>
#include <limits>

namespace moksel {

int mulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t magnitude =
        product < 0 ? static_cast<std::uint64_t>(-(product + 1)) + 1 : static_cast<std::uint64_t>(product);
    const std::uint64_t divisor =
        c < 0 ? static_cast<std::uint64_t>(-(static_cast<std::int64_t>(c))) : static_cast<std::uint64_t>(c);
    // Nearest integer, halves away from zero: floor((2|p| + |c|) / 2|c|). |p| <= 2^62, so the
    // doubled magnitude cannot overflow.
    const std::uint64_t quotient = (2 * magnitude + divisor) / (2 * divisor);
    if (negative) {
        if (quotient > static_cast<std::uint64_t>(std::numeric_limits<int>::max()) + 1) return -1;
        return static_cast<int>(-static_cast<std::int64_t>(quotient));
    }
    if (quotient > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return -1;
    return static_cast<int>(quotient);
}

}  // namespace moksel
