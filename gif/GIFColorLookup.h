#pragma once

// Colour lookups: map a true colour to an index of a target palette and hand
// back the palette colour chosen, so that a ditherer can compute the error.

#include "platform/Graphics.h"

#include <array>
#include <cstdint>
#include <vector>

class TColorLookup
{
public:
    // The base ignores the palette.
    explicit TColorLookup(const TPalette &Palette);
    virtual ~TColorLookup();
    TColorLookup(const TColorLookup &) = delete;
    TColorLookup &operator=(const TColorLookup &) = delete;

    // The palette index for the colour; R, G, B receive that entry's colour.
    virtual uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) = 0;

    // Entries the lookup can answer; 0 means it cannot be used.
    int ColorCount() const { return FColorCount; }

protected:
    int FColorCount = 0;
};

// Nearest colour of any palette (sum of absolute differences), cached per
// 5:5:5 cell: the first colour looked up in a cell decides the index for every
// colour of that cell. The palette's own colours are seeded into the cache, so
// exact palette colours never search.
class TFastColorLookup : public TColorLookup
{
public:
    explicit TFastColorLookup(const TPalette &Palette);
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;

    static int CacheKey(uint8_t Red, uint8_t Green, uint8_t Blue)
    {
        return (Red >> 3) + (Green >> 3) * 32 + (Blue >> 3) * 1024;
    }

private:
    static constexpr uint16_t Unknown = 65535;
    std::array<TPaletteEntry, 256> FPaletteEntries{};
    std::vector<uint16_t> FCache;
};

// The 216-colour cube: index red level * 36 + green level * 6 + blue level.
class TNetscapeColorLookup : public TColorLookup
{
public:
    explicit TNetscapeColorLookup(const TPalette &Palette);
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
};

// 256 greys, entry i = (i, i, i).
class TGrayScaleLookup : public TColorLookup
{
public:
    explicit TGrayScaleLookup(const TPalette &Palette);
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
};

// Black (index 0) and white (index 1).
class TMonochromeLookup : public TColorLookup
{
public:
    explicit TMonochromeLookup(const TPalette &Palette);
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
};
