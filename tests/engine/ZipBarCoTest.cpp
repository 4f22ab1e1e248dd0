#include "engine/ZipBarCo.h"
#include "support/RecordingBarCodeCanvas.h"

#include <gtest/gtest.h>

namespace {

QString digitsOf(const QStringList &lines)
{
    QString digits;
    BuildZipDigits(lines, digits);
    return digits;
}

} // namespace

TEST(ZipDigits, ZipAndZipPlusFour)
{
    EXPECT_EQ(digitsOf({QStringLiteral("Springfield, IL 62704")}), QStringLiteral("627041"));
    EXPECT_EQ(digitsOf({QStringLiteral("1600 Main St"), QStringLiteral("Springfield IL 62704-1234")}),
              QStringLiteral("627041234001"));
    // Trailing blanks and line ends do not hide the ZIP.
    EXPECT_EQ(digitsOf({QStringLiteral("Springfield, IL 62704 \r")}), QStringLiteral("627041"));
    // Text after the ZIP gives no code.
    EXPECT_EQ(digitsOf({QStringLiteral("Springfield, IL 62704 USA")}), QString());
    EXPECT_EQ(digitsOf({QStringLiteral("Springfield, IL 62704,")}), QString());
    // The 6th of the last ten characters is not "-": falls back to the last five.
    EXPECT_EQ(digitsOf({QStringLiteral("62704-12345")}), QStringLiteral("123455"));
    EXPECT_EQ(digitsOf({QStringLiteral("1234")}), QString());
    EXPECT_EQ(digitsOf({QStringLiteral("X 62704")}), QStringLiteral("627041"));
    EXPECT_EQ(digitsOf({QStringLiteral("XY 6270")}), QString());
    // Nine characters: too short for ZIP+4, and not ending in five digits.
    EXPECT_EQ(digitsOf({QStringLiteral("12345-678")}), QString());
    EXPECT_EQ(digitsOf({QStringLiteral("AB 012345")}), QStringLiteral("123455"));
    EXPECT_EQ(digitsOf({}), QString());
    // Digits of other scripts are not digits.
    EXPECT_EQ(digitsOf({QStringLiteral("City \u0661\u0662\u0663\u0664\u0665")}), QString());
}

TEST(ZipDigits, DeliveryPoints)
{
    const QString last = QStringLiteral("Springfield IL 62704-1234");
    EXPECT_EQ(digitsOf({QStringLiteral("7 Elm St"), last}).mid(9, 2), QStringLiteral("07"));
    EXPECT_EQ(digitsOf({QStringLiteral("PO Box 1234"), last}).mid(9, 2), QStringLiteral("34"));
    EXPECT_EQ(digitsOf({QStringLiteral("Box 5"), last}).mid(9, 2), QStringLiteral("05"));
    EXPECT_EQ(digitsOf({QStringLiteral("Elm St"), last}).size(), 10);
    EXPECT_EQ(digitsOf({QStringLiteral("12A Main St"), last}).size(), 10);
    EXPECT_EQ(digitsOf({last}).size(), 10);
    EXPECT_EQ(digitsOf({QStringLiteral("98765 Long Rd"), last}).mid(9, 2), QStringLiteral("65"));
}

TEST(ZipDigits, PostOfficeBoxes)
{
    QString box;
    EXPECT_TRUE(ParsePOBox(QStringLiteral("P.O. Box 12"), box));
    EXPECT_EQ(box, QStringLiteral("12"));
    EXPECT_TRUE(ParsePOBox(QStringLiteral("pobox12"), box));
    EXPECT_EQ(box, QStringLiteral("12"));
    EXPECT_TRUE(ParsePOBox(QStringLiteral("Box 007"), box));
    EXPECT_EQ(box, QStringLiteral("07"));
    EXPECT_FALSE(ParsePOBox(QStringLiteral("Box Elder Rd 12"), box));
    EXPECT_FALSE(ParsePOBox(QStringLiteral("Box 000"), box));
    EXPECT_FALSE(ParsePOBox(QStringLiteral("Box"), box));
    EXPECT_FALSE(ParsePOBox(QString(), box));
    // A run longer than any integer is still a positive box number.
    EXPECT_TRUE(ParsePOBox(QStringLiteral("Box 99999999999999999999999"), box));
    EXPECT_EQ(box, QStringLiteral("99"));
}

TEST(ZipDigits, CheckDigitAndBars)
{
    QString digits;
    AddCheckDigit(digits);
    EXPECT_EQ(digits, QStringLiteral("0"));
    digits = QStringLiteral("62704");
    AddCheckDigit(digits);
    EXPECT_EQ(digits, QStringLiteral("627041"));

    QString pattern;
    DigitsToBars(QStringLiteral("627041234001"), pattern);
    EXPECT_EQ(pattern.size(), 62);
    EXPECT_TRUE(pattern.startsWith(QStringLiteral("101100")));
    EXPECT_TRUE(pattern.endsWith(QStringLiteral("000111")));
    DigitsToBars(QStringLiteral("1-2"), pattern);
    EXPECT_EQ(pattern, QStringLiteral("100011001011"));
    // Every digit has exactly two full bars.
    for (int d = 0; d < 10; ++d) {
        DigitsToBars(QString::number(d), pattern);
        EXPECT_EQ(pattern.count(QLatin1Char('1')), 4) << d;
    }
}

TEST(PostnetDrawing, GeometryAt600Dpi)
{
    RecordingBarCodeCanvas canvas(600, 600);
    EXPECT_EQ(BarCodeHeight(canvas), 75 + 56);
    RecordingBarCodeCanvas wide(600, 300);
    EXPECT_EQ(BarCodeHeight(wide), 38 + 28); // 37.5 and 28.125
    int x = 100;
    int y = 200;
    DrawPostnet(canvas, QStringLiteral("627041"), x, y, 10000);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 200 + 75 + 56);
    ASSERT_EQ(canvas.lines.size(), 32u);
    EXPECT_EQ(canvas.lines[0], (RecordingBarCodeCanvas::DrawnLine{100, 275, 100, 200, 9}));
    // 6 is "01100": its first bar is a half bar.
    EXPECT_EQ(canvas.lines[1], (RecordingBarCodeCanvas::DrawnLine{128, 275, 128, 245, 9}));
    EXPECT_EQ(canvas.lines[31].x1, 100 + 31 * 28);
    for (const auto &line : canvas.lines)
        EXPECT_EQ(line.y1, 275);
}

TEST(PostnetDrawing, MovesLeftToTheLimitAndSkipsBadLengths)
{
    RecordingBarCodeCanvas canvas(600, 600);
    int x = 5000;
    int y = 10;
    // Width = 6 * 5 * 28 = 840; limit = 6000 - 450.
    DrawPostnet(canvas, QStringLiteral("627041"), x, y, 6000);
    EXPECT_EQ(x, 5550 - 840);

    canvas.lines.clear();
    x = 5000;
    y = 10;
    DrawPostnet(canvas, QStringLiteral("1234567"), x, y, 6000);
    EXPECT_TRUE(canvas.lines.empty());
    EXPECT_EQ(y, 10);
    EXPECT_EQ(x, 5550 - 7 * 5 * 28);
}

TEST(FacingMark, GeometryAt600Dpi)
{
    RecordingBarCodeCanvas canvas(600, 300);
    DrawFacingMark(canvas, 1000, 50);
    ASSERT_EQ(canvas.lines.size(), 5u);
    const int offsets[5] = {0, 38, 150, 262, 300};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(canvas.lines[i].x1, 1000 + offsets[i]);
        EXPECT_EQ(canvas.lines[i].y1, 50);
        EXPECT_EQ(canvas.lines[i].y2, 50 + 188); // 187.5 at 300 dpi rounds to even
        EXPECT_EQ(canvas.lines[i].penWidth, 15);
    }
}
