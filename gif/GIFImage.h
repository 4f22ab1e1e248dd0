#pragma once

// The GIF image library: the items of a GIF stream (header, colour tables,
// sub-images, extensions), the shared stream routines and the warning path.

#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Threads.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QIODevice;

class TGIFImage;
class TGIFSubImage;
class TGIFHeader;
class TGIFImageList;
class TGIFExtension;
class TGIFExtensionList;

// A colour as the rest of the program passes it: red in the low byte, then
// green, then blue; the high byte is 0.
using TColor = uint32_t;

class GIFException : public EInvalidGraphic
{
public:
    using EInvalidGraphic::EInvalidGraphic;
};

[[noreturn]] void RaiseGIFError(const QString &Message);

enum TGIFVersion : uint8_t {
    GIFVersionUnknown = 0,
    GIFVersion87a = 1,
    GIFVersion89a = 2,
};

using TGIFSeverity = uint8_t;
constexpr TGIFSeverity gsWarning = 1;

// Receives every warning of an image and its items. Sender is the item, list or
// colour map that warned.
using TGIFWarningEvent =
    std::function<void(const void *Sender, TGIFSeverity Severity, const QString &Message)>;

#pragma pack(push, 1)
struct TColorTriple
{
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    bool operator==(const TColorTriple &) const = default;
};
#pragma pack(pop)
static_assert(sizeof(TColorTriple) == 3);

inline TColorTriple ColorToTriple(TColor Color)
{
    return {uint8_t(Color & 0xFF), uint8_t((Color >> 8) & 0xFF), uint8_t((Color >> 16) & 0xFF)};
}

inline TColor TripleToColor(TColorTriple Triple)
{
    return TColor(Triple.Red) | (TColor(Triple.Green) << 8) | (TColor(Triple.Blue) << 16);
}

// Stream routines shared by every reader and writer of the library.
void ReadExact(QIODevice &Stream, void *Buffer, qint64 Size);
// One byte, or 0 at the end of the stream (callers that must tell the two apart
// use ReadByteChecked).
uint8_t ReadByte(QIODevice &Stream);
bool ReadByteChecked(QIODevice &Stream, uint8_t &Value);
void WriteByte(QIODevice &Stream, uint8_t Value);
void WriteExact(QIODevice &Stream, const void *Buffer, qint64 Size);
// Steps back over the byte just read.
void StepBack(QIODevice &Stream, qint64 Count = 1);
int BitsForColorCount(int Count);
int ScanlineByteCount(int Pixels, int BitsPerPixel, int Alignment);
void WriteSubBlockStrings(QIODevice &Stream, const QStringList &Strings);
void ReadSubBlockStrings(QIODevice &Stream, QStringList &Strings);
// The 216 colours of the colour cube: entry r * 36 + g * 6 + b is
// (r * 51, g * 51, b * 51).
TPalette CreateWebSafePalette();
// Skips data sub-blocks up to and including the zero-length terminator, or to
// the end of the stream.
void SkipSubBlocks(QIODevice &Stream);

// Base of the items of a GIF stream.
class TGIFItem
{
public:
    explicit TGIFItem(TGIFImage *GIFImage);
    virtual ~TGIFItem();
    TGIFItem(const TGIFItem &) = delete;
    TGIFItem &operator=(const TGIFItem &) = delete;

    virtual TGIFVersion GetVersion() const;
    virtual void Warning(TGIFSeverity Severity, const QString &Message);
    virtual void SaveToStream(QIODevice &Stream) = 0;
    virtual void LoadFromStream(QIODevice &Stream) = 0;
    void SaveToFile(const QString &FileName);
    void LoadFromFile(const QString &FileName);

    TGIFImage *Image() const { return FImage; }

protected:
    TGIFImage *FImage;
};

// An owned list of items: deleting an item frees it.
class TGIFList
{
public:
    explicit TGIFList(TGIFImage *Image);
    virtual ~TGIFList();
    TGIFList(const TGIFList &) = delete;
    TGIFList &operator=(const TGIFList &) = delete;

    virtual void Warning(TGIFSeverity Severity, const QString &Message);
    virtual void SaveToStream(QIODevice &Stream);

    int Count() const { return int(Items.size()); }
    TGIFItem *Item(int Index) const;
    int Add(TGIFItem *Item);
    void Insert(int Index, TGIFItem *Item);
    void Delete(int Index);
    // Takes the item out of the list without freeing it; nothing when absent.
    void Remove(TGIFItem *Item);
    int IndexOf(const TGIFItem *Item) const;
    void Clear();

    TGIFImage *Image() const { return FImage; }

protected:
    std::vector<TGIFItem *> Items;
    TGIFImage *FImage;
};

struct TColorUseEntry
{
    int Count = 0;
    int Index = 0;
};
using TColorUseTable = std::array<TColorUseEntry, 256>;
using TColorRemap = std::array<uint8_t, 256>;

// A GIF colour table of up to 256 entries.
class TGIFColorMap
{
public:
    TGIFColorMap();
    virtual ~TGIFColorMap();
    TGIFColorMap(const TGIFColorMap &) = delete;
    TGIFColorMap &operator=(const TGIFColorMap &) = delete;

    virtual void Assign(const TGIFColorMap &Source);
    virtual void Warning(TGIFSeverity Severity, const QString &Message) = 0;
    virtual void CountColorUse(TColorUseTable &Table) = 0;
    virtual void RemapPixels(const TColorRemap &Map) = 0;
    virtual bool Optimize() = 0;
    virtual void Changed() = 0;

    void Clear();
    void SetCapacity(int Size);
    void LoadFromStream(QIODevice &Stream, int Count);
    void SaveToStream(QIODevice &Stream) const;
    int BitsPerPixel() const { return BitsForColorCount(FCount); }
    int IndexOf(TColor Color) const;
    int Add(TColor Color);
    int AddUnique(TColor Color);
    void Delete(int Index);
    TColor Colors(int Index);
    // Entries stored blue, green, red, reserved (the bitmap colour-table order).
    void ImportColorTable(const void *Entries, int Count);
    void ImportPalette(const TPalette &Palette);
    // The colour table of an indexed bitmap.
    void ImportDIBColors(const TBitmap &Bitmap);
    // No palette (empty) when the map is empty.
    TPalette ExportPalette() const;
    bool SortByUse();

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value) { FSorted = Value; }
    const TColorTriple *Data() const { return FData.get(); }
    TColorTriple Triple(int Index) const;

protected:
    std::unique_ptr<TColorTriple[]> FData;
    int FCount = 0;
    int FCapacity = 0;
    bool FSorted = false;
};

class TGIFGlobalColorMap : public TGIFColorMap
{
public:
    explicit TGIFGlobalColorMap(TGIFHeader *Header) : FHeader(Header) {}
    void Warning(TGIFSeverity Severity, const QString &Message) override;
    void CountColorUse(TColorUseTable &Table) override;
    void RemapPixels(const TColorRemap &Map) override;
    bool Optimize() override;
    void Changed() override;
    TGIFHeader *Header() const { return FHeader; }

private:
    TGIFHeader *FHeader;
};

class TGIFLocalColorMap : public TGIFColorMap
{
public:
    explicit TGIFLocalColorMap(TGIFSubImage *SubImage) : FSubImage(SubImage) {}
    void Warning(TGIFSeverity Severity, const QString &Message) override;
    void CountColorUse(TColorUseTable &Table) override;
    void RemapPixels(const TColorRemap &Map) override;
    bool Optimize() override;
    void Changed() override;
    TGIFSubImage *SubImage() const { return FSubImage; }

private:
    TGIFSubImage *FSubImage;
};

// The GIF header: signature, version, logical screen descriptor and global
// colour table.
class TGIFHeader : public TGIFItem
{
public:
    explicit TGIFHeader(TGIFImage *GIFImage);
    ~TGIFHeader() override;

    void Clear();
    void Assign(const TGIFHeader &Source);
    void Assign(const TGIFColorMap &Source);
    TGIFVersion GetVersion() const override;
    TColor BackgroundColor();
    int BitsPerPixel() const { return FColorMap->BitsPerPixel(); }
    int ColorResolution() const { return BitsPerPixel() - 1; }
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;

    TGIFGlobalColorMap *ColorMap() const { return FColorMap.get(); }
    uint16_t ScreenWidth() const { return FScreenWidth; }
    void SetScreenWidth(uint16_t Value) { FScreenWidth = Value; }
    uint16_t ScreenHeight() const { return FScreenHeight; }
    void SetScreenHeight(uint16_t Value) { FScreenHeight = Value; }
    uint8_t PackedFields() const { return FPackedFields; }
    void SetPackedFields(uint8_t Value) { FPackedFields = Value; }
    uint8_t BackgroundColorIndex() const { return FBackgroundColorIndex; }
    void SetBackgroundColorIndex(uint8_t Value) { FBackgroundColorIndex = Value; }
    uint8_t AspectRatio() const { return FAspectRatio; }
    void SetAspectRatio(uint8_t Value) { FAspectRatio = Value; }

private:
    void PrepareDescriptor();

    uint16_t FScreenWidth = 0;
    uint16_t FScreenHeight = 0;
    uint8_t FPackedFields = 0;
    uint8_t FBackgroundColorIndex = 0;
    uint8_t FAspectRatio = 0;
    std::unique_ptr<TGIFGlobalColorMap> FColorMap;
};

// The sub-images of one image, in stream order.
class TGIFImageList : public TGIFList
{
public:
    using TGIFList::TGIFList;
    TGIFSubImage *SubImages(int Index) const;
    void LoadFromStream(QIODevice &Stream, TGIFImage *Image);
};

// The trailer ";" that ends a GIF stream.
class TGIFTrailer : public TGIFItem
{
public:
    using TGIFItem::TGIFItem;
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;
};

class TGIFPainter;

// Drawing options of a GIF image (its DrawOptions).
using TGIFDrawOptions = uint16_t;
constexpr TGIFDrawOptions AsyncPaint = 0x0001;       // animations run on a painter thread
constexpr TGIFDrawOptions TransparentPaint = 0x0002; // honour the transparent colour index
constexpr TGIFDrawOptions AnimatedPaint = 0x0004;    // animate images of more than one frame
constexpr TGIFDrawOptions LoopedPaint = 0x0008;      // repeat the animation
constexpr TGIFDrawOptions LoopForeverPaint = 0x0010; // ignore the loop count
constexpr TGIFDrawOptions ValidatedPaint = 0x0020;   // stop when the target canvas goes away
constexpr TGIFDrawOptions DirectPaint = 0x0040;      // paint on the caller's canvas, not a back buffer
constexpr TGIFDrawOptions ClearOnLoopPaint = 0x0080; // restore the background at each pass
constexpr TGIFDrawOptions TiledPaint = 0x0100;       // tile instead of stretching
constexpr TGIFDrawOptions DitheredPaint = 0x0200;    // dither frames into the web palette
constexpr TGIFDrawOptions AutoDither = 0x0400;       // dither only on palette displays

constexpr TGIFDrawOptions GIFImageDefaultDrawOptions = 0x060F;
constexpr uint8_t GIFImageDefaultColorReduction = 6; // the 216-colour cube
constexpr int GIFImageDefaultReductionBits = 8;
constexpr uint8_t GIFImageDefaultDitherMode = 0;
constexpr int GIFImageDefaultAnimationSpeed = 100;

// "No colour" for PaintBackgroundColor.
constexpr TColor clNone = 0x1FFFFFFF;

// The painter's events; Sender is the painter.
using TGIFPainterEvent = std::function<void(TGIFPainter *Sender)>;

struct TGIFPaintTarget;

// The painters running on one image, behind one lock. A destroyed image
// detaches the painters left (Alive turns false first).
struct TGIFPainterList
{
    TGIFPainterList() = default;
    ~TGIFPainterList();
    TGIFPainterList(const TGIFPainterList &) = delete;
    TGIFPainterList &operator=(const TGIFPainterList &) = delete;

    std::mutex Lock;
    std::vector<TGIFPainter *> Items;
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
};

// The five paint events, in their stored order. An image hands its own to
// every painter that Draw starts.
class TGIFPaintEvents
{
public:
    const TGIFPainterEvent &OnPaintStart() const { return FOnPaintStart; }
    void SetOnPaintStart(TGIFPainterEvent Value) { FOnPaintStart = std::move(Value); }
    const TGIFPainterEvent &OnFramePaint() const { return FOnFramePaint; }
    void SetOnFramePaint(TGIFPainterEvent Value) { FOnFramePaint = std::move(Value); }
    const TGIFPainterEvent &OnFramePainted() const { return FOnFramePainted; }
    void SetOnFramePainted(TGIFPainterEvent Value) { FOnFramePainted = std::move(Value); }
    const TGIFPainterEvent &OnLoop() const { return FOnLoop; }
    void SetOnLoop(TGIFPainterEvent Value) { FOnLoop = std::move(Value); }
    const TGIFPainterEvent &OnPaintEnd() const { return FOnPaintEnd; }
    void SetOnPaintEnd(TGIFPainterEvent Value) { FOnPaintEnd = std::move(Value); }
    void AssignPaintEvents(const TGIFPaintEvents &Source) { *this = Source; }

protected:
    TGIFPainterEvent FOnPaintStart;
    TGIFPainterEvent FOnFramePaint;
    TGIFPainterEvent FOnFramePainted;
    TGIFPainterEvent FOnLoop;
    TGIFPainterEvent FOnPaintEnd;
};

// The screen has at most 256 colours (computed when the format is registered);
// AutoDither then dithers.
bool GIFPaletteDisplay();
bool GIFAutoDitherActive();
void SetGIFAutoDitherActive(bool Value);

// The picture object that owns the items of one GIF stream.
class TGIFImage : public TGraphic, public TGIFPaintEvents
{
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage &) = delete;
    TGIFImage &operator=(const TGIFImage &) = delete;

    virtual void Warning(const void *Sender, TGIFSeverity Severity, const QString &Message);
    // The picture changed (the framework's change notification).
    using TGraphic::Changed;
    virtual void Changed(const void *Sender);

    void Clear();
    void LoadFromStream(QIODevice &Stream) override;
    void SaveToStream(QIODevice &Stream) override;

    // The picture object: registered for "GIF" files and the "image/gif"
    // clipboard format; draws its still picture or animates.
    QString ClassName() const override { return QStringLiteral("TGIFImage"); }
    std::unique_ptr<TGraphic> NewInstance() const override;
    void Draw(QPainter &Canvas, const QRect &Rect) override;
    bool Empty() const override;
    void LoadFromClipboardFormat(const QString &Format, const QMimeData &Data) override;
    void SaveToClipboardFormat(QMimeData &Data) override;

    TGIFVersion GetVersion() const;
    int ColorResolution() const;
    int BitsPerPixel() const;

    TGIFHeader *Header() const { return FHeader.get(); }
    TGIFImageList *Images() const { return FImages.get(); }
    int Width() const override;
    int Height() const override;
    uint8_t Compression() const { return FCompression; }
    void SetCompression(uint8_t Value) { FCompression = Value; }
    const TGIFWarningEvent &OnWarning() const { return FOnWarning; }
    void SetOnWarning(TGIFWarningEvent Value) { FOnWarning = std::move(Value); }
    // Pixels held by all sub-images together, kept by the sub-images so that
    // the whole picture stays within the pixel budget.
    qint64 AllocatedPixels() const { return FAllocatedPixels; }
    void AddAllocatedPixels(qint64 Delta) { FAllocatedPixels += Delta; }

    // Image-wide size and palette.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    TPalette Palette() const override;
    void SetPalette(const TPalette &Value) override;
    TColor BackgroundColor();
    bool DoDither() const;
    // The sub-images that make the still picture, shown when not animating and
    // printed: those up to the first with a delay (high-colour pictures are built
    // of several without one, animations may open on one), all when none has one.
    int StillFrameCount() const;
    // Draws the still picture into Rect, as the draw options say.
    void DrawStill(QPainter &Canvas, const QRect &Rect);
    // The still picture on the whole logical screen (or the animation's back
    // buffer); none for an empty image. Owned by the image.
    TBitmap *GetBitmap();
    bool HasBitmap() const { return FBitmap != nullptr; }
    // Stops the current painter, then drops the whole-screen bitmap.
    void FreeBitmap();

    // Settings.
    TGIFDrawOptions DrawOptions() const { return FDrawOptions; }
    void SetDrawOptions(TGIFDrawOptions Value) { FDrawOptions = Value; }
    uint8_t ColorReduction() const { return FColorReduction; }
    void SetColorReduction(uint8_t Value) { FColorReduction = Value; }
    int ReductionBits() const { return FReductionBits; }
    void SetReductionBits(int Value) { FReductionBits = Value; }
    uint8_t DitherMode() const { return FDitherMode; }
    void SetDitherMode(uint8_t Value) { FDitherMode = Value; }
    int AnimationSpeed() const { return FAnimationSpeed; }
    void SetAnimationSpeed(int Value) { FAnimationSpeed = Value; }
    TColor PaintBackgroundColor() const { return FPaintBackgroundColor; }
    void SetPaintBackgroundColor(TColor Value) { FPaintBackgroundColor = Value; }

    // Building from other pictures (GIFImageImport.cpp).
    // A picture (TGraphic) becomes a new sub-image; anything else raises
    // "Object type not supported for operation". Returns the new index.
    int Add(const TPersistent *Source);
    // Takes a sub-image created for this image over as it is.
    int Add(std::unique_ptr<TGIFSubImage> Source);
    // Another GIF image is copied with its drawing settings (its OnWarning and
    // OnProgress serve only while copying); any other picture, or a picture
    // holder, becomes the one sub-image.
    void Assign(const TPersistent *Source) override;
    // Animation (GIFPictureDraw.cpp, GIFPainter.cpp).
    // Stops every painter of this image and waits until they have ended.
    void StopDraw();
    // Stops the current painter (the one the last Draw started).
    void StopPainter();
    // The painter started by the last Draw, while it runs. An asynchronous
    // painter frees itself when it ends: use it on the main thread only.
    TGIFPainter *Painter() const { return FPainter; }
    int PainterCount();
    TThreadPriority ThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(TThreadPriority Value) { FThreadPriority = Value; }
    // Starts a painter on Target over Rect (none for an empty image or
    // rectangle). A synchronous one plays the whole animation before this
    // returns (and nullptr is returned), throwing what made it fail. An
    // asynchronous painter on a caller's canvas (DirectPaint) keeps drawing on
    // it, so that canvas must outlive the animation: a QPainter on an image or
    // pixmap, never one of a widget's paint event.
    TGIFPainter *CreatePainter(TGIFDrawOptions Options, const QRect &Rect, const TGIFPaintTarget &Target);
    // The whole-screen bitmap stretched into Rect, or tiled with TiledPaint.
    void DrawBuffer(QPainter &Canvas, const QRect &Rect, TBitmap &Bitmap);

protected:
    void AssignTo(TPersistent *Dest) const override;

private:
    friend class TGIFPainter;
    // Called by a painter when it ends: forgets it.
    void PainterDone(TGIFPainter *Painter, TGIFPainter **PainterRef);
    // Takes a painter that cannot end now out of the image's hands.
    void DetachPainter(TGIFPainter *Painter);
    TGIFPainterList FPainters;
    TGIFPainter *FPainter = nullptr;
    bool FDrawing = false;
    TThreadPriority FThreadPriority = tpNormal;
    std::unique_ptr<TBitmap> FBitmap;
    mutable TPalette FGlobalPalette;
    mutable bool FResolvingPalette = false;
    TGIFDrawOptions FDrawOptions = GIFImageDefaultDrawOptions;
    uint8_t FColorReduction = GIFImageDefaultColorReduction;
    int FReductionBits = GIFImageDefaultReductionBits;
    uint8_t FDitherMode = GIFImageDefaultDitherMode;
    int FAnimationSpeed = GIFImageDefaultAnimationSpeed;
    TColor FPaintBackgroundColor = clNone;
    qint64 FAllocatedPixels = 0;
    std::unique_ptr<TGIFHeader> FHeader;
    std::unique_ptr<TGIFImageList> FImages;
    uint8_t FCompression = 0;
    TGIFWarningEvent FOnWarning;
};

void RegisterGIFFormat();
void UnregisterGIFFormat();
