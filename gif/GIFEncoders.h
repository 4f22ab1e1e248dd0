#pragma once

// Raster data writers: a real LZW encoder and a run-length encoder whose output
// any GIF decoder reads as LZW data.

#include "gif/GIFImage.h"

#include <array>

class QIODevice;

// Packs bytes into data sub-blocks of at most 255 bytes on the target stream.
class TGIFWriter
{
public:
    explicit TGIFWriter(QIODevice &Stream) : FStream(Stream) {}
    TGIFWriter(const TGIFWriter &) = delete;
    TGIFWriter &operator=(const TGIFWriter &) = delete;

    void WriteByte(uint8_t Value)
    {
        FBuffer[FFill++] = Value;
        FOutputDirty = true;
        if (FFill == 256)
            FlushSubBlock();
    }
    int Write(const void *Buffer, int Count);
    void FlushSubBlock();
    bool OutputDirty() const { return FOutputDirty; }

private:
    QIODevice &FStream;
    uint8_t FBuffer[256] = {};
    int FFill = 1;
    bool FOutputDirty = false;
};

// The LZW dictionary: (prefix * 256 + pixel) << 12 | code in a power-of-two table at most a
// quarter full (4,096 codes at most between clears), probed linearly from a multiplicative hash.
// Lookup sits on the encoder's per-pixel path, so it is inline.
class THashTable
{
public:
    static constexpr int Bits = 14;
    static constexpr int Size = 1 << Bits;
    THashTable() { Clear(); }
    void Clear() { FEntries.fill(Empty); }
    void Insert(uint32_t Key, int Code)
    {
        uint32_t slot = HashKey(Key);
        while (FEntries[slot] != Empty)
            slot = (slot + 1) & (Size - 1);
        FEntries[slot] = (Key << 12) | (uint32_t(Code) & 0xFFF);
    }
    int Lookup(uint32_t Key) const
    {
        for (uint32_t slot = HashKey(Key);; slot = (slot + 1) & (Size - 1)) {
            const uint32_t entry = FEntries[slot];
            if (entry == Empty)
                return -1;
            if ((entry >> 12) == Key)
                return int(entry & 0xFFF);
        }
    }

private:
    // Keys below 2^20 with prefixes below 4095 never make an all-ones entry.
    static constexpr uint32_t Empty = 0xFFFFFFFFu;
    static uint32_t HashKey(uint32_t Key) { return (Key * 2654435761u) >> (32 - Bits); }
    std::array<uint32_t, Size> FEntries;
};

class TGIFEncoder
{
public:
    virtual ~TGIFEncoder() = default;
    void Compress(QIODevice &Stream, int CodeSize, int MaxColor, const uint8_t *Data, bool Interlace,
                  int Height, int Width);

protected:
    virtual void PutCode(int Code);
    virtual void EmitClear() = 0;
    virtual void EncodeData() = 0;

    // Steps to the next pixel in file order; false after the last.
    bool AdvancePixel()
    {
        if (--FPixelsLeft > 0) {
            ++FPixel;
            return true;
        }
        return NextInterlacedRow();
    }
    bool NextInterlacedRow();
    // The pixel at the current position, checked against the colour count.
    int CurrentPixel() const
    {
        const int pixel = *FPixel;
        if (pixel >= FMaxColor)
            RaiseGIFError(QStringLiteral("Color not in color table"));
        return pixel;
    }

    int FMaxColor = 0;
    int FCodeSize = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FInterlace = false;
    const uint8_t *FData = nullptr;
    TGIFWriter *FWriter = nullptr;
    uint32_t FBitBuffer = 0;
    int FBitCount = 0;
    bool FJustCleared = false;
    int FCodeWidth = 0;
    int FInitialWidth = 0;
    int FMaxCode = 0;
    int FClearCode = 0;
    int FEndCode = 0;
    int FFirstFreeCode = 0;
    const uint8_t *FPixel = nullptr;
    qint64 FPixelsLeft = 0;
    int FRow = 0;
    int FPass = 0;
};

class TLZWEncoder : public TGIFEncoder
{
protected:
    void PutCode(int Code) override;
    void EmitClear() override;
    void EncodeData() override;

private:
    int FPrefix = 0;
    int FFreeCode = 0;
    std::unique_ptr<THashTable> FHashTable;
};

class TRLEEncoder : public TGIFEncoder
{
protected:
    void EmitClear() override;
    void EncodeData() override;

private:
    void PutPlain(int Code);
    void FlushRun(int Count);
    void FlushRunFromClear(int Count);
    void FlushRunClearOrRepeat(int Count);
    void FlushRunWithTable(int Count);
    void LiftClearLimit() { FClearAt = FMaxRunCodes; }
    void RestoreClearLimit();

    int FMaxRunCodes = 0;
    int FInitialWidthStep = 0;
    int FInitialClear = 0;
    int FRunPixel = -1;
    int FRunTableMax = 0;
    int FRunTablePixel = -1;
    int FCodesOut = 0;
    int FClearAt = 0;
    int FWidthStepAt = 0;
};

int IntegerSqrt(int X);
// Codes needed to write a run of Count pixels as growing runs 1, 2, 3, ... with
// at most Codes codes between clears.
int TriangleCost(int Count, int Codes);
