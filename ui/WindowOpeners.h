#pragma once

#include <QString>

#include <functional>

class QAction;
class QMenu;
class TPrintProgress;

// How the main window reaches the other window families, whose headers it does not see:
// start-up hands it the program's own (integrations/WindowOpeners), a window test what it
// needs. Each one left as it is does nothing.
struct TWindowOpeners
{
    // The envelope definitions manager. On the first run the main window has it create a
    // first definition and, when it did, shows it running the printer setup.
    std::function<bool()> CreateFirstEnvelope = [] { return false; };
    std::function<void(bool RunSetup)> ExecuteEnvelopeSizes = [](bool) {};
    // The return addresses manager, and its toolbars back as they first were (Restore
    // Toolbar Defaults).
    std::function<void()> ExecuteReturnAddresses = [] {};
    std::function<void()> RestoreReturnAddressToolbars = [] {};
    std::function<void()> ExecuteOptions = [] {};
    // The print progress window, or none.
    std::function<TPrintProgress *()> GetPrintStatusForm = [] { return nullptr; };
    // The Favorites menu: its items after the first KeepCount filled anew from Folder, each
    // calling Open with the file it stands for; the folder shown; the Add Favorite window.
    using TOpenFavorite = std::function<void(QAction *Item, const QString &FileName)>;
    std::function<void(QMenu *Menu, int KeepCount, const QString &Folder, TOpenFavorite Open)>
        ClearFavoritesMenu = [](QMenu *, int, const QString &, TOpenFavorite) {};
    std::function<bool(const QString &Folder)> OrganizeFavorites = [](const QString &) { return true; };
    std::function<void(const QString &Folder, const QString &Target, const QString &Description)>
        AddFavorite = [](const QString &, const QString &, const QString &) {};
};
