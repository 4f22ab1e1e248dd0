#pragma once

#include "foundation/Numerics.h" // ERangeError

#include <QLocale>
#include <QString>

#include <optional>

// The longest side a paper can have (32,767 tenths of a millimetre, the most a
// device mode holds), in hundredths of an inch. Stored lengths are read within
// plus or minus this: farther is off any page, and would overflow on drawing.
constexpr int kLongestPaper = 12900;

// Hundredths of an inch to tenths of a millimetre, rounded half to even.
int MulInchToMetric(int x);
// Tenths of a millimetre to hundredths of an inch, rounded half to even.
int DivMetricToInch(int x);

// A length typed in inches, or in centimetres when Metric, as hundredths of an
// inch: digits with at most one decimal separator, Locale's or a point, a sign
// before them and blanks around. Anything else (no digit, letters, an exponent,
// digit grouping, a second separator) gives std::nullopt. Rounded half to even;
// a length beyond the range of int is limited to it.
std::optional<int> ReadTypedLength(const QString &Text, bool Metric, const QLocale &Locale);

// A length in hundredths of an inch, shown in inches or in centimetres when
// Metric, with two decimals in Locale's form ("4,25" in German, "4.25" in C).
QString LengthText(int HundredthsOfInch, bool Metric, const QLocale &Locale);

// What the user is told when Typed in Field is no length: what to type instead,
// in inches or centimetres, with Locale's decimal separator.
QString NotALengthMessage(const QString &Field, const QString &Typed, bool Metric, const QLocale &Locale);
