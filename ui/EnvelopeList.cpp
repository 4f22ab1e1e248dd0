#include "ui/EnvelopeList.h"

#include "foundation/QmIniFile.h"

#include <algorithm>

const QString TEnvelopeList::Section = QStringLiteral("Envelopes");

namespace {

QString entryName(int n)
{
    return QStringLiteral("Envelope") + QString::number(n);
}

} // namespace

void TEnvelopeList::Load()
{
    Clear();
    if (!IniFile)
        return;
    int count = IniFile->ReadInteger(Section, QStringLiteral("Count"), 0);
    // Every stored entry has its description key: a larger count is not ours.
    QStringList keys;
    IniFile->ReadSection(Section, keys);
    count = std::clamp(count, 0, int(keys.size()));
    const int defaultIndex = DefaultFromStored(IniFile->ReadInteger(Section, QStringLiteral("Default"), 1), count);
    for (int n = 1; n <= count; ++n) {
        auto data = std::make_unique<TEnvelopeData>();
        const QString name = entryName(n);
        data->LoadFromIni(*IniFile, Section, name);
        const QString description = IniFile->ReadString(Section, name, QString());
        data->MigrateOlderSetup();
        Insert(description, std::move(data));
    }
    SetDefaultIndex(defaultIndex);
}

void TEnvelopeList::Save()
{
    if (!IniFile)
        return;
    TIniUpdate batch(*IniFile);
    IniFile->EraseSection(Section);
    IniFile->WriteInteger(Section, QStringLiteral("Count"), Count());
    IniFile->WriteInteger(Section, QStringLiteral("Default"), DefaultIndex() + 1);
    for (int i = 0; i < Count(); ++i) {
        const QString name = entryName(i + 1);
        IniFile->WriteString(Section, name, Description(i));
        Object(i)->SaveToIni(Section, name);
    }
    batch.Commit();
}

void TEnvelopeList::NameEntries()
{
    for (int i = 0; i < Count(); ++i)
        Object(i)->Name = entryName(i + 1);
}
