// Building a sub-image from another sub-image or from a picture of the
// graphics layer: indexed bitmaps keep their colour tables, deeper ones go
// through the image's colour reduction, and masks become a transparent colour.
#include "gif/GIFSubImage.h"

#include "gif/GIFBitmapAccess.h"
#include "gif/GIFColorReduction.h"
#include "gif/GIFExtensions.h"
#include "platform/Rounding.h"

#include <QBuffer>
#include <QColor>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

const QString ConvertingMessage = QStringLiteral("Converting...");
constexpr int ProgressRows = 32;

bool IsIndexed(TPixelFormat Format)
{
    return Format == TPixelFormat::pf1bit || Format == TPixelFormat::pf4bit || Format == TPixelFormat::pf8bit;
}

// A picture we are about to render must be addressable as a GIF frame before
// any pixel memory is spent on it.
void CheckRenderSize(int Width, int Height)
{
    if (Width > 0xFFFF || Height > 0xFFFF)
        RaiseGIFError(QStringLiteral("Range check error"));
    if (qint64(Width) * Height > GIFPixelBudget())
        RaiseGIFError(QStringLiteral("Image is too large"));
}

} // namespace

void RenderGraphic(TBitmap &Bitmap, TGraphic &Graphic, TColor Background)
{
    const int width = Graphic.Width(), height = Graphic.Height();
    CheckRenderSize(width, height);
    Bitmap.Assign(nullptr);
    Bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    Bitmap.SetSize(width, height);
    const QRect all(0, 0, width, height);
    Bitmap.Paint([&](QPainter &Canvas) {
        Canvas.fillRect(all, QColor(int(Background & 0xFF), int((Background >> 8) & 0xFF),
                                    int((Background >> 16) & 0xFF)));
        Graphic.Draw(Canvas, all);
    });
}

void TGIFSubImage::ConvertProgress(TProgressStage Stage, int Percent)
{
    const bool redraw = Stage == TProgressStage::Ending && FImage && FImage->PaletteModified();
    Progress(Stage, Percent, redraw, ConvertingMessage);
}

void TGIFSubImage::Assign(const TGIFSubImage *Source)
{
    if (Source == this)
        return;
    Clear();
    if (!Source)
        return;
    try {
        if (!Source->Empty()) {
            SetBounds(Source->FLeft, Source->FTop, Source->FWidth, Source->FHeight);
            FPackedFields = Source->FPackedFields;
            FTransparent = Source->FTransparent;
            if (!FData)
                AllocateData();
            std::memcpy(FData.get(), Source->FData.get(), std::min(FDataSize, Source->FDataSize));
        }
        // Colour table and extensions travel even without pixels: the trailing
        // extensions of a stream live in such a sub-image.
        FColorMap->Assign(*Source->FColorMap);
        if (Source->FExtensions->Count() > 0) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadWrite);
            Source->FExtensions->SaveToStream(buffer);
            buffer.seek(0);
            FExtensions->LoadFromStream(buffer, this);
        }
        if (Source->FBitmap) {
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->Assign(Source->FBitmap.get());
            FBitmap = std::move(bitmap);
        }
    } catch (...) {
        Clear();
        throw;
    }
}

void TGIFSubImage::Assign(const TPersistent *Source)
{
    if (!Source) {
        Clear();
        return;
    }
    if (const auto *bitmap = dynamic_cast<const TBitmap *>(Source)) {
        AssignBitmap(*bitmap);
        return;
    }
    if (const auto *graphic = dynamic_cast<const TGraphic *>(Source)) {
        AssignGraphic(*graphic);
        return;
    }
    if (const auto *picture = dynamic_cast<const TPicture *>(Source)) {
        Assign(picture->Graphic());
        return;
    }
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a TGIFSubImage").arg(Source->ClassName()));
}

void TGIFSubImage::AssignBitmap(const TBitmap &Source)
{
    Clear();
    if (Source.Empty())
        return;
    try {
        // Bounds first: a bitmap too large for a frame fails before any
        // colour reduction is spent on it.
        SetBounds(FLeft, FTop, Source.Width(), Source.Height());
        std::unique_ptr<TBitmap> work;
        const bool reduced = !IsIndexed(Source.PixelFormat());
        if (!reduced) {
            work = std::make_unique<TBitmap>();
            work->Assign(&Source);
        } else {
            const int method = FImage ? FImage->ColorReduction() : GIFImageDefaultColorReduction;
            const int dither = FImage ? FImage->DitherMode() : GIFImageDefaultDitherMode;
            const int bits = FImage ? FImage->ReductionBits() : GIFImageDefaultReductionBits;
            work = ReduceColors(Source, method, dither, bits, TPalette());
        }
        if (!FData)
            AllocateData();

        ConvertProgress(TProgressStage::Starting, 0);
        try {
            TPixelFormat format = work->PixelFormat();
            if (!IsIndexed(format))
                format = TPixelFormat::pf24bit;
            TDIBReader reader(work.get(), format);
            switch (format) {
            case TPixelFormat::pf8bit: Import8Bit(reader); break;
            case TPixelFormat::pf4bit: Import4Bit(reader); break;
            case TPixelFormat::pf1bit: Import1Bit(reader); break;
            default: Import24Bit(reader); break;
            }
            if (IsIndexed(format))
                FitColorMap(reduced);
            // The mask comes from the caller's bitmap: its transparent colour
            // is exact there, while a reduction may merge neighbours into it.
            if (Source.Transparent())
                ImportMask(Source.Mask());
        } catch (...) {
            ConvertProgress(TProgressStage::Ending, 0);
            throw;
        }
        ConvertProgress(TProgressStage::Ending, 100);
    } catch (...) {
        Clear();
        throw;
    }
    // The rendering is rebuilt from the pixels when it is asked for.
    FreeBitmap();
}

void TGIFSubImage::AssignGraphic(const TGraphic &Source)
{
    Clear();
    if (Source.Empty())
        return;
    // Drawing a picture does not change it.
    auto &graphic = const_cast<TGraphic &>(Source);
    const auto *icon = dynamic_cast<const TIcon *>(&Source);
    const auto *metafile = dynamic_cast<const TMetafile *>(&Source);
    try {
        TBitmap bitmap;
        if (icon || metafile) {
            RenderGraphic(bitmap, graphic, 0x000000);
        } else {
            try {
                bitmap.Assign(&Source);
            } catch (const Exception &) {
                RenderGraphic(bitmap, graphic, 0x000000);
            }
        }
        AssignBitmap(bitmap);
        if (icon) {
            ImportMask(icon->Mask());
        } else if (metafile) {
            // Where the renderings on white and on black differ, the metafile
            // left the background showing: that is its transparent part.
            TBitmap white;
            RenderGraphic(white, graphic, 0xFFFFFF);
            TBitmap mask(bitmap.Width(), bitmap.Height(), TPixelFormat::pf1bit);
            for (int y = 0; y < mask.Height(); ++y) {
                const uint8_t *onBlack = bitmap.ScanLine(y);
                const uint8_t *onWhite = white.ScanLine(y);
                uint8_t *out = mask.ScanLine(y);
                for (int x = 0; x < mask.Width(); ++x)
                    if (std::memcmp(onBlack + x * 3, onWhite + x * 3, 3) != 0)
                        out[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
            ImportMask(mask);
        }
    } catch (...) {
        Clear();
        throw;
    }
}

void TGIFSubImage::Import8Bit(TDIBReader &Reader)
{
    FColorMap->ImportDIBColors(*Reader.Bitmap());
    for (int y = 0; y < FHeight; ++y) {
        if (y % ProgressRows == 0)
            ConvertProgress(TProgressStage::Running, int(MulDivRoundHalfEven(y, 100, FHeight)));
        std::memcpy(FData.get() + size_t(y) * FWidth, Reader.ScanLine(y), FWidth);
    }
}

void TGIFSubImage::Import4Bit(TDIBReader &Reader)
{
    FColorMap->ImportPalette(Reader.Bitmap()->Palette());
    for (int y = 0; y < FHeight; ++y) {
        if (y % ProgressRows == 0)
            ConvertProgress(TProgressStage::Running, int(MulDivRoundHalfEven(y, 100, FHeight)));
        const uint8_t *src = Reader.ScanLine(y);
        uint8_t *dst = FData.get() + size_t(y) * FWidth;
        for (int x = 0; x < FWidth; ++x)
            dst[x] = uint8_t((x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
    }
}

void TGIFSubImage::Import1Bit(TDIBReader &Reader)
{
    FColorMap->ImportPalette(Reader.Bitmap()->Palette());
    for (int y = 0; y < FHeight; ++y) {
        if (y % ProgressRows == 0)
            ConvertProgress(TProgressStage::Running, int(MulDivRoundHalfEven(y, 100, FHeight)));
        const uint8_t *src = Reader.ScanLine(y);
        uint8_t *dst = FData.get() + size_t(y) * FWidth;
        for (int x = 0; x < FWidth; ++x)
            dst[x] = uint8_t((src[x >> 3] >> (7 - (x & 7))) & 1);
    }
}

void TGIFSubImage::Import24Bit(TDIBReader &Reader)
{
    // Recently seen colours (blue, green, red as stored) with their indexes:
    // runs of one colour skip the colour-table search.
    struct Slot
    {
        bool Used = false;
        uint8_t Bytes[3] = {};
        uint8_t Index = 0;
    };
    std::array<Slot, 8> ring;
    int last = 0;
    // The table is collected here and handed over once, so that the image
    // hears of one palette change rather than of one per colour.
    std::vector<TPaletteEntry> table;
    table.reserve(256);
    auto addUnique = [&table](const uint8_t *Bgr) {
        const TPaletteEntry entry{Bgr[2], Bgr[1], Bgr[0], 0};
        for (size_t i = 0; i < table.size(); ++i)
            if (table[i] == entry)
                return int(i);
        if (table.size() >= 256)
            RaiseGIFError(QStringLiteral("Color table overflow"));
        table.push_back(entry);
        return int(table.size()) - 1;
    };
    for (int y = 0; y < FHeight; ++y) {
        if (y % ProgressRows == 0)
            ConvertProgress(TProgressStage::Running, int(MulDivRoundHalfEven(y, 100, FHeight)));
        const uint8_t *src = Reader.ScanLine(y);
        uint8_t *dst = FData.get() + size_t(y) * FWidth;
        for (int x = 0; x < FWidth; ++x, src += 3) {
            int at = last;
            bool hit = false;
            do {
                const Slot &slot = ring[size_t(at)];
                if (!slot.Used)
                    break;
                if (std::memcmp(slot.Bytes, src, 3) == 0) {
                    hit = true;
                    break;
                }
                at = (at + 7) % 8;
            } while (at != last);
            if (hit) {
                last = at;
                dst[x] = ring[size_t(at)].Index;
                continue;
            }
            const int index = addUnique(src);
            last = (last + 1) % 8;
            Slot &slot = ring[size_t(last)];
            slot.Used = true;
            std::memcpy(slot.Bytes, src, 3);
            slot.Index = uint8_t(index);
            dst[x] = uint8_t(index);
        }
    }
    FColorMap->ImportPalette(TPalette(std::move(table)));
}

void TGIFSubImage::FitColorMap(bool Trim)
{
    if (!FData)
        return;
    const int used = *std::max_element(FData.get(), FData.get() + FDataSize) + 1;
    // A bitmap shows pixels beyond its colour table as black; the GIF table
    // must reach every index the pixels use.
    while (FColorMap->Count() < used)
        FColorMap->Add(0x000000);
    // A reduced bitmap's table is padded to 256 entries: the padding would
    // leave no room for a transparent colour.
    if (Trim && FColorMap->Count() > used) {
        TPalette palette = FColorMap->ExportPalette();
        palette.Resize(used);
        FColorMap->ImportPalette(palette);
    }
}

void TGIFSubImage::ImportMask(const TBitmap &MaskBitmap)
{
    if (FColorMap->Count() == 0 || FColorMap->Count() >= 256 || !FData)
        return;
    // The reader converts its bitmap, so it reads a copy.
    TBitmap mask;
    mask.Assign(&MaskBitmap);
    TDIBReader reader(&mask, TPixelFormat::pf8bit);
    const int index = FColorMap->Add(0x000000);
    const int rows = std::min<int>(FHeight, mask.Height());
    const int columns = std::min<int>(FWidth, mask.Width());
    bool any = false;
    for (int y = 0; y < rows; ++y) {
        const uint8_t *src = reader.ScanLine(y);
        uint8_t *dst = FData.get() + size_t(y) * FWidth;
        for (int x = 0; x < columns; ++x)
            if (src[x] != 0) {
                dst[x] = uint8_t(index);
                any = true;
            }
    }
    if (!any) {
        FColorMap->Delete(index);
        return;
    }
    // A second graphic control would not decide the transparency: the one
    // that does takes the new index.
    TGIFGraphicControlExtension *control = FGraphicControlExtension;
    if (!control) {
        auto created = std::make_unique<TGIFGraphicControlExtension>(this);
        control = created.get();
        FExtensions->Add(created.release());
    }
    control->SetTransparentColorIndex(uint8_t(index));
    control->SetTransparent(true);
    FreeBitmap();
}
