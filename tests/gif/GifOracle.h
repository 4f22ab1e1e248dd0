#pragma once

// Test helpers for the GIF tests: giflib as an independent decoder and encoder,
// and builders for hand-made streams.

#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

#include <gif_lib.h>

#include <cstring>
#include <utility>
#include <vector>

namespace giftest {

struct OracleFrame
{
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlace = false;
    std::vector<uint8_t> Pixels;
};

struct OracleGif
{
    int Error = 0;
    int Width = 0, Height = 0;
    int GlobalColors = 0;
    std::vector<OracleFrame> Frames;
};

struct MemoryReader
{
    const QByteArray *Bytes;
    qsizetype Pos = 0;
};

inline int ReadFromMemory(GifFileType *gif, GifByteType *buffer, int size)
{
    auto *r = static_cast<MemoryReader *>(gif->UserData);
    const int n = int(std::min<qsizetype>(size, r->Bytes->size() - r->Pos));
    std::memcpy(buffer, r->Bytes->constData() + r->Pos, size_t(n));
    r->Pos += n;
    return n;
}

// Decodes with giflib; rows come back in display order.
inline OracleGif OracleDecode(const QByteArray &Bytes)
{
    OracleGif result;
    MemoryReader reader{&Bytes};
    int error = 0;
    GifFileType *gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (!gif) {
        result.Error = error ? error : -1;
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK)
        result.Error = gif->Error ? gif->Error : -1;
    result.Width = gif->SWidth;
    result.Height = gif->SHeight;
    result.GlobalColors = gif->SColorMap ? gif->SColorMap->ColorCount : 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage &s = gif->SavedImages[i];
        OracleFrame f;
        f.Left = s.ImageDesc.Left;
        f.Top = s.ImageDesc.Top;
        f.Width = s.ImageDesc.Width;
        f.Height = s.ImageDesc.Height;
        f.Interlace = s.ImageDesc.Interlace;
        if (s.RasterBits)
            f.Pixels.assign(s.RasterBits, s.RasterBits + size_t(f.Width) * size_t(f.Height));
        result.Frames.push_back(std::move(f));
    }
    DGifCloseFile(gif, &error);
    return result;
}

inline int WriteToMemory(GifFileType *gif, const GifByteType *buffer, int size)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(buffer), size);
    return size;
}

// Writes one frame with giflib (a global map of 2^Bits grey entries).
inline QByteArray OracleEncode(int Width, int Height, int Bits, const std::vector<uint8_t> &Pixels,
                               bool Interlace)
{
    QByteArray out;
    int error = 0;
    GifFileType *gif = EGifOpen(&out, WriteToMemory, &error);
    std::vector<GifColorType> colors(size_t(1) << Bits);
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = {GifByteType(i * 255 / colors.size()), GifByteType(i),
                     GifByteType(255 - i * 255 / colors.size())};
    ColorMapObject *map = GifMakeMapObject(int(colors.size()), colors.data());
    EGifPutScreenDesc(gif, Width, Height, Bits, 0, map);
    EGifPutImageDesc(gif, 0, 0, Width, Height, Interlace, nullptr);
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    auto row = [&](int y) {
        EGifPutLine(gif, const_cast<GifPixelType *>(Pixels.data() + size_t(y) * size_t(Width)), Width);
    };
    if (Interlace) {
        for (int p = 0; p < 4; ++p)
            for (int y = start[p]; y < Height; y += step[p])
                row(y);
    } else {
        for (int y = 0; y < Height; ++y)
            row(y);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// Packs codes (value, width) least significant bit first into data sub-blocks,
// preceded by the code-size byte and followed by the terminator.
inline QByteArray PackCodes(int CodeSize, const std::vector<std::pair<int, int>> &Codes,
                            bool Terminate = true)
{
    QByteArray bytes;
    uint32_t acc = 0;
    int bits = 0;
    for (auto [code, width] : Codes) {
        acc |= uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        bytes.append(char(acc & 0xFF));
    QByteArray out;
    out.append(char(CodeSize));
    for (qsizetype at = 0; at < bytes.size(); at += 255) {
        const auto n = std::min<qsizetype>(255, bytes.size() - at);
        out.append(char(n));
        out.append(bytes.mid(at, n));
    }
    if (Terminate)
        out.append('\0');
    return out;
}

// A GIF stream: header with a global map of 2^Bits entries, then the given
// image blocks (descriptor + raster data each) and the trailer.
inline QByteArray ImageBlock(int Width, int Height, bool Interlace, const QByteArray &Raster)
{
    QByteArray b;
    b.append(',');
    const uint16_t v[4] = {0, 0, uint16_t(Width), uint16_t(Height)};
    for (uint16_t x : v) {
        b.append(char(x & 0xFF));
        b.append(char(x >> 8));
    }
    b.append(char(Interlace ? 0x40 : 0));
    b.append(Raster);
    return b;
}

inline QByteArray MakeGif(int Width, int Height, int Bits, const QByteArray &Blocks, bool Trailer = true)
{
    QByteArray b("GIF89a");
    b.append(char(Width & 0xFF));
    b.append(char(Width >> 8));
    b.append(char(Height & 0xFF));
    b.append(char(Height >> 8));
    b.append(char(0x80 | 0x70 | ((Bits - 1) & 7)));
    b.append('\0');
    b.append('\0');
    for (int i = 0; i < (1 << Bits); ++i) {
        b.append(char(i));
        b.append(char(i));
        b.append(char(i));
    }
    b.append(Blocks);
    if (Trailer)
        b.append(';');
    return b;
}

// Loads a stream into an image, collecting its warnings; an exception is
// returned as its message.
struct Loaded
{
    std::unique_ptr<TGIFImage> Image = std::make_unique<TGIFImage>();
    QStringList Warnings;
    QString Error;
};

inline Loaded LoadGif(const QByteArray &Bytes)
{
    Loaded result;
    QStringList *warnings = &result.Warnings;
    result.Image->SetOnWarning(
        [warnings](const void *, TGIFSeverity, const QString &m) { warnings->append(m); });
    QByteArray copy = Bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    try {
        result.Image->LoadFromStream(buffer);
    } catch (const GIFException &e) {
        result.Error = e.Message();
    }
    return result;
}

// The whole image as a GIF stream.
inline QByteArray SaveImage(TGIFImage &Image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Image.SaveToStream(buffer);
    return bytes;
}

inline std::vector<uint8_t> Pixels(const TGIFSubImage &Sub)
{
    return Sub.Data() ? std::vector<uint8_t>(Sub.Data(), Sub.Data() + Sub.DataSize())
                      : std::vector<uint8_t>();
}

} // namespace giftest
