#include "foundation/Measurements.h"

#include "platform/Rounding.h"

#include <QString>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>

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

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The longest start of Text that is a decimal number, in ASCII; empty without one.
QByteArray numberPrefix(const QString &Text)
{
    qsizetype i = 0;
    const qsizetype n = Text.size();
    while (i < n && Text.at(i) == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < n && (Text.at(i) == QLatin1Char('+') || Text.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    for (; i < n && isDigit(Text.at(i)); ++i)
        ++digits;
    if (i < n && Text.at(i) == QLatin1Char('.'))
        for (++i; i < n && isDigit(Text.at(i)); ++i)
            ++digits;
    if (digits == 0)
        return QByteArray();
    qsizetype end = i;
    if (i < n && (Text.at(i) == QLatin1Char('e') || Text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < n && (Text.at(i) == QLatin1Char('+') || Text.at(i) == QLatin1Char('-')))
            ++i;
        if (i < n && isDigit(Text.at(i))) {
            while (i < n && isDigit(Text.at(i)))
                ++i;
            end = i;
        }
    }
    return Text.mid(start, end - start).toLatin1();
}

} // namespace

int TypedLengthToInch(const QString &Text, bool Metric)
{
    const QByteArray number = numberPrefix(Text);
    double value = 0;
    if (!number.isEmpty()) {
        // The C locale: the point is the separator whatever the user's locale says.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        value = strtod_l(number.constData(), nullptr, cLocale); // overflow gives infinity
    }
    // Within int before converting: huge texts are limited, never undefined.
    const double hundredths = value * 100;
    int64_t rounded = RoundHalfEven(hundredths);
    rounded = std::clamp<int64_t>(rounded, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    return Metric ? DivMetricToInch(int(rounded)) : int(rounded);
}
