#include "ui/main/EnvelopePicture.h"

#include "engine/ZipBarCo.h"
#include "support/RichTextTestApp.h"
#include "ui/Artwork.h"

#include <gtest/gtest.h>

namespace {

TEnvelopeLayoutInput Panel(int Width, int Height, int Code)
{
    TEnvelopeLayoutInput in;
    in.Width = Width;
    in.Height = Height;
    in.PrintBarCode = Code;
    in.BarCode = QRect(102, 40, 380, 26);
    return in;
}

// Reads the bars back out of a preview: "1" for a full bar, "0" for a half bar.
QString BarsIn(const QImage &Image, const QColor &Background)
{
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < Image.height(); ++y) {
        for (int x = 0; x < Image.width(); ++x) {
            if (Image.pixelColor(x, y) != Background) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    QString bars;
    bool inBar = false;
    for (int x = 0; bottom >= 0 && x < Image.width(); ++x) {
        const bool dark = Image.pixelColor(x, bottom) != Background;
        if (dark && !inBar)
            bars += Image.pixelColor(x, top) != Background ? QLatin1Char('1') : QLatin1Char('0');
        inBar = dark;
    }
    return bars;
}

bool Blank(const QImage &Image, const QColor &Background)
{
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixelColor(x, y) != Background)
                return false;
    return true;
}

} // namespace

TEST(EnvelopePictureTest, LayoutForEachBarCodePlace)
{
    // 700 x 400: a third of the width is 233, two fifths of the height 160; bevel 2, border 5.
    const TEnvelopeLayout above = EnvelopeLayout(Panel(700, 400, 0));
    EXPECT_EQ(above.Stamp, QRect(625, 7, 65, 65));
    EXPECT_EQ(above.FacingMark, QRect(548, 7, 72, 65));
    EXPECT_EQ(above.Return, QRect(7, 7, 531, 155));
    EXPECT_EQ(above.Attention, QRect(7, 367, 340, 26));
    EXPECT_EQ(above.BarCode, QRect(233, 160, 455, 26));
    EXPECT_EQ(above.Destination, QRect(233, 186, 460, 176));

    const TEnvelopeLayout edge = EnvelopeLayout(Panel(700, 400, 1));
    EXPECT_EQ(edge.BarCode, QRect(355, 369, 340, 26));
    EXPECT_EQ(edge.Destination, QRect(233, 165, 460, 199));

    // Without a bar code it keeps its place; below the address it stands under the
    // address whatever place it had (the form's, at a start).
    const TEnvelopeLayout none = EnvelopeLayout(Panel(700, 400, 2));
    EXPECT_EQ(none.BarCode, QRect(102, 40, 380, 26));
    EXPECT_EQ(none.Destination, QRect(233, 165, 460, 197));
    const TEnvelopeLayout below = EnvelopeLayout(Panel(700, 400, 3));
    EXPECT_EQ(below.BarCode, QRect(233, 341, 455, 26));
    EXPECT_EQ(below.Destination, QRect(233, 165, 460, 171));

    // A picture beside the return address moves it right by the picture and two borders.
    TEnvelopeLayoutInput pictured = Panel(700, 400, 0);
    pictured.ReturnImageVisible = true;
    EXPECT_EQ(EnvelopeLayout(pictured).Return, QRect(95, 7, 443, 155));

    // A smaller window keeps the proportions.
    const TEnvelopeLayout small = EnvelopeLayout(Panel(350, 200, 0));
    EXPECT_EQ(small.Destination.left(), 116);
    EXPECT_EQ(small.Return.height(), 75);

    // A tiny one gives no negative sizes.
    for (int code = 0; code < 4; ++code) {
        const TEnvelopeLayout tiny = EnvelopeLayout(Panel(30, 20, code));
        for (const QRect &r :
             {tiny.Return, tiny.Stamp, tiny.FacingMark, tiny.Destination, tiny.Attention, tiny.BarCode})
            EXPECT_TRUE(r.width() >= 0 && r.height() >= 0) << code;
    }
}

TEST(EnvelopePictureTest, PreviewAndHint)
{
    EnsureRichTextTestApp();
    const QColor paper(250, 240, 200);
    const QSize bars(380, 26);
    const QSize mark(72, 65);
    const QStringList address{"Jane Doe", "100 Main St", "Springfield, IL 62704-1234"};

    const TPostnetPreview full = PostnetPreview(address, 0, true, paper, bars, mark, 96);
    ASSERT_TRUE(full.Drawn);
    EXPECT_EQ(PostnetHint(full.Digits), "Postnet Bar Code (62704-1234-00-1)");
    // The same bars as the printed ones.
    QString pattern;
    DigitsToBars(full.Digits, pattern);
    EXPECT_EQ(BarsIn(full.BarCode, paper), pattern);
    EXPECT_FALSE(Blank(full.FacingMark, paper));

    EXPECT_EQ(PostnetHint(PostnetPreview({"Springfield, IL 62704"}, 0, true, paper, bars, mark, 96).Digits),
              "Postnet Bar Code (62704-1)");
    EXPECT_EQ(
        PostnetHint(PostnetPreview({"Springfield, IL 62704-1234"}, 0, true, paper, bars, mark, 96).Digits),
        "Postnet Bar Code (62704-1234-1)");

    // Nothing drawn: no address, no ZIP code in the last line, or no bar code wanted.
    for (const TPostnetPreview &p :
         {PostnetPreview({}, 0, true, paper, bars, mark, 96),
          PostnetPreview({"Springfield, IL 62704", "Jane"}, 0, true, paper, bars, mark, 96),
          PostnetPreview(address, 2, true, paper, bars, mark, 96)}) {
        EXPECT_FALSE(p.Drawn);
        EXPECT_TRUE(Blank(p.BarCode, paper));
        EXPECT_TRUE(Blank(p.FacingMark, paper));
    }
    // Without the facing mark the bars still come.
    const TPostnetPreview noMark = PostnetPreview(address, 0, false, paper, bars, mark, 96);
    EXPECT_EQ(BarsIn(noMark.BarCode, paper), pattern);
    EXPECT_TRUE(Blank(noMark.FacingMark, paper));
}

TEST(EnvelopePictureTest, PreviewStandsOutOnADarkEnvelope)
{
    EnsureRichTextTestApp();
    const QColor envelope(49, 54, 59);
    const QStringList address{"Jane Doe", "100 Main St", "Springfield, IL 62704-1234"};
    const TPostnetPreview preview = PostnetPreview(address, 0, true, envelope, {380, 26}, {72, 65}, 96);
    QString pattern;
    DigitsToBars(preview.Digits, pattern);
    EXPECT_EQ(BarsIn(preview.BarCode, envelope), pattern);
    // Every pixel drawn stands far apart from the envelope.
    for (const QImage &image : {preview.BarCode, preview.FacingMark}) {
        int drawn = 0;
        int faint = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                drawn += c != envelope ? 1 : 0;
                faint += c != envelope && ContrastRatio(c, envelope) < 7 ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, 100);
        EXPECT_EQ(faint, 0);
    }
}
