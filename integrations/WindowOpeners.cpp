#include "integrations/WindowOpeners.h"

#include "ui/definitions/Envsizes.h"
#include "ui/favorites/FavoriteMenu.h"
#include "ui/favorites/FavoritesAdd.h"
#include "ui/options/Options.h"
#include "ui/printing/Prntprog.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QApplication>
#include <QStyle>

TWindowOpeners ProgramWindowOpeners()
{
    TWindowOpeners openers;
    // The managers exist only once start-up (or a test) has made them.
    openers.CreateFirstEnvelope = [] { return DlgEnvelopeSizes && DlgEnvelopeSizes->CreateFirstEnvelope(); };
    openers.ExecuteEnvelopeSizes = [](bool RunSetup) {
        if (DlgEnvelopeSizes)
            DlgEnvelopeSizes->Execute(RunSetup);
    };
    openers.ExecuteReturnAddresses = [] {
        if (DlgReturnAddresses)
            DlgReturnAddresses->Execute();
    };
    openers.RestoreReturnAddressToolbars = [] {
        if (DlgReturnAddresses)
            DlgReturnAddresses->RestoreToolbarDefaults();
    };
    openers.ExecuteOptions = [] { GetOptionsDialog()->ExecuteOptions(); };
    openers.GetPrintStatusForm = []() -> TPrintProgress * { return GetPrintStatusForm(); };
    openers.ClearFavoritesMenu = [](QMenu *Menu, int KeepCount, const QString &Folder,
                                    TWindowOpeners::TOpenFavorite Open) {
        TFavoritesMenuStyle style;
        style.ShortcutImage = QApplication::style()->standardIcon(QStyle::SP_FileLinkIcon);
        style.FolderImage = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
        style.OnClick = [Open](TFavoritesMenuItem *Item) { Open(Item, Item->FileName); };
        ClearFavoritesMenu(Menu, KeepCount, Folder, style);
    };
    openers.OrganizeFavorites = [](const QString &Folder) { return OrganizeFavorites(Folder); };
    openers.AddFavorite = [](const QString &Folder, const QString &Target, const QString &Description) {
        AddFavorite(GetFavoritesAddForm(), Folder, Target, Description);
    };
    return openers;
}
