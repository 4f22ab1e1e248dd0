#include "platform/PngImage.h"
#include "platform/RegularFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

std::unique_ptr<TGraphic> TPngImage::NewInstance() const
{
    return std::make_unique<TPngImage>();
}

void TPngImage::Assign(const TPersistent *source)
{
    if (auto bitmap = dynamic_cast<const TBitmap *>(source))
        SetImage({}, bitmap->ToImage()); // encoded when saved
    else
        TImageGraphic::Assign(source);
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
    SetImage(std::move(data), image);
}

QByteArray TPngImage::Encode(const QImage &image) const
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw EInvalidGraphic(QStringLiteral("Cannot write the PNG picture: %1").arg(writer.errorString()));
    return data;
}
