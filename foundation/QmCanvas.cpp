#include "foundation/QmCanvas.h"

#include "platform/Graphics.h"

#include <QPaintDevice>
#include <QPainter>

int PixelsPerInchX(const QPainter &canvas)
{
    return canvas.device() ? canvas.device()->logicalDpiX() : 0;
}

int PixelsPerInchY(const QPainter &canvas)
{
    return canvas.device() ? canvas.device()->logicalDpiY() : 0;
}

void FillCanvas(QPainter &canvas, const QColor &colour)
{
    QRectF area;
    if (canvas.hasClipping())
        area = canvas.clipBoundingRect();
    else if (canvas.device())
        area = canvas.transform().inverted().mapRect(
            QRectF(0, 0, canvas.device()->width(), canvas.device()->height()));
    canvas.fillRect(area, colour);
}

void DrawBitmapDIB(QPainter &canvas, const TBitmap &bitmap, const QRect &rect)
{
    if (bitmap.Empty())
        return;
    QImage image = bitmap.ToImage().convertToFormat(QImage::Format_RGB32);
    canvas.save();
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    canvas.drawImage(rect, image, image.rect());
    canvas.restore();
}
