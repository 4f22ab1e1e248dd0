// GIF decode and encode speed against giflib, measured in the same run.
//
// Inputs: a 2000x1500 "photo" (ImageMagick's plasma fractal quantised to 256
// colours, dithered), a flat 2000x1500 image and a 100-frame animation. Each
// pair of benchmarks reports Mpixel/s; compare the pairs' rates (and, for
// encoding, the "bytes" counters).

#include "gif/GIFEncoders.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

QByteArray MakeAnimation()
{
    TGIFImage image;
    for (int i = 0; i < 256; ++i)
        image.Header()->ColorMap()->Add(TColor(i * 0x010101));
    for (int f = 0; f < 100; ++f) {
        auto *sub = new TGIFSubImage(&image);
        image.Images()->Add(sub);
        sub->SetBounds(0, 0, 320, 240);
        uint8_t *p = sub->Data();
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                *p++ = uint8_t(((x + f * 3) / 4 + (y / 6) * (f % 7 + 1)) & 0xFF);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.SaveToStream(buffer);
    return bytes;
}

// Generated once per run; ImageMagick makes the photo and the flat image.
const QByteArray &Input(const std::string &Name)
{
    static std::map<std::string, QByteArray> inputs;
    static QTemporaryDir dir;
    auto it = inputs.find(Name);
    if (it != inputs.end())
        return it->second;
    QByteArray bytes;
    if (Name == "animation") {
        bytes = MakeAnimation();
    } else {
        const QString path = dir.filePath(QString::fromStdString(Name) + ".gif");
        const std::string command =
            Name == "photo" ? "convert -size 2000x1500 -seed 7 plasma:fractal -blur 0x1 -colors 256 '"
                            : "convert -size 2000x1500 xc:'#336699' -type palette '";
        if (std::system((command + path.toStdString() + "'").c_str()) != 0)
            std::fprintf(stderr, "ImageMagick's convert failed for %s\n", Name.c_str());
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    return inputs.emplace(Name, bytes).first->second;
}

struct MemoryReader
{
    const QByteArray *Bytes;
    qsizetype Pos;
};

int ReadFromMemory(GifFileType *gif, GifByteType *buffer, int size)
{
    auto *r = static_cast<MemoryReader *>(gif->UserData);
    const int n = int(std::min<qsizetype>(size, r->Bytes->size() - r->Pos));
    std::memcpy(buffer, r->Bytes->constData() + r->Pos, size_t(n));
    r->Pos += n;
    return n;
}

int64_t PixelsOf(const QByteArray &Bytes)
{
    QByteArray copy = Bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TGIFImage image;
    image.LoadFromStream(buffer);
    int64_t pixels = 0;
    for (int i = 0; i < image.Images()->Count(); ++i)
        pixels += int64_t(image.Images()->SubImages(i)->DataSize());
    return pixels;
}

void DecodeOurs(benchmark::State &State, const std::string &Name)
{
    QByteArray bytes = Input(Name);
    if (bytes.isEmpty()) {
        State.SkipWithError("no input");
        return;
    }
    for (auto _ : State) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        TGIFImage image;
        image.LoadFromStream(buffer);
        benchmark::DoNotOptimize(image.Images()->SubImages(0)->Data());
    }
    State.counters["Mpix/s"] =
        benchmark::Counter(double(PixelsOf(bytes)) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeGiflib(benchmark::State &State, const std::string &Name)
{
    const QByteArray &bytes = Input(Name);
    if (bytes.isEmpty()) {
        State.SkipWithError("no input");
        return;
    }
    for (auto _ : State) {
        MemoryReader reader{&bytes, 0};
        int error = 0;
        GifFileType *gif = DGifOpen(&reader, ReadFromMemory, &error);
        DGifSlurp(gif);
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    State.counters["Mpix/s"] =
        benchmark::Counter(double(PixelsOf(bytes)) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The indices of the input's first frame.
std::vector<uint8_t> FirstFrame(const std::string &Name, int &Width, int &Height)
{
    QByteArray copy = Input(Name);
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TGIFImage image;
    image.LoadFromStream(buffer);
    const TGIFSubImage &sub = *image.Images()->SubImages(0);
    Width = sub.Width();
    Height = sub.Height();
    return std::vector<uint8_t>(sub.Data(), sub.Data() + sub.DataSize());
}

void EncodeOurs(benchmark::State &State, const std::string &Name)
{
    int w = 0, h = 0;
    const std::vector<uint8_t> pixels = FirstFrame(Name, w, h);
    qsizetype size = 0;
    for (auto _ : State) {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        TLZWEncoder encoder;
        encoder.Compress(buffer, 8, 256, pixels.data(), false, h, w);
        size = out.size();
    }
    State.counters["Mpix/s"] =
        benchmark::Counter(double(w) * h / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    State.counters["bytes"] = double(size);
}

int WriteToMemory(GifFileType *gif, const GifByteType *buffer, int size)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(buffer), size);
    return size;
}

void EncodeGiflib(benchmark::State &State, const std::string &Name)
{
    int w = 0, h = 0;
    std::vector<uint8_t> pixels = FirstFrame(Name, w, h);
    std::vector<GifColorType> colors(256);
    qsizetype size = 0;
    for (auto _ : State) {
        QByteArray out;
        int error = 0;
        GifFileType *gif = EGifOpen(&out, WriteToMemory, &error);
        ColorMapObject *map = GifMakeMapObject(256, colors.data());
        EGifPutScreenDesc(gif, w, h, 8, 0, map);
        EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr);
        for (int y = 0; y < h; ++y)
            EGifPutLine(gif, pixels.data() + size_t(y) * size_t(w), w);
        EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
        // Header, map and trailer are not raster data.
        size = out.size() - 13 - 768 - 10 - 1;
    }
    State.counters["Mpix/s"] =
        benchmark::Counter(double(w) * h / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    State.counters["bytes"] = double(size);
}

} // namespace

BENCHMARK_CAPTURE(DecodeOurs, photo, std::string("photo"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeGiflib, photo, std::string("photo"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeOurs, flat, std::string("flat"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeGiflib, flat, std::string("flat"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeOurs, animation, std::string("animation"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeGiflib, animation, std::string("animation"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeOurs, photo, std::string("photo"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeGiflib, photo, std::string("photo"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeOurs, animation, std::string("animation"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeGiflib, animation, std::string("animation"))->Unit(benchmark::kMillisecond);
