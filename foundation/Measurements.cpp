#include "foundation/Measurements.h"

#include "platform/Rounding.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
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

std::optional<int> ReadTypedLength(const QString &Text, bool Metric, const QLocale &Locale)
{
    const QString text = Text.trimmed();
    const QString point = Locale.decimalPoint();
    bool negative = false;
    qsizetype i = 0;
    const QString minus = QStringLiteral("-");
    for (const QString &sign : {Locale.negativeSign(), minus, QStringLiteral("\u2212"), Locale.positiveSign(),
                                QStringLiteral("+")}) {
        if (!sign.isEmpty() && text.startsWith(sign)) {
            negative = sign == Locale.negativeSign() || sign == minus || sign == QStringLiteral("\u2212");
            i = sign.size();
            break;
        }
    }
    QByteArray whole;
    QByteArray fraction;
    bool seenPoint = false;
    const QList<uint> units = QStringView(text).mid(i).toUcs4();
    for (const char32_t c : units) {
        if (QChar::isDigit(c)) {
            (seenPoint ? fraction : whole).append(char('0' + QChar::digitValue(c)));
        } else if (!seenPoint && (c == U'.' || QString::fromUcs4(&c, 1) == point)) {
            seenPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    // Decimal arithmetic on the digits: no binary fraction moves a half.
    while (whole.size() > 1 && whole.startsWith('0'))
        whole.remove(0, 1);
    constexpr int64_t limit = int64_t(std::numeric_limits<int>::max()) + 1;
    int64_t hundredths = limit;
    if (whole.size() <= 12) {
        hundredths = whole.isEmpty() ? 0 : whole.toLongLong() * 100;
        const QByteArray cents = fraction.left(2).leftJustified(2, '0');
        hundredths += cents.toInt();
        const QByteArray rest = fraction.mid(2);
        const bool half = rest.startsWith('5') && rest.count('0') == rest.size() - 1;
        const bool aboveHalf = !rest.isEmpty() && (rest[0] > '5' || (rest[0] == '5' && !half));
        if (aboveHalf || (half && hundredths % 2 != 0))
            ++hundredths;
        hundredths = std::min(hundredths, limit);
    }
    if (negative)
        hundredths = -hundredths;
    const int value = int(
        std::clamp<int64_t>(hundredths, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    return Metric ? DivMetricToInch(value) : value;
}

QString LengthText(int HundredthsOfInch, bool Metric, const QLocale &Locale)
{
    const int value = Metric ? MulInchToMetric(HundredthsOfInch) : HundredthsOfInch;
    QLocale plain(Locale);
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const long long magnitude = std::llabs(static_cast<long long>(value));
    const long long cents = magnitude % 100;
    // Integer formatting: exactly two decimals, never a rounding of a binary fraction.
    return (value < 0 ? plain.negativeSign() : QString()) + plain.toString(magnitude / 100)
           + plain.decimalPoint() + (cents < 10 ? plain.zeroDigit() : QString()) + plain.toString(cents);
}

QString NotALengthMessage(const QString &Field, const QString &Typed, bool Metric, const QLocale &Locale)
{
    const QString point = Locale.decimalPoint();
    const QString example = point == QLatin1String(".")
                                ? QStringLiteral("4.25")
                                : QStringLiteral("4") + point + QStringLiteral("25 or 4.25");
    return QStringLiteral("%1: \"%2\" is not a length. Type a number of %3 such as %4.")
        .arg(Field, Typed, Metric ? QStringLiteral("centimetres") : QStringLiteral("inches"), example);
}
