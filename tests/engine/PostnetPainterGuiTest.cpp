#include "engine/ZipBarCo.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

bool dark(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

} // namespace

// Bars on a real painter are exactly as the postal rules ask: flat caps, no
// extra pixels at either end, every bar 9 px wide at 600 dpi.
TEST(PostnetPainter, TwelveDigitCodeAt600Dpi)
{
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name};
    QGuiApplication app(argc, argv);

    QImage image(2400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    TPainterBarCodeCanvas canvas(painter, 600, 600);
    int x = 100;
    int y = 50;
    const QString digits = QStringLiteral("627041234001");
    DrawPostnet(canvas, digits, x, y, 10000);
    painter.end();
    QString pattern;
    DigitsToBars(digits, pattern);

    // Walk the base line: runs of dark pixels are bars.
    const int base = 50 + 75 - 1;
    QList<int> starts;
    QList<int> widths;
    for (int px = 0; px < image.width(); ++px) {
        if (dark(image, px, base) && (px == 0 || !dark(image, px - 1, base))) {
            starts << px;
            widths << 0;
        }
        if (dark(image, px, base))
            ++widths.last();
    }
    ASSERT_EQ(starts.size(), 62);
    for (int i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(widths.at(i), 9) << i;
        const int column = starts.at(i) + 4;
        int height = 0;
        for (int py = 0; py < image.height(); ++py)
            height += dark(image, column, py) ? 1 : 0;
        EXPECT_EQ(height, pattern.at(i) == QLatin1Char('1') ? 75 : 30) << i;
    }
}
