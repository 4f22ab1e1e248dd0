#include "platform/Graphics.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

// ---------------------------------------------------------------------------
// TIcon

TIcon::TIcon() : TImageGraphic(QStringLiteral("the icon"))
{
    SetTransparentFlag(true);
}

std::unique_ptr<TGraphic> TIcon::NewInstance() const
{
    return std::make_unique<TIcon>();
}

void TIcon::LoadFromStream(QIODevice &stream)
{
    // Icons are small; a larger stream is not an icon we can show.
    constexpr qint64 MaxIconBytes = 64 * 1024 * 1024;
    QByteArray data = stream.read(MaxIconBytes + 1);
    if (data.size() < 6 || data.size() > MaxIconBytes || data[0] != 0 || data[1] != 0 || data[2] != 1
        || data[3] != 0)
        throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage chosen;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        QImage image;
        if (!reader.read(&image) || image.isNull())
            continue;
        if (chosen.isNull()
            || (image.width() == 32 && image.height() == 32
                && (chosen.width() != 32 || chosen.height() != 32)))
            chosen = image;
    }
    if (chosen.isNull())
        throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
    SetImage(std::move(data), chosen);
}

TBitmap TIcon::Mask() const
{
    TBitmap mask(Width(), Height(), TPixelFormat::pf1bit);
    for (int y = 0; y < Height(); ++y) {
        auto *line = reinterpret_cast<const QRgb *>(Image().constScanLine(y));
        uint8_t *dst = mask.ScanLine(y);
        for (int x = 0; x < Width(); ++x)
            if (qAlpha(line[x]) < 128)
                dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    return mask;
}
