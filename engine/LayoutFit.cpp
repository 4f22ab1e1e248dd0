#include "engine/LayoutFit.h"

#include "engine/EnvDim.h"
#include "engine/RetAddr.h"
#include "engine/ZipBarCo.h"
#include "foundation/QmPrinter.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

enum { BarCodeAbove = 0, BarCodeBottom = 1, BarCodeNone = 2, BarCodeBelow = 3 };

// Keeps the bar code's own arithmetic clear of overflow for extreme stored distances.
int clamped(qint64 value)
{
    constexpr qint64 limit = std::numeric_limits<int>::max() / 4;
    return static_cast<int>(std::clamp(value, -limit, limit));
}

int pixels(qint64 hundredths, int perInch)
{
    return clamped(hundredths * perInch / 100);
}

// Only where the bar code would start: nothing is drawn.
class PlacingCanvas : public TBarCodeCanvas
{
public:
    PlacingCanvas(int lx, int ly) : m_lx(lx), m_ly(ly) {}
    int LogPixelsX() const override { return m_lx; }
    int LogPixelsY() const override { return m_ly; }
    void Line(int, int, int, int, int) override {}

private:
    int m_lx;
    int m_ly;
};

} // namespace

QList<TLayoutPart> PartsOutsidePage(const TLayoutGeometry &g)
{
    QList<TLayoutPart> outside;
    if (g.LX <= 0 || g.LY <= 0)
        return outside;
    const auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < g.PrintableWidth && y < g.PrintableHeight;
    };
    const int TT = g.TriFoldFromTop;
    const int TB = g.TriFoldFromBottom;
    if (!inside(pixels(g.ReturnLeft, g.LX), pixels(qint64(g.ReturnTop) + TT, g.LY)))
        outside << TLayoutPart::ReturnAddress;

    // The destination as the job places it: a bar code above it moves it left to fit
    // the page (the shortest code, five digits and the check digit, moves it least).
    PlacingCanvas canvas(g.LX, g.LY);
    const QString shortest = QStringLiteral("000000");
    int x = pixels(g.DestinationLeft, g.LX);
    int y = pixels(qint64(g.PH) - TB - g.DestinationBottom + g.BM, g.LY);
    bool barCodeInside = true;
    if (g.BarCodePlacement == BarCodeAbove) {
        DrawPostnet(canvas, shortest, x, y, g.PW);
        barCodeInside = inside(x, y - BarCodeHeight(canvas));
    }
    if (!inside(x, y))
        outside << TLayoutPart::Destination;
    if (g.BarCodePlacement == BarCodeBelow) {
        barCodeInside = inside(x, y);
    } else if (g.BarCodePlacement == BarCodeBottom) {
        x = clamped(qint64(g.PhysW) - 2 * qint64(g.LX));
        y = clamped(pixels(qint64(g.PH) - TB, g.LY) - qint64(BarCodeHeight(canvas)));
        DrawPostnet(canvas, shortest, x, y, g.PW);
        barCodeInside = inside(x, y - BarCodeHeight(canvas));
    }
    if (!barCodeInside)
        outside << TLayoutPart::BarCode;

    if (g.FacingMark && g.BarCodePlacement != BarCodeNone
        && !inside(clamped(qint64(g.PhysW) - pixels(g.FacingMarkFromRight, g.LX)), pixels(TT, g.LY)))
        outside << TLayoutPart::FacingMark;
    return outside;
}

TPageMetrics ReadPageMetrics(TZambPrinter &Printer)
{
    TPageMetrics m;
    m.LX = Printer.GetLogPixelsX();
    m.LY = Printer.GetLogPixelsY();
    m.PW = Printer.GetPageWidthPixels();
    m.PH = Printer.GetPageHeight();
    m.PhysW = Printer.GetPhysicalWidth();
    m.BM = Printer.GetBottomMargin();
    return m;
}

TLayoutGeometry LayoutGeometry(TZambPrinter &Printer, const TEnvelopeData &Envelope, int BarCodePlacement,
                               bool FacingMark)
{
    TLayoutGeometry g;
    static_cast<TPageMetrics &>(g) = ReadPageMetrics(Printer);
    // The sheet's own printable area, whatever custom size is drawn on it.
    g.PrintableWidth = Printer.GetDeviceCaps(HORZRES);
    g.PrintableHeight = Printer.GetDeviceCaps(VERTRES);
    g.ReturnLeft = Envelope.ReturnLeft();
    g.ReturnTop = Envelope.ReturnTop();
    g.DestinationLeft = Envelope.DestinationLeft();
    g.DestinationBottom = Envelope.DestinationBottom();
    g.FacingMarkFromRight = Envelope.FacingMarkFromRight();
    g.TriFoldFromTop = Envelope.TriFoldFromTop();
    g.TriFoldFromBottom = Envelope.TriFoldFromBottom();
    g.BarCodePlacement = BarCodePlacement;
    g.FacingMark = FacingMark;
    return g;
}

int ReturnTextLeft(const TReturnAddress &Return, int ReturnLeft, int LogPixelsX)
{
    if (LogPixelsX <= 0 || Return.GraphicType() == 0)
        return ReturnLeft * 1440 / 100;
    const int x = ReturnLeft * LogPixelsX / 100;
    const int gap = LogPixelsX * 15 / 100;
    int width = Return.GraphicWidth() * LogPixelsX / 100;
    if (Return.GraphicType() == 2) {
        // The icon at its own pixel size.
        const TGraphic *graphic = Return.Picture().Graphic();
        width = graphic && !graphic->Empty() ? graphic->Width() : 0;
    }
    return static_cast<int>(qint64(x + width + gap) * 1440 / LogPixelsX);
}

TTextWidths TextWidths(const TEnvelopeData &Envelope, const TReturnAddress *Return, int PageWidthTwips,
                       int LogPixelsX)
{
    TTextWidths w;
    // The return text's right edge stays two inches from the printable right edge.
    if (Return)
        w.Return =
            std::max(0, PageWidthTwips - 2880 - ReturnTextLeft(*Return, Envelope.ReturnLeft(), LogPixelsX));
    w.Destination = std::max(0, PageWidthTwips - Envelope.DestinationLeft() * 1440 / 100);
    // The attention line ends at two fifths of the page unless that lies left of its start.
    const int left = Envelope.AttentionLeft() * 1440 / 100;
    int right = PageWidthTwips * 2 / 5;
    if (right <= left)
        right = PageWidthTwips;
    w.Attention = std::max(0, right - left);
    return w;
}

QString LayoutOutsideText(const QString &Definition, const QList<TLayoutPart> &Parts)
{
    QStringList names;
    for (TLayoutPart part : Parts) {
        switch (part) {
        case TLayoutPart::ReturnAddress: names << QStringLiteral("the return address"); break;
        case TLayoutPart::Destination: names << QStringLiteral("the destination address"); break;
        case TLayoutPart::BarCode: names << QStringLiteral("the bar code"); break;
        case TLayoutPart::FacingMark: names << QStringLiteral("the facing identification mark"); break;
        }
    }
    if (names.isEmpty())
        return {};
    QString list = names.takeLast();
    if (!names.isEmpty())
        list = names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + list;
    return QStringLiteral("The envelope definition \"%1\" does not fit its paper: %2 %3 outside the area "
                          "the printer can print.")
        .arg(Definition, list, Parts.size() == 1 ? QStringLiteral("starts") : QStringLiteral("start"));
}
