#pragma once

#include "integrations/contacts/ContactModel.h"
#include "ui/main/MainForm.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QString>

#include <memory>
#include <vector>

// The contact folders of every store and the contacts of one folder, each list
// sorted by the user's collation without case, duplicates kept, as the import shows
// them. Both connect when created; a failed step leaves the list unconnected and
// every operation a no-op. The application is the caller's; each list disconnects
// it when freed.

// While one lives, a failed connect step is kept, not shown: the caller says once
// why, with the first step's error (Reason; empty when no step told one).
class TConnectErrors
{
public:
    TConnectErrors();
    ~TConnectErrors();
    TConnectErrors(const TConnectErrors &) = delete;
    TConnectErrors &operator=(const TConnectErrors &) = delete;
    const QString &Reason() const { return m_reason; }

private:
    friend void KeepConnectError(const QString &Reason);
    TConnectErrors *m_outer;
    QString m_reason;
};

// How the lists sort: by the user's collation, without case.
QCollator ContactCollator(const QLocale &User);

// A list of texts with an owned object each, kept sorted.
template <class T> class TSortedOwnedList
{
public:
    int Count() const { return int(m_entries.size()); }
    const QString &Strings(int Index) const { return m_entries[size_t(Index)].Text; }
    T &Objects(int Index) const { return *m_entries[size_t(Index)].Object; }

protected:
    struct Entry
    {
        QString Text;
        std::unique_ptr<T> Object;
    };
    void AddObject(const QString &Text, std::unique_ptr<T> Object);
    std::vector<Entry> m_entries;
};

class TOutlookContactID
{
public:
    QString EntryID;
    QString FileAs;
};

class TOutlookContactFolderID
{
public:
    QString EntryID;
    QString StoreID;
    QString Unused;
    QString Name;
};

class TOutlookContactList : public TSortedOwnedList<TOutlookContactID>
{
public:
    TOutlookContactList(TOutlookApplication &OutlookApp, int HelpContext);
    ~TOutlookContactList();
    TOutlookContactList(const TOutlookContactList &) = delete;
    TOutlookContactList &operator=(const TOutlookContactList &) = delete;

    bool Loaded = false;
    bool Connected = true;

    // Reads the current folder's items anew; the lookups below use them until the next read.
    int GetCount();
    // The next lookup reads the folder again (a new import: contacts may have gone since).
    void ForgetItems();
    // Item Index (from 1) of the current folder; class 0 and nothing when not connected.
    TOutlookItemPtr GetItem(int Index, int &ItemClass);
    void ClearEntries();
    void Load(bool ShowProgress);
    void EnsureLoaded(bool ShowProgress);
    int IndexOfEntryID(const QString &EntryID);
    // The live contact of list entry Index (from 0); Found false when it is gone.
    TOutlookItemPtr GetContactItem(int Index, bool &Found);
    void SetFolder(const TOutlookFolderID &FolderID);
    const TOutlookFolderID &FolderID() const { return m_folderID; }

private:
    TOutlookApplication &m_outlookApp;
    int m_helpContext;
    TOutlookNameSpacePtr m_nameSpace;
    TOutlookFolderID m_folderID;
    TOutlookFolderPtr m_folder;
    TOutlookFolderPtr m_defaultFolder;
    TOutlookItemsPtr m_items;        // the current folder's items as last counted
    QHash<QString, int> m_itemIndex; // their identifiers, each to its first item
};

class TOutlookContactFolderList : public TSortedOwnedList<TOutlookContactFolderID>
{
public:
    TOutlookContactFolderList(TOutlookApplication &OutlookApp, int HelpContext);
    ~TOutlookContactFolderList();
    TOutlookContactFolderList(const TOutlookContactFolderList &) = delete;
    TOutlookContactFolderList &operator=(const TOutlookContactFolderList &) = delete;

    bool Loaded = false;
    bool Connected = true;

    void ClearEntries();
    void Load(bool ShowProgress);
    void EnsureLoaded(bool ShowProgress);
    int IndexOfFolderID(const TOutlookFolderID &FolderID) const;
    // The folder of entry Index (from 0); nothing when out of range or not connected.
    TOutlookFolderPtr GetFolder(int Index);
    int IndexOfDefaultFolder();

private:
    void AddFolder(const TOutlookFolderPtr &Folder, const QString &ParentPath, int Depth);

    TOutlookApplication &m_outlookApp;
    int m_helpContext;
    TOutlookNameSpacePtr m_nameSpace;
    TOutlookFolderPtr m_defaultFolder;
    bool m_showProgress = false;
    bool m_continue = true;
};
