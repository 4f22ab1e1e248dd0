#include "engine/ZipBarCo.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// Height in pixels of the dark run in column x.
int darkRun(const QImage &image, int x)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        count += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return count;
}

} // namespace

// Bars on a real painter are exactly as tall as the postal rules ask: flat caps,
// no extra pixels at either end.
TEST(PostnetPainter, BarsHaveExactHeights)
{
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name};
    QGuiApplication app(argc, argv);

    QImage image(2000, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    TPainterBarCodeCanvas canvas(painter, 600, 600);
    int x = 100;
    int y = 50;
    DrawPostnet(canvas, QStringLiteral("627041"), x, y, 2000 + 450);
    DrawFacingMark(canvas, 1400, 0);
    painter.end();

    EXPECT_EQ(darkRun(image, 100), 75);      // frame bar: full
    EXPECT_EQ(darkRun(image, 100 + 28), 30); // half bar
    EXPECT_EQ(darkRun(image, 100 + 56), 75); // full bar
    EXPECT_EQ(darkRun(image, 100 + 14), 0);  // gap
    EXPECT_EQ(darkRun(image, 1400), 300);    // facing mark, clipped by the image
}
