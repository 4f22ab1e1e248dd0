#include "gif/GIFSubImage.h"

#include "gif/GIFExtensions.h"

#include <QIODevice>

#include <cstring>

TGIFSubImage::TGIFSubImage(TGIFImage *GIFImage)
    : TGIFItem(GIFImage), FColorMap(std::make_unique<TGIFLocalColorMap>(this)),
      FExtensions(std::make_unique<TGIFExtensionList>(GIFImage))
{
}

TGIFSubImage::~TGIFSubImage()
{
    if (FImage)
        FImage->Images()->Remove(this);
    // Extensions unlink themselves from this sub-image while they are freed.
    FExtensions->Clear();
    FGraphicControlExtension = nullptr;
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
        header->SetScreenWidth(uint16_t(std::min(ALeft + AWidth, 0xFFFF)));
    }
    if (ATop + AHeight > header->ScreenHeight()) {
        if (header->ScreenHeight() > 0) {
            Warning(gsWarning, QStringLiteral("Image height too small for contained frames"));
            warned = true;
        }
        header->SetScreenHeight(uint16_t(std::min(ATop + AHeight, 0xFFFF)));
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
    if (size > MaxGIFPixels)
        RaiseGIFError(QStringLiteral("Image is too large"));
    FData.reset(new uint8_t[size_t(size)]());
    FDataSize = size_t(size);
}

void TGIFSubImage::FreeData()
{
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

void TGIFSubImage::LoadFromStream(QIODevice &Stream)
{
    Clear();
    FExtensions->LoadFromStream(Stream, this);
    uint8_t next;
    if (!ReadByteChecked(Stream, next))
        return;
    StepBack(Stream);
    if (next == 0x3B || next == 0)
        return;
    uint8_t descriptor[10];
    ReadExact(Stream, descriptor, 10);
    auto word = [&](int at) { return int(descriptor[at] | (descriptor[at + 1] << 8)); };
    FPackedFields = descriptor[9];
    int width = word(5), height = word(7);
    if (width == 0 || height == 0) {
        width = FImage ? FImage->Width() : 0;
        height = FImage ? FImage->Height() : 0;
        Warning(gsWarning, QStringLiteral("Image exceeds Logical Screen size"));
    }
    SetBounds(word(1), word(3), width, height);
    if (FPackedFields & 0x80)
        FColorMap->LoadFromStream(Stream, 2 << (FPackedFields & 7));
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
    const uint8_t descriptor[10] = {0x2C,
                                    uint8_t(FLeft & 0xFF), uint8_t(FLeft >> 8),
                                    uint8_t(FTop & 0xFF), uint8_t(FTop >> 8),
                                    uint8_t(FWidth & 0xFF), uint8_t(FWidth >> 8),
                                    uint8_t(FHeight & 0xFF), uint8_t(FHeight >> 8),
                                    FPackedFields};
    WriteExact(Stream, descriptor, 10);
    FColorMap->SaveToStream(Stream);
    EncodeSubImage(*this, Stream);
}
