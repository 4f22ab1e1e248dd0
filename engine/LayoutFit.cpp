#include "engine/LayoutFit.h"

#include "engine/EnvDim.h"
#include "engine/RetAddr.h"
#include "engine/ZipBarCo.h"
#include "foundation/QmPrinter.h"

#include <QStringList>

#include <algorithm>
#include <limits>
#include <optional>

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

// Where the bars would go: nothing is drawn.
class PlacingCanvas : public TBarCodeCanvas
{
public:
    PlacingCanvas(int lx, int ly) : m_lx(lx), m_ly(ly) {}
    int LogPixelsX() const override { return m_lx; }
    int LogPixelsY() const override { return m_ly; }
    void Line(int x1, int y1, int x2, int y2, int penWidth) override
    {
        m_right = std::max({m_right, x1 + penWidth, x2 + penWidth});
        m_bottom = std::max({m_bottom, y1, y2});
    }
    // Past the last bar, and below it, since the last Reset.
    int Right() const { return m_right; }
    int Bottom() const { return m_bottom; }
    void Reset() { m_right = m_bottom = std::numeric_limits<int>::min(); }

private:
    int m_lx;
    int m_ly;
    int m_right = std::numeric_limits<int>::min();
    int m_bottom = std::numeric_limits<int>::min();
};

} // namespace

QList<TLayoutPart> PartsOutsidePage(const TLayoutGeometry &g)
{
    QList<TLayoutPart> outside;
    if (g.LX <= 0 || g.LY <= 0)
        return outside;
    if (g.PW <= 0 || g.PH <= 0 || g.PrintableWidth <= 0 || g.PrintableHeight <= 0)
        return {TLayoutPart::Paper};
    const qint64 TT = g.TriFoldFromTop;
    const qint64 TB = g.TriFoldFromBottom;
    // The page the job draws on: the custom envelope, within what the sheet can print,
    // from the top fold to the bottom one.
    const int right = std::min(g.PW, g.PrintableWidth);
    const int top = std::max(0, pixels(TT, g.LY));
    const int bottom = std::min(g.PrintableHeight, pixels(qint64(g.PH) - TB, g.LY));
    const auto inside = [&](int x, int y) { return x >= 0 && y >= top && x < right && y < bottom; };
    const auto twips = [](qint64 hundredths) { return clamped(hundredths * 1440 / 100); };
    const int PWT = g.PWT > 0 ? g.PWT : clamped(qint64(g.PW) * 1440 / g.LX);
    const int PHT = g.PHT > 0 ? g.PHT : twips(g.PH);
    const int bottomTwips = std::min(twips(qint64(g.PH) - TB), clamped(qint64(bottom) * 1440 / g.LY));

    // The return address, cut where the destination starts, as the job cuts it.
    const qint64 destinationBase = qint64(g.PH) - TB - g.DestinationBottom + g.BM;
    if (!inside(pixels(g.ReturnLeft, g.LX), pixels(qint64(g.ReturnTop) + TT, g.LY))) {
        outside << TLayoutPart::ReturnAddress;
    } else if (g.ReturnFits) {
        const int returnBottom = std::min(
            {twips(qint64(g.PH) + TB - g.DestinationBottom), twips(destinationBase), PHT, bottomTwips});
        if (!g.ReturnFits(
                FormatRect{twips(g.ReturnLeft), twips(qint64(g.ReturnTop) + TT), PWT - 2880, returnBottom}))
            outside << TLayoutPart::ReturnAddressCut;
    }

    // The destination as the job places it: a bar code above it moves it left to fit
    // the page (the shortest code, five digits and the check digit, moves it least).
    PlacingCanvas canvas(g.LX, g.LY);
    const QString shortest = QStringLiteral("000000");
    int x = pixels(g.DestinationLeft, g.LX);
    int y = pixels(destinationBase, g.LY);
    int left = twips(g.DestinationLeft);
    int textTop = twips(destinationBase);
    std::optional<TLayoutPart> barCode; // none while the bars fit
    const auto placeBars = [&](int barX, int barY) -> std::optional<TLayoutPart> {
        if (!inside(barX, barY))
            return TLayoutPart::BarCode;
        if (canvas.Right() > right || canvas.Bottom() > bottom)
            return TLayoutPart::BarCodeCut;
        return std::nullopt;
    };
    if (g.BarCodePlacement == BarCodeAbove) {
        const int barTop = y;
        canvas.Reset();
        DrawPostnet(canvas, shortest, x, y, g.PW);
        barCode = placeBars(x, barTop);
        left = clamped(qint64(x) * 1440 / g.LX);
        textTop = clamped(qint64(y) * 1440 / g.LY + BarCodeHeight(canvas));
    }
    const bool destinationInside = inside(x, y);
    if (!destinationInside) {
        outside << TLayoutPart::Destination;
    } else if (g.DestinationFits && g.BarCodePlacement != BarCodeBelow
               && !g.DestinationFits(FormatRect{left, textTop, PWT, bottomTwips})) {
        outside << TLayoutPart::DestinationCut;
    }
    if (g.BarCodePlacement == BarCodeBelow) {
        // The job lets the text grow by fifths of an inch (at most 60 times) and puts the
        // bars a tenth of an inch below: the most it may grow with the bars still on the page.
        int steps = 0;
        for (int k = 1; k <= 61; ++k) {
            int kx = x;
            int ky = clamped(qint64(y) + (qint64(288) * k + 144) * g.LY / 1440);
            const int kTop = ky;
            canvas.Reset();
            DrawPostnet(canvas, shortest, kx, ky, g.PW);
            if (placeBars(kx, kTop))
                break;
            steps = k;
        }
        if (!destinationInside) {
            barCode = TLayoutPart::BarCode;
        } else if (steps == 0) {
            barCode = TLayoutPart::BarCodeCut;
        } else if (g.DestinationFits
                   && !g.DestinationFits(
                       FormatRect{left, textTop, PWT, clamped(qint64(textTop) + 288 * steps)})) {
            // Cut text is the destination's fault when even the whole page would not hold it.
            if (!g.DestinationFits(FormatRect{left, textTop, PWT, std::min(bottomTwips, textTop + 288 * 61)}))
                outside << TLayoutPart::DestinationCut;
            barCode = TLayoutPart::BarCodeCut;
        }
    } else if (g.BarCodePlacement == BarCodeBottom) {
        x = clamped(qint64(g.PhysW) - 2 * qint64(g.LX));
        y = clamped(pixels(qint64(g.PH) - TB, g.LY) - qint64(BarCodeHeight(canvas)));
        const int barTop = y;
        canvas.Reset();
        DrawPostnet(canvas, shortest, x, y, g.PW);
        barCode = placeBars(x, barTop);
    }
    if (barCode)
        outside << *barCode;

    if (g.FacingMark && g.BarCodePlacement != BarCodeNone
        && !inside(clamped(qint64(g.PhysW) - pixels(g.FacingMarkFromRight, g.LX)), top))
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
    m.PWT = Printer.GetPageWidthTwips();
    m.PHT = Printer.GetPageHeightTwips();
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
    // A printer that reports no paper sizes leaves a definition without one, unless it
    // has a custom size; the sheet the job would fall back on is not the envelope.
    if (Printer.GetPaperWidth() <= 0 || Printer.GetPaperHeight() <= 0)
        g.PW = 0;
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
    if (Parts.isEmpty())
        return {};
    if (Parts.contains(TLayoutPart::Paper))
        return QStringLiteral("The envelope definition \"%1\" has no paper size: choose a paper, or give a "
                              "custom size, in the envelope definitions manager.")
            .arg(Definition);
    const auto joined = [](QStringList names) {
        QString list = names.takeLast();
        if (!names.isEmpty())
            list = names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + list;
        return list;
    };
    QStringList starts;
    QStringList clauses;
    for (TLayoutPart part : Parts) {
        switch (part) {
        case TLayoutPart::Paper: break;
        case TLayoutPart::ReturnAddress: starts << QStringLiteral("the return address"); break;
        case TLayoutPart::Destination: starts << QStringLiteral("the destination address"); break;
        case TLayoutPart::BarCode: starts << QStringLiteral("the bar code"); break;
        case TLayoutPart::FacingMark: starts << QStringLiteral("the facing identification mark"); break;
        case TLayoutPart::ReturnAddressCut:
            clauses << QStringLiteral("the return address does not fit above the destination address");
            break;
        case TLayoutPart::DestinationCut:
            clauses << QStringLiteral("the destination address does not fit on the envelope");
            break;
        case TLayoutPart::BarCodeCut:
            clauses << QStringLiteral("the bar code does not fit on the envelope");
            break;
        }
    }
    if (!starts.isEmpty())
        clauses.prepend(QStringLiteral("%1 %2 outside the area the printer can print")
                            .arg(joined(starts),
                                 starts.size() == 1 ? QStringLiteral("starts") : QStringLiteral("start")));
    return QStringLiteral("The envelope definition \"%1\" does not fit its paper: %2.")
        .arg(Definition, joined(clauses));
}
