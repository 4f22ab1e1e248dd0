#pragma once

#include "foundation/Numerics.h" // ERangeError

// Hundredths of an inch to tenths of a millimetre, rounded half to even.
int MulInchToMetric(int x);
// Tenths of a millimetre to hundredths of an inch, rounded half to even.
int DivMetricToInch(int x);
