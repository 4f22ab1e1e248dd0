// Reading a printer description that lists many paper sizes.
#include "platform/CupsPpd.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QString WriteDescription(const QTemporaryDir &dir, int sizes)
{
    QByteArray text = "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*LanguageVersion: English\n"
                      "*LanguageEncoding: ISOLatin1\n*ModelName: \"Many Sizes\"\n*NickName: \"Many Sizes\"\n"
                      "*OpenUI *PageSize: PickOne\n*DefaultPageSize: S0\n";
    QByteArray dimensions;
    for (int i = 0; i < sizes; ++i) {
        const QByteArray name = "S" + QByteArray::number(i);
        const QByteArray size = QByteArray::number(200 + i % 400) + " " + QByteArray::number(300 + i / 400);
        text += "*PageSize " + name + "/Size " + QByteArray::number(i) + ": \"<</PageSize[" + size
                + "]>>setpagedevice\"\n";
        dimensions += "*PaperDimension " + name + ": \"" + size + "\"\n";
    }
    text += "*CloseUI: *PageSize\n" + dimensions;
    const QString name = dir.filePath(QStringLiteral("many.ppd"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return name;
}

void BM_ReadPrinterDescription(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString name = WriteDescription(dir, int(state.range(0)));
    for (auto _ : state) {
        PrinterCaps caps;
        // Over 1,000 sizes the description is left aside after one look at it.
        const bool read = ReadPrinterDescriptionFile(name, 0, nullptr, caps);
        if (read != (state.range(0) <= 1000) || (read && caps.papers.size() != state.range(0)))
            state.SkipWithError("not read as expected");
        benchmark::DoNotOptimize(caps);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadPrinterDescription)
    ->RangeMultiplier(10)
    ->Range(10, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace
