#pragma once

#include "platform/Exception.h"

#include <QString>
#include <cstdint>

class ERangeError : public Exception
{
public:
    ERangeError() : Exception(QStringLiteral("Range check error")) {}
};

// 16 to the power n for n in 0..7; any other n raises ERangeError.
int64_t PowerOf16(int n);
// Exactly two upper-case hexadecimal digits, high digit first.
void ByteToHex(uint8_t value, QString &result);
int Max(int a, int b);
int Min(int a, int b);
