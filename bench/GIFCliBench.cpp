// Command-line timing of our GIF codec, to be run beside the same tool built on
// another library:
//   bench_GIFCliBench decode FILE.gif ITER   decodes the file ITER times
//   bench_GIFCliBench encode FILE.gif ITER [OUT]   re-encodes its decoded indices ITER times
//                                                  (OUT: the last image data written)
// and prints one line ending in mpix_per_s=X.

#include "gif/GIFEncoders.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 4 || argc > 5
        || (std::strcmp(argv[1], "decode") != 0 && std::strcmp(argv[1], "encode") != 0)) {
        std::fprintf(stderr, "usage: %s decode|encode FILE.gif ITER [OUT]\n", argv[0]);
        return 2;
    }
    const bool decode = std::strcmp(argv[1], "decode") == 0;
    const int iterations = std::max(1, std::atoi(argv[3]));
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot open %s\n", argv[2]);
        return 1;
    }
    QByteArray bytes = file.readAll();
    try {
        TGIFImage image;
        {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            image.LoadFromStream(buffer);
        }
        double pixels = 0;
        for (int i = 0; i < image.Images()->Count(); ++i)
            pixels += double(image.Images()->SubImages(i)->DataSize());
        const int bits = std::max(2, image.BitsPerPixel());
        const auto start = std::chrono::steady_clock::now();
        qsizetype outSize = 0;
        for (int n = 0; n < iterations; ++n) {
            if (decode) {
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::ReadOnly);
                TGIFImage again;
                again.LoadFromStream(buffer);
            } else {
                QByteArray out;
                QBuffer buffer(&out);
                buffer.open(QIODevice::WriteOnly);
                for (int i = 0; i < image.Images()->Count(); ++i) {
                    TGIFSubImage &sub = *image.Images()->SubImages(i);
                    if (sub.Empty())
                        continue;
                    TLZWEncoder encoder;
                    encoder.Compress(buffer, bits, 256, sub.Data(), false, sub.Height(), sub.Width());
                }
                outSize = out.size();
                if (argc == 5 && n == iterations - 1) {
                    // The encoded image data, to compare encoders byte for byte.
                    QFile dump(QString::fromLocal8Bit(argv[4]));
                    if (!dump.open(QIODevice::WriteOnly) || dump.write(out) != out.size())
                        std::fprintf(stderr, "cannot write %s\n", argv[4]);
                }
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s file=%s iter=%d pixels=%.0f bytes=%lld seconds=%.4f mpix_per_s=%.2f\n", argv[1],
                    argv[2], iterations, pixels, static_cast<long long>(decode ? bytes.size() : outSize),
                    seconds, pixels * iterations / seconds / 1e6);
    } catch (const GIFException &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
