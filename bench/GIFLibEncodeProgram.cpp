// The encoding half of bench_GIFCliBench built on giflib, the peer our encoder is measured
// against:  bench_GIFLibEncodeProgram FILE.gif ITER
// re-encodes the file's decoded frames ITER times into memory and prints mpix_per_s=X.
#include <gif_lib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int Collect(GifFileType *gif, const GifByteType *data, int length)
{
    auto *out = static_cast<std::vector<GifByteType> *>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE.gif ITER\n", argv[0]);
        return 2;
    }
    const int iterations = std::max(1, std::atoi(argv[2]));
    int error = 0;
    GifFileType *in = DGifOpenFileName(argv[1], &error);
    if (!in || DGifSlurp(in) != GIF_OK) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    double pixels = 0;
    for (int i = 0; i < in->ImageCount; ++i)
        pixels += double(in->SavedImages[i].ImageDesc.Width) * in->SavedImages[i].ImageDesc.Height;
    ColorMapObject *colors = in->SColorMap ? in->SColorMap : in->SavedImages[0].ImageDesc.ColorMap;
    std::vector<GifByteType> out;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < iterations; ++n) {
        out.clear();
        GifFileType *gif = EGifOpen(&out, Collect, &error);
        EGifPutScreenDesc(gif, in->SWidth, in->SHeight, colors->BitsPerPixel, 0, colors);
        for (int i = 0; i < in->ImageCount; ++i) {
            const GifImageDesc &d = in->SavedImages[i].ImageDesc;
            EGifPutImageDesc(gif, d.Left, d.Top, d.Width, d.Height, false, nullptr);
            for (int y = 0; y < d.Height; ++y)
                EGifPutLine(gif, in->SavedImages[i].RasterBits + size_t(y) * d.Width, d.Width);
        }
        EGifCloseFile(gif, &error);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("encode file=%s iter=%d pixels=%.0f bytes=%zu seconds=%.4f mpix_per_s=%.2f\n", argv[1],
                iterations, pixels, out.size(), seconds, pixels * iterations / seconds / 1e6);
    DGifCloseFile(in, &error);
    return 0;
}
