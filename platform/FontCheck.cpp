#include "platform/FontCheck.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>

#include <cmath>

namespace {

const QString kSample = QStringLiteral("Springfield, IL 62704-1234");

// Arial's advance widths in font units (2048 to the em) for the letters of kSample.
int ArialAdvance(QChar c)
{
    if (c.isDigit())
        return 1139;
    switch (c.unicode()) {
    case 'S': return 1366;
    case 'r':
    case '-': return 682;
    case 'i':
    case 'l': return 455;
    case 'f':
    case ',':
    case ' ':
    case 'I': return 569;
    default: return 1139; // p n g e d L
    }
}

QFont Unhinted(QFont font, int pixelSize)
{
    font.setPixelSize(pixelSize);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

} // namespace

double ArialWidthError(const QFont &font)
{
    constexpr int kPixels = 512;
    double expected = 0;
    for (QChar c : kSample)
        expected += ArialAdvance(c);
    expected *= double(kPixels) / 2048.0;
    const double actual = QFontMetricsF(Unhinted(font, kPixels)).horizontalAdvance(kSample);
    return std::abs(actual - expected) / expected;
}

QString ArialResolvedFamily()
{
    return QFontInfo(QFont(QStringLiteral("Arial"))).family();
}

QString ArialFallbackMessage()
{
    const QFont arial(QStringLiteral("Arial"));
    if (ArialWidthError(arial) <= 0.01)
        return {};
    return QStringLiteral("No font with Arial's letter widths is installed: text in Arial is set in %1, "
                          "so lines may wrap differently.")
        .arg(ArialResolvedFamily());
}
