// Saving 100 envelope definitions' worth of keys (about 3,000) through the public
// store calls: each definition's printer-setup block (a 200-byte device mode, then
// three custom-size keys) and 25 list keys in "Envelopes". Reports the file rewrites.
// Also what start-up does with a settings file of 100,000 sections: read it, list
// its sections, read a few keys and write one; or erase them all in one update, as
// the start-up does with printer setups no definition uses.
#include "foundation/QmIniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kDefinitions = 100;

void SaveDefinitions(TZambIniFile &ini, int &keys)
{
    const QByteArray devMode(200, '\x5a');
    ini.EraseSection(QStringLiteral("Envelopes"));
    ini.WriteInteger(QStringLiteral("Envelopes"), QStringLiteral("Count"), kDefinitions);
    keys = 1;
    for (int i = 1; i <= kDefinitions; ++i) {
        const QString section = QStringLiteral("IniId_%1").arg(1163680496 + i);
        ini.WriteBinary(section, devMode);
        ini.WriteBool(section, QStringLiteral("CustomSize"), false);
        ini.WriteInteger(section, QStringLiteral("CustomWidth"), 800);
        ini.WriteInteger(section, QStringLiteral("CustomHeight"), 400);
        keys += 1 + 7 + 3;
        const QString n = QString::number(i);
        ini.WriteString(QStringLiteral("Envelopes"), QStringLiteral("Envelope") + n,
                        QStringLiteral("Envelope number ") + n);
        ini.WriteString(QStringLiteral("Envelopes"), QStringLiteral("Description") + n,
                        QStringLiteral("Printer ") + n);
        for (int k = 0; k < 18; ++k)
            ini.WriteInteger(QStringLiteral("Envelopes"), QStringLiteral("Field%1_%2").arg(k).arg(i), k * 25);
        keys += 20;
    }
}

void Run(benchmark::State &state, bool batched)
{
    QTemporaryDir dir;
    int rewrites = 0;
    int keys = 0;
    for (auto _ : state) {
        TZambIniFile ini(dir.filePath(QStringLiteral("bench.INI")));
        if (batched) {
            TIniUpdate update(ini);
            SaveDefinitions(ini, keys);
            update.Commit();
        } else {
            SaveDefinitions(ini, keys);
        }
        rewrites = ini.RewriteCount();
    }
    state.counters["keys"] = keys;
    state.counters["rewrites"] = rewrites;
}

void BM_SaveDefinitionsKeyByKey(benchmark::State &state)
{
    Run(state, false);
}
void BM_SaveDefinitionsInOneUpdate(benchmark::State &state)
{
    Run(state, true);
}

void RunManySections(benchmark::State &state, bool erase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.INI"));
    QByteArray text;
    for (int i = 0; i < state.range(0); ++i)
        text +=
            "[IniId_" + QByteArray::number(i) + "]\nCount=1\nName=Envelope " + QByteArray::number(i) + "\n";
    for (auto _ : state) {
        state.PauseTiming();
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            state.SkipWithError("cannot write the settings file");
        f.close();
        state.ResumeTiming();
        TZambIniFile ini(path);
        QStringList sections;
        ini.ReadSections(sections);
        if (erase) {
            TIniUpdate update(ini);
            for (const QString &s : std::as_const(sections))
                ini.EraseSection(s);
            update.Commit();
        } else {
            for (int i = 0; i < 100; ++i)
                benchmark::DoNotOptimize(ini.ReadString(sections.at(i * 997 % sections.size()),
                                                        QStringLiteral("Name"), QString()));
            ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("Started"), 1);
        }
    }
    state.counters["sections"] = double(state.range(0));
}

void BM_StartWithManySections(benchmark::State &state)
{
    RunManySections(state, false);
}
void BM_EraseManySections(benchmark::State &state)
{
    RunManySections(state, true);
}

} // namespace

BENCHMARK(BM_StartWithManySections)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EraseManySections)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDefinitionsKeyByKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDefinitionsInOneUpdate)->Unit(benchmark::kMillisecond);
