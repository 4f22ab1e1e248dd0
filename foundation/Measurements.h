#pragma once

#include "platform/Exception.h"

class ERangeError : public Exception
{
public:
    ERangeError() : Exception(QStringLiteral("Range check error")) {}
};

// Hundredths of an inch to tenths of a millimetre, rounded half to even.
int MulInchToMetric(int x);
// Tenths of a millimetre to hundredths of an inch, rounded half to even.
int DivMetricToInch(int x);
