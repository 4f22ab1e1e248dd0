#include "engine/ZipBarCo.h"

#include "foundation/QmStrings.h"
#include "platform/Rounding.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace {

const char *const digitBars[10] = {"11000", "00011", "00101", "00110", "01001",
                                   "01010", "01100", "10001", "10010", "10100"};

// Sizes are exact fractions of an inch, so that halves round as they should
// at any resolution.
struct Inches
{
    int numerator;
    int denominator;
};

constexpr Inches barWidthInches{15, 1000};
constexpr Inches gapInches{32, 1000};
constexpr Inches fullHeightInches{1, 8};
constexpr Inches halfHeightInches{5, 100};
constexpr Inches spaceBelowInches{3, 32};
constexpr Inches clearanceInches{3, 4};
constexpr Inches markWidthInches{25, 1000};
constexpr Inches markHeightInches{5, 8};
constexpr Inches markOffsets[5] = {{0, 1}, {1, 16}, {1, 4}, {7, 16}, {1, 2}};

int inchesToPixels(Inches inches, int pixelsPerInch)
{
    return static_cast<int>(MulDivRoundHalfEven(pixelsPerInch, inches.numerator, inches.denominator));
}

} // namespace

TPainterBarCodeCanvas::TPainterBarCodeCanvas(QPainter &painter, int logPixelsX, int logPixelsY)
    : m_painter(painter), m_logPixelsX(logPixelsX), m_logPixelsY(logPixelsY)
{
    QPaintDevice *device = painter.device();
    if (m_logPixelsX <= 0)
        m_logPixelsX = device ? device->logicalDpiX() : 96;
    if (m_logPixelsY <= 0)
        m_logPixelsY = device ? device->logicalDpiY() : 96;
}

TPainterBarCodeCanvas::~TPainterBarCodeCanvas()
{
    Flush();
}

void TPainterBarCodeCanvas::Line(int x1, int y1, int x2, int y2, int penWidth)
{
    // A flat-capped pen along an upright or level line covers exactly this rectangle.
    const double half = penWidth / 2.0;
    if (x1 == x2 && y1 != y2 && penWidth > 0) {
        m_bars.append(QRectF(QPointF(x1 - half, std::min(y1, y2)), QPointF(x1 + half, std::max(y1, y2))));
        return;
    }
    if (y1 == y2 && x1 != x2 && penWidth > 0) {
        m_bars.append(QRectF(QPointF(std::min(x1, x2), y1 - half), QPointF(std::max(x1, x2), y1 + half)));
        return;
    }
    Flush();
    QPen saved = m_painter.pen();
    m_painter.setPen(QPen(saved.color(), penWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    m_painter.setPen(saved);
}

void TPainterBarCodeCanvas::Flush()
{
    if (m_bars.isEmpty())
        return;
    const QPen savedPen = m_painter.pen();
    const QBrush savedBrush = m_painter.brush();
    m_painter.setBrush(savedPen.color());
    m_painter.setPen(Qt::NoPen);
    m_painter.drawRects(m_bars.constData(), static_cast<int>(m_bars.size()));
    m_painter.setPen(savedPen);
    m_painter.setBrush(savedBrush);
    m_bars.clear();
}

void BuildZipDigits(const QStringList &addressLines, QString &digits)
{
    digits.clear();
    if (addressLines.isEmpty())
        return;
    const QString last = TrimBlanksAndControls(addressLines.last());
    const qsizetype length = last.size();
    if (length < 5)
        return;
    const QString zip5 = last.right(5);
    if (length < 9) {
        if (IsAllDigits(zip5)) {
            digits = zip5;
            AddCheckDigit(digits);
        }
        return;
    }
    // A nine-character line has no last ten characters: only the ZIP test applies.
    const QString zip10 = last.right(10);
    if (length >= 10 && zip10.at(5) == QLatin1Char('-') && IsAllDigits(zip10.left(5))
        && IsAllDigits(zip10.mid(6, 4))) {
        digits = zip10.left(5) + zip10.mid(6, 4);
        const QString prev = addressLines.size() > 1 ? addressLines.at(addressLines.size() - 2) : QString();
        const qsizetype space = prev.indexOf(QLatin1Char(' ')) + 1; // 1-based, 0 when none
        QString box;
        if (space > 2 && IsAllDigits(prev.left(space - 1))) {
            digits += prev.mid(space - 3, 2);
        } else if (space == 2 && IsDigitChar(prev.at(0))) {
            digits += QLatin1Char('0');
            digits += prev.at(0);
        } else if (ParsePOBox(prev, box)) {
            digits += box;
        }
        AddCheckDigit(digits);
        return;
    }
    if (IsAllDigits(zip5)) {
        digits = zip5;
        AddCheckDigit(digits);
    }
}

void AddCheckDigit(QString &digits)
{
    int sum = 0;
    for (QChar c : digits)
        sum += DigitValue(c);
    const int check = (10 - sum % 10) % 10;
    digits += QLatin1Char(static_cast<char>('0' + check));
}

bool ParsePOBox(const QString &line, QString &box)
{
    QString letters;
    qsizetype i = 0;
    for (; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (IsDigitChar(c))
            break;
        if (IsLetterChar(c))
            letters += c.toUpper();
    }
    if (letters != QLatin1String("BOX") && letters != QLatin1String("POBOX"))
        return false;
    qsizetype end = i;
    while (end < line.size() && IsDigitChar(line.at(end)))
        ++end;
    const QString run = line.mid(i, end - i);
    // A value test without overflow: any non-zero digit makes it positive.
    bool positive = false;
    for (QChar c : run)
        positive = positive || c != QLatin1Char('0');
    if (run.isEmpty() || !positive)
        return false;
    box = run.size() == 1 ? QLatin1Char('0') + run : run.right(2);
    return true;
}

void DigitsToBars(const QString &digits, QString &pattern)
{
    pattern = QStringLiteral("1");
    for (QChar c : digits) {
        if (IsDigitChar(c))
            pattern += QLatin1String(digitBars[DigitValue(c)]);
    }
    pattern += QLatin1Char('1');
}

int BarCodeHeight(const TBarCodeCanvas &canvas)
{
    return inchesToPixels(fullHeightInches, canvas.LogPixelsY())
           + inchesToPixels(spaceBelowInches, canvas.LogPixelsY());
}

void DrawPostnet(TBarCodeCanvas &canvas, const QString &digits, int &x, int &y, int rightLimit)
{
    const int dpiX = canvas.LogPixelsX();
    const int dpiY = canvas.LogPixelsY();
    const int barWidth = inchesToPixels(barWidthInches, dpiX);
    const int gap = inchesToPixels(gapInches, dpiX);
    const int fullHeight = inchesToPixels(fullHeightInches, dpiY);
    const int halfHeight = inchesToPixels(halfHeightInches, dpiY);
    // Vertical, as BarCodeHeight reserves it.
    const int spaceBelow = inchesToPixels(spaceBelowInches, dpiY);
    const int clearance = inchesToPixels(clearanceInches, dpiX);

    const int step = barWidth + gap;
    const int width = static_cast<int>(digits.size()) * 5 * step;
    const int limit = rightLimit - clearance;
    if (limit - x < width)
        x = limit - width;

    const qsizetype count = digits.size();
    if (count != 6 && count != 10 && count != 12)
        return;
    QString pattern;
    DigitsToBars(digits, pattern);
    const int base = y + fullHeight;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const int barX = x + static_cast<int>(i) * step;
        const int top = pattern.at(i) == QLatin1Char('1') ? y : base - halfHeight;
        canvas.Line(barX, base, barX, top, barWidth);
    }
    canvas.Flush();
    y = y + fullHeight + spaceBelow;
}

void DrawFacingMark(TBarCodeCanvas &canvas, int x, int y)
{
    const int dpiX = canvas.LogPixelsX();
    const int penWidth = inchesToPixels(markWidthInches, dpiX);
    const int height = inchesToPixels(markHeightInches, canvas.LogPixelsY());
    for (Inches offset : markOffsets) {
        const int barX = x + inchesToPixels(offset, dpiX);
        canvas.Line(barX, y, barX, y + height, penWidth);
    }
    canvas.Flush();
}
