#pragma once

#include <QByteArray>
#include <QString>

// Windows code pages as rich text names them (\ansicpg, \fcharset).
namespace RtfCodePage {

// A symbol font's own encoding: each byte is the character of that number,
// which the font draws as its symbol.
constexpr int kSymbol = 42;
// The Symbol font's encoding: Greek letters and mathematical signs.
constexpr int kSymbolFont = 43;

// Decodes bytes in a Windows code page. 1252 is built in; the others go through
// iconv, and a code page that iconv does not know is read as 1252. Bytes that do
// not decode become U+FFFD.
QString Decode(const QByteArray &bytes, int codePage);

// The Symbol font's sign at a byte, 0 where the font has none.
char16_t SymbolFontChar(unsigned char byte);

// The code page of a font character set number (\fcharset), or 0 when the font
// uses the document's code page. A font's own set wins over the document's.
int OfCharset(int charset);

// Whether the code page uses lead and trail bytes.
bool IsDoubleByte(int codePage);

} // namespace RtfCodePage
