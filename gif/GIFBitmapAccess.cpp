#include "gif/GIFBitmapAccess.h"

#include "gif/GIFImage.h"

#include <QBuffer>

#include <climits>
#include <cstring>
#include <exception>
#include <new>

TDIB::TDIB(TBitmap *Bitmap, TPixelFormat PixelFormat) : FBitmap(Bitmap), FPixelFormat(PixelFormat) {}

TDIB::~TDIB() = default;

TDIBReader::TDIBReader(TBitmap *Bitmap, TPixelFormat PixelFormat) : TDIB(Bitmap, PixelFormat)
{
    FBitmap->SetPixelFormat(PixelFormat);
}

uint8_t *TDIBReader::ScanLine(int Row)
{
    return FBitmap->ScanLine(Row);
}

TDIBWriter::TDIBWriter(TBitmap *Bitmap, TPixelFormat PixelFormat, int Width, int Height,
                       const TPalette &Palette)
    : TDIB(Bitmap, PixelFormat), FPalette(Palette), FHeight(Height), FWidth(Width),
      FUncaught(std::uncaught_exceptions())
{
    if (PixelFormat != TPixelFormat::pf8bit && PixelFormat != TPixelFormat::pf24bit)
        RaiseGIFError(QStringLiteral("Unsupported PixelFormat"));
    if (Width <= 0 || Height <= 0)
        RaiseGIFError(QStringLiteral("Invalid image dimensions"));
}

TDIBWriter::~TDIBWriter()
{
    // Storing while an exception unwinds would only be thrown away.
    if (!FStored && std::uncaught_exceptions() == FUncaught) {
        try {
            StoreIntoBitmap();
        } catch (...) {
        }
    }
    ReleaseDIB();
}

int TDIBWriter::RowLength() const
{
    // Computed wide: a huge width must fail to allocate, not wrap.
    const int64_t length = (int64_t(FWidth) * BitsPerPixel(FPixelFormat) + 31) / 32 * 4;
    return length > INT_MAX ? INT_MAX : int(length);
}

void TDIBWriter::AllocateDIB()
{
    ReleaseDIB();
    const bool indexed = FPixelFormat == TPixelFormat::pf8bit;
    FInfo.assign(indexed ? 1064 : 40, 0);
    auto put32 = [&](int offset, int64_t value) {
        for (int i = 0; i < 4; ++i)
            FInfo[size_t(offset + i)] = uint8_t(value >> (8 * i));
    };
    put32(0, 40);
    put32(4, FWidth);
    put32(8, FHeight); // positive: rows stored bottom-up
    FInfo[12] = 1;     // planes
    FInfo[14] = indexed ? 8 : 24;
    if (indexed) {
        TPaletteEntry entries[256] = {};
        const int count = FPalette.GetEntries(0, 256, entries);
        put32(32, 256);   // colours used
        put32(36, count); // important
        std::memcpy(FInfo.data() + 40, entries, size_t(count) * 4);
        SwapRedBlue(FInfo.data() + 40, count);
    }
    const int64_t size = int64_t(RowLength()) * FHeight;
    try {
        if (RowLength() == INT_MAX || size > INT_MAX - 1064 - 14)
            throw std::bad_alloc();
        FPixels.assign(size_t(size), 0);
    } catch (const std::bad_alloc &) {
        FInfo.clear();
        throw EOutOfMemory(QStringLiteral("Failed to allocate memory for GIF DIB"));
    }
    FHasPixels = true;
}

void TDIBWriter::EnsureDIB()
{
    if (!FHasPixels)
        AllocateDIB();
}

void TDIBWriter::ReleaseDIB()
{
    FInfo.clear();
    FInfo.shrink_to_fit();
    FPixels.clear();
    FPixels.shrink_to_fit();
    FHasPixels = false;
}

uint8_t *TDIBWriter::ScanLine(int Row)
{
    EnsureDIB();
    if (!FHasPixels)
        RaiseGIFError(QStringLiteral("Image has no DIB"));
    if (Row < 0 || Row >= FHeight)
        throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    return FPixels.data() + size_t(FHeight - 1 - Row) * size_t(RowLength());
}

QByteArray TDIBWriter::BitmapFile() const
{
    if (!FHasPixels)
        return QByteArray();
    const qsizetype offset = 14 + qsizetype(FInfo.size());
    QByteArray file;
    file.reserve(offset + qsizetype(FPixels.size()));
    const int64_t total = offset + int64_t(FPixels.size());
    const char header[14] = {'B',
                             'M',
                             char(total & 0xFF),
                             char((total >> 8) & 0xFF),
                             char((total >> 16) & 0xFF),
                             char((total >> 24) & 0xFF),
                             0,
                             0,
                             0,
                             0,
                             char(offset & 0xFF),
                             char((offset >> 8) & 0xFF),
                             0,
                             0};
    file.append(header, 14);
    file.append(reinterpret_cast<const char *>(FInfo.data()), qsizetype(FInfo.size()));
    file.append(reinterpret_cast<const char *>(FPixels.data()), qsizetype(FPixels.size()));
    return file;
}

void TDIBWriter::StoreIntoBitmap()
{
    if (!FHasPixels)
        return;
    QByteArray file = BitmapFile();
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    FBitmap->LoadFromStream(buffer);
    FStored = true;
}

TPixelFormat BitmapPixelFormat(const TBitmap &Bitmap)
{
    return Bitmap.PixelFormat();
}

void SetBitmapPixelFormat(TBitmap &Bitmap, TPixelFormat Format)
{
    Bitmap.SetPixelFormat(Format);
}

void SwapRedBlue(void *Entries, int Count)
{
    auto *bytes = static_cast<uint8_t *>(Entries);
    for (int i = 0; i < Count; ++i, bytes += 4) {
        std::swap(bytes[0], bytes[2]);
        bytes[3] = 0;
    }
}
