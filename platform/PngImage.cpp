#include "platform/PngImage.h"
#include "platform/RegularFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

std::unique_ptr<TGraphic> TPngImage::NewInstance() const
{
    return std::make_unique<TPngImage>();
}

void TPngImage::Assign(const TPersistent *source)
{
    if (source == this)
        return;
    if (auto png = dynamic_cast<const TPngImage *>(source)) {
        m_data = png->m_data;
        m_image = png->m_image;
        Changed();
        return;
    }
    if (auto bitmap = dynamic_cast<const TBitmap *>(source)) {
        m_data.clear(); // encoded when saved
        m_image = bitmap->ToImage().convertToFormat(QImage::Format_ARGB32);
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

void TPngImage::AssignTo(TPersistent *dest) const
{
    if (auto bitmap = dynamic_cast<TBitmap *>(dest)) {
        bitmap->FromImage(m_image);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TPngImage::LoadFromStream(QIODevice &stream)
{
    QByteArray data = stream.read(kMaxPictureBytes + 1);
    if (data.size() > kMaxPictureBytes)
        throw EInvalidGraphic(QStringLiteral("The PNG picture is too large."));
    if (!data.startsWith("\x89PNG\r\n\x1a\n"))
        throw EInvalidGraphic(QStringLiteral("It is not a PNG picture"));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoTransform(false);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw EInvalidGraphic(QStringLiteral("The PNG picture is damaged (%1)").arg(reader.errorString()));
    m_data = std::move(data);
    m_image = image.convertToFormat(QImage::Format_ARGB32);
    Changed();
}

void TPngImage::SaveToStream(QIODevice &stream)
{
    if (m_data.isEmpty() && !m_image.isNull()) {
        QBuffer buffer(&m_data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(m_image)) {
            m_data.clear();
            throw EInvalidGraphic(
                QStringLiteral("Cannot write the PNG picture: %1").arg(writer.errorString()));
        }
    }
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic(QStringLiteral("Cannot write the PNG picture: %1").arg(stream.errorString()));
}

void TPngImage::Draw(QPainter &canvas, const QRect &rect)
{
    if (!m_image.isNull())
        canvas.drawImage(rect, m_image);
}
