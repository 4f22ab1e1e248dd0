#pragma once

#include "platform/Exception.h"

#include <QString>

#include <memory>

// The object model the contact import calls: an application with a "MAPI"
// namespace, stores whose folders nest, and items with named properties. The
// desktop's address books answer it (DesktopContacts.h); tests use a fake.
// Collections count from 1, as the mail client's do.

constexpr int olFolderContacts = 10; // GetDefaultFolder: the contacts folder
constexpr int olMailItem = 0;        // DefaultItemType of a folder holding no contacts
constexpr int olContactItem = 2;     // DefaultItemType of a contact folder
constexpr int olContact = 40;        // Class of a contact
constexpr int olDistributionList = 69;

// An error the address book reports: where it comes from and what went wrong.
class EOleException : public Exception
{
public:
    EOleException(QString Source, QString Message)
        : Exception(std::move(Message)), m_source(std::move(Source))
    {}
    const QString &Source() const { return m_source; }

private:
    QString m_source;
};

class TOutlookItem
{
public:
    virtual ~TOutlookItem() = default;
    virtual int Class() = 0;
    virtual QString EntryID() = 0;
    // A named property: FileAs, FirstName, LastName, FullName, Spouse, Children,
    // JobTitle, CompanyName, MailingAddress, BusinessAddress; empty when unset.
    virtual QString Property(const QString &Name) = 0;
};
using TOutlookItemPtr = std::shared_ptr<TOutlookItem>;

// A folder's items as read at one moment.
class TOutlookItems
{
public:
    virtual ~TOutlookItems() = default;
    virtual int Count() = 0;
    virtual TOutlookItemPtr Item(int Index) = 0;
};
using TOutlookItemsPtr = std::shared_ptr<TOutlookItems>;

class TOutlookFolder;
using TOutlookFolderPtr = std::shared_ptr<TOutlookFolder>;

class TOutlookFolder
{
public:
    virtual ~TOutlookFolder() = default;
    virtual int DefaultItemType() = 0;
    virtual QString EntryID() = 0;
    virtual QString StoreID() = 0;
    virtual QString Name() = 0;
    virtual int FolderCount() = 0;
    virtual TOutlookFolderPtr Folder(int Index) = 0;
    virtual TOutlookItemsPtr Items() = 0;
};

class TOutlookNameSpace
{
public:
    virtual ~TOutlookNameSpace() = default;
    virtual TOutlookFolderPtr GetDefaultFolder(int FolderType) = 0;
    virtual TOutlookFolderPtr GetFolderFromID(const QString &EntryID, const QString &StoreID) = 0;
    // The top-level folders, one per store.
    virtual int FolderCount() = 0;
    virtual TOutlookFolderPtr Folder(int Index) = 0;
};
using TOutlookNameSpacePtr = std::shared_ptr<TOutlookNameSpace>;

class TOutlookApplication
{
public:
    virtual ~TOutlookApplication() = default;
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual TOutlookNameSpacePtr GetNamespace(const QString &Type) = 0;
};
