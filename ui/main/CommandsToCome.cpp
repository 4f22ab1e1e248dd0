// Commands whose windows are not in this version yet: each says so.
#include "ui/MainForm.h"

#include "platform/MessageService.h"

void TFormStampMain::NotAvailableYet()
{
    MessageDlg(QStringLiteral("This command is not available yet."), TMsgDlgType::Information, mbOK, 0);
}

void TFormStampMain::ActionFileImportOutlookExecute()
{
    NotAvailableYet();
}

void TFormStampMain::ActionEditLookupExecute()
{
    NotAvailableYet();
}

void TFormStampMain::ActionFormatCustomizeToolbarExecute()
{
    NotAvailableYet();
}

void TFormStampMain::ActionFavoritesAddExecute()
{
    NotAvailableYet();
}

void TFormStampMain::ActionFavoritesOrganizeExecute()
{
    NotAvailableYet();
}

void TFormStampMain::ActionFavoritesSelectExecute(QAction *Sender)
{
    Q_UNUSED(Sender);
    NotAvailableYet();
}

void TFormStampMain::MenuFavoritesPopup()
{
    // No favourites are listed yet.
}

void TFormStampMain::HelpAboutClick()
{
    NotAvailableYet();
}
