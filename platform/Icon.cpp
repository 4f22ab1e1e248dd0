#include "platform/Graphics.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

// ---------------------------------------------------------------------------
// TIcon

TIcon::TIcon()
{
    SetTransparentFlag(true);
}

std::unique_ptr<TGraphic> TIcon::NewInstance() const
{
    return std::make_unique<TIcon>();
}

void TIcon::Assign(const TPersistent *source)
{
    if (source == this)
        return;
    if (auto icon = dynamic_cast<const TIcon *>(source)) {
        m_data = icon->m_data;
        m_image = icon->m_image;
        Changed();
        return;
    }
    if (source == nullptr) {
        m_data.clear();
        m_image = QImage();
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::AssignTo(TPersistent *dest) const
{
    if (auto bitmap = dynamic_cast<TBitmap *>(dest)) {
        bitmap->FromImage(m_image);
        return;
    }
    TGraphic::AssignTo(dest);
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
    m_data = std::move(data);
    m_image = chosen.convertToFormat(QImage::Format_ARGB32);
    Changed();
}

void TIcon::SaveToStream(QIODevice &stream)
{
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic(QStringLiteral("Cannot write the icon: %1").arg(stream.errorString()));
}

void TIcon::Draw(QPainter &canvas, const QRect &rect)
{
    if (!m_image.isNull())
        canvas.drawImage(rect, m_image);
}

TBitmap TIcon::Mask() const
{
    TBitmap mask(Width(), Height(), TPixelFormat::pf1bit);
    for (int y = 0; y < Height(); ++y) {
        auto *line = reinterpret_cast<const QRgb *>(m_image.constScanLine(y));
        uint8_t *dst = mask.ScanLine(y);
        for (int x = 0; x < Width(); ++x)
            if (qAlpha(line[x]) < 128)
                dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    return mask;
}
