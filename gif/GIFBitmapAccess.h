#pragma once

// Row access to bitmaps in a fixed pixel format. TDIBReader reads the rows of
// an existing bitmap after converting it to the wanted format; TDIBWriter
// builds a new picture in its own memory, bottom-up as a BMP file stores it,
// and stores it into the target bitmap (as an in-memory BMP file) when asked
// or when it is destroyed.

#include "platform/Graphics.h"

#include <cstdint>
#include <vector>

class TDIB
{
public:
    TDIB(TBitmap *Bitmap, TPixelFormat PixelFormat);
    virtual ~TDIB();
    TDIB(const TDIB &) = delete;
    TDIB &operator=(const TDIB &) = delete;

    // The first byte of row Row, counted from the top.
    virtual uint8_t *ScanLine(int Row) = 0;

    TBitmap *Bitmap() const { return FBitmap; }
    TPixelFormat PixelFormat() const { return FPixelFormat; }

protected:
    TBitmap *FBitmap; // not owned
    TPixelFormat FPixelFormat;
};

class TDIBReader : public TDIB
{
public:
    // Converts the bitmap to PixelFormat.
    TDIBReader(TBitmap *Bitmap, TPixelFormat PixelFormat);
    // The bitmap's own row; a row out of range throws EInvalidGraphicOperation.
    uint8_t *ScanLine(int Row) override;
};

class TDIBWriter : public TDIB
{
public:
    // Only 8 bits (palette indexes, colours from Palette) and 24 bits (blue,
    // green, red) are accepted: other formats raise "Unsupported PixelFormat";
    // a width or height below 1 raises "Invalid image dimensions".
    TDIBWriter(TBitmap *Bitmap, TPixelFormat PixelFormat, int Width, int Height, const TPalette &Palette);
    // Stores the picture when StoreIntoBitmap was not called and no exception
    // is passing; a failure to store is then lost, so callers that care call
    // StoreIntoBitmap themselves.
    ~TDIBWriter() override;

    // Allocates the picture on first use. A row outside 0..Height-1 raises
    // EInvalidGraphicOperation "Scan line index out of range".
    uint8_t *ScanLine(int Row) override;

    // Loads the finished picture into the bitmap as a BMP stream. Nothing
    // happens when no row was ever asked for.
    void StoreIntoBitmap();
    // The BMP file the picture is stored as (empty before the first row).
    QByteArray BitmapFile() const;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int RowLength() const;

private:
    void EnsureDIB();
    void AllocateDIB();
    void ReleaseDIB();

    std::vector<uint8_t> FInfo;   // 40-byte header, then 256 colour entries for 8 bits
    std::vector<uint8_t> FPixels; // bottom-up rows
    bool FHasPixels = false;
    bool FStored = false;
    TPalette FPalette;
    int FHeight;
    int FWidth;
    int FUncaught;
};

TPixelFormat BitmapPixelFormat(const TBitmap &Bitmap);
void SetBitmapPixelFormat(TBitmap &Bitmap, TPixelFormat Format);
// For each 32-bit entry exchanges bytes 0 and 2 and clears byte 3 (palette
// order red, green, blue, flags into colour-table order blue, green, red, 0).
void SwapRedBlue(void *Entries, int Count);
