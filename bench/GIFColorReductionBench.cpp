// Colour reduction of a 2000 x 1500 photo-like picture to 256 colours: our
// octree reduction against ImageMagick's "-colors 256", measured in the same
// run. ImageMagick runs as a command; its reduction time is the time of
// "convert in.ppm -colors 256 out.ppm" minus that of "convert in.ppm out.ppm"
// (reading, writing and start-up), single-threaded (MAGICK_THREAD_LIMIT=1).
// Each of our benchmarks reports vs_magick = our time / ImageMagick's time.

#include "gif/GIFColorReduction.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int Width = 2000;
constexpr int Height = 1500;

// Smooth colour fields with fine texture, the way a photo looks to a quantiser.
QImage MakePhoto()
{
    QImage image(Width, Height, QImage::Format_RGB32);
    uint32_t seed = 12345;
    for (int y = 0; y < Height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < Width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const double fx = x / double(Width), fy = y / double(Height);
            const int r = int(127 + 120 * std::sin(6.0 * fx + 2.0 * fy)) + noise;
            const int g = int(127 + 120 * std::sin(4.0 * fy - 3.0 * fx * fy + 1.0)) + noise;
            const int b = int(127 + 120 * std::cos(5.0 * fx * fx + 3.0 * fy)) + noise;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

// Root mean square error per colour component against the original.
double Rmse(const QImage &original, const QImage &reduced)
{
    const QImage a = original.convertToFormat(QImage::Format_RGB32);
    const QImage b = reduced.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size())
        return -1;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        auto *la = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        auto *lb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int dr = qRed(la[x]) - qRed(lb[x]), dg = qGreen(la[x]) - qGreen(lb[x]),
                      db = qBlue(la[x]) - qBlue(lb[x]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    return std::sqrt(sum / (3.0 * a.width() * a.height()));
}

struct Fixture
{
    QTemporaryDir dir;
    QString input;
    QImage photo;
    TBitmap bitmap;
    std::map<QString, double> magickRmse;
    std::map<QString, double> magickSeconds; // by dither option

    Fixture()
    {
        photo = MakePhoto();
        input = dir.filePath("photo.ppm");
        photo.save(input, "PPM");
        bitmap.FromImage(photo);
    }

    static double RunConvert(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("MAGICK_THREAD_LIMIT", "1");
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start("convert", arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0)
            return -1;
        return timer.nsecsElapsed() / 1e9;
    }

    // Median over five runs of (reduction - plain copy).
    double MagickSeconds(const QString &dither)
    {
        auto found = magickSeconds.find(dither);
        if (found != magickSeconds.end())
            return found->second;
        const QString output = dir.filePath("out.ppm");
        std::vector<double> samples;
        for (int i = 0; i < 5; ++i) {
            const double plain = RunConvert({input, output});
            const double reduced =
                RunConvert(QStringList{input} + dither.split(' ') + QStringList{"-colors", "256", output});
            if (plain < 0 || reduced < 0)
                return -1;
            samples.push_back(reduced - plain);
        }
        magickRmse[dither] = Rmse(photo, QImage(output, "PPM"));
        std::sort(samples.begin(), samples.end());
        return magickSeconds[dither] = samples[samples.size() / 2];
    }
};

Fixture &Shared()
{
    static Fixture fixture;
    return fixture;
}

void Ours(benchmark::State &state, int method, int ditherMode, const QString &magickDither)
{
    Fixture &fixture = Shared();
    double total = 0;
    int64_t runs = 0;
    std::unique_ptr<TBitmap> last;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto reduced = ReduceColors(fixture.bitmap, method, ditherMode, 8, TPalette());
        benchmark::DoNotOptimize(reduced.get());
        total += timer.nsecsElapsed() / 1e9;
        ++runs;
        last = std::move(reduced);
    }
    if (last)
        state.counters["rmse"] = Rmse(fixture.photo, last->ToImage());
    state.counters["mpix_per_s"] = benchmark::Counter(double(Width) * Height * double(runs) / 1e6 / total);
    if (!magickDither.isEmpty()) {
        const double magick = fixture.MagickSeconds(magickDither);
        if (magick > 0) {
            state.counters["magick_s"] = magick;
            state.counters["vs_magick"] = (total / double(runs)) / magick;
            state.counters["magick_rmse"] = fixture.magickRmse[magickDither];
        } else {
            state.SetLabel("ImageMagick's convert did not run");
        }
    }
}

void Magick(benchmark::State &state, const QString &dither)
{
    Fixture &fixture = Shared();
    for (auto _ : state) {
        const QString output = fixture.dir.filePath("out.ppm");
        const double plain = Fixture::RunConvert({fixture.input, output});
        const double reduced = Fixture::RunConvert(QStringList{fixture.input} + dither.split(' ')
                                                   + QStringList{"-colors", "256", output});
        if (plain < 0 || reduced < 0) {
            state.SkipWithError("ImageMagick's convert did not run");
            break;
        }
        state.SetIterationTime(std::max(reduced - plain, 1e-6));
    }
}

} // namespace

BENCHMARK_CAPTURE(Ours, OctreeNoDither, int(rmQuantize), 0, QString("+dither"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, OctreeFloydSteinberg, int(rmQuantize), 1, QString("-dither FloydSteinberg"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, OctreeWithSystemColours, int(rmQuantizeWindows), 1, QString())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, ColourCubeFloydSteinberg, int(rmNetscape), 1, QString())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Magick, ColorsNoDither, QString("+dither"))
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Magick, ColorsFloydSteinberg, QString("-dither FloydSteinberg"))
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
