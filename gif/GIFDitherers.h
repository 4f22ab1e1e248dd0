#pragma once

// Error-diffusion ditherers. A ditherer adds the pending error of earlier
// pixels to a pixel, asks its colour lookup for the nearest palette entry and
// spreads the difference over neighbours not yet visited. Rows run in
// serpentine order: the first left to right, the next right to left, and so
// on. The caller visits columns from Column() while Column() lies within
// 0..Width()-1, calls Dither for each pixel, and NextLine after each row.
//
// Dither modes: 0 TDitherEngine (nearest colour only), 1 Floyd-Steinberg,
// 2 Stucki, 3 Sierra, 4 Jarvis-Judice-Ninke, 5 Stevenson-Arce, 6 Burkes.

#include "gif/GIFColorLookup.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TDitherEngine
{
public:
    // The lookup is not owned. A negative width counts as 0.
    TDitherEngine(int Width, TColorLookup *Lookup);
    virtual ~TDitherEngine();
    TDitherEngine(const TDitherEngine &) = delete;
    TDitherEngine &operator=(const TDitherEngine &) = delete;

    // The index chosen for the pixel at Column(); R, G, B receive the palette
    // colour. Afterwards Column() has moved by Direction().
    virtual uint8_t Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B);
    virtual void NextLine();
    // Moves past a pixel that is not dithered (a transparent one).
    void Skip() { FColumn += FDirection; }

    int Direction() const { return FDirection; }
    int Column() const { return FColumn; }
    int Width() const { return FWidth; }

protected:
    int FDirection = 1;
    int FColumn = 0;
    TColorLookup *FLookup;
    int FWidth;
};

// The shared arithmetic of the kernel ditherers: per component one error row
// for each pending picture row, column c at entry c + Margin.
class TKernelDitherer : public TDitherEngine
{
public:
    TKernelDitherer(int Width, TColorLookup *Lookup, int Rows, int Margin, int Divisor);
    uint8_t Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
    void NextLine() override;

protected:
    // Adds Error times the kernel weights; Rows[r] points at the current
    // position in pending row r of one component.
    virtual void Spread(int *const *Rows, int Error) = 0;

    int FDivisor;
    int FDirection2 = 2;
    int FDirection3 = 3;

private:
    int FRows;
    int FMargin;
    int FPosition;
    // FErrors[component][row], each Width + 2 * Margin entries.
    std::array<std::vector<std::vector<int>>, 3> FErrors;
};

// Kernels five columns wide over three rows.
class T5by3Ditherer : public TKernelDitherer
{
public:
    T5by3Ditherer(int Width, TColorLookup *Lookup, int Divisor);

protected:
    virtual void Propagate(int *Row0, int *Row1, int Error, int *Row2) = 0;
    void Spread(int *const *Rows, int Error) override { Propagate(Rows[0], Rows[1], Error, Rows[2]); }
};

class TStuckiDitherer : public T5by3Ditherer
{
public:
    TStuckiDitherer(int Width, TColorLookup *Lookup);

protected:
    void Propagate(int *Row0, int *Row1, int Error, int *Row2) override;
};

class TSierraDitherer : public T5by3Ditherer
{
public:
    TSierraDitherer(int Width, TColorLookup *Lookup);

protected:
    void Propagate(int *Row0, int *Row1, int Error, int *Row2) override;
};

class TJaJuNiDitherer : public T5by3Ditherer
{
public:
    TJaJuNiDitherer(int Width, TColorLookup *Lookup);

protected:
    void Propagate(int *Row0, int *Row1, int Error, int *Row2) override;
};

// Stevenson-Arce: seven columns over four rows.
class TSteveArcheDitherer : public TKernelDitherer
{
public:
    TSteveArcheDitherer(int Width, TColorLookup *Lookup);

protected:
    void Spread(int *const *Rows, int Error) override;
};

// Burkes: five columns over two rows.
class TBurkesDitherer : public TKernelDitherer
{
public:
    TBurkesDitherer(int Width, TColorLookup *Lookup);

protected:
    void Spread(int *const *Rows, int Error) override;
};

// Floyd-Steinberg with one error row per component: the pixel's error goes
// 7/16 to the next pixel of the row and 3/16, 5/16, 1/16 to the pixels behind,
// below and ahead in the next row. The row entries are written one position
// behind the pixel, once all three contributions to them are known.
class TFloydSteinbergDitherer : public TDitherEngine
{
public:
    TFloydSteinbergDitherer(int Width, TColorLookup *Lookup);
    uint8_t Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
    void NextLine() override;

private:
    // Column c is at entry c + 1; FPosition is the entry of the column behind
    // the next pixel (0 for left-to-right rows, Width + 1 for right-to-left).
    std::array<std::vector<int>, 3> FErrors;
    int FPosition = 0;
    std::array<int, 3> FCarry{};
    std::array<int, 3> FBelow{};
    std::array<int, 3> FPrevBelow{};
};

// The ditherer of a dither mode (0..6); null for any other mode.
std::unique_ptr<TDitherEngine> CreateDitherer(int DitherMode, int Width, TColorLookup *Lookup);
