#include "ui/definitions/SampleLayout.h"

#include <gtest/gtest.h>

namespace {

const QSize returnSize(85, 27);
const QSize attentionSize(72, 27);

TSampleDistances envelope10()
{
    TSampleDistances d;
    d.DestinationLeft = 380;
    d.DestinationBottom = 200;
    d.FacingMarkFromRight = 250;
    return d;
}

} // namespace

TEST(SampleLayout, DrawsTheSheetAtItsScale)
{
    const TSampleSheet sheet{950, 412, 0, 0, 0, 0, false};
    TSampleGeometry g = LayoutSample(envelope10(), sheet, 96, returnSize, attentionSize);
    EXPECT_EQ(g.Envelope, QRect(0, 0, 273, 118));
    EXPECT_EQ(g.Usable, QRect(0, 0, 273, 118));
    EXPECT_EQ(g.Stamp, QRect(273 - 25 - 4, 4, 25, 28));
    EXPECT_EQ(g.FacingMark, QRect(273 - 72, 4, 10, 28));
    EXPECT_EQ(g.Return, QRect(QPoint(0, 0), returnSize));
    EXPECT_EQ(g.Attention, QRect(QPoint(0, 118 - 27), attentionSize));
    // The destination's top stands 57 pixels above the bottom, at most 43 tall.
    EXPECT_EQ(g.Destination, QRect(109, 118 - 57, 273 - 109, 43));

    // A bottom margin at the destination's distance leaves it no height.
    TSampleDistances d = envelope10();
    d.DestinationBottom = 50;
    g = LayoutSample(d, {950, 412, 25, 25, 25, 50, false}, 96, returnSize, attentionSize);
    EXPECT_EQ(g.Usable, QRect(7, 7, 273 - 14, 118 - 7 - 14));
    EXPECT_EQ(g.Destination.top(), g.Usable.height());
    EXPECT_EQ(g.Destination.height(), 0);

    // A portrait envelope lies on its long side; a tri-fold letter stands upright
    // with its printable area between the folds.
    g = LayoutSample(envelope10(), {412, 950, 0, 0, 0, 0, false}, 96, returnSize, attentionSize);
    EXPECT_EQ(g.Envelope.size(), QSize(273, 118));
    d = envelope10();
    d.TriFoldFromTop = 350;
    d.TriFoldFromBottom = 350;
    g = LayoutSample(d, {850, 1100, 0, 0, 0, 0, true}, 96, returnSize, attentionSize);
    EXPECT_EQ(g.Envelope.size(), QSize(245, 317));
    EXPECT_EQ(g.Usable, QRect(0, 100, 245, 317 - 100 - 100));

    // Unlimited typed distances stay drawable.
    d.ReturnLeft = std::numeric_limits<int>::max();
    d.DestinationBottom = std::numeric_limits<int>::min();
    g = LayoutSample(d, sheet, 96, returnSize, attentionSize);
    EXPECT_EQ(g.Return.left(), 1 << 20);
    EXPECT_EQ(g.Destination.height(), 0);
}

TEST(SampleLayout, DropsGiveTheDistancesBack)
{
    const TSampleSheet sheet{950, 412, 0, 0, 0, 0, false};
    const TSampleDistances d = envelope10();
    const TSampleGeometry g = LayoutSample(d, sheet, 96, returnSize, attentionSize);

    // The destination dropped 10 pixels higher: 67 * 333 div 96.
    TSampleDistances dropped =
        SampleDrop(d, TSampleMarker::Destination, g.Destination.topLeft() - QPoint(0, 10), g, sheet, 96);
    EXPECT_EQ(dropped.DestinationBottom, 232);
    EXPECT_EQ(dropped.DestinationLeft, 378);
    EXPECT_EQ(dropped.ReturnLeft, d.ReturnLeft);

    // Return at 172 is 596, beyond the postal limit that the definition applies.
    dropped = SampleDrop(d, TSampleMarker::Return, QPoint(172, 10), g, sheet, 96);
    EXPECT_EQ(dropped.ReturnLeft, 596);
    EXPECT_EQ(dropped.ReturnTop, 34);
    dropped.ReturnLeft = 500;
    EXPECT_EQ(LayoutSample(dropped, sheet, 96, returnSize, attentionSize).Return.left(), 144);

    // Each marker comes back where it was dropped, give or take the rounding.
    const TSampleSheet margins{950, 412, 25, 30, 25, 40, false};
    const TSampleGeometry m = LayoutSample(d, margins, 96, returnSize, attentionSize);
    for (TSampleMarker marker :
         {TSampleMarker::Attention, TSampleMarker::FacingMark, TSampleMarker::Destination}) {
        const QPoint at(120, 40);
        const TSampleGeometry again =
            LayoutSample(SampleDrop(d, marker, at, m, margins, 96), margins, 96, returnSize, attentionSize);
        const QRect r = marker == TSampleMarker::Attention    ? again.Attention
                        : marker == TSampleMarker::FacingMark ? again.FacingMark
                                                              : again.Destination;
        EXPECT_NEAR(r.left(), at.x(), 1) << int(marker);
        if (marker != TSampleMarker::FacingMark) {
            EXPECT_NEAR(r.top(), at.y(), 1) << int(marker);
        }
    }
}
