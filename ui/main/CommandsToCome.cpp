// Commands whose windows are not in this version yet: each says so.
#include "ui/main/MainForm.h"

#include "platform/MessageService.h"
#include "platform/RichEdit.h"

void TFormStampMain::NotAvailableYet()
{
    MessageDlg(QStringLiteral("This command is not available yet."), TMsgDlgType::Information, mbOK, 0);
}

void TFormStampMain::ActionEditLookupExecute()
{
    if (ZipCodeLookup)
        ZipCodeLookup(*RichEditDestination);
    else
        NotAvailableYet();
}
