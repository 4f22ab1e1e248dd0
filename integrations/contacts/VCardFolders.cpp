// GLib first: its headers name members "signals", which Qt defines as a keyword.
#include <libebook-contacts/libebook-contacts.h>

#include "integrations/contacts/VCardFolders.h"

#include "integrations/contacts/ContactFields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

namespace {

const QString kSource = QStringLiteral("the vCard folders");
// Larger files are not contacts: they are left out rather than read whole.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
// A card larger than this (a photo of a few megabytes is not) is left out unparsed.
constexpr qsizetype kMaxCardSize = 16 * 1024 * 1024;
constexpr int kMaxDepth = 32;

bool IsVCardFile(const QFileInfo &Info)
{
    return Info.isFile() && Info.suffix().compare(QLatin1String("vcf"), Qt::CaseInsensitive) == 0;
}

// A path below the root from an identifier; empty when it would leave the root.
std::optional<QString> RelativePath(const QString &EntryID)
{
    if (!EntryID.startsWith(QLatin1Char('/')))
        return std::nullopt;
    if (EntryID == QLatin1String("/"))
        return QString();
    const QStringList parts = EntryID.mid(1).split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")
            || part.contains(QChar(0)))
            return std::nullopt;
    }
    return parts.join(QLatin1Char('/'));
}

class VCardItem : public TOutlookItem
{
public:
    VCardItem(EContact *Contact, QString EntryID) : m_contact(Contact), m_entryID(std::move(EntryID)) {}
    ~VCardItem() override { g_object_unref(m_contact); }
    VCardItem(const VCardItem &) = delete;
    VCardItem &operator=(const VCardItem &) = delete;

    int Class() override { return ContactClass(m_contact); }
    QString EntryID() override { return m_entryID; }
    QString Property(const QString &Name) override { return ContactProperty(m_contact, Name); }

private:
    EContact *m_contact;
    QString m_entryID;
};

class VCardItems : public TOutlookItems
{
public:
    int Count() override { return int(m_items.size()); }
    TOutlookItemPtr Item(int Index) override
    {
        if (Index < 1 || Index > Count())
            throw EOleException(kSource, QStringLiteral("There is no item %1 in this folder.").arg(Index));
        return m_items[size_t(Index - 1)];
    }
    void Add(const QString &EntryID, const QByteArray &Card)
    {
        if (Card.size() > kMaxCardSize)
            return;
        // The parser keeps what it understands and never refuses a card.
        EContact *contact = e_contact_new_from_vcard(SanitizedCardText(Card).constData());
        if (contact)
            m_items.push_back(std::make_shared<VCardItem>(contact, EntryID));
    }

private:
    std::vector<TOutlookItemPtr> m_items;
};

class VCardFolder : public TOutlookFolder
{
public:
    VCardFolder(QString Root, QString Relative, QStringList Ancestors)
        : m_root(std::move(Root)), m_relative(std::move(Relative)), m_ancestors(std::move(Ancestors))
    {}

    QString Path() const { return m_relative.isEmpty() ? m_root : m_root + QLatin1Char('/') + m_relative; }

    int DefaultItemType() override
    {
        const QDir dir(Path());
        if (!dir.exists())
            throw EOleException(kSource, QStringLiteral("The folder \"%1\" is gone.").arg(Path()));
        for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot)) {
            if (IsVCardFile(info))
                return olContactItem;
        }
        return olMailItem;
    }
    QString EntryID() override { return QLatin1Char('/') + m_relative; }
    QString StoreID() override { return TVCardStore::StoreIDText; }
    QString Name() override
    {
        return m_relative.isEmpty() ? QStringLiteral("Contacts") : m_relative.section(QLatin1Char('/'), -1);
    }
    int FolderCount() override
    {
        ReadFolders();
        return int(m_folders.size());
    }
    TOutlookFolderPtr Folder(int Index) override
    {
        ReadFolders();
        if (Index < 1 || Index > int(m_folders.size()))
            throw EOleException(kSource, QStringLiteral("There is no folder %1 here.").arg(Index));
        const QString relative = m_relative.isEmpty()
                                     ? m_folders[size_t(Index - 1)]
                                     : m_relative + QLatin1Char('/') + m_folders[size_t(Index - 1)];
        return std::make_shared<VCardFolder>(m_root, relative, m_ancestors + QStringList{Canonical()});
    }
    TOutlookItemsPtr Items() override
    {
        const QDir dir(Path());
        if (!dir.exists())
            throw EOleException(kSource, QStringLiteral("The folder \"%1\" is gone.").arg(Path()));
        auto items = std::make_shared<VCardItems>();
        const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &info : files) {
            if (!IsVCardFile(info) || info.size() > kMaxFileSize)
                continue;
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = file.read(kMaxFileSize);
            const QString prefix = (m_relative.isEmpty() ? QString() : QLatin1Char('/') + m_relative)
                                   + QLatin1Char('/') + info.fileName() + QLatin1Char('#');
            int n = 0;
            for (const QByteArray &card : SplitCards(text))
                items->Add(prefix + QString::number(++n), card);
        }
        return items;
    }

private:
    QString Canonical() const
    {
        const QString canonical = QFileInfo(Path()).canonicalFilePath();
        return canonical.isEmpty() ? Path() : canonical;
    }

    // Sub-folders by name, leaving out hidden ones and any that leads back to a
    // folder above (a symbolic link loop).
    void ReadFolders()
    {
        if (m_foldersRead)
            return;
        m_foldersRead = true;
        if (m_ancestors.size() >= kMaxDepth)
            return;
        const QString here = Canonical();
        // The whole system is no address book (a contacts folder linked to /).
        if (here == QLatin1String("/"))
            return;
        const QStringList seen = m_ancestors + QStringList{here};
        const QDir dir(Path());
        for (const QFileInfo &info : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            const QString target = info.canonicalFilePath();
            // A link to a folder that holds this one would walk it again.
            if (target.isEmpty() || seen.contains(target) || target == QLatin1String("/")
                || here.startsWith(target + QLatin1Char('/')))
                continue;
            m_folders.push_back(info.fileName());
        }
    }

    QString m_root;
    QString m_relative;
    QStringList m_ancestors;
    bool m_foldersRead = false;
    std::vector<QString> m_folders;
};

// The first contact folder of the tree, depth first.
TOutlookFolderPtr FirstContactFolder(const TOutlookFolderPtr &Folder, int Depth)
{
    if (Folder->DefaultItemType() == olContactItem)
        return Folder;
    if (Depth >= kMaxDepth)
        return nullptr;
    const int n = Folder->FolderCount();
    for (int i = 1; i <= n; ++i) {
        if (TOutlookFolderPtr found = FirstContactFolder(Folder->Folder(i), Depth + 1))
            return found;
    }
    return nullptr;
}

} // namespace

const QString TVCardStore::StoreIDText = QStringLiteral("vcard");

TVCardStore::TVCardStore(QString Root) : m_root(QDir::cleanPath(std::move(Root)))
{
    if (!QDir().mkpath(m_root))
        throw EOleException(kSource, QStringLiteral("The folder \"%1\" could not be made.").arg(m_root));
}

QString TVCardStore::DefaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/contacts");
}

bool TVCardStore::Owns(const QString &StoreID) const
{
    return StoreID == StoreIDText;
}

QList<TOutlookFolderPtr> TVCardStore::TopFolders()
{
    return {std::make_shared<VCardFolder>(m_root, QString(), QStringList())};
}

TOutlookFolderPtr TVCardStore::FolderFromID(const QString &EntryID, const QString &StoreID)
{
    const std::optional<QString> relative = RelativePath(EntryID);
    if (!Owns(StoreID) || !relative)
        throw EOleException(kSource,
                            QStringLiteral("\"%1\" is not a folder of the vCard folders.").arg(EntryID));
    auto folder = std::make_shared<VCardFolder>(m_root, *relative, QStringList());
    if (!QFileInfo(folder->Path()).isDir())
        throw EOleException(kSource, QStringLiteral("The folder \"%1\" does not exist.").arg(folder->Path()));
    return folder;
}

TOutlookFolderPtr TVCardStore::DefaultContactFolder()
{
    return FirstContactFolder(TopFolders().first(), 0);
}

TOutlookItemsPtr ReadVCardItems(const QList<std::pair<QString, QByteArray>> &Files)
{
    auto items = std::make_shared<VCardItems>();
    for (const auto &[name, text] : Files) {
        int n = 0;
        for (const QByteArray &card : SplitCards(text))
            items->Add(QLatin1Char('/') + name + QLatin1Char('#') + QString::number(++n), card);
    }
    return items;
}
