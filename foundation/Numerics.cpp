#include "foundation/Numerics.h"

int64_t PowerOf16(int n)
{
    if (n < 0 || n > 7)
        throw ERangeError();
    return int64_t(1) << (4 * n);
}

void ByteToHex(uint8_t value, QString &result)
{
    static const char digits[] = "0123456789ABCDEF";
    result.clear();
    int rest = value;
    for (int place = 1; place >= 0; --place) {
        auto placeValue = static_cast<int>(PowerOf16(place));
        if (placeValue <= rest) {
            result.append(QLatin1Char(digits[rest / placeValue]));
            rest %= placeValue;
        } else {
            result.append(QLatin1Char('0'));
        }
    }
}

int Max(int a, int b)
{
    return a > b ? a : b;
}

int Min(int a, int b)
{
    return a < b ? a : b;
}
