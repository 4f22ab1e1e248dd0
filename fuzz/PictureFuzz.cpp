// Reads arbitrary bytes as a bitmap and as an icon, then converts and reduces
// what loaded, the way a dropped return-address picture travels.
#include "gif/GIFColorReduction.h"
#include "gif/GIFImage.h"
#include "platform/Graphics.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TBitmap bitmap;
    try {
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        bitmap.LoadFromStream(device);
    } catch (const EInvalidGraphic &) {
    }
    if (!bitmap.Empty() && int64_t(bitmap.Width()) * bitmap.Height() <= 1 << 20) {
        bitmap.SetPixelFormat(TPixelFormat::pf4bit);
        auto reduced = ReduceColors(bitmap, rmQuantize, 1, 4, TPalette());
        (void)reduced->ToImage();
    }
    TIcon icon;
    try {
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        icon.LoadFromStream(device);
        (void)icon.Mask();
    } catch (const EInvalidGraphic &) {
    }
    return 0;
}
