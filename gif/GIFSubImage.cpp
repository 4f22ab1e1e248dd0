#include "gif/GIFSubImage.h"

#include "gif/GIFColorLookup.h"
#include "gif/GIFDitherers.h"
#include "gif/GIFExtensions.h"
#include "platform/Rounding.h"

#include <QIODevice>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {
std::atomic<qint64> PixelBudget{MaxGIFPixels};
}

qint64 GIFPixelBudget()
{
    return PixelBudget.load(std::memory_order_relaxed);
}

void SetGIFPixelBudget(qint64 Pixels)
{
    PixelBudget.store(std::clamp<qint64>(Pixels, 1, MaxGIFPixels), std::memory_order_relaxed);
}

TGIFSubImage::TGIFSubImage(TGIFImage *GIFImage)
    : TGIFItem(GIFImage), FColorMap(std::make_unique<TGIFLocalColorMap>(this)),
      FExtensions(std::make_unique<TGIFExtensionList>(GIFImage))
{}

TGIFSubImage::~TGIFSubImage()
{
    if (FImage)
        FImage->Images()->Remove(this);
    // Extensions unlink themselves from this sub-image while they are freed.
    FExtensions->Clear();
    FGraphicControlExtension = nullptr;
    FreeData();
}

void TGIFSubImage::Clear()
{
    FExtensions->Clear();
    FColorMap->Clear();
    FreeData();
    SetBounds(FLeft, FTop, 0, 0);
    FTransparent = false;
    FGraphicControlExtension = nullptr;
    FreeBitmap();
    FPalette = TPalette();
}

bool TGIFSubImage::Empty() const
{
    return !FData || FDataSize == 0 || FWidth == 0 || FHeight == 0;
}

TGIFVersion TGIFSubImage::GetVersion() const
{
    if (FColorMap->Sorted() || FExtensions->Count() > 0)
        return GIFVersion89a;
    return TGIFItem::GetVersion();
}

TGIFColorMap *TGIFSubImage::ActiveColorMap() const
{
    if (FColorMap->Count() > 0)
        return FColorMap.get();
    if (FImage && FImage->Header()->ColorMap()->Count() > 0)
        return FImage->Header()->ColorMap();
    return FColorMap.get();
}

int TGIFSubImage::BoundsItem(int Index) const
{
    switch (Index) {
    case 1: return FLeft;
    case 2: return FTop;
    case 3: return FWidth;
    case 4: return FHeight;
    default: return 0;
    }
}

void TGIFSubImage::SetBoundsItem(int Index, int Value)
{
    int l = FLeft, t = FTop, w = FWidth, h = FHeight;
    switch (Index) {
    case 1: l = Value; break;
    case 2: t = Value; break;
    case 3: w = Value; break;
    case 4: h = Value; break;
    default: return;
    }
    SetBounds(l, t, w, h);
}

void TGIFSubImage::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    for (int v : {ALeft, ATop, AWidth, AHeight})
        if (v < 0 || v > 0xFFFF)
            RaiseGIFError(QStringLiteral("Range check error"));
    // The logical screen is 16 bits too: a frame reaching beyond it cannot be
    // placed, and wrapping would put it somewhere else.
    if (ALeft + AWidth > 0xFFFF || ATop + AHeight > 0xFFFF)
        RaiseGIFError(QStringLiteral("Range check error"));
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = uint16_t(ALeft);
    FTop = uint16_t(ATop);
    FWidth = uint16_t(AWidth);
    FHeight = uint16_t(AHeight);
    if (resized) {
        FreeBitmap();
        AllocateData();
    }
    if (!FImage)
        return;
    TGIFHeader *header = FImage->Header();
    bool warned = false;
    if (ALeft + AWidth > header->ScreenWidth()) {
        if (header->ScreenWidth() > 0) {
            Warning(gsWarning, QStringLiteral("Image width too small for contained frames"));
            warned = true;
        }
        header->SetScreenWidth(uint16_t(ALeft + AWidth));
    }
    if (ATop + AHeight > header->ScreenHeight()) {
        if (header->ScreenHeight() > 0) {
            Warning(gsWarning, QStringLiteral("Image height too small for contained frames"));
            warned = true;
        }
        header->SetScreenHeight(uint16_t(ATop + AHeight));
    }
    if (warned)
        Warning(gsWarning, QStringLiteral("Image exceeds Logical Screen size"));
}

void TGIFSubImage::AllocateData()
{
    FreeData();
    const qint64 size = qint64(FWidth) * FHeight;
    if (size == 0)
        return;
    const qint64 budget = GIFPixelBudget();
    if (size > budget || (FImage && FImage->AllocatedPixels() + size > budget))
        RaiseGIFError(QStringLiteral("Image is too large"));
    FData.reset(new uint8_t[size_t(size)]());
    FDataSize = size_t(size);
    if (FImage)
        FImage->AddAllocatedPixels(size);
}

void TGIFSubImage::FreeData()
{
    if (FImage && FData)
        FImage->AddAllocatedPixels(-qint64(FDataSize));
    FData.reset();
    FDataSize = 0;
}

uint8_t *TGIFSubImage::Scanline(int Row)
{
    if (Row < 0 || Row >= FHeight)
        RaiseGIFError(QStringLiteral("Invalid pixel coordinates"));
    if (!FData)
        AllocateData();
    if (!FData)
        RaiseGIFError(QStringLiteral("Image is empty"));
    return FData.get() + size_t(Row) * FWidth;
}

namespace {

// Whether a frame's raster (code size, sub-blocks, terminator) starts Offset bytes
// on and a block, the trailer or the end follows it. The stream stays where it is.
bool RasterFollows(QIODevice &Stream, qint64 Offset)
{
    const qint64 start = Stream.pos();
    bool fits = false;
    uint8_t codeSize = 0, size = 0, next = 0;
    if (Stream.seek(start + Offset) && ReadByteChecked(Stream, codeSize) && codeSize <= 12) {
        bool ended = false;
        while (ReadByteChecked(Stream, size)) {
            if (size == 0) {
                ended = true;
                break;
            }
            if (Stream.skip(size) < size)
                break;
        }
        fits =
            ended
            && (!ReadByteChecked(Stream, next) || next == 0x21 || next == 0x2C || next == 0x3B || next == 0);
    }
    Stream.seek(start);
    return fits;
}

// Whether the stream ends or a block or the trailer starts where it stands.
bool BlockFollows(QIODevice &Stream)
{
    uint8_t next = 0;
    if (!ReadByteChecked(Stream, next))
        return true;
    StepBack(Stream);
    return next == 0x21 || next == 0x2C || next == 0x3B;
}

} // namespace

void TGIFSubImage::LoadFromStream(QIODevice &Stream)
{
    Clear();
    FExtensions->LoadFromStream(Stream, this);
    uint8_t next;
    if (!ReadByteChecked(Stream, next))
        return;
    StepBack(Stream);
    // Only an image separator starts a descriptor; anything else (the trailer,
    // a stray byte after a bad introducer) is left to the block loop.
    if (next != 0x2C)
        return;
    uint8_t descriptor[10];
    ReadExact(Stream, descriptor, 10);
    auto word = [&](int at) { return int(descriptor[at] | (descriptor[at + 1] << 8)); };
    FPackedFields = descriptor[9];
    // A frame without width or height has no pixels: its data is skipped and it draws nothing.
    const int width = word(5), height = word(7);
    if (width == 0 || height == 0)
        SetBounds(0, 0, 0, 0); // nor does it place anything on the screen
    else
        SetBounds(word(1), word(3), width, height);
    if (FPackedFields & 0x80) {
        const int colours = 2 << (FPackedFields & 7);
        // Some writers declare a colour table for a frame without pixels and leave it
        // out, and the raster too: such a frame needs neither.
        if ((width == 0 || height == 0) && !RasterFollows(Stream, colours * 3)) {
            FPackedFields &= 0x78;
            if (!RasterFollows(Stream, 0) && BlockFollows(Stream))
                return;
        } else {
            FColorMap->LoadFromStream(Stream, colours);
        }
    }
    DecodePixels(*this, Stream);
}

void TGIFSubImage::PrepareDescriptor()
{
    if (FColorMap->Count() > 0) {
        FPackedFields = uint8_t(0x80 | (FColorMap->Sorted() ? 0x20 : 0) | (ColorResolution() & 7));
    } else {
        FPackedFields &= 0x58;
    }
}

void TGIFSubImage::SaveToStream(QIODevice &Stream)
{
    FExtensions->SaveToStream(Stream);
    if (Empty())
        return;
    PrepareDescriptor();
    // clang-format off
    const uint8_t descriptor[10] = {0x2C,
                                    uint8_t(FLeft & 0xFF), uint8_t(FLeft >> 8),
                                    uint8_t(FTop & 0xFF), uint8_t(FTop >> 8),
                                    uint8_t(FWidth & 0xFF), uint8_t(FWidth >> 8),
                                    uint8_t(FHeight & 0xFF), uint8_t(FHeight >> 8),
                                    FPackedFields};
    // clang-format on
    WriteExact(Stream, descriptor, 10);
    FColorMap->SaveToStream(Stream);
    EncodeSubImage(*this, Stream);
}

// ---------------------------------------------------------------- rendering

void TGIFSubImage::FreeBitmap()
{
    FBitmap.reset();
    FreeMask();
}

void TGIFSubImage::FreeMask()
{
    FMask.reset();
    FNeedMask = true;
}

void TGIFSubImage::PaletteChanged()
{
    FPalette = TPalette();
    FreeBitmap();
    if (FImage)
        FImage->Changed(this);
}

TPalette TGIFSubImage::GetPalette() const
{
    if (FBitmap && !FBitmap->Palette().Entries().empty())
        return FBitmap->Palette();
    if (!FPalette.Entries().empty())
        return FPalette;
    if (FImage && FImage->DoDither())
        FPalette = CreateWebSafePalette();
    else if (FColorMap->Count() == 0)
        return FImage ? FImage->Palette() : TPalette();
    else
        FPalette = FColorMap->ExportPalette();
    return FPalette;
}

void TGIFSubImage::SetPalette(const TPalette &Value)
{
    if (Value == FPalette)
        return;
    FPalette = Value;
    if (FBitmap && !(FBitmap->Palette() == Value)) {
        FreeBitmap();
        if (FImage) {
            FImage->SetPaletteModified(true);
            FImage->Changed(this);
        }
    }
}

void TGIFSubImage::AssignTo(TBitmap &Dest)
{
    Dest.Assign(GetBitmap());
}

void TGIFSubImage::Progress(TProgressStage Stage, int PercentDone, bool RedrawNow, const QString &Message)
{
    if (FImage)
        FImage->Progress(FImage, Stage, PercentDone, RedrawNow, QRect(), Message);
}

TBitmap *TGIFSubImage::GetBitmap()
{
    if (FBitmap)
        return FBitmap.get();
    if (Empty())
        return nullptr;
    const QString message = QStringLiteral("Rendering...");
    Progress(TProgressStage::Starting, 0, false, message);
    const bool modified = FImage && FImage->PaletteModified();
    try {
        if (FImage && FImage->DoDither())
            CreateDitheredBitmap();
        else
            CreateFastBitmap();
    } catch (...) {
        Progress(TProgressStage::Ending, 0, modified, message);
        throw;
    }
    Progress(TProgressStage::Ending, 100, modified, message);
    if (FImage && FImage->PaletteModified())
        FImage->Changed(this);
    return FBitmap.get();
}

void TGIFSubImage::RowProgress(int Row)
{
    if (Row % 32 == 0)
        Progress(TProgressStage::Running, int(MulDivRoundHalfEven(Row, 100, FHeight)), false,
                 QStringLiteral("Rendering..."));
}

bool TGIFSubImage::WantMask()
{
    if (!(FNeedMask && FTransparent))
        return false;
    FNeedMask = false;
    return !FMask && FGraphicControlExtension;
}

void TGIFSubImage::BuildMask()
{
    const uint8_t transparent = FGraphicControlExtension->TransparentColorIndex();
    auto mask = std::make_unique<TBitmap>(FWidth, FHeight, TPixelFormat::pf1bit);
    std::vector<TRGBQuad> bw(2);
    bw[1].Red = bw[1].Green = bw[1].Blue = 0xFF;
    mask->SetColorTable(std::move(bw));
    bool any = false;
    for (int y = 0; y < FHeight; ++y) {
        uint8_t *row = mask->ScanLine(y);
        std::memset(row, 0, size_t((FWidth + 7) / 8));
        const uint8_t *src = FData.get() + size_t(y) * FWidth;
        for (int x = 0; x < FWidth; ++x)
            if (src[x] == transparent) {
                row[x >> 3] |= uint8_t(0x80 >> (x & 7));
                any = true;
            }
    }
    if (any)
        FMask = std::move(mask);
}

void TGIFSubImage::CreateFastBitmap()
{
    auto bitmap = std::make_unique<TBitmap>(FWidth, FHeight, TPixelFormat::pf8bit);
    // Rendering never fails for a frame without colour tables: it shows black.
    TPalette palette;
    if (ActiveColorMap()->Count() > 0)
        palette = GetPalette();
    std::vector<TRGBQuad> table(256);
    const int entries = std::min<int>(256, int(palette.Entries().size()));
    for (int i = 0; i < entries; ++i) {
        const TPaletteEntry &e = palette.Entry(i);
        table[size_t(i)].Red = e.Red;
        table[size_t(i)].Green = e.Green;
        table[size_t(i)].Blue = e.Blue;
    }
    bitmap->SetColorTable(std::move(table));
    for (int y = 0; y < FHeight; ++y) {
        RowProgress(y);
        std::memcpy(bitmap->ScanLine(y), FData.get() + size_t(y) * FWidth, FWidth);
    }
    if (WantMask())
        BuildMask();
    FBitmap = std::move(bitmap);
}

void TGIFSubImage::CreateDitheredBitmap()
{
    const TPalette webPalette = CreateWebSafePalette();
    auto bitmap = std::make_unique<TBitmap>(FWidth, FHeight, TPixelFormat::pf8bit);
    std::vector<TRGBQuad> table(256);
    for (int i = 0; i < int(webPalette.Entries().size()); ++i) {
        table[size_t(i)].Red = webPalette.Entry(i).Red;
        table[size_t(i)].Green = webPalette.Entry(i).Green;
        table[size_t(i)].Blue = webPalette.Entry(i).Blue;
    }
    bitmap->SetColorTable(std::move(table));

    // The true colour of every index, looked up once; an index beyond the table
    // takes entry 0 and is reported once for the whole rendering.
    TGIFColorMap *map = ActiveColorMap();
    std::array<TColorTriple, 256> colours{};
    if (map->Count() > 0)
        for (int i = 0; i < 256; ++i)
            colours[size_t(i)] = map->Triple(i < map->Count() ? i : 0);
    bool badIndex = false;

    const bool masking = WantMask();
    if (masking)
        BuildMask();
    const TBitmap *mask = masking ? FMask.get() : nullptr;
    uint8_t fill = 0;
    if (mask) {
        // Transparent pixels keep the cube colour nearest the transparent entry.
        const TColorTriple t = colours[FGraphicControlExtension->TransparentColorIndex()];
        auto level = [](int c) { return (c + 25) / 51; };
        fill = uint8_t(level(t.Red) * 36 + level(t.Green) * 6 + level(t.Blue));
    }

    TNetscapeColorLookup lookup(webPalette);
    auto ditherer = CreateDitherer(1, FWidth, &lookup);
    for (int y = 0; y < FHeight; ++y) {
        RowProgress(y);
        const uint8_t *src = FData.get() + size_t(y) * FWidth;
        uint8_t *dst = bitmap->ScanLine(y);
        const uint8_t *maskRow = mask ? mask->ScanLine(y) : nullptr;
        if (maskRow)
            std::memset(dst, fill, size_t(FWidth));
        while (ditherer->Column() >= 0 && ditherer->Column() < FWidth) {
            const int x = ditherer->Column();
            if (maskRow && (maskRow[x >> 3] & (0x80 >> (x & 7)))) {
                ditherer->Skip();
                continue;
            }
            if (src[x] >= map->Count())
                badIndex = true;
            const TColorTriple c = colours[src[x]];
            uint8_t r, g, b;
            dst[x] = ditherer->Dither(c.Red, c.Green, c.Blue, r, g, b);
        }
        ditherer->NextLine();
    }
    if (badIndex)
        Warning(gsWarning, QStringLiteral("Invalid color index"));
    FBitmap = std::move(bitmap);
}

bool TGIFSubImage::HasMask()
{
    if (FNeedMask && FTransparent) {
        FBitmap.reset();
        GetBitmap();
    }
    return FMask != nullptr;
}

QImage TGIFSubImage::RenderImage(bool DoTransparent)
{
    TBitmap *bitmap = GetBitmap();
    if (!bitmap)
        return QImage();
    QImage image = bitmap->ToImage().convertToFormat(QImage::Format_ARGB32);
    if (DoTransparent && FTransparent && HasMask()) {
        for (int y = 0; y < FHeight; ++y) {
            const uint8_t *maskRow = FMask->ScanLine(y);
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < FWidth; ++x)
                if (maskRow[x >> 3] & (0x80 >> (x & 7)))
                    row[x] = 0;
        }
    }
    return image;
}

QRect TGIFSubImage::ScaleRect(const QRect &Rect) const
{
    // A zero screen would divide by nothing: keep the rectangle's own origin.
    const int sw = std::max(1, FImage ? FImage->Width() : 1);
    const int sh = std::max(1, FImage ? FImage->Height() : 1);
    const int rw = Rect.width(), rh = Rect.height();
    const int l = Rect.left() + int(MulDivRoundHalfEven(FLeft, rw, sw));
    const int t = Rect.top() + int(MulDivRoundHalfEven(FTop, rh, sh));
    const int r = Rect.left() + int(MulDivRoundHalfEven(FLeft + FWidth, rw, sw));
    const int b = Rect.top() + int(MulDivRoundHalfEven(FTop + FHeight, rh, sh));
    return QRect(QPoint(l, t), QSize(r - l, b - t));
}

void TGIFSubImage::Draw(QPainter &Canvas, const QRect &Rect, bool DoTransparent, bool DoTile)
{
    StretchDraw(Canvas, DoTile ? Rect : ScaleRect(Rect), DoTransparent, DoTile);
}

void TGIFSubImage::StretchDraw(QPainter &Canvas, const QRect &Rect, bool DoTransparent, bool DoTile)
{
    const QImage image = RenderImage(DoTransparent);
    if (image.isNull())
        return;
    if (!DoTile) {
        Canvas.drawImage(Rect, image);
        return;
    }
    // Tiles step by the logical screen, at least one pixel.
    const int stepX = std::max(1, FImage ? FImage->Width() : int(FWidth));
    const int stepY = std::max(1, FImage ? FImage->Height() : int(FHeight));
    Canvas.save();
    Canvas.setClipRect(Rect, Qt::IntersectClip);
    for (int y = Rect.top() + FTop; y <= Rect.bottom(); y += stepY)
        for (int x = Rect.left() + FLeft; x <= Rect.right(); x += stepX)
            Canvas.drawImage(QPoint(x, y), image);
    Canvas.restore();
}
