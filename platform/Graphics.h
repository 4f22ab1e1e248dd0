#pragma once

// The picture classes the rest of the program draws, loads and converts:
//
//   TPalette   a small value of up to 256 RGB entries (what a palette handle was)
//   TGraphic   the abstract picture: load/save through a QIODevice or a file,
//              draw into a rectangle of a QPainter, size, emptiness, transparency,
//              palette, Assign, change and progress notification
//   TBitmap    a device-independent bitmap in plain memory: 1, 4, 8, 24 or 32
//              bits per pixel, colour table, rows padded to 4 bytes, top row
//              first through ScanLine; BMP files through QImage
//   TImageGraphic  a picture kept as its file's bytes and the QImage they show
//   TIcon      a Windows icon file (ICO) read through QImage
//   TMetafile  WMF/EMF: registered so that the extension is known, but loading
//              always fails with a clear message (no reader on this system)
//   TPicture   holder of one TGraphic, with the registry of file formats keyed
//              by upper-case extension and of clipboard (MIME) formats
//
// (Graphics.cpp holds the palettes and the base classes; Bitmap.cpp, Icon.cpp and
// Picture.cpp the rest, the metafile with the registry.)
//
// Writing a new picture format (JPEG, GIF): derive from TGraphic, implement the
// pure virtuals (LoadFromStream, SaveToStream, Draw, Width, Height, Empty,
// ClassName, NewInstance) and usually Assign/AssignTo, SetWidth/SetHeight,
// Palette/SetPalette; call Changed() after every change of the picture and
// Progress() during long work. Then register it at start-up:
//
//   TPicture::RegisterFileFormat("JPG", "JPEG Image File", [] { return std::make_unique<TJPEGImage>(); });
//
// and remove it again at shutdown with TPicture::UnregisterFileFormat("JPG").
// Errors are thrown as EInvalidGraphic (bad data, unknown format) or
// EInvalidGraphicOperation (a bad request such as a row out of range); both
// derive from Exception, so a caller shows Message() to the user.

#include "platform/Exception.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QMimeData;
class QPainter;

// Invalid picture data or an unknown picture format.
class EInvalidGraphic : public Exception
{
public:
    using Exception::Exception;
};

// A request a picture cannot carry out (row out of range, resizing an icon, ...).
class EInvalidGraphicOperation : public Exception
{
public:
    using Exception::Exception;
};

// Not enough memory for a picture.
class EOutOfMemory : public Exception
{
public:
    using Exception::Exception;
};

// Assign between objects that cannot be converted into each other.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// ---------------------------------------------------------------------------
// Palettes

// One palette entry in the order red, green, blue, flags.
struct TPaletteEntry
{
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    uint8_t Flags = 0;

    friend bool operator==(const TPaletteEntry &, const TPaletteEntry &) = default;
};

// The "no collapse" entry flag of a logical palette; kept for stored values only.
constexpr uint8_t PaletteFlagNoCollapse = 4;

// A logical palette as a value: 0 to 256 entries. An empty palette stands for
// "no palette" (what a zero palette handle was); asking it for its entries gives
// none.
class TPalette
{
public:
    static constexpr int MaxEntries = 256;

    TPalette() = default;
    // Takes at most the first 256 entries.
    explicit TPalette(std::vector<TPaletteEntry> entries);

    int Count() const { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    const std::vector<TPaletteEntry> &Entries() const { return m_entries; }
    // Throws EInvalidGraphicOperation for an index outside 0..Count()-1.
    const TPaletteEntry &Entry(int index) const;
    void SetEntry(int index, const TPaletteEntry &entry);
    // Appends; throws EInvalidGraphicOperation when the palette is full.
    void Add(const TPaletteEntry &entry);
    // New size, clamped to 0..256; new entries are black with flags 0.
    void Resize(int count);
    void Clear() { m_entries.clear(); }
    // Copies up to `count` entries starting at `start` into `out` (the way a
    // palette's entries were read); returns how many were copied.
    int GetEntries(int start, int count, TPaletteEntry *out) const;

    friend bool operator==(const TPalette &, const TPalette &) = default;

private:
    std::vector<TPaletteEntry> m_entries;
};

// The 20 colours of the system's stock default palette: the first 10 and the
// last 10 of a 256-colour system palette.
const TPalette &StockDefaultPalette();
// The screen's 256-colour halftone palette: the 10 first system colours, the
// 216-colour cube (levels 0, 51, ... 255), 20 extra greys, the 10 last system
// colours.
const TPalette &HalftonePalette();

// ---------------------------------------------------------------------------
// The base of every picture and picture holder, so that Assign and the event
// senders can take any of them.
class TPersistent
{
public:
    virtual ~TPersistent() = default;
    // The class name shown in conversion errors ("TBitmap").
    virtual QString ClassName() const = 0;
    // Copies `source` into this object. The default asks the source to
    // AssignTo this object; a null source or no conversion throws EConvertError.
    virtual void Assign(const TPersistent *source);

protected:
    // Copies this object into `dest`; the default throws EConvertError.
    virtual void AssignTo(TPersistent *dest) const;
    void AssignError(const TPersistent *source) const;
};

enum class TProgressStage { Starting, Running, Ending };

using TNotifyEvent = std::function<void(TPersistent *sender)>;
using TProgressEvent = std::function<void(TPersistent *sender, TProgressStage stage, int percentDone,
                                          bool redrawNow, const QRect &rect, const QString &message)>;

// ---------------------------------------------------------------------------
// The abstract picture.
class TGraphic : public TPersistent
{
public:
    TGraphic() = default;
    TGraphic(const TGraphic &) = delete;
    TGraphic &operator=(const TGraphic &) = delete;

    // A new, empty object of the same class (what a metaclass was).
    virtual std::unique_ptr<TGraphic> NewInstance() const = 0;

    // Reads the picture from the device's current position. Throws
    // EInvalidGraphic on data it cannot read; the picture is then left as it was.
    virtual void LoadFromStream(QIODevice &stream) = 0;
    // Writes the picture at the device's current position.
    virtual void SaveToStream(QIODevice &stream) = 0;
    // Opens the file and loads from it; a file that cannot be opened throws
    // EInvalidGraphic naming the file.
    virtual void LoadFromFile(const QString &fileName);
    // Writes a temporary file in the same folder and renames it over the old
    // one, so a failed save never leaves a half-written picture.
    virtual void SaveToFile(const QString &fileName);

    // Clipboard: the picture adds its own formats to `data` (SaveTo...) or reads
    // the MIME type `format` from `data` (LoadFrom...). The defaults throw
    // EInvalidGraphic("Unsupported clipboard format").
    virtual void LoadFromClipboardFormat(const QString &format, const QMimeData &data);
    virtual void SaveToClipboardFormat(QMimeData &data);

    // Draws the picture stretched into `rect`.
    virtual void Draw(QPainter &canvas, const QRect &rect) = 0;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The defaults throw EInvalidGraphicOperation (size fixed by the data).
    virtual void SetWidth(int value);
    virtual void SetHeight(int value);
    virtual bool Empty() const = 0;

    bool Transparent() const { return m_transparent; }
    virtual void SetTransparent(bool value);

    // The display palette; empty when the picture has none.
    virtual TPalette Palette() const { return TPalette(); }
    virtual void SetPalette(const TPalette &) {}

    // True only for the same object unless a class knows better.
    virtual bool Equals(const TGraphic &other) const { return this == &other; }

    bool Modified() const { return m_modified; }
    void SetModified(bool value);
    bool PaletteModified() const { return m_paletteModified; }
    void SetPaletteModified(bool value) { m_paletteModified = value; }

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

    // Marks the picture modified and calls OnChange with `sender` (this when null).
    virtual void Changed(TPersistent *sender = nullptr);
    // Calls OnProgress when it is set.
    void Progress(TPersistent *sender, TProgressStage stage, int percentDone, bool redrawNow,
                  const QRect &rect, const QString &message);

protected:
    // Sets the flag without notification (constructors, moves).
    void SetTransparentFlag(bool value) { m_transparent = value; }

private:
    bool m_transparent = false;
    bool m_modified = false;
    bool m_paletteModified = false;
};

// ---------------------------------------------------------------------------
// Bitmaps

enum class TPixelFormat { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

int BitsPerPixel(TPixelFormat format);
// Bytes of one row of `width` pixels at `bitsPerPixel`, padded to 4 bytes.
int BytesPerScanline(int width, int bitsPerPixel);

// One colour-table entry in bitmap order: blue, green, red, reserved.
struct TRGBQuad
{
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    uint8_t Reserved = 0;

    friend bool operator==(const TRGBQuad &, const TRGBQuad &) = default;
};

// A device-independent bitmap held in plain memory.
//
// Pixels: 1 and 4 bits per pixel are packed most significant bits first; 8 bits
// are colour-table indexes; 24 bits are blue, green, red; 32 bits are blue,
// green, red, alpha (alpha 255 is opaque). Rows are padded to 4 bytes and
// ScanLine(0) is the top row. Indexed formats carry a colour table of at most
// 2^bits entries; an index beyond the table shows black.
//
// A new bitmap is 0 by 0 pixels at 24 bits. Changing the size keeps the
// top-left pixels and zeroes the rest.
class TBitmap : public TGraphic
{
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);
    ~TBitmap() override;

    QString ClassName() const override { return QStringLiteral("TBitmap"); }
    std::unique_ptr<TGraphic> NewInstance() const override;
    // Copies another TBitmap (pixels, format, colour table, palette,
    // transparency); a null source empties the bitmap; other sources are asked
    // to AssignTo the bitmap.
    void Assign(const TPersistent *source) override;

    // BMP files (any variant QImage reads). The pixel format follows the file's
    // bit count: 1, 4, 8 stay indexed with their colour table, 16 and 24 give
    // 24 bits, 32 gives 32 bits.
    void LoadFromStream(QIODevice &stream) override;
    // Writes a BMP file in the bitmap's own pixel format.
    void SaveToStream(QIODevice &stream) override;
    // Reads a picture ("application/x-qt-image") from the clipboard data.
    void LoadFromClipboardFormat(const QString &format, const QMimeData &data) override;
    void SaveToClipboardFormat(QMimeData &data) override;

    void Draw(QPainter &canvas, const QRect &rect) override;

    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    // Throws EInvalidGraphicOperation for negative sizes or a picture too large
    // to address.
    void SetSize(int width, int height);
    bool Empty() const override { return m_width == 0 || m_height == 0; }

    TPixelFormat PixelFormat() const { return m_pixelFormat; }
    // Converts the pixels. Going to fewer bits keeps the colour table when it
    // fits, else maps every pixel to the nearest colour of the default table
    // for the new depth (black/white, the 16 standard colours, or the halftone
    // palette).
    void SetPixelFormat(TPixelFormat format);
    int BytesPerLine() const { return m_bytesPerLine; }

    // The start of row `row` (0 the top). Throws EInvalidGraphicOperation
    // "Scan line index out of range" outside 0..Height()-1.
    uint8_t *ScanLine(int row);
    const uint8_t *ScanLine(int row) const;

    // Colour table of an indexed bitmap (empty for 24 and 32 bits).
    const std::vector<TRGBQuad> &ColorTable() const { return m_colorTable; }
    // Sets the colour table; at most 2^bits entries are kept.
    void SetColorTable(std::vector<TRGBQuad> table);
    // The colour table as a palette for indexed bitmaps; for 24 and 32 bits the
    // palette last given with SetPalette (a display hint, empty by default).
    TPalette Palette() const override;
    void SetPalette(const TPalette &palette) override;

    // The colour of the pixel at (x, y) as 0xAARRGGBB; out-of-range
    // coordinates throw EInvalidGraphicOperation.
    QRgb Pixel(int x, int y) const;

    // Transparent colour: by default (TransparentColor not set) the colour of
    // the bottom-left pixel.
    QRgb TransparentColor() const;
    void SetTransparentColor(QRgb color);
    void ResetTransparentColor();
    // A 1-bit mask of the bitmap's size (colour table black, white): index 1
    // where the pixel has the transparent colour, 0 elsewhere.
    TBitmap Mask() const;

    // Conversion to and from QImage. ToImage gives Format_Mono (1 bit),
    // Format_Indexed8 (4 and 8 bits), Format_RGB32 (24 bits) or Format_ARGB32
    // (32 bits). FromImage keeps 1-bit and indexed images indexed, gives 32
    // bits to images with alpha and 24 bits to the rest; it also replaces the
    // colour table and size.
    QImage ToImage() const;
    void FromImage(const QImage &image);

    // Paints on the bitmap with a QPainter: directly for 24 and 32 bits; for
    // indexed bitmaps the drawing is done in true colour and mapped back to the
    // nearest colours of the table.
    void Paint(const std::function<void(QPainter &)> &painting);

    TBitmap(const TBitmap &) = delete;
    TBitmap &operator=(const TBitmap &) = delete;
    TBitmap(TBitmap &&other) noexcept;
    TBitmap &operator=(TBitmap &&other) noexcept;

private:
    void Reallocate(int width, int height, TPixelFormat format, bool keepPixels);
    void CopyFrom(const TBitmap &other);

    int m_width = 0;
    int m_height = 0;
    TPixelFormat m_pixelFormat = TPixelFormat::pf24bit;
    int m_bytesPerLine = 0;
    std::vector<uint8_t> m_bits;
    std::vector<TRGBQuad> m_colorTable;
    TPalette m_palette; // display hint for 24/32-bit bitmaps
    bool m_hasTransparentColor = false;
    QRgb m_transparentColor = 0;
};

// The default colour table used when converting to `format` (2, 16 or 256
// entries; empty for 24 and 32 bits).
std::vector<TRGBQuad> DefaultColorTable(TPixelFormat format);

// ---------------------------------------------------------------------------
// Pictures read through QImage

// A picture kept as its file's bytes, written back unchanged, and the image they
// show. The base of the formats QImage reads (icons, PNG).
class TImageGraphic : public TGraphic
{
public:
    // From a picture of the same class, or null (empty).
    void Assign(const TPersistent *source) override;
    void SaveToStream(QIODevice &stream) override;
    void Draw(QPainter &canvas, const QRect &rect) override;
    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    bool Empty() const override { return m_image.isNull(); }

    // The image shown, in Format_ARGB32.
    const QImage &Image() const { return m_image; }

protected:
    // Kind names the picture in a failed write's message ("the icon").
    explicit TImageGraphic(QString kind) : m_kind(std::move(kind)) {}
    // To a bitmap.
    void AssignTo(TPersistent *dest) const override;
    // Holds the image read from Data; with no data, Encode writes the file when it is saved.
    void SetImage(QByteArray data, const QImage &image);
    // The file's bytes for an image held without them; throws EInvalidGraphic.
    virtual QByteArray Encode(const QImage &) const { return {}; }

private:
    QString m_kind;
    QByteArray m_data;
    QImage m_image;
};

// ---------------------------------------------------------------------------
// Icons

// A Windows icon file. The picture shown is the 32 by 32 image when the file has
// one, else the first image. Icons are always transparent (their alpha or AND mask).
class TIcon : public TImageGraphic
{
public:
    TIcon();
    QString ClassName() const override { return QStringLiteral("TIcon"); }
    std::unique_ptr<TGraphic> NewInstance() const override;

    void LoadFromStream(QIODevice &stream) override;

    // A 1-bit mask: index 1 where the icon is transparent (alpha below 128).
    TBitmap Mask() const;
};

// ---------------------------------------------------------------------------
// Metafiles

// Windows metafiles (WMF and EMF) have no reader here: the class exists so that
// the extensions are known, and loading always throws EInvalidGraphic.
class TMetafile : public TGraphic
{
public:
    QString ClassName() const override { return QStringLiteral("TMetafile"); }
    std::unique_ptr<TGraphic> NewInstance() const override;
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) override;
    void Draw(QPainter &, const QRect &) override {}
    int Width() const override { return 0; }
    int Height() const override { return 0; }
    bool Empty() const override { return true; }
};

// ---------------------------------------------------------------------------
// The picture holder and the format registries

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat
{
    QString Extension;   // upper case, without "."
    QString Description; // "Bitmaps"
    TGraphicFactory Factory;
};

struct TClipboardFormat
{
    QString MimeType;    // "image/gif"
    QString Description; // "GIF Image"
    TGraphicFactory Factory;
};

// Holds at most one graphic. The registries are process-wide and hold from the
// start the built-in formats BMP ("Bitmaps"), ICO ("Icons"), WMF ("Metafiles")
// and EMF ("Enhanced Metafiles"), and the clipboard picture format of TBitmap.
// Register and unregister only from the main thread.
class TPicture : public TPersistent
{
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture &) = delete;
    TPicture &operator=(const TPicture &) = delete;

    QString ClassName() const override { return QStringLiteral("TPicture"); }

    // The graphic held, or null.
    TGraphic *Graphic() const { return m_graphic.get(); }
    // Holds a copy of `graphic` (same class, Assign), or nothing when null.
    void SetGraphic(const TGraphic *graphic);
    // Takes `graphic` over as it is.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);

    // The graphic as a bitmap or icon; the current graphic is replaced by an
    // empty one of that class when it is of another class.
    TBitmap &Bitmap();
    TIcon &Icon();

    // Loads by the file's extension (the text after the last "." of the file
    // name, upper-cased). An unknown extension throws EInvalidGraphic; when the
    // graphic fails to load the picture keeps what it held.
    void LoadFromFile(const QString &fileName);
    // The same with the format named by `extension` instead of the file's own.
    void LoadFromFileAs(const QString &fileName, const QString &extension);
    // Saves the graphic held (nothing held: nothing is written).
    void SaveToFile(const QString &fileName);
    // Creates the graphic registered for `format` and loads it from `data`.
    void LoadFromClipboardFormat(const QString &format, const QMimeData &data);
    void SaveToClipboardFormat(QMimeData &data);

    int Width() const;
    int Height() const;
    void Assign(const TPersistent *source) override;

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

    // File formats. The extension is compared without case and stored upper
    // case; registering an extension again replaces the earlier entry.
    static void RegisterFileFormat(const QString &extension, const QString &description,
                                   TGraphicFactory factory);
    static void UnregisterFileFormat(const QString &extension);
    static bool IsFileFormatRegistered(const QString &extension);
    static QString FileFormatDescription(const QString &extension);
    // Registered formats in the order of registration.
    static std::vector<TFileFormat> FileFormats();
    // A filter for file dialogs: "All pictures (*.bmp *.ico ...);;Bitmaps
    // (*.bmp);;...".
    static QString FileFilter();
    // The upper-cased text after the last "." of the file name (folders do not
    // count); empty when there is none.
    static QString FileExtension(const QString &fileName);

    // Clipboard formats by MIME type.
    static void RegisterClipboardFormat(const QString &mimeType, const QString &description,
                                        TGraphicFactory factory);
    static void UnregisterClipboardFormat(const QString &mimeType);
    static bool SupportsClipboardFormat(const QString &mimeType);
    static std::vector<TClipboardFormat> ClipboardFormats();

protected:
    void AssignTo(TPersistent *dest) const override;

private:
    void Changed();
    void Hook(TGraphic *graphic);
    void HookProgress(TGraphic *graphic);

    std::unique_ptr<TGraphic> m_graphic;
};
