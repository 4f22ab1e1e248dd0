#include "gif/GIFColorLookup.h"

#include <cstdlib>

TColorLookup::TColorLookup(const TPalette &) {}

TColorLookup::~TColorLookup() = default;

TFastColorLookup::TFastColorLookup(const TPalette &Palette) : TColorLookup(Palette), FCache(32768, Unknown)
{
    FColorCount = Palette.GetEntries(0, 256, FPaletteEntries.data());
    // Of several entries in one cell the first wins.
    for (int i = 0; i < FColorCount; ++i) {
        const TPaletteEntry &e = FPaletteEntries[size_t(i)];
        uint16_t &cell = FCache[size_t(CacheKey(e.Red, e.Green, e.Blue))];
        if (cell == Unknown)
            cell = uint16_t(i);
    }
}

uint8_t TFastColorLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    uint16_t &cell = FCache[size_t(CacheKey(Red, Green, Blue))];
    if (cell == Unknown) {
        int best = 0;
        int bestDistance = 0x30000;
        for (int i = 0; i < FColorCount; ++i) {
            const TPaletteEntry &e = FPaletteEntries[size_t(i)];
            const int distance =
                std::abs(int(e.Red) - Red) + std::abs(int(e.Green) - Green) + std::abs(int(e.Blue) - Blue);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        cell = uint16_t(best);
    }
    const TPaletteEntry &e = FPaletteEntries[cell];
    R = e.Red;
    G = e.Green;
    B = e.Blue;
    return uint8_t(cell);
}

TNetscapeColorLookup::TNetscapeColorLookup(const TPalette &Palette) : TColorLookup(Palette)
{
    FColorCount = 216;
}

uint8_t TNetscapeColorLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G,
                                     uint8_t &B)
{
    // Levels change at 48, 99, 150, 201 and 252.
    const int r = (Red + 3) / 51;
    const int g = (Green + 3) / 51;
    const int b = (Blue + 3) / 51;
    R = uint8_t(r * 51);
    G = uint8_t(g * 51);
    B = uint8_t(b * 51);
    return uint8_t(r * 36 + g * 6 + b);
}

TGrayScaleLookup::TGrayScaleLookup(const TPalette &Palette) : TColorLookup(Palette)
{
    FColorCount = 256;
}

uint8_t TGrayScaleLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const auto grey = uint8_t((77 * Red + 150 * Green + 29 * Blue) >> 8);
    R = G = B = grey;
    return grey;
}

TMonochromeLookup::TMonochromeLookup(const TPalette &Palette) : TColorLookup(Palette)
{
    FColorCount = 2;
}

uint8_t TMonochromeLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G,
                                  uint8_t &B)
{
    // 127 * 256: a grey of 127 is still black, 128 is white.
    if (77 * Red + 150 * Green + 29 * Blue <= 32512) {
        R = G = B = 0;
        return 0;
    }
    R = G = B = 255;
    return 1;
}
