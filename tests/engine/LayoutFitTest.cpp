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

// Where the parts end as well as where they start, on the page the job really draws on.
TEST(LayoutFitTest, PartsThatRunPastTheEnvelopeOrIntoTheNext)
{
    // Lines of 240 twips (12 points).
    const auto lines = [](int count) {
        return [count](const FormatRect &r) { return r.Bottom - r.Top >= count * 240; };
    };
    const auto custom = [](int width, int height) {
        TLayoutGeometry g = envelope10();
        g.PW = g.PhysW = width * 6;
        g.PH = height;
        g.BM = 0;
        return g;
    };
    struct Case
    {
        const char *what;
        TLayoutGeometry g;
        int barCode;
        int destinationLeft;
        int destinationBottom;
        int destinationLines;
        int returnLines;
        Parts expected;
    };
    const Case cases[] = {
        {"default, bar code below", envelope10(), 3, 380, 200, 3, 3, {}},
        {"3.5 x 2.5 in custom envelope",
         custom(350, 250),
         3,
         380,
         200,
         3,
         3,
         {TLayoutPart::Destination, TLayoutPart::BarCode}},
        {"5.13 x 3.63 in custom envelope, 5.2 in from the left",
         custom(513, 363),
         1,
         520,
         200,
         3,
         3,
         {TLayoutPart::Destination}},
        {"3 lines, bar code below at the postal minimum",
         envelope10(),
         3,
         380,
         100,
         3,
         3,
         {TLayoutPart::BarCodeCut}},
        {"4 lines, bar code below at the postal minimum",
         envelope10(),
         3,
         380,
         100,
         4,
         3,
         {TLayoutPart::BarCodeCut}},
        {"6 lines at the postal minimum", envelope10(), 2, 380, 100, 6, 3, {TLayoutPart::DestinationCut}},
        {"destination 3.30 in from the bottom",
         envelope10(),
         2,
         380,
         330,
         3,
         4,
         {TLayoutPart::ReturnAddressCut}},
        {"no paper size", custom(0, 0), 1, 380, 200, 3, 3, {TLayoutPart::Paper}},
    };
    for (const Case &c : cases) {
        TLayoutGeometry g = c.g;
        g.BarCodePlacement = c.barCode;
        g.DestinationBottom = c.destinationBottom;
        g.DestinationLeft = c.destinationLeft;
        g.DestinationFits = lines(c.destinationLines);
        g.ReturnFits = lines(c.returnLines);
        EXPECT_EQ(PartsOutsidePage(g), c.expected) << c.what;
    }
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
    EXPECT_EQ(
        LayoutOutsideText("Low", {TLayoutPart::ReturnAddress, TLayoutPart::BarCodeCut}),
        "The envelope definition \"Low\" does not fit its paper: the return address starts outside the area "
        "the printer can print and the bar code does not fit on the envelope.");
    EXPECT_EQ(
        LayoutOutsideText("Blank", {TLayoutPart::Paper}),
        "The envelope definition \"Blank\" has no paper size: choose a paper, or give a custom size, in the "
        "envelope definitions manager.");
    EXPECT_EQ(LayoutOutsideText("Fits", {}), QString());
}
