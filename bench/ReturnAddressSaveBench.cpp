// Saving and loading a list of return addresses, each three lines, a picture name
// and its size, as the return addresses manager does (one update for the whole
// list; each address's string list is an update nested in it). Two sizes ten times
// apart: linear work takes about ten times as long at the larger one.
#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<ReturnAddressStore> Addresses(int count)
{
    auto store = std::make_unique<ReturnAddressStore>();
    for (int i = 0; i < count; ++i) {
        auto address = std::make_unique<TReturnAddress>();
        address->Lines() = QStringList{QStringLiteral("Name %1").arg(i), QStringLiteral("%1 Main St.").arg(i),
                                       QStringLiteral("Somewhere, XX 98765")};
        store->Add(QStringLiteral("Address %1").arg(i, 6, 10, QLatin1Char('0')), std::move(address));
    }
    return store;
}

void BM_SaveReturnAddresses(benchmark::State &state)
{
    QTemporaryDir dir;
    IniFile = new TZambIniFile(dir.filePath(QStringLiteral("bench.INI")));
    {
        const auto store = Addresses(int(state.range(0)));
        for (auto _ : state)
            store->SaveReturnAddressList();
    }
    state.counters["addresses"] = double(state.range(0));
    delete IniFile;
    IniFile = nullptr;
}

void BM_LoadReturnAddresses(benchmark::State &state)
{
    QTemporaryDir dir;
    IniFile = new TZambIniFile(dir.filePath(QStringLiteral("bench.INI")));
    Addresses(int(state.range(0)))->SaveReturnAddressList();
    {
        ReturnAddressStore store;
        for (auto _ : state)
            store.LoadReturnAddressList();
    }
    state.counters["addresses"] = double(state.range(0));
    delete IniFile;
    IniFile = nullptr;
}

} // namespace

// Several rounds at the larger size: the first one also pays for fresh memory.
BENCHMARK(BM_SaveReturnAddresses)->Arg(3000)->Arg(30000)->MinTime(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadReturnAddresses)->Arg(3000)->Arg(30000)->MinTime(5)->Unit(benchmark::kMillisecond);
