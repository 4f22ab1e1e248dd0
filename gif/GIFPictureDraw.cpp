// Drawing a GIF image: the first frame, or an animation through painters.
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QPainter>

void TGIFImage::Draw(QPainter &Canvas, const QRect &Rect)
{
    if (FImages->Count() == 0)
        return;
    FImages->SubImages(0)->Draw(Canvas, Rect, FDrawOptions & TransparentPaint, FDrawOptions & TiledPaint);
}

void TGIFImage::StopDraw() {}

void TGIFImage::StopPainter() {}
