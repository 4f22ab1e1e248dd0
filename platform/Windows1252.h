#pragma once

#include <QByteArray>
#include <QString>

// Text written on Windows is in its ANSI code page, Windows-1252; ours is UTF-8.
// The five bytes 1252 leaves unassigned map to the C1 controls, as Windows does.

QString DecodeWindows1252(const QByteArray &bytes);
// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeUtf8OrWindows1252(const QByteArray &bytes);
// The Windows-1252 byte of a character, or -1 when 1252 has none.
int EncodeWindows1252(char16_t ch);
