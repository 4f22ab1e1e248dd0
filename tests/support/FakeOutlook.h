#pragma once

#include "integrations/contacts/ContactModel.h"

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// An address book in memory. Every call can be made to fail, with an address-book
// error (which carries a source) or with any other error.
enum class FakeCall {
    Connect,
    GetNamespace,
    GetDefaultFolder,
    GetFolderFromID,
    Kind,
    Name,
    EntryID,
    Folders,
    Items
};
enum class FakeError { None, Ole, Other };

struct FakeState
{
    QMap<FakeCall, FakeError> failures;
    int disconnects = 0;
    void Check(FakeCall Call) const
    {
        switch (failures.value(Call, FakeError::None)) {
        case FakeError::Ole: throw EOleException(QStringLiteral("Fake Book"), QStringLiteral("It failed."));
        case FakeError::Other: throw std::runtime_error("not there");
        case FakeError::None: break;
        }
    }
};

class FakeItem : public TOutlookItem
{
public:
    FakeItem(QString Id, int ItemClass, QMap<QString, QString> Properties)
        : m_id(std::move(Id)), m_class(ItemClass), m_properties(std::move(Properties))
    {}
    int Class() override { return m_class; }
    QString EntryID() override { return m_id; }
    QString Property(const QString &Name) override
    {
        if (OnRead)
            OnRead(Name);
        return m_properties.value(Name);
    }
    std::function<void(const QString &)> OnRead;

private:
    QString m_id;
    int m_class;
    QMap<QString, QString> m_properties;
};

class FakeFolder : public TOutlookFolder, public std::enable_shared_from_this<FakeFolder>
{
public:
    FakeFolder(QString Name, int Kind = olContactItem, QString Store = QStringLiteral("S1"))
        : name(Name), kind(Kind), store(std::move(Store)), entry(QStringLiteral("F-") + Name)
    {}
    int DefaultItemType() override { return Check(FakeCall::Kind), kind; }
    QString EntryID() override { return Check(FakeCall::EntryID), entry; }
    QString StoreID() override { return store; }
    QString Name() override { return Check(FakeCall::Name), name; }
    int FolderCount() override { return Check(FakeCall::Folders), int(folders.size()); }
    TOutlookFolderPtr Folder(int Index) override { return folders.at(size_t(Index - 1)); }
    TOutlookItemsPtr Items() override
    {
        Check(FakeCall::Items);
        struct Items : TOutlookItems
        {
            std::vector<std::shared_ptr<FakeItem>> list;
            int Count() override { return int(list.size()); }
            TOutlookItemPtr Item(int Index) override { return list.at(size_t(Index - 1)); }
        };
        auto snapshot = std::make_shared<Items>();
        snapshot->list = items;
        return snapshot;
    }

    std::shared_ptr<FakeFolder> Add(std::shared_ptr<FakeFolder> Sub)
    {
        folders.push_back(Sub);
        return Sub;
    }
    std::shared_ptr<FakeItem> AddContact(const QString &FileAs, QMap<QString, QString> Properties = {},
                                         int ItemClass = olContact)
    {
        Properties.insert(QStringLiteral("FileAs"), FileAs);
        auto item = std::make_shared<FakeItem>(entry + "/" + QString::number(items.size() + 1), ItemClass,
                                               std::move(Properties));
        items.push_back(item);
        return item;
    }

    QString name;
    int kind;
    QString store;
    QString entry;
    QList<FakeCall> failing;
    std::vector<std::shared_ptr<FakeFolder>> folders;
    std::vector<std::shared_ptr<FakeItem>> items;

private:
    void Check(FakeCall Call) const
    {
        if (failing.contains(Call))
            throw EOleException(QStringLiteral("Fake Book"), QStringLiteral("Folder unreadable."));
    }
};

// The application: stores (top folders), the default contacts folder, failures.
class FakeOutlook : public TOutlookApplication
{
public:
    void Connect() override { state.Check(FakeCall::Connect); }
    void Disconnect() override { ++state.disconnects; }
    TOutlookNameSpacePtr GetNamespace(const QString &Type) override
    {
        state.Check(FakeCall::GetNamespace);
        if (Type != QLatin1String("MAPI"))
            throw std::runtime_error("no such namespace");
        struct NameSpace : TOutlookNameSpace
        {
            FakeOutlook *app;
            TOutlookFolderPtr GetDefaultFolder(int) override
            {
                app->state.Check(FakeCall::GetDefaultFolder);
                return app->defaultFolder;
            }
            TOutlookFolderPtr GetFolderFromID(const QString &EntryID, const QString &StoreID) override
            {
                app->state.Check(FakeCall::GetFolderFromID);
                if (auto found = Find(EntryID, StoreID, app->stores))
                    return found;
                throw EOleException(QStringLiteral("Fake Book"), QStringLiteral("No such folder."));
            }
            int FolderCount() override { return int(app->stores.size()); }
            TOutlookFolderPtr Folder(int Index) override { return app->stores.at(size_t(Index - 1)); }
            static std::shared_ptr<FakeFolder> Find(const QString &EntryID, const QString &StoreID,
                                                    const std::vector<std::shared_ptr<FakeFolder>> &Folders)
            {
                for (const auto &f : Folders) {
                    if (f->entry == EntryID && f->store == StoreID)
                        return f;
                    if (auto found = Find(EntryID, StoreID, f->folders))
                        return found;
                }
                return nullptr;
            }
        };
        auto ns = std::make_shared<NameSpace>();
        ns->app = this;
        return ns;
    }

    FakeState state;
    std::vector<std::shared_ptr<FakeFolder>> stores;
    std::shared_ptr<FakeFolder> defaultFolder;
};
