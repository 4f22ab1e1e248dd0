// A whole GIF file under a small pixel budget: load, render every frame with
// its mask (plain and dithered), the whole screen, save, load again.
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SetGIFPixelBudget(1 << 20);
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TGIFImage image;
    image.SetOnWarning([](const void *, TGIFSeverity, const QString &) {});
    try {
        image.LoadFromStream(buffer);
    } catch (const GIFException &) {
    }
    for (bool dither : {false, true}) {
        SetGIFAutoDitherActive(dither);
        for (int i = 0; i < image.Images()->Count(); ++i) {
            TGIFSubImage *sub = image.Images()->SubImages(i);
            sub->FreeBitmap();
            sub->SetPalette(TPalette());
            try {
                sub->GetBitmap();
                sub->HasMask();
            } catch (const GIFException &) {
                // A frame without any colour table has no palette to offer.
            }
        }
    }
    SetGIFAutoDitherActive(false);
    try {
        image.GetBitmap();
    } catch (const GIFException &) {
        // A logical screen beyond the budget.
    }
    QByteArray out;
    QBuffer target(&out);
    target.open(QIODevice::WriteOnly);
    try {
        image.SaveToStream(target);
    } catch (const GIFException &) {
        return 0;
    }
    target.close();
    target.open(QIODevice::ReadOnly);
    TGIFImage again;
    again.SetOnWarning([](const void *, TGIFSeverity, const QString &) {});
    try {
        again.LoadFromStream(target);
    } catch (const GIFException &) {
    }
    return 0;
}
