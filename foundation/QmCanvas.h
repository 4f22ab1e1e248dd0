#pragma once

#include <QColor>
#include <QRect>

class QPainter;
class TBitmap;

// The canvas's resolution: the logical pixels per inch of the painter's device.
int PixelsPerInchX(const QPainter &canvas);
int PixelsPerInchY(const QPainter &canvas);

// Fills the canvas's clip rectangle (the whole device when it has no clipping).
void FillCanvas(QPainter &canvas, const QColor &colour);

// Draws the bitmap stretched into the rectangle as a device-independent bitmap:
// the pixels are copied, alpha ignored. The rectangle is Qt's (left, top, width,
// height). The print job passes the printer's canvas.
void DrawBitmapDIB(QPainter &canvas, const TBitmap &bitmap, const QRect &rect);
