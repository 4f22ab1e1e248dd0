// The LZW decoder on raw raster data. The first three bytes choose the image:
// width and height (1..64) and flags (bit 0 interlaced, bit 1 transparent with
// index from bits 2-7); the rest starts at the code-size byte.
#include "gif/GIFExtensions.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    TGIFImage image;
    auto *sub = new TGIFSubImage(&image);
    image.Images()->Add(sub);
    sub->SetBounds(0, 0, 1 + data[0] % 64, 1 + data[1] % 64);
    sub->SetInterlaced(data[2] & 1);
    if (data[2] & 2) {
        auto *gce = new TGIFGraphicControlExtension(sub);
        sub->Extensions()->Add(gce);
        gce->SetTransparent(true);
        gce->SetTransparentColorIndex(uint8_t(data[2] >> 2));
    }
    QByteArray bytes(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        DecodePixels(*sub, buffer);
    } catch (const GIFException &) {
    }
    return 0;
}
