#include "foundation/Ruler.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

QApplication &App()
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

QVector<int> Positions(const QVector<TRulerMark> &marks, TRulerMark::Kind kind)
{
    QVector<int> result;
    for (const TRulerMark &mark : marks)
        if (mark.kind == kind)
            result.append(mark.Position);
    return result;
}

} // namespace

TEST(Ruler, PlacesItsMarks)
{
    // The defaults: 240 pixels, 120 per unit, 8 ticks.
    auto marks = RulerMarks(240, 120, 8);
    EXPECT_EQ(Positions(marks, TRulerMark::EndLine), (QVector<int>{0, 240}));
    EXPECT_EQ(Positions(marks, TRulerMark::Number), (QVector<int>{120}));
    EXPECT_EQ(Positions(marks, TRulerMark::Half), (QVector<int>{60, 180}));
    EXPECT_EQ(Positions(marks, TRulerMark::Minor).size(), 12);

    // The sample's rulers at 96 pixels per inch: inches at 28 pixels in quarters,
    // centimetres at 11 pixels with numbers only.
    marks = RulerMarks(100, 28, 4);
    EXPECT_EQ(Positions(marks, TRulerMark::EndLine), (QVector<int>{0, 98}));
    EXPECT_EQ(Positions(marks, TRulerMark::Number), (QVector<int>{28, 56, 84}));
    EXPECT_EQ(Positions(marks, TRulerMark::Half), (QVector<int>{14, 42, 70}));
    EXPECT_EQ(Positions(marks, TRulerMark::Minor), (QVector<int>{7, 21, 35, 49, 63, 77, 91}));
    marks = RulerMarks(50, 11, 1);
    EXPECT_EQ(Positions(marks, TRulerMark::Number), (QVector<int>{11, 22, 33, 44}));
    EXPECT_EQ(marks.size(), 6);
    EXPECT_EQ(marks.back().Value, 4);

    // Shorter than one and a half ticks: the two end lines only.
    EXPECT_EQ(RulerMarks(20, 120, 8).size(), 2);
}

TEST(Ruler, NumbersNeitherTouchNorCrossTicks)
{
    // Five pixels a digit, as the sample's small font at 96 pixels per inch.
    const auto extent = [](int value) { return 5 * int(QString::number(value).size()); };
    const auto check = [&](int length, int pixels, int ticks) {
        const QVector<TRulerMark> plain = RulerMarks(length, pixels, ticks);
        const QVector<TRulerMark> fitted = FitRulerNumbers(plain, pixels, extent, 4);
        QVector<TRulerMark> numbers;
        for (const TRulerMark &m : fitted)
            if (m.kind == TRulerMark::Number)
                numbers.append(m);
        for (int i = 1; i < numbers.size(); ++i)
            EXPECT_GE(numbers[i].Position - numbers[i - 1].Position,
                      (extent(numbers[i].Value) + extent(numbers[i - 1].Value)) / 2 + 4)
                << numbers[i].Value;
        for (const TRulerMark &m : fitted) {
            for (const TRulerMark &n : numbers) {
                if (m.kind != TRulerMark::Number && m.kind != TRulerMark::EndLine) {
                    EXPECT_GT(std::abs(m.Position - n.Position), extent(n.Value) / 2 + 2) << n.Value;
                }
            }
        }
        // Every unit keeps a mark: its number, or a long tick.
        for (const TRulerMark &m : plain) {
            if (m.kind == TRulerMark::Number) {
                EXPECT_TRUE(std::any_of(fitted.begin(), fitted.end(), [&](const TRulerMark &f) {
                    return f.Position == m.Position
                           && (f.kind == TRulerMark::Number || f.kind == TRulerMark::Unit);
                })) << m.Value;
            }
        }
        return numbers;
    };
    // Centimetres at 11 pixels: "10" and "11" would run together; every second number shows.
    QVector<TRulerMark> numbers = check(330, 11, 1);
    ASSERT_FALSE(numbers.isEmpty());
    EXPECT_EQ(numbers.first().Value, 2);
    EXPECT_EQ(numbers.last().Value, 28);
    // Inches at 28 pixels in quarters: every number, without the quarter ticks beside two digits.
    numbers = check(420, 28, 4);
    EXPECT_EQ(numbers.size(), 14);
    EXPECT_EQ(RulerMarks(420, 28, 4).size() - FitRulerNumbers(RulerMarks(420, 28, 4), 28, extent, 4).size(),
              10);
}

TEST(Ruler, SurvivesZeroAndNegativeScales)
{
    EXPECT_EQ(RulerMarks(50, 11, 0), RulerMarks(50, 11, 1));
    EXPECT_EQ(RulerMarks(50, 11, -3), RulerMarks(50, 11, 1));
    EXPECT_TRUE(RulerMarks(50, 0, 4).isEmpty());
    EXPECT_TRUE(RulerMarks(50, -28, 4).isEmpty());

    App();
    TRuler ruler;
    EXPECT_EQ(ruler.size(), QSize(240, 16));
    ruler.SetColor(Qt::yellow);
    ruler.SetPixelsPerUnit(0);
    QImage image = ruler.grab().toImage();
    for (int x = 0; x < image.width(); ++x)
        ASSERT_EQ(image.pixelColor(x, 15), QColor(Qt::yellow)) << x;

    // Painted: a vertical ruler draws its half-unit mark from a quarter of its width.
    ruler.resize(16, 240);
    ruler.SetRuler(rtVertical);
    ruler.SetPixelsPerUnit(120);
    ruler.SetTicksPerUnit(0);
    EXPECT_EQ(ruler.Spacing(), 1.0);
    ruler.SetTicksPerUnit(8);
    image = ruler.grab().toImage();
    EXPECT_EQ(image.pixelColor(15, 60), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(2, 60), QColor(Qt::yellow));

    // On a dark palette the ticks take the palette's text colour.
    QPalette dark = ruler.palette();
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    ruler.setPalette(dark);
    ruler.SetColor(QColor(40, 40, 40));
    image = ruler.grab().toImage();
    EXPECT_EQ(image.pixelColor(15, 60), QColor(230, 230, 230));
}
