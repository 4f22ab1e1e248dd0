#include "engine/ReturnAddressStore.h"

#include "engine/RetAddr.h"
#include "foundation/QmIniFile.h"
#include "platform/GuardedSlot.h"

#include <QStringBuilder>

const QString ReturnAddressStore::Section = QStringLiteral("ReturnAddresses");

ReturnAddressStore::ReturnAddressStore(QObject *parent) : QObject(parent) {}

ReturnAddressStore::~ReturnAddressStore()
{
    RunGuarded([this] { SaveReturnAddressList(); });
}

int ReturnAddressStore::CurrentIndex() const
{
    return m_current ? m_list.IndexOf(m_current) : -1;
}

bool ReturnAddressStore::LoadReturnAddressList()
{
    m_current = nullptr;
    m_list.Clear();
    int count = 0;
    if (IniFile) {
        const QList<int> numbers = StoredEntryNumbers(*IniFile, Section, QStringLiteral("Description"),
                                                      QStringLiteral("Address"), QStringLiteral("_Count"));
        count = int(numbers.size());
        // The stored default names an entry by its number; one that is not there
        // leaves the first entry the default.
        const int storedDefault = IniFile->ReadInteger(Section, QStringLiteral("Default"), 1);
        const TReturnAddress *defaultAddress = nullptr;
        for (int n : numbers) {
            auto address = std::make_unique<TReturnAddress>();
            address->LoadFromIni(Section, QStringLiteral("Address") + QString::number(n));
            const QString description =
                IniFile->ReadString(Section, QStringLiteral("Description") + QString::number(n), QString());
            if (n == storedDefault)
                defaultAddress = address.get();
            m_list.Insert(description, std::move(address));
        }
        m_list.SetDefaultIndex(defaultAddress ? m_list.IndexOf(defaultAddress) : 0);
    }
    if (count == 0)
        addSampleReturnAddress();
    const int index = m_list.DefaultIndex();
    m_current = m_list.ValidIndex(index) ? m_list.Object(index) : nullptr;
    emit listChanged();
    emit currentChanged();
    return count == 0;
}

void ReturnAddressStore::addSampleReturnAddress()
{
    auto address = std::make_unique<TReturnAddress>();
    address->Lines() = QStringList{QStringLiteral("Your Name"), QStringLiteral("123 Main St."),
                                   QStringLiteral("Somewhere, XX 98765")};
    m_list.SetDefaultIndex(m_list.Insert(QStringLiteral("Home"), std::move(address)));
}

void ReturnAddressStore::SaveReturnAddressList()
{
    if (!IniFile)
        return;
    // An update that fails halfway writes nothing; cleaned values cannot fail it.
    TIniUpdate batch(*IniFile);
    RewriteListHeader(*IniFile, Section, m_list.Count(), m_list.DefaultIndex());
    for (int i = 0; i < m_list.Count(); ++i) {
        const QString n = QString::number(i + 1);
        IniFile->WriteString(Section, QLatin1String("Description") % n,
                             TIniFile::StorableValue(m_list.Description(i)));
        m_list.Object(i)->SaveToIni(Section, QLatin1String("Address") % n);
    }
    batch.Commit();
}

void ReturnAddressStore::SelectReturnAddress(int Index)
{
    m_current = m_list.ValidIndex(Index) ? m_list.Object(Index) : nullptr;
    emit currentChanged();
}

int ReturnAddressStore::Add(const QString &Description, std::unique_ptr<TReturnAddress> Address)
{
    const int index = m_list.Add(Description, std::move(Address));
    emit listChanged();
    return index;
}

int ReturnAddressStore::Rename(int Index, const QString &Description)
{
    const int index = m_list.Rename(Index, Description);
    emit listChanged();
    return index;
}

void ReturnAddressStore::Delete(int Index)
{
    // Freed once the observers have let go of it.
    const std::unique_ptr<TReturnAddress> removed = m_list.Remove(Index);
    m_current = m_list.IsEmpty() ? nullptr : m_list.Object(0);
    emit listChanged();
    emit currentChanged();
}

void ReturnAddressStore::SetDefaultIndex(int Index)
{
    if (Index == m_list.DefaultIndex())
        return;
    m_list.SetDefaultIndex(Index);
    emit listChanged();
}
