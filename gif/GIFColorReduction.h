#pragma once

// Colour reduction: turns a true-colour bitmap into an 8-bit one by picking a
// target palette (fixed, or computed from the picture by an octree quantiser),
// mapping every pixel through a colour lookup and a ditherer, and writing the
// result through a bitmap writer.

#include "platform/Graphics.h"

#include <array>
#include <cstdint>
#include <memory>

class TDIBReader;

// Colour reduction methods (the image's ColorReduction setting).
enum TColorReduction : uint8_t {
    rmNone = 0,            // a 24-bit copy, no palette
    rmWindows20 = 1,       // the 20 colours of the stock default palette
    rmWindows256 = 2,      // the screen's halftone palette
    rmWindowsGray = 3,     // 4 greys: 0, 128, 192, 255
    rmMonochrome = 4,      // black and white
    rmGrayScale = 5,       // 256 greys
    rmNetscape = 6,        // the 216-colour cube
    rmQuantize = 7,        // octree palette of 2^ReductionBits colours
    rmQuantizeWindows = 8, // octree palette of 236 colours inside the 20 system colours
    rmPalette = 9,         // the palette the caller passes
};

class TOctreeNode
{
public:
    TOctreeNode() = default;
    ~TOctreeNode();
    TOctreeNode(const TOctreeNode &) = delete;
    TOctreeNode &operator=(const TOctreeNode &) = delete;

    bool IsLeaf = false;
    int PixelCount = 0;
    // 64-bit: a leaf of a large one-colour picture sums billions.
    int64_t RedSum = 0;
    int64_t GreenSum = 0;
    int64_t BlueSum = 0;
    TOctreeNode *Next = nullptr;          // next reducible node of the same level
    std::array<TOctreeNode *, 8> Child{}; // owned
};

class TColorQuantizer
{
public:
    // MaxColors must be at least 1; ColorBits is the depth of the leaves (1..8).
    TColorQuantizer(int MaxColors, int ColorBits);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer &) = delete;
    TColorQuantizer &operator=(const TColorQuantizer &) = delete;

    // Adds every pixel of the 24-bit picture behind the reader, top row first.
    bool AddPicture(TDIBReader &Reader);
    void AddColor(uint8_t Red, uint8_t Green, uint8_t Blue);
    // Fills 4-byte entries blue, green, red, 0 in tree order (at most 256)
    // and returns how many it filled.
    int CollectColors(TRGBQuad *Table);

    int LeafCount() const { return FLeafCount; }
    int MaxColors() const { return FMaxColors; }

private:
    void AddColor(TOctreeNode *&Node, uint8_t Red, uint8_t Green, uint8_t Blue, int Level);
    void ReduceTree();
    void Collect(const TOctreeNode *Node, TRGBQuad *Table, int &Index);

    TOctreeNode *FTree = nullptr;
    int FLeafCount = 0;
    std::array<TOctreeNode *, 9> FReducibleNodes{};
    int FMaxColors;
    int FColorBits;
};

// A new 8-bit bitmap (24-bit for rmNone) holding Bitmap reduced by the method,
// dither mode (0..6) and, for rmQuantize, ReductionBits (0..8). Palette is
// used only by rmPalette. The caller's bitmap is not changed. Raises
// GIFException for an unknown method or dither mode, out-of-range reduction
// bits, a palette without colours, or an empty bitmap.
std::unique_ptr<TBitmap> ReduceColors(const TBitmap &Bitmap, int ColorReduction, int DitherMode,
                                      int ReductionBits, const TPalette &Palette);

// An octree palette of Colors entries (1..256) from the 24-bit picture behind
// the reader; with system colours 256 entries, the first and last 10 being
// the stock default palette's and 236 from the picture between them. Entries
// the picture does not fill stay black.
TPalette BuildOctreePalette(TDIBReader &Reader, int Colors, int ColorBits, bool WithSystemColors);
// The same from a bitmap, read through a 24-bit copy (the bitmap is not changed).
TPalette BuildOctreePaletteFromBitmap(const TBitmap &Bitmap, int Colors, int ColorBits,
                                      bool WithSystemColors);

TPalette CreateGreyRampPalette();
TPalette CreateBlackWhitePalette();
TPalette CreateFourGreyPalette();
TPalette CreateHalftoneScreenPalette();
// The 216-colour cube is CreateWebSafePalette (gif/GIFImage.h).
