// The Favorites menu and its commands, the toolbar customisation and the About window.
#include "ui/main/MainForm.h"

#include "platform/MessageService.h"
#include "ui/CustomizeToolbar.h"
#include "ui/favorites/FavoriteMenu.h"
#include "ui/favorites/FavoritesAdd.h"
#include "ui/main/About.h"

#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QToolBar>

void TFormStampMain::MenuFavoritesPopup()
{
    TFavoritesMenuStyle style;
    style.ShortcutImage = QApplication::style()->standardIcon(QStyle::SP_FileLinkIcon);
    style.FolderImage = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    style.OnClick = [this](TFavoritesMenuItem *Item) { ActionFavoritesSelectExecute(Item); };
    ClearFavoritesMenu(MenuFavorites, 3, Prefs().FavoritesPath, style);
}

void TFormStampMain::ActionFavoritesSelectExecute(QAction *Sender)
{
    auto *item = dynamic_cast<TFavoritesMenuItem *>(Sender);
    if (item && QueryDiscard())
        OpenEnvelopeFile(Sender, item->FileName, false);
}

void TFormStampMain::ActionFavoritesAddExecute()
{
    if (FileName.isEmpty()) {
        MessageDlg(QStringLiteral("Save your envelope file first before adding it to your list of favorite."),
                   TMsgDlgType::Information, mbOK, 0);
        ActionFileSaveAsExecute();
    }
    if (FileName.isEmpty()) {
        MessageDlg(QStringLiteral(
                       "Since your envelope file was not saved, it was not added to your list of favorites."),
                   TMsgDlgType::Warning, mbOK, 0);
        return;
    }
    AddFavorite(GetFavoritesAddForm(), Prefs().FavoritesPath, FileName, GetSuggestedFileName());
}

void TFormStampMain::ActionFavoritesOrganizeExecute()
{
    if (!OrganizeFavorites(Prefs().FavoritesPath))
        MessageDlg(QStringLiteral("Could not open the folder \"%1\".").arg(Prefs().FavoritesPath),
                   TMsgDlgType::Warning, mbOK, 0);
}

void TFormStampMain::ActionFormatCustomizeToolbarExecute()
{
    ExecuteCustomizeToolbars(GetCustomizeToolbarsDialog());
    // The Format toolbar arranges itself anew.
    for (QAction *action : ToolBarFormat->actions()) {
        if (action->objectName() == QLatin1String("FontBoxSeparator")) {
            action->setVisible(false);
            action->setVisible(true);
        }
    }
}

void TFormStampMain::HelpAboutClick()
{
    TDlgAbout *about = GetAboutBox();
    about->OpenWebSite = [this] { ActionHelpWebSiteExecute(); };
    ShowAboutBox(about);
    ReleaseAboutBox();
}
