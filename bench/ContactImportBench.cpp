// Importing every contact of a vCard folder: the folder is read once for the list
// and once for the import, and each ticked contact is found by its identifier.
// Two sizes ten times apart: linear work takes about ten times as long at the larger one.
#include "integrations/contacts/ContactSources.h"
#include "integrations/contacts/VCardFolders.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_ImportEveryContact(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("contacts/Friends"));
    QDir().mkpath(folder);
    const int count = int(state.range(0));
    for (int i = 0; i < count; ++i) {
        QFile card(folder + QStringLiteral("/%1.vcf").arg(i));
        card.open(QIODevice::WriteOnly);
        card.write(QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nN:Name%1;Ann;;;\nFN:Ann Name%1\n"
                                  "ADR:;;%1 Main St;Springfield;IL;62704;USA\nEND:VCARD\n")
                       .arg(i)
                       .toUtf8());
    }
    TDesktopContacts desktop([&dir] {
        TDesktopContacts::TStores stores;
        stores.push_back(std::make_unique<TVCardStore>(dir.filePath(QStringLiteral("contacts"))));
        return stores;
    });
    for (auto _ : state) {
        TOutlookContactList list(desktop, 0);
        list.SetFolder({QStringLiteral("/Friends"), TVCardStore::StoreIDText});
        list.ForgetItems();
        list.Load(false);
        int found = 0;
        for (int i = 0; i < list.Count(); ++i) {
            bool ok = false;
            list.GetContactItem(i, ok);
            found += ok;
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["contacts"] = double(count);
}

} // namespace

BENCHMARK(BM_ImportEveryContact)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
