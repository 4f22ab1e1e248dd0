#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// The one rounding rule of the program: halves go to the even neighbour, as the
// stored layouts and printed geometry were computed with it.

// Rounds a floating-point value half to even. NaN gives 0; values beyond the
// range of int64_t saturate.
inline int64_t RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2233720368547758e18)
        return std::numeric_limits<int64_t>::max();
    if (value <= -9.2233720368547758e18)
        return std::numeric_limits<int64_t>::min();
    double floorValue = std::floor(value);
    double diff = value - floorValue;
    auto result = static_cast<int64_t>(floorValue);
    if (diff > 0.5 || (diff == 0.5 && (result & 1) != 0))
        ++result;
    return result;
}

// value * numerator / denominator, rounded half to even, computed exactly in
// integers. A zero denominator gives 0.
inline int64_t MulDivRoundHalfEven(int64_t value, int64_t numerator, int64_t denominator)
{
    if (denominator == 0)
        return 0;
    __int128 product = static_cast<__int128>(value) * numerator;
    if (denominator < 0) {
        product = -product;
        denominator = -denominator;
    }
    __int128 quotient = product / denominator;
    __int128 remainder = product % denominator;
    if (remainder < 0) {
        remainder += denominator;
        --quotient; // floor division
    }
    __int128 twice = remainder * 2;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0))
        ++quotient;
    return static_cast<int64_t>(quotient);
}
