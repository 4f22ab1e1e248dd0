#include "ui/ReturnAddressList.h"

#include "engine/RetAddr.h"
#include "foundation/QmIniFile.h"

#include <algorithm>

const QString TReturnAddressList::Section = QStringLiteral("ReturnAddresses");

TReturnAddressList::TReturnAddressList() = default;
TReturnAddressList::~TReturnAddressList() = default;

bool TReturnAddressList::Load()
{
    Clear();
    int count = 0;
    int defaultIndex = 0;
    if (IniFile) {
        count = IniFile->ReadInteger(Section, QStringLiteral("Count"), 0);
        // Every stored entry has its description key: a larger count is not ours.
        QStringList keys;
        IniFile->ReadSection(Section, keys);
        count = std::clamp(count, 0, int(keys.size()));
        defaultIndex = DefaultFromStored(IniFile->ReadInteger(Section, QStringLiteral("Default"), 1), count);
        for (int n = 1; n <= count; ++n) {
            auto address = std::make_unique<TReturnAddress>();
            address->LoadFromIni(Section, QStringLiteral("Address") + QString::number(n));
            const QString description =
                IniFile->ReadString(Section, QStringLiteral("Description") + QString::number(n), QString());
            Insert(description, std::move(address));
        }
    }
    SetDefaultIndex(defaultIndex);
    if (count > 0)
        return false;
    AddSample();
    return true;
}

int TReturnAddressList::AddSample()
{
    auto address = std::make_unique<TReturnAddress>();
    address->Lines() = QStringList{QStringLiteral("Your Name"), QStringLiteral("123 Main St."),
                                   QStringLiteral("Somewhere, XX 98765")};
    const int index = Insert(QStringLiteral("Home"), std::move(address));
    SetDefaultIndex(index);
    return index;
}

void TReturnAddressList::Save()
{
    if (!IniFile)
        return;
    // An update that fails halfway writes nothing; cleaned values cannot fail it.
    TIniUpdate batch(*IniFile);
    IniFile->EraseSection(Section);
    IniFile->WriteInteger(Section, QStringLiteral("Count"), Count());
    IniFile->WriteInteger(Section, QStringLiteral("Default"), DefaultIndex() + 1);
    for (int i = 0; i < Count(); ++i) {
        const QString n = QString::number(i + 1);
        IniFile->WriteString(Section, QStringLiteral("Description") + n, TIniFile::StorableValue(Description(i)));
        Object(i)->SaveToIni(Section, QStringLiteral("Address") + n);
    }
    batch.Commit();
}
