#pragma once

#include "integrations/contacts/ContactModel.h"

#include <QList>

#include <functional>
#include <memory>
#include <vector>

// One place that keeps contacts: its top folders, and a folder found by identifiers.
class TContactStore
{
public:
    virtual ~TContactStore() = default;
    virtual bool Owns(const QString &StoreID) const = 0;
    virtual QList<TOutlookFolderPtr> TopFolders() = 0;
    // The folder; an EOleException when it is not there.
    virtual TOutlookFolderPtr FolderFromID(const QString &EntryID, const QString &StoreID) = 0;
    // The folder to offer first; nullptr when the store has no contact folder.
    virtual TOutlookFolderPtr DefaultContactFolder() = 0;
};

// The desktop's address books as one application: the Evolution address books
// when their service answers on the session bus, and the vCard folders under
// $XDG_DATA_HOME/contacts. Disconnecting drops both; connecting again opens anew.
class TDesktopContacts : public TOutlookApplication
{
public:
    using TStores = std::vector<std::unique_ptr<TContactStore>>;
    // OpenStores is called by each Connect; the default opens the desktop's.
    explicit TDesktopContacts(std::function<TStores()> OpenStores = {});
    static TStores OpenDesktopStores();

    void Connect() override;
    void Disconnect() override;
    TOutlookNameSpacePtr GetNamespace(const QString &Type) override;

private:
    std::function<TStores()> m_openStores;
    std::shared_ptr<TStores> m_stores;
};

// Where address-book errors say they come from.
extern const QString kAddressBookSource;
