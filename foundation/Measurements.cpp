#include "foundation/Measurements.h"

#include "platform/Rounding.h"

#include <limits>

namespace {

int checkedInt(int64_t value)
{
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw ERangeError();
    return static_cast<int>(value);
}

} // namespace

// 2.54 is 254/100: exact integer arithmetic avoids the binary fraction of 2.54.
int MulInchToMetric(int x)
{
    return checkedInt(MulDivRoundHalfEven(x, 254, 100));
}

int DivMetricToInch(int x)
{
    return checkedInt(MulDivRoundHalfEven(x, 100, 254));
}
