#include "gif/GIFEncoders.h"

#include "gif/GIFSubImage.h"

#include <QIODevice>

#include <cstring>

namespace {

constexpr uint32_t CodeMask(int Width)
{
    return (1u << Width) - 1;
}

} // namespace

// ---------------------------------------------------------------- writer

int TGIFWriter::Write(const void *Buffer, int Count)
{
    const auto *p = static_cast<const uint8_t *>(Buffer);
    for (int i = 0; i < Count; ++i)
        WriteByte(p[i]);
    return Count;
}

void TGIFWriter::FlushSubBlock()
{
    FBuffer[0] = uint8_t(FFill - 1);
    const int fill = FFill;
    FFill = 1;
    FOutputDirty = false;
    WriteExact(FStream, FBuffer, fill);
}

// ---------------------------------------------------------------- base encoder

void TGIFEncoder::Compress(QIODevice &Stream, int CodeSize, int MaxColor, const uint8_t *Data, bool Interlace,
                           int Height, int Width)
{
    if (CodeSize < 2)
        CodeSize = 2;
    if (CodeSize > 8)
        RaiseGIFError(QStringLiteral("Invalid LZW code size"));
    ::WriteByte(Stream, uint8_t(CodeSize));
    FCodeSize = CodeSize;
    FMaxColor = MaxColor;
    FData = Data;
    FInterlace = Interlace;
    FWidth = Width;
    FHeight = Height;
    FCodeWidth = FInitialWidth = CodeSize + 1;
    FMaxCode = int(CodeMask(FCodeWidth));
    FClearCode = 1 << (FInitialWidth - 1);
    FEndCode = FClearCode + 1;
    FFirstFreeCode = FClearCode + 2;
    FBitBuffer = 0;
    FBitCount = 0;
    FPixel = Data;
    FRow = 0;
    FPass = 0;
    FPixelsLeft = Interlace ? Width : qint64(Width) * Height;

    TGIFWriter writer(Stream);
    FWriter = &writer;
    try {
        if (Data && Width >= 1 && Height >= 1)
            EncodeData();
        PutCode(FEndCode);
    } catch (...) {
        FWriter = nullptr;
        // Keep what was written so far.
        if (writer.OutputDirty()) {
            try {
                writer.FlushSubBlock();
            } catch (...) {
            }
        }
        throw;
    }
    FWriter = nullptr;
    if (writer.OutputDirty())
        writer.FlushSubBlock();
    ::WriteByte(Stream, 0);
}

void TGIFEncoder::PutCode(int Code)
{
    FBitBuffer &= CodeMask(FBitCount);
    FBitBuffer |= uint32_t(Code) << FBitCount;
    FBitCount += FCodeWidth;
    while (FBitCount >= 8) {
        FWriter->WriteByte(uint8_t(FBitBuffer & 0xFF));
        FBitBuffer >>= 8;
        FBitCount -= 8;
    }
    if (Code == FEndCode && FBitCount > 0) {
        FWriter->WriteByte(uint8_t(FBitBuffer & CodeMask(FBitCount)));
        FBitBuffer = 0;
        FBitCount = 0;
    }
}

bool TGIFEncoder::NextInterlacedRow()
{
    if (!FInterlace)
        return false;
    FPixelsLeft = FWidth;
    static const int step[4] = {8, 8, 4, 2};
    static const int nextStart[3] = {4, 2, 1};
    FRow += step[FPass];
    while (FRow >= FHeight && FPass < 3) {
        FRow = nextStart[FPass];
        ++FPass;
    }
    if (FRow >= FHeight)
        return false;
    FPixel = FData + size_t(FRow) * size_t(FWidth);
    return true;
}

// ---------------------------------------------------------------- LZW

void TLZWEncoder::PutCode(int Code)
{
    TGIFEncoder::PutCode(Code);
    if (FFreeCode > FMaxCode || FJustCleared) {
        if (FJustCleared) {
            FCodeWidth = FInitialWidth;
            FMaxCode = int(CodeMask(FCodeWidth));
            FJustCleared = false;
        } else {
            ++FCodeWidth;
            FMaxCode = FCodeWidth >= 12 ? 4096 : int(CodeMask(FCodeWidth));
        }
    }
}

void TLZWEncoder::EmitClear()
{
    FJustCleared = true;
    PutCode(FClearCode);
    FHashTable->Clear();
    FFreeCode = FClearCode + 2;
}

void TLZWEncoder::EncodeData()
{
    FHashTable = std::make_unique<THashTable>();
    THashTable &table = *FHashTable;
    FFreeCode = FClearCode + 2;
    EmitClear();
    FPrefix = CurrentPixel();
    const int maxColor = FMaxColor;
    for (;;) {
        // Extends the prefix while the dictionary knows the string, in locals: almost every
        // pixel takes only this loop.
        const uint8_t *pixels = FPixel;
        qint64 left = FPixelsLeft;
        int prefix = FPrefix;
        int pixel = 0;
        bool known = true;
        while (--left > 0) {
            pixel = *++pixels;
            if (pixel >= maxColor)
                RaiseGIFError(QStringLiteral("Color not in color table"));
            const int code = table.Lookup(uint32_t(prefix) * 256 + uint32_t(pixel));
            if (code < 0) {
                known = false;
                break;
            }
            prefix = code;
        }
        FPixel = pixels;
        FPixelsLeft = left > 0 ? left : 0;
        FPrefix = prefix;
        if (known) {
            // The row ended: interlaced images go on with their next row.
            if (!NextInterlacedRow())
                break;
            pixel = CurrentPixel();
            const int code = table.Lookup(uint32_t(prefix) * 256 + uint32_t(pixel));
            if (code >= 0) {
                FPrefix = code;
                continue;
            }
        }
        PutCode(prefix);
        FPrefix = pixel;
        if (FFreeCode >= 4095) {
            EmitClear();
        } else {
            table.Insert(uint32_t(prefix) * 256 + uint32_t(pixel), FFreeCode);
            ++FFreeCode;
        }
    }
    PutCode(FPrefix);
    FHashTable.reset();
}

// ---------------------------------------------------------------- run-length

int IntegerSqrt(int X)
{
    if (X < 2)
        return X;
    int digits = 0;
    for (unsigned v = unsigned(X); v != 0; v >>= 2)
        ++digits;
    int r = 1 << digits;
    for (;;) {
        const int next = (X / r + r) / 2;
        if (next == r || next == r + 1)
            return r;
        r = next;
    }
}

int TriangleCost(int Count, int Codes)
{
    const int per = Codes * (Codes + 1) / 2;
    int cost = per > 0 ? Codes * (Count / per) : 0;
    const int rest = per > 0 ? Count % per : Count;
    if (rest > 0) {
        int n = IntegerSqrt(2 * rest);
        while (n > 1 && (n - 1) * n >= 2 * rest)
            --n;
        while (n * (n + 1) < 2 * rest)
            ++n;
        cost += n;
    }
    return cost;
}

void TRLEEncoder::EmitClear()
{
    FWidthStepAt = FInitialWidthStep;
    FClearAt = FInitialClear;
    FCodesOut = 0;
    FRunTableMax = 0;
    FJustCleared = true;
    PutCode(FClearCode);
    FCodeWidth = FInitialWidth;
}

void TRLEEncoder::PutPlain(int Code)
{
    FJustCleared = false;
    PutCode(Code);
    ++FCodesOut;
    if (FCodesOut == FWidthStepAt) {
        ++FCodeWidth;
        FWidthStepAt += 1 << (FCodeWidth - 1);
    }
    if (FCodesOut == FClearAt)
        EmitClear();
}

void TRLEEncoder::RestoreClearLimit()
{
    FClearAt = FInitialClear;
    if (FCodesOut >= FClearAt)
        EmitClear();
}

void TRLEEncoder::FlushRun(int Count)
{
    if (Count == 1)
        PutPlain(FRunPixel);
    else if (FJustCleared)
        FlushRunFromClear(Count);
    else if (FRunTableMax < 2 || FRunTablePixel != FRunPixel)
        FlushRunClearOrRepeat(Count);
    else
        FlushRunWithTable(Count);
}

void TRLEEncoder::FlushRunFromClear(int Count)
{
    LiftClearLimit();
    FRunTablePixel = FRunPixel;
    int n = 1;
    while (Count > 0) {
        if (n == 1) {
            FRunTableMax = 1;
            PutPlain(FRunPixel);
            Count -= 1;
        } else if (n <= Count) {
            FRunTableMax = n;
            PutPlain(FFirstFreeCode + n - 2);
            Count -= n;
        } else {
            if (Count == 1)
                PutPlain(FRunPixel);
            else
                PutPlain(FFirstFreeCode + Count - 2);
            ++FRunTableMax;
            Count = 0;
        }
        n = FCodesOut == 0 ? 1 : n + 1;
    }
    RestoreClearLimit();
}

void TRLEEncoder::FlushRunClearOrRepeat(int Count)
{
    if (1 + TriangleCost(Count, FMaxRunCodes) < Count) {
        EmitClear();
        FlushRunFromClear(Count);
    } else {
        for (int i = 0; i < Count; ++i)
            PutPlain(FRunPixel);
    }
}

void TRLEEncoder::FlushRunWithTable(int Count)
{
    int repeats = Count / FRunTableMax;
    int leftover = Count % FRunTableMax;
    int extra = leftover != 0 ? 1 : 0;
    if (FCodesOut + repeats + extra > FMaxRunCodes) {
        repeats = FMaxRunCodes - FCodesOut;
        leftover = Count - repeats * FRunTableMax;
        extra = 1 + TriangleCost(leftover, FMaxRunCodes);
    }
    if (1 + TriangleCost(Count, FMaxRunCodes) < repeats + extra) {
        EmitClear();
        FlushRunFromClear(Count);
        return;
    }
    LiftClearLimit();
    for (int i = 0; i < repeats; ++i)
        PutPlain(FFirstFreeCode + FRunTableMax - 2);
    if (leftover > 0) {
        if (FJustCleared)
            FlushRunFromClear(leftover);
        else if (leftover == 1)
            PutPlain(FRunPixel);
        else
            PutPlain(FFirstFreeCode + leftover - 2);
    }
    RestoreClearLimit();
}

void TRLEEncoder::EncodeData()
{
    FInitialWidthStep = FClearCode - 1;
    FInitialClear = FCodeSize <= 3 ? 9 : FClearCode - 2;
    FMaxRunCodes = 4095 - FFirstFreeCode;
    EmitClear();
    int run = 0;
    FRunPixel = -1;
    do {
        const int pixel = CurrentPixel();
        if (pixel == FRunPixel) {
            ++run;
            continue;
        }
        if (run > 0)
            FlushRun(run);
        FRunPixel = pixel;
        run = 1;
    } while (AdvancePixel());
    if (run > 0)
        FlushRun(run);
}

// ---------------------------------------------------------------- sub-image

void EncodeSubImage(TGIFSubImage &SubImage, QIODevice &Stream)
{
    int codeSize;
    int maxColor;
    if (SubImage.ColorMap()->Count() > 0) {
        maxColor = SubImage.ColorMap()->Count();
        codeSize = SubImage.ColorMap()->BitsPerPixel();
    } else {
        codeSize = SubImage.Image() ? SubImage.Image()->BitsPerPixel() : SubImage.BitsPerPixel();
        maxColor = 1 << codeSize;
    }
    std::unique_ptr<TGIFEncoder> encoder;
    if (SubImage.Image() && SubImage.Image()->Compression() == 1)
        encoder = std::make_unique<TRLEEncoder>();
    else
        encoder = std::make_unique<TLZWEncoder>();
    encoder->Compress(Stream, codeSize, maxColor, SubImage.Data(), SubImage.Interlaced(), SubImage.Height(),
                      SubImage.Width());
}
