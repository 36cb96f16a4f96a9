#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Every conversion of a floating-point value to an integer rounds to the
// nearest integer, an exact half going to the even neighbour. Values beyond
// the 32-bit range are held at its ends (they are only ever drawn, and clipped).
inline std::int32_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value);  // the default rounding mode: to nearest, ties to even
    if (r >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (r <= double(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(r);
}
