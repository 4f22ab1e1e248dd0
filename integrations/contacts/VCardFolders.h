#pragma once

#include "integrations/contacts/DesktopContacts.h"

#include <QString>

// vCard folders: a tree under one root (the vdir layout that CardDAV tools keep,
// and exported .vcf files); every folder holding .vcf files is a contact folder,
// several cards per file allowed. Identifiers are paths below the root: "/" for
// the root, "/Friends" for a folder, "/Friends/ann.vcf#1" for the first card of a file.
class TVCardStore : public TContactStore
{
public:
    // Root is made when missing; a root that cannot be made is an EOleException.
    explicit TVCardStore(QString Root);

    static QString DefaultRoot();
    static const QString StoreIDText;

    bool Owns(const QString &StoreID) const override;
    QList<TOutlookFolderPtr> TopFolders() override;
    TOutlookFolderPtr FolderFromID(const QString &EntryID, const QString &StoreID) override;
    TOutlookFolderPtr DefaultContactFolder() override;

    const QString &Root() const { return m_root; }

private:
    QString m_root;
};

// The items of .vcf data as the store reads them (for the fuzz target and tests).
TOutlookItemsPtr ReadVCardItems(const QList<std::pair<QString, QByteArray>> &Files);
