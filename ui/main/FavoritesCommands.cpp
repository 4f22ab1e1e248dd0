// The Favorites menu and its commands, the toolbar customisation and the About window.
#include "ui/main/MainForm.h"

#include "platform/MessageService.h"
#include "ui/CustomizeToolbar.h"
#include "ui/main/About.h"

#include <QMenu>
#include <QToolBar>

void TFormStampMain::MenuFavoritesPopup()
{
    m_openers.ClearFavoritesMenu(MenuFavorites, 3, Prefs().FavoritesPath,
                                 [this](QAction *Item, const QString &FavoriteFile) {
                                     ActionFavoritesSelectExecute(Item, FavoriteFile);
                                 });
}

void TFormStampMain::ActionFavoritesSelectExecute(QAction *Sender, const QString &FavoriteFile)
{
    if (QueryDiscard())
        OpenEnvelopeFile(Sender, FavoriteFile, false);
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
    m_openers.AddFavorite(Prefs().FavoritesPath, FileName, GetSuggestedFileName());
}

void TFormStampMain::ActionFavoritesOrganizeExecute()
{
    if (!m_openers.OrganizeFavorites(Prefs().FavoritesPath))
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
