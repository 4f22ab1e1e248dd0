// A whole GIF stream: header, extensions, images and trailer; what loads is
// written again with both encoders.
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TGIFImage image;
    image.SetOnWarning([](const void *, TGIFSeverity, const QString &) {});
    try {
        image.LoadFromStream(buffer);
    } catch (const GIFException &) {
    }
    // Writing is linear in the pixels; keep each run short.
    qint64 pixels = 0;
    for (int i = 0; i < image.Images()->Count(); ++i)
        pixels += qint64(image.Images()->SubImages(i)->DataSize());
    if (pixels > 4'000'000)
        return 0;
    for (uint8_t compression : {uint8_t(0), uint8_t(1)}) {
        image.SetCompression(compression);
        QByteArray out;
        QBuffer target(&out);
        target.open(QIODevice::WriteOnly);
        try {
            image.SaveToStream(target);
        } catch (const GIFException &) {
        }
    }
    return 0;
}
