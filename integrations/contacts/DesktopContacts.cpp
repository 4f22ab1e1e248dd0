#include "integrations/contacts/DesktopContacts.h"

#include "integrations/contacts/EdsContacts.h"
#include "integrations/contacts/VCardFolders.h"

const QString kAddressBookSource = QStringLiteral("the address book");

namespace {

class DesktopNameSpace : public TOutlookNameSpace
{
public:
    explicit DesktopNameSpace(std::shared_ptr<TDesktopContacts::TStores> Stores) : m_stores(std::move(Stores))
    {}

    TOutlookFolderPtr GetDefaultFolder(int FolderType) override
    {
        if (FolderType == olFolderContacts && !m_default) {
            // A store's default book may be empty (a fresh desktop's): the first one
            // that holds contacts is offered, else the first default there is.
            for (const auto &store : *m_stores) {
                TOutlookFolderPtr folder = store->DefaultContactFolder();
                if (!folder)
                    continue;
                if (!m_default)
                    m_default = folder;
                if (HoldsContacts(*folder)) {
                    m_default = folder;
                    break;
                }
            }
        }
        if (FolderType == olFolderContacts && m_default)
            return m_default;
        throw EOleException(
            kAddressBookSource,
            QStringLiteral("There is no contact folder: no Evolution address book, and no .vcf "
                           "file in %1 or a folder below it.")
                .arg(TVCardStore::DefaultRoot()));
    }
    TOutlookFolderPtr GetFolderFromID(const QString &EntryID, const QString &StoreID) override
    {
        for (const auto &store : *m_stores) {
            if (store->Owns(StoreID))
                return store->FolderFromID(EntryID, StoreID);
        }
        throw EOleException(kAddressBookSource,
                            QStringLiteral("The address book \"%1\" is not there.").arg(StoreID));
    }
    int FolderCount() override
    {
        Read();
        return int(m_top.size());
    }
    TOutlookFolderPtr Folder(int Index) override
    {
        Read();
        if (Index < 1 || Index > int(m_top.size()))
            throw EOleException(kAddressBookSource,
                                QStringLiteral("There is no address book %1.").arg(Index));
        return m_top[Index - 1];
    }

private:
    void Read()
    {
        if (m_read)
            return;
        m_read = true;
        for (const auto &store : *m_stores)
            m_top += store->TopFolders();
    }

    static bool HoldsContacts(TOutlookFolder &Folder)
    {
        try {
            return Folder.Items()->Count() > 0;
        } catch (const std::exception &) {
            return false;
        }
    }

    std::shared_ptr<TDesktopContacts::TStores> m_stores;
    TOutlookFolderPtr m_default;
    bool m_read = false;
    QList<TOutlookFolderPtr> m_top;
};

} // namespace

TDesktopContacts::TDesktopContacts(std::function<TStores()> OpenStores)
    : m_openStores(OpenStores ? std::move(OpenStores) : &TDesktopContacts::OpenDesktopStores)
{}

TDesktopContacts::TStores TDesktopContacts::OpenDesktopStores()
{
    TStores stores;
    // Evolution's address books only when its service is on the session bus.
    if (std::unique_ptr<TContactStore> eds = OpenEdsStore())
        stores.push_back(std::move(eds));
    stores.push_back(std::make_unique<TVCardStore>(TVCardStore::DefaultRoot()));
    return stores;
}

void TDesktopContacts::Connect()
{
    if (!m_stores)
        m_stores = std::make_shared<TStores>(m_openStores());
}

void TDesktopContacts::Disconnect()
{
    m_stores.reset();
}

TOutlookNameSpacePtr TDesktopContacts::GetNamespace(const QString &Type)
{
    if (!m_stores)
        throw EOleException(kAddressBookSource, QStringLiteral("The address book is not open."));
    if (Type.compare(QLatin1String("MAPI"), Qt::CaseInsensitive) != 0)
        throw EOleException(kAddressBookSource, QStringLiteral("There is no \"%1\" namespace.").arg(Type));
    return std::make_shared<DesktopNameSpace>(m_stores);
}
