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
