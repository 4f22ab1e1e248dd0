#pragma once

#include <QString>
#include <cstdint>

int64_t PowerOf16(int n);
// Exactly two upper-case hexadecimal digits, high digit first.
void ByteToHex(uint8_t value, QString &result);
int Max(int a, int b);
int Min(int a, int b);
