#pragma once

#include "foundation/Numerics.h" // ERangeError

// The longest side a paper can have (32,767 tenths of a millimetre, the most a
// device mode holds), in hundredths of an inch. Stored lengths are read within
// plus or minus this: farther is off any page, and would overflow on drawing.
constexpr int kLongestPaper = 12900;

// Hundredths of an inch to tenths of a millimetre, rounded half to even.
int MulInchToMetric(int x);
// Tenths of a millimetre to hundredths of an inch, rounded half to even.
int DivMetricToInch(int x);

// A length typed in inches, or in centimetres when Metric, as hundredths of an
// inch. The text is read as a decimal number with a point (leading blanks, a sign
// and an exponent allowed; anything after the number is ignored; no number at all
// reads as 0), times 100 rounded half to even and kept within the range of int.
int TypedLengthToInch(const QString &Text, bool Metric);
