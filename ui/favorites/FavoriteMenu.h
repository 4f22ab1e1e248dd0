#pragma once

#include <QAction>
#include <QIcon>
#include <QString>

#include <functional>

class QMenu;

// A favourite in the Favorites menu: the shortcut file it stands for.
class TFavoritesMenuItem : public QAction
{
public:
    TFavoritesMenuItem(const QString &Caption, const QString &LinkFile, QObject *parent);
    QString FileName;
};

// How the tree's items look and what a chosen favourite does.
struct TFavoritesMenuStyle
{
    QIcon ShortcutImage;
    QIcon FolderImage;
    std::function<void(TFavoritesMenuItem *)> OnClick;
};

// Removes Menu's entries from KeepCount on and lists the tree under Folder below it:
// sub-folders as sub-menus first, then the shortcut files (".lnk" in any case), each
// kind by name. Hidden entries and symbolic links to folders are left out, so a link
// loop cannot make the tree endless; past 256 folders or 8 levels the tree is cut, so a
// folder that is the whole file system costs no more. A missing folder gives no entries.
void ClearFavoritesMenu(QMenu *Menu, int KeepCount, const QString &Folder, const TFavoritesMenuStyle &Style);
void BuildFavoritesMenu(QMenu *Item, const QString &Folder, const TFavoritesMenuStyle &Style);

// The caption of a folder or shortcut named Name: cut at the last ".", "&" doubled.
QString FavoriteCaption(const QString &Name);

// Opens the favorites folder in the desktop's file manager, making it first when it
// is missing. False when the desktop could not open it.
bool OrganizeFavorites(const QString &Folder);
