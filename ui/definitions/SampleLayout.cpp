#include "ui/definitions/SampleLayout.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// Distances are limited only while postal margins are on: keep any typed value
// to a drawable size rather than overflow.
int clampPixels(int64_t v)
{
    return int(std::clamp<int64_t>(v, -(1 << 20), 1 << 20));
}

int clampInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Hundredths of an inch to pixels and back at 100/333, cutting toward zero.
int toPixels(int64_t hundredths, int p)
{
    return clampPixels(hundredths * p / 333);
}

int toHundredths(int64_t pixels, int p)
{
    return clampInt(pixels * 333 / p);
}

} // namespace

TSampleGeometry LayoutSample(const TSampleDistances &D, const TSampleSheet &Sheet, int PixelsPerInch,
                             QSize ReturnSize, QSize AttentionSize)
{
    const int p = std::max(1, PixelsPerInch);
    const int lm = toPixels(Sheet.LeftMargin, p);
    const int rm = toPixels(Sheet.RightMargin, p);
    const int tm = toPixels(int64_t(Sheet.TopMargin) + D.TriFoldFromTop, p);
    const int bm = toPixels(int64_t(Sheet.BottomMargin) + D.TriFoldFromBottom, p);
    const int dl = std::max(0, toPixels(int64_t(D.DestinationLeft) - Sheet.LeftMargin, p));
    const int db = std::max(0, toPixels(int64_t(D.DestinationBottom) - Sheet.BottomMargin, p));
    const int stampW = toPixels(87, p);
    const int tall = toPixels(100, p);
    const int destH = toPixels(150, p);

    int envW = toPixels(Sheet.PaperWidth, p);
    int envH = toPixels(Sheet.PaperHeight, p);
    if (!Sheet.TriFoldLetter && envW < envH)
        std::swap(envW, envH);
    const int usableW = envW - lm - rm;
    const int usableH = envH - bm - tm;

    TSampleGeometry g;
    g.Envelope = QRect(0, 0, envW, envH);
    g.Usable = QRect(lm, tm, usableW, usableH);
    g.Stamp = QRect(usableW - stampW - 4, 4, stampW, tall);
    g.FacingMark = QRect(envW - toPixels(D.FacingMarkFromRight, p), 4, 10, tall);
    g.Return = QRect(QPoint(toPixels(D.ReturnLeft, p), toPixels(D.ReturnTop, p)), ReturnSize);
    g.Attention = QRect(QPoint(toPixels(D.AttentionLeft, p),
                               usableH - AttentionSize.height() - toPixels(D.AttentionBottom, p)),
                        AttentionSize);
    g.Destination = QRect(dl, usableH - db, usableW - dl, std::min(db, destH));
    return g;
}

TSampleDistances SampleDrop(TSampleDistances D, TSampleMarker Marker, QPoint NewTopLeft,
                            const TSampleGeometry &Geometry, const TSampleSheet &Sheet, int PixelsPerInch)
{
    const int p = std::max(1, PixelsPerInch);
    const int64_t x = NewTopLeft.x();
    const int64_t y = NewTopLeft.y();
    const int64_t usableH = Geometry.Usable.height();
    switch (Marker) {
    case TSampleMarker::Return:
        D.ReturnLeft = toHundredths(x, p);
        D.ReturnTop = toHundredths(y, p);
        break;
    case TSampleMarker::Destination:
        D.DestinationLeft = toHundredths(Geometry.Usable.left() + x, p);
        D.DestinationBottom = clampInt(int64_t(toHundredths(usableH - y, p)) + Sheet.BottomMargin);
        break;
    case TSampleMarker::Attention:
        D.AttentionLeft = toHundredths(x, p);
        D.AttentionBottom = toHundredths(usableH - (y + Geometry.Attention.height()), p);
        break;
    case TSampleMarker::FacingMark:
        D.FacingMarkFromRight = toHundredths(Geometry.Envelope.width() - x, p);
        break;
    }
    return D;
}
