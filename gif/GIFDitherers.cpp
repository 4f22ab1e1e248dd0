#include "gif/GIFDitherers.h"

#include <algorithm>

namespace {

inline int ClampByte(int Value)
{
    return Value < 0 ? 0 : (Value > 255 ? 255 : Value);
}

} // namespace

// ---------------------------------------------------------------------------

TDitherEngine::TDitherEngine(int Width, TColorLookup *Lookup) : FLookup(Lookup), FWidth(std::max(Width, 0)) {}

TDitherEngine::~TDitherEngine() = default;

uint8_t TDitherEngine::Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const uint8_t index = FLookup->Lookup(Red, Green, Blue, R, G, B);
    FColumn += FDirection;
    return index;
}

void TDitherEngine::NextLine()
{
    FDirection = -FDirection;
    FColumn = FDirection > 0 ? 0 : FWidth - 1;
}

// ---------------------------------------------------------------------------

TKernelDitherer::TKernelDitherer(int Width, TColorLookup *Lookup, int Rows, int Margin, int Divisor)
    : TDitherEngine(Width, Lookup), FDivisor(Divisor), FRows(Rows), FMargin(Margin), FPosition(Margin)
{
    for (auto &component : FErrors)
        component.assign(size_t(FRows), std::vector<int>(size_t(FWidth + 2 * FMargin), 0));
}

uint8_t TKernelDitherer::Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    // Columns outside the row have no error entries (a caller's slip): nearest colour only.
    if (FColumn < 0 || FColumn >= FWidth)
        return TDitherEngine::Dither(Red, Green, Blue, R, G, B);
    const int half = FDivisor / 2;
    const int in[3] = {Red, Green, Blue};
    int adjusted[3];
    for (int k = 0; k < 3; ++k)
        adjusted[k] = ClampByte(in[k] + (FErrors[size_t(k)][0][size_t(FPosition)] + half) / FDivisor);
    const uint8_t index =
        TDitherEngine::Dither(uint8_t(adjusted[0]), uint8_t(adjusted[1]), uint8_t(adjusted[2]), R, G, B);
    const int chosen[3] = {R, G, B};
    int *rows[4];
    for (int k = 0; k < 3; ++k) {
        const int error = adjusted[k] - chosen[k];
        if (error == 0)
            continue;
        for (int r = 0; r < FRows; ++r)
            rows[r] = FErrors[size_t(k)][size_t(r)].data() + FPosition;
        Spread(rows, error);
    }
    FPosition += FDirection;
    return index;
}

void TKernelDitherer::NextLine()
{
    for (auto &component : FErrors) {
        std::fill(component[0].begin(), component[0].end(), 0);
        std::rotate(component.begin(), component.begin() + 1, component.end());
    }
    TDitherEngine::NextLine();
    FDirection2 = 2 * FDirection;
    FDirection3 = 3 * FDirection;
    FPosition = FDirection > 0 ? FMargin : FWidth - 1 + FMargin;
}

T5by3Ditherer::T5by3Ditherer(int Width, TColorLookup *Lookup, int Divisor)
    : TKernelDitherer(Width, Lookup, 3, 2, Divisor)
{}

TStuckiDitherer::TStuckiDitherer(int Width, TColorLookup *Lookup) : T5by3Ditherer(Width, Lookup, 42) {}

void TStuckiDitherer::Propagate(int *Row0, int *Row1, int Error, int *Row2)
{
    const int d = FDirection, d2 = FDirection2;
    Row0[d] += Error * 8;
    Row0[d2] += Error * 4;
    Row1[-d2] += Error * 2;
    Row1[-d] += Error * 4;
    Row1[0] += Error * 8;
    Row1[d] += Error * 4;
    Row1[d2] += Error * 2;
    Row2[-d2] += Error;
    Row2[-d] += Error * 2;
    Row2[0] += Error * 4;
    Row2[d] += Error * 2;
    Row2[d2] += Error;
}

TSierraDitherer::TSierraDitherer(int Width, TColorLookup *Lookup) : T5by3Ditherer(Width, Lookup, 32) {}

void TSierraDitherer::Propagate(int *Row0, int *Row1, int Error, int *Row2)
{
    const int d = FDirection, d2 = FDirection2;
    Row0[d] += Error * 5;
    Row0[d2] += Error * 3;
    Row1[-d2] += Error * 2;
    Row1[-d] += Error * 4;
    Row1[0] += Error * 5;
    Row1[d] += Error * 4;
    Row1[d2] += Error * 2;
    Row2[-d] += Error * 2;
    Row2[0] += Error * 3;
    Row2[d] += Error * 2;
}

TJaJuNiDitherer::TJaJuNiDitherer(int Width, TColorLookup *Lookup) : T5by3Ditherer(Width, Lookup, 48) {}

void TJaJuNiDitherer::Propagate(int *Row0, int *Row1, int Error, int *Row2)
{
    const int d = FDirection, d2 = FDirection2;
    Row0[d] += Error * 7;
    Row0[d2] += Error * 5;
    Row1[-d2] += Error * 3;
    Row1[-d] += Error * 5;
    Row1[0] += Error * 7;
    Row1[d] += Error * 5;
    Row1[d2] += Error * 3;
    Row2[-d2] += Error;
    Row2[-d] += Error * 3;
    Row2[0] += Error * 5;
    Row2[d] += Error * 3;
    Row2[d2] += Error;
}

TSteveArcheDitherer::TSteveArcheDitherer(int Width, TColorLookup *Lookup)
    : TKernelDitherer(Width, Lookup, 4, 3, 200)
{}

void TSteveArcheDitherer::Spread(int *const *Rows, int Error)
{
    const int d = FDirection, d2 = FDirection2, d3 = FDirection3;
    Rows[0][d2] += Error * 32;
    Rows[1][-d3] += Error * 12;
    Rows[1][-d] += Error * 26;
    Rows[1][d] += Error * 30;
    Rows[1][d3] += Error * 16;
    Rows[2][-d2] += Error * 12;
    Rows[2][0] += Error * 26;
    Rows[2][d2] += Error * 12;
    Rows[3][-d3] += Error * 5;
    Rows[3][-d] += Error * 12;
    Rows[3][d] += Error * 12;
    Rows[3][d3] += Error * 5;
}

TBurkesDitherer::TBurkesDitherer(int Width, TColorLookup *Lookup) : TKernelDitherer(Width, Lookup, 2, 2, 32)
{}

void TBurkesDitherer::Spread(int *const *Rows, int Error)
{
    const int d = FDirection, d2 = FDirection2;
    Rows[0][d] += Error * 8;
    Rows[0][d2] += Error * 4;
    Rows[1][-d2] += Error * 2;
    Rows[1][-d] += Error * 4;
    Rows[1][0] += Error * 8;
    Rows[1][d] += Error * 4;
    Rows[1][d2] += Error * 2;
}

// ---------------------------------------------------------------------------

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int Width, TColorLookup *Lookup)
    : TDitherEngine(Width, Lookup)
{
    for (auto &row : FErrors)
        row.assign(size_t(FWidth + 2), 0);
}

uint8_t TFloydSteinbergDitherer::Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G,
                                        uint8_t &B)
{
    if (FColumn < 0 || FColumn >= FWidth)
        return TDitherEngine::Dither(Red, Green, Blue, R, G, B);
    const int in[3] = {Red, Green, Blue};
    int working[3];
    // The pixel's own entry lies one ahead of the write position.
    const size_t ahead = size_t(FPosition + FDirection);
    for (int k = 0; k < 3; ++k)
        working[k] = ClampByte(in[k] + (FCarry[size_t(k)] + FErrors[size_t(k)][ahead] + 8) / 16);
    const uint8_t index =
        TDitherEngine::Dither(uint8_t(working[0]), uint8_t(working[1]), uint8_t(working[2]), R, G, B);
    const int chosen[3] = {R, G, B};
    for (size_t k = 0; k < 3; ++k) {
        const int error = working[k] - chosen[k];
        // The entry behind is complete now: 1/16 from two pixels back, 5/16
        // from the last pixel, 3/16 from this one. The terms shift even when
        // the error is 0, so that older errors keep their columns.
        FErrors[k][size_t(FPosition)] = FPrevBelow[k] + 3 * error;
        FPrevBelow[k] = FBelow[k] + 5 * error;
        FBelow[k] = error;
        FCarry[k] = 7 * error;
    }
    FPosition += FDirection;
    return index;
}

void TFloydSteinbergDitherer::NextLine()
{
    for (size_t k = 0; k < 3; ++k) {
        FErrors[k][size_t(FPosition)] = FPrevBelow[k];
        FCarry[k] = FBelow[k] = FPrevBelow[k] = 0;
    }
    TDitherEngine::NextLine();
    FPosition = FDirection > 0 ? 0 : FWidth + 1;
}

std::unique_ptr<TDitherEngine> CreateDitherer(int DitherMode, int Width, TColorLookup *Lookup)
{
    switch (DitherMode) {
    case 0: return std::make_unique<TDitherEngine>(Width, Lookup);
    case 1: return std::make_unique<TFloydSteinbergDitherer>(Width, Lookup);
    case 2: return std::make_unique<TStuckiDitherer>(Width, Lookup);
    case 3: return std::make_unique<TSierraDitherer>(Width, Lookup);
    case 4: return std::make_unique<TJaJuNiDitherer>(Width, Lookup);
    case 5: return std::make_unique<TSteveArcheDitherer>(Width, Lookup);
    case 6: return std::make_unique<TBurkesDitherer>(Width, Lookup);
    default: return nullptr;
    }
}
