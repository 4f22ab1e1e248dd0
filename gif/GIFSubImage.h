#pragma once

// One image of a GIF stream: descriptor, local colour table, extensions and
// pixels (one colour index per byte, row after row), its rendering to a bitmap
// with a transparency mask, and drawing.

#include "gif/GIFImage.h"

#include <QRect>

class QPainter;

class TGIFGraphicControlExtension;
class TDIBReader;

class TGIFSubImage : public TGIFItem
{
public:
    explicit TGIFSubImage(TGIFImage *GIFImage);
    ~TGIFSubImage() override;

    void Clear();
    bool Empty() const;
    TGIFVersion GetVersion() const override;
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;

    int BoundsItem(int Index) const;
    void SetBoundsItem(int Index, int Value);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Interlaced() const { return (FPackedFields & 0x40) != 0; }
    void SetInterlaced(bool Value)
    {
        FPackedFields = uint8_t(Value ? FPackedFields | 0x40 : FPackedFields & ~0x40);
    }
    uint8_t PackedFields() const { return FPackedFields; }
    int BitsPerPixel() const { return FColorMap->BitsPerPixel(); }
    int ColorResolution() const { return BitsPerPixel() - 1; }

    uint8_t *Data() { return FData.get(); }
    const uint8_t *Data() const { return FData.get(); }
    size_t DataSize() const { return FDataSize; }
    // Frees the pixels and allocates Width times Height bytes, all 0.
    void AllocateData();
    void FreeData();
    uint8_t *Scanline(int Row);

    TGIFLocalColorMap *ColorMap() const { return FColorMap.get(); }
    TGIFColorMap *ActiveColorMap() const;
    TGIFExtensionList *Extensions() const { return FExtensions.get(); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }
    TGIFGraphicControlExtension *GraphicControlExtension() const { return FGraphicControlExtension; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension *Value) { FGraphicControlExtension = Value; }

    // Drop the cached rendering (and the mask built with it).
    void FreeBitmap();
    void FreeMask();
    void PaletteChanged();
    bool HasBitmap() const { return FBitmap != nullptr; }
    // The rendering as an 8-bit bitmap with the active colour table; none when
    // the sub-image is empty. Owned by the sub-image.
    TBitmap *GetBitmap();
    // True when a transparency mask exists (building it when still needed).
    bool HasMask();
    // 1-bit mask, index 1 where the pixel is transparent; none without one.
    TBitmap *Mask() const { return FMask.get(); }
    // The display palette: the rendering's, a stored one, the web palette when
    // the image dithers, else the colour table (the image's when there is none).
    TPalette GetPalette() const;
    void SetPalette(const TPalette &Value);
    void AssignTo(TBitmap &Dest);
    // Where the sub-image lands when the whole logical screen is stretched onto Rect.
    QRect ScaleRect(const QRect &Rect) const;
    void Draw(QPainter &Canvas, const QRect &Rect, bool DoTransparent, bool DoTile);
    void StretchDraw(QPainter &Canvas, const QRect &Rect, bool DoTransparent, bool DoTile);
    // The rendering with transparent pixels as alpha 0 (when DoTransparent and a
    // mask exists); a null image when empty.
    QImage RenderImage(bool DoTransparent);

    // Building from other pictures (GIFSubImageImport.cpp). Another sub-image
    // is copied; a bitmap, icon, metafile, other picture or picture holder is
    // converted, deeper bitmaps through the image's colour reduction. Sources
    // that cannot be converted throw EConvertError.
    void Assign(const TGIFSubImage *Source);
    void Assign(const TPersistent *Source);
    void Assign(std::nullptr_t) { Clear(); }
    // Makes every pixel whose mask byte (read at 8 bits) is not 0 transparent,
    // through a new black colour entry and graphic control extension. Nothing
    // when the colour table is empty or full.
    void ImportMask(const TBitmap &MaskBitmap);

private:
    void AssignBitmap(const TBitmap &Source);
    void AssignGraphic(const TGraphic &Source);
    void Import8Bit(TDIBReader &Reader);
    void Import4Bit(TDIBReader &Reader);
    void Import1Bit(TDIBReader &Reader);
    void Import24Bit(TDIBReader &Reader);
    // Pads the table up to the highest index used; Trim also cuts it there.
    void FitColorMap(bool Trim);
    void ConvertProgress(TProgressStage Stage, int Percent);
    void PrepareDescriptor();
    void Progress(TProgressStage Stage, int PercentDone, bool RedrawNow, const QString &Message);
    void RowProgress(int Row);
    bool WantMask();
    void BuildMask();
    void CreateFastBitmap();
    void CreateDitheredBitmap();

    std::unique_ptr<TBitmap> FBitmap;
    std::unique_ptr<TBitmap> FMask;
    bool FNeedMask = true;
    mutable TPalette FPalette;
    std::unique_ptr<uint8_t[]> FData;
    size_t FDataSize = 0;
    std::unique_ptr<TGIFLocalColorMap> FColorMap;
    std::unique_ptr<TGIFExtensionList> FExtensions;
    uint16_t FLeft = 0;
    uint16_t FTop = 0;
    uint16_t FWidth = 0;
    uint16_t FHeight = 0;
    uint8_t FPackedFields = 0;
    bool FTransparent = false;
    TGIFGraphicControlExtension *FGraphicControlExtension = nullptr;
};

// Pixel buffers above this many pixels are refused: a few header bytes must not
// make us allocate gigabytes. 64 Mpixel rendered at 32 bits is Qt's own default
// image allocation limit of 256 MB. The budget holds per frame and for all
// frames of one picture; fuzzing lowers it.
constexpr qint64 MaxGIFPixels = qint64(1) << 26;
qint64 GIFPixelBudget();
void SetGIFPixelBudget(qint64 Pixels);

// Gives Bitmap the graphic's size at 24 bits, fills it with Background and
// draws the graphic at (0, 0).
void RenderGraphic(TBitmap &Bitmap, TGraphic &Graphic, TColor Background);

// The raster codec of one sub-image.
void DecodePixels(TGIFSubImage &SubImage, QIODevice &Stream);
void EncodeSubImage(TGIFSubImage &SubImage, QIODevice &Stream);
