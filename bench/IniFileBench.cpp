// Saving 100 envelope definitions' worth of keys (about 3,000) through the public
// store calls: each definition's printer-setup block (a 200-byte device mode, then
// three custom-size keys) and 25 list keys in "Envelopes". Reports the file rewrites.
#include "foundation/QmIniFile.h"

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
        ini.WriteString(QStringLiteral("Envelopes"), QStringLiteral("Envelope") + n, QStringLiteral("Envelope number ") + n);
        ini.WriteString(QStringLiteral("Envelopes"), QStringLiteral("Description") + n, QStringLiteral("Printer ") + n);
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

} // namespace

BENCHMARK(BM_SaveDefinitionsKeyByKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDefinitionsInOneUpdate)->Unit(benchmark::kMillisecond);
