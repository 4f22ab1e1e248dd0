// The GIF image as a picture of the graphics layer: registration, drawing the
// first frame, conversion to a bitmap and the clipboard.
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>
#include <QMimeData>
#include <QPainter>

namespace {

const QString GIFMimeType = QStringLiteral("image/gif");

// The first sub-image with pixels (trailing extension holders have none).
TGIFSubImage *FirstFrame(const TGIFImage &Image)
{
    for (int i = 0; i < Image.Images()->Count(); ++i)
        if (!Image.Images()->SubImages(i)->Empty())
            return Image.Images()->SubImages(i);
    return nullptr;
}

} // namespace

std::unique_ptr<TGraphic> TGIFImage::NewInstance() const
{
    return std::make_unique<TGIFImage>();
}

bool TGIFImage::Empty() const
{
    return FirstFrame(*this) == nullptr;
}

void TGIFImage::Draw(QPainter &Canvas, const QRect &Rect)
{
    if (TGIFSubImage *frame = FirstFrame(*this))
        frame->Draw(Canvas, Rect, true, false);
}

void TGIFImage::AssignTo(TPersistent *Dest) const
{
    auto *bitmap = dynamic_cast<TBitmap *>(Dest);
    if (!bitmap) {
        TGraphic::AssignTo(Dest);
        return;
    }
    // The first frame on the logical screen, transparent parts white.
    QImage screen(std::max(1, Width()), std::max(1, Height()), QImage::Format_RGB32);
    screen.fill(Qt::white);
    if (TGIFSubImage *frame = FirstFrame(*this)) {
        QPainter painter(&screen);
        painter.drawImage(QPoint(frame->Left(), frame->Top()), frame->RenderImage(true));
    }
    bitmap->FromImage(screen);
}

void TGIFImage::LoadFromClipboardFormat(const QString &Format, const QMimeData &Data)
{
    if (Format != GIFMimeType || !Data.hasFormat(GIFMimeType)) {
        TGraphic::LoadFromClipboardFormat(Format, Data);
        return;
    }
    QByteArray bytes = Data.data(GIFMimeType);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadFromStream(buffer);
}

void TGIFImage::SaveToClipboardFormat(QMimeData &Data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    Data.setData(GIFMimeType, bytes);
}

void RegisterGIFFormat()
{
    auto factory = [] { return std::make_unique<TGIFImage>(); };
    TPicture::RegisterFileFormat(QStringLiteral("GIF"), QStringLiteral("GIF Image"), factory);
    TPicture::RegisterClipboardFormat(GIFMimeType, QStringLiteral("GIF Image"), factory);
}

void UnregisterGIFFormat()
{
    TPicture::UnregisterFileFormat(QStringLiteral("GIF"));
    TPicture::UnregisterClipboardFormat(GIFMimeType);
}
