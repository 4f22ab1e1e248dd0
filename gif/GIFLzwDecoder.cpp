// Decodes the LZW raster data of one sub-image into its pixel buffer.
//
// Every string in the code table is a run of pixels already written to the
// output (the previous string plus the first pixel of the one after it), so the
// table holds only where each string starts and how long it is, and a code is
// decoded by copying bytes within the output. Corrupt data warns and stops the
// image; the data sub-blocks are always read to their terminator so that the
// blocks after the image still load.

#include "gif/GIFExtensions.h"
#include "gif/GIFSubImage.h"

#include <QIODevice>

#include <cstring>
#include <vector>

namespace {

constexpr int TableSize = 4096;

class TLzwDecoder
{
public:
    TLzwDecoder(TGIFSubImage &SubImage, QIODevice &Stream) : FSubImage(SubImage), FStream(Stream) {}

    void Decode(uint8_t *Out, size_t Total, int CodeSize);
    void SkipRest()
    {
        if (!FInputDone)
            SkipSubBlocks(FStream);
    }

private:
    bool NextBlock();
    int ReadCode(int Width)
    {
        while (FBits < Width) {
            if (FBlockPos == FBlockLen && !NextBlock())
                return -1;
            FAccumulator |= uint32_t(FBlock[FBlockPos++]) << FBits;
            FBits += 8;
        }
        const int code = int(FAccumulator & ((1u << Width) - 1));
        FAccumulator >>= Width;
        FBits -= Width;
        return code;
    }

    TGIFSubImage &FSubImage;
    QIODevice &FStream;
    uint8_t FBlock[256];
    int FBlockPos = 0;
    int FBlockLen = 0;
    uint32_t FAccumulator = 0;
    int FBits = 0;
    bool FInputDone = false;
    bool FTerminatorSeen = false;
    uint32_t FEntryPos[TableSize];
    uint16_t FEntryLen[TableSize];
};

bool TLzwDecoder::NextBlock()
{
    if (FInputDone)
        return false;
    uint8_t length;
    if (!ReadByteChecked(FStream, length)) {
        FInputDone = true;
        return false;
    }
    if (length == 0) {
        FInputDone = FTerminatorSeen = true;
        return false;
    }
    const qint64 got = FStream.read(reinterpret_cast<char *>(FBlock), length);
    if (got < length) {
        FSubImage.Warning(gsWarning, QStringLiteral("Premature end of data"));
        FInputDone = true;
        if (got <= 0)
            return false;
    }
    FBlockLen = int(got);
    FBlockPos = 0;
    return true;
}

void TLzwDecoder::Decode(uint8_t *Out, size_t Total, int CodeSize)
{
    const int clearCode = 1 << CodeSize;
    const int endCode = clearCode + 1;
    int width = CodeSize + 1;
    int limit = 2 * clearCode;
    int next = clearCode + 2;
    bool afterClear = true;
    size_t prevPos = 0;
    size_t prevLen = 0;
    size_t pos = 0;

    auto corrupt = [&] { FSubImage.Warning(gsWarning, QStringLiteral("Invalid LZW code")); };

    while (pos < Total) {
        const int code = ReadCode(width);
        if (code < 0) {
            if (FTerminatorSeen)
                FSubImage.Warning(gsWarning, QStringLiteral("Decoder bit buffer under-run"));
            return;
        }
        if (code == clearCode) {
            width = CodeSize + 1;
            limit = 2 * clearCode;
            next = clearCode + 2;
            afterClear = true;
            continue;
        }
        if (code == endCode)
            return;
        if (afterClear) {
            // Only a plain pixel can follow a clear code.
            if (code > clearCode) {
                corrupt();
                return;
            }
            Out[pos] = uint8_t(code);
            prevPos = pos;
            prevLen = 1;
            ++pos;
            afterClear = false;
            continue;
        }
        if (code > next) {
            corrupt();
            return;
        }
        const bool unknown = code == next;
        size_t srcPos = 0;
        size_t len = 1;
        if (code > endCode && !unknown) {
            srcPos = FEntryPos[code];
            len = FEntryLen[code];
        }
        if (next < TableSize) {
            FEntryPos[next] = uint32_t(prevPos);
            FEntryLen[next] = uint16_t(prevLen + 1);
            ++next;
            if (next == limit && limit < TableSize) {
                limit *= 2;
                ++width;
            }
        }
        const size_t room = Total - pos;
        if (code < clearCode) {
            Out[pos] = uint8_t(code);
        } else if (unknown) {
            // The string not yet in the table: the previous string followed
            // by its own first pixel, which overlaps the bytes being written.
            len = prevLen + 1;
            const size_t n = std::min(len, room);
            std::memcpy(Out + pos, Out + prevPos, std::min(prevLen, n));
            if (n > prevLen)
                Out[pos + prevLen] = Out[prevPos];
        } else {
            std::memcpy(Out + pos, Out + srcPos, std::min(len, room));
        }
        prevPos = pos;
        prevLen = len;
        pos += std::min(len, room);
    }
}

} // namespace

void DecodePixels(TGIFSubImage &SubImage, QIODevice &Stream)
{
    SubImage.AllocateData();
    uint8_t *data = SubImage.Data();
    const size_t total = SubImage.DataSize();
    uint8_t fill = 0;
    if (SubImage.Transparent() && SubImage.GraphicControlExtension())
        fill = SubImage.GraphicControlExtension()->TransparentColorIndex();
    if (data && fill != 0)
        std::memset(data, fill, total);

    uint8_t codeSize;
    if (!ReadByteChecked(Stream, codeSize))
        return;
    if (codeSize < 2 || codeSize > 8) {
        SubImage.Warning(gsWarning, QStringLiteral("Invalid LZW code size"));
        SkipSubBlocks(Stream);
        return;
    }

    auto decoder = std::make_unique<TLzwDecoder>(SubImage, Stream);
    if (total == 0) {
        decoder->SkipRest();
        return;
    }
    if (!SubImage.Interlaced()) {
        decoder->Decode(data, total, codeSize);
    } else {
        // Decode in stream order, then place the rows in interlace order.
        std::vector<uint8_t> sequence(total, fill);
        decoder->Decode(sequence.data(), total, codeSize);
        const size_t width = size_t(SubImage.Width());
        const int height = SubImage.Height();
        const uint8_t *src = sequence.data();
        static const int start[4] = {0, 4, 2, 1};
        static const int step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int row = start[pass]; row < height; row += step[pass], src += width)
                std::memcpy(data + size_t(row) * width, src, width);
    }
    decoder->SkipRest();
}
