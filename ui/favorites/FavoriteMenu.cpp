#include "ui/favorites/FavoriteMenu.h"

#include "foundation/QmStrings.h"
#include "platform/GuardedSlot.h"
#include "platform/UrlOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

TFavoritesMenuItem::TFavoritesMenuItem(const QString &Caption, const QString &LinkFile, QObject *parent)
    : QAction(Caption, parent), FileName(LinkFile)
{}

QString FavoriteCaption(const QString &Name)
{
    const qsizetype dot = Name.lastIndexOf(QLatin1Char('.'));
    QString caption;
    DoubleAmpersands(dot >= 0 ? Name.left(dot) : Name, caption);
    return caption;
}

void ClearFavoritesMenu(QMenu *Menu, int KeepCount, const QString &Folder, const TFavoritesMenuStyle &Style)
{
    const QList<QAction *> actions = Menu->actions();
    for (qsizetype i = actions.size() - 1; i >= KeepCount; --i) {
        QAction *action = actions[i];
        Menu->removeAction(action);
        // A sub-menu owns its entries and its own menu action.
        if (QMenu *sub = action->menu())
            delete sub;
        else if (action->parent() == Menu)
            delete action;
    }
    BuildFavoritesMenu(Menu, Folder, Style);
}

namespace {

// A favorites tree is a few dozen folders; one that is the whole file system (the
// folder a link to "/") is cut here rather than walked at every opening of the menu.
constexpr int kMaxFavoriteFolders = 256;
constexpr int kMaxFavoriteDepth = 8;

void BuildFolder(QMenu *Item, const QString &Folder, const TFavoritesMenuStyle &Style, int Depth,
                 int &Folders)
{
    QString folder = Folder;
    AppendBackslash(folder);
    const QDir dir(folder);
    // Windows lists a folder by name; the order readdir gives here means nothing.
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    const QFileInfoList folders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, order);
    for (const QFileInfo &entry : folders) {
        if (Depth >= kMaxFavoriteDepth || ++Folders > kMaxFavoriteFolders)
            break;
        auto *sub = new QMenu(FavoriteCaption(entry.fileName()), Item);
        sub->setIcon(Style.FolderImage);
        Item->addMenu(sub);
        BuildFolder(sub, folder + entry.fileName(), Style, Depth + 1, Folders);
    }
    const QFileInfoList links = dir.entryInfoList({QStringLiteral("*.lnk")}, QDir::Files, order);
    for (const QFileInfo &entry : links) {
        auto *item =
            new TFavoritesMenuItem(FavoriteCaption(entry.fileName()), folder + entry.fileName(), Item);
        item->setIcon(Style.ShortcutImage);
        if (Style.OnClick)
            ConnectGuarded(item, &QAction::triggered, Item, [item, click = Style.OnClick] { click(item); });
        Item->addAction(item);
    }
}

} // namespace

void BuildFavoritesMenu(QMenu *Item, const QString &Folder, const TFavoritesMenuStyle &Style)
{
    int folders = 0;
    BuildFolder(Item, Folder, Style, 0, folders);
}

bool OrganizeFavorites(const QString &Folder)
{
    QDir().mkpath(Folder);
    return UrlOpener().Open(Folder);
}
