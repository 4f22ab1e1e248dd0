#include "engine/LayoutFit.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using Parts = QList<TLayoutPart>;

// A #10 envelope at 600 dpi with a quarter inch unprintable all round, and the
// default layout: landscape, or fed portrait (4.125 in across).
TLayoutGeometry envelope10(bool portrait = false)
{
    TLayoutGeometry g;
    g.LX = g.LY = 600;
    const int across = portrait ? 4125 : 9500;
    const int down = portrait ? 9500 : 4125;
    g.PrintableWidth = (across - 500) * 600 / 1000;
    g.PrintableHeight = (down - 500) * 600 / 1000;
    g.PW = g.PrintableWidth;
    g.PH = (down - 500) / 10;
    g.PhysW = across * 600 / 1000;
    g.BM = 25;
    g.DestinationLeft = 380;
    g.DestinationBottom = 200;
    g.FacingMarkFromRight = 250;
    g.FacingMark = true;
    g.BarCodePlacement = 1;
    return g;
}

} // namespace

TEST(LayoutFitTest, PartsThatStartOffThePrintableArea)
{
    EXPECT_EQ(PartsOutsidePage(envelope10()), Parts());

    // Portrait with the destination 4 in from the left: the address is off the
    // paper, unless a bar code above it moves it back.
    TLayoutGeometry portrait = envelope10(true);
    portrait.DestinationLeft = 400;
    EXPECT_EQ(PartsOutsidePage(portrait), Parts({TLayoutPart::Destination}));
    portrait.BarCodePlacement = 3;
    EXPECT_EQ(PartsOutsidePage(portrait), Parts({TLayoutPart::Destination, TLayoutPart::BarCode}));
    portrait.BarCodePlacement = 0;
    EXPECT_EQ(PartsOutsidePage(portrait), Parts());

    // A 9 x 4.12 in custom size drawn on the portrait sheet.
    TLayoutGeometry custom = envelope10(true);
    custom.PW = custom.PhysW = 9 * 600;
    custom.PH = 412;
    custom.BM = 0;
    EXPECT_EQ(PartsOutsidePage(custom),
              Parts({TLayoutPart::Destination, TLayoutPart::BarCode, TLayoutPart::FacingMark}));
    custom.BarCodePlacement = 2;
    EXPECT_EQ(PartsOutsidePage(custom), Parts({TLayoutPart::Destination}));

    TLayoutGeometry returnAddress = envelope10();
    returnAddress.ReturnLeft = -10;
    EXPECT_EQ(PartsOutsidePage(returnAddress), Parts({TLayoutPart::ReturnAddress}));
    returnAddress.ReturnLeft = 0;
    returnAddress.ReturnTop = 400;
    EXPECT_EQ(PartsOutsidePage(returnAddress), Parts({TLayoutPart::ReturnAddress}));

    // Stored extremes are outside, not an overflow.
    for (const int extreme : {INT_MIN, INT_MAX}) {
        TLayoutGeometry g = envelope10();
        g.ReturnLeft = g.ReturnTop = g.DestinationLeft = g.DestinationBottom = extreme;
        g.FacingMarkFromRight = g.TriFoldFromTop = g.TriFoldFromBottom = extreme;
        EXPECT_EQ(PartsOutsidePage(g).size(), 4);
    }
    // Without a printer nothing is known, and nothing is said.
    EXPECT_EQ(PartsOutsidePage(TLayoutGeometry()), Parts());
}

TEST(LayoutFitTest, SaysWhichDefinitionAndWhatLiesOutside)
{
    EXPECT_EQ(
        LayoutOutsideText("Tall", {TLayoutPart::Destination}),
        "The envelope definition \"Tall\" does not fit its paper: the destination address starts outside "
        "the area the printer can print.");
    EXPECT_EQ(
        LayoutOutsideText("Wide",
                          {TLayoutPart::ReturnAddress, TLayoutPart::BarCode, TLayoutPart::FacingMark}),
        "The envelope definition \"Wide\" does not fit its paper: the return address, the bar code and the "
        "facing identification mark start outside the area the printer can print.");
    EXPECT_EQ(LayoutOutsideText("Fits", {}), QString());
}
