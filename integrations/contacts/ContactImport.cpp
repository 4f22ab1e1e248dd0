#include "integrations/contacts/ContactImport.h"

#include "foundation/QmIniFile.h"
#include "integrations/contacts/ContactForms.h"
#include "integrations/contacts/DesktopContacts.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

namespace {

constexpr int kHelpContext = 20011;
const QString kOutlook = QStringLiteral("Outlook");

// The hourglass while the import works, the normal cursor while a window waits
// for the user, and the cursor as it was whichever way the import ends.
class WaitCursor
{
public:
    WaitCursor() { On(); }
    ~WaitCursor() { Off(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
    void On()
    {
        if (!m_on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        m_on = true;
    }
    void Off()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
        m_on = false;
    }

private:
    bool m_on = false;
};

QStringList MemoLines(const QPlainTextEdit &Memo)
{
    const QString text = Memo.toPlainText();
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TContactImport::TContactImport(TFormStampMain &Form, std::unique_ptr<TOutlookApplication> OutlookApp)
    : QObject(&Form),
      OutlookApplicationLocal(OutlookApp ? std::move(OutlookApp) : std::make_unique<TDesktopContacts>()),
      m_form(Form)
{}

TContactImport::~TContactImport()
{
    ContactList.reset();
    ContactFolderList.reset();
}

void TContactImport::Execute()
{
    if (!m_form.NewEnvelope())
        return;
    WaitCursor cursor;
    // An address book may have come since the last try (the folder the message named).
    if (m_form.ContactListsCreated && !(ContactFolderList->Connected && ContactList->Connected)) {
        ContactList.reset();
        ContactFolderList.reset();
        m_form.ContactListsCreated = false;
    }
    QString reason;
    if (!m_form.ContactListsCreated) {
        // Both lists failing say so in the one message below, not one each.
        const TConnectErrors errors;
        ContactFolderList =
            std::make_unique<TOutlookContactFolderList>(*OutlookApplicationLocal, kHelpContext);
        ContactList = std::make_unique<TOutlookContactList>(*OutlookApplicationLocal, kHelpContext);
        m_form.ContactListsCreated = true;
        reason = errors.Reason();
    }
    if (!ContactFolderList->Connected || !ContactList->Connected) {
        cursor.Off();
        QString message =
            QStringLiteral("%1 could not connect to your address book.").arg(ApplicationTitle());
        if (!reason.isEmpty())
            message += QStringLiteral("\r\n\r\n") + reason;
        MessageDlg(message, TMsgDlgType::Error, mbOK | mbHelp, kHelpContext);
        return;
    }
    ContactFolderList->EnsureLoaded(true);
    // The contacts are read once for this import: by the load below, or by the first lookup.
    ContactList->ForgetItems();

    TFormSelectContact *select = GetSelectContactForm();
    QStringList folders;
    for (int i = 0; i < ContactFolderList->Count(); ++i)
        folders << ContactFolderList->Strings(i);
    int index = ContactFolderList->IndexOfFolderID(m_form.ContactFolderID);
    if (index == -1)
        index = ContactFolderList->IndexOfDefaultFolder();
    select->SetFolders(folders, index);
    // Without a folder to select, the contact list keeps the one it has (the
    // default): a remembered folder that is gone must not unconnect it.
    if (index >= 0 && index < ContactFolderList->Count()) {
        TOutlookFolderPtr folder = ContactFolderList->GetFolder(index);
        m_form.ContactFolderID = {folder->EntryID(), folder->StoreID()};
        ContactList->SetFolder(m_form.ContactFolderID);
    }

    int result = mrNone;
    while (result == mrNone || result == mrRetry) {
        cursor.On();
        if (result == mrRetry) {
            if (TOutlookFolderPtr folder =
                    ContactFolderList->GetFolder(select->ComboBoxContactFolders->currentIndex())) {
                m_form.ContactFolderID = {folder->EntryID(), folder->StoreID()};
                ContactList->SetFolder(m_form.ContactFolderID);
            }
            ContactList->Load(true);
        } else {
            ContactList->EnsureLoaded(true);
        }
        QStringList contacts;
        for (int i = 0; i < ContactList->Count(); ++i)
            contacts << ContactList->Strings(i);
        select->SetContacts(contacts);
        cursor.Off();
        result = select->exec();
    }
    if (result != mrOk)
        return;

    const int chosen = select->ComboBoxContactFolders->currentIndex();
    if (TOutlookFolderPtr folder = ContactFolderList->GetFolder(chosen)) {
        m_form.ContactFolderID = {folder->EntryID(), folder->StoreID()};
        RegIni->WriteString(kOutlook, QStringLiteral("ContactFolderEntryID"), m_form.ContactFolderID.EntryID);
        RegIni->WriteString(kOutlook, QStringLiteral("ContactFolderStoreID"), m_form.ContactFolderID.StoreID);
        RegIni->WriteString(kOutlook, QStringLiteral("ContactFolderName"),
                            ContactFolderList->Strings(chosen));
    }
    cursor.On();
    bool first = true;
    for (int i = 0; i < select->CheckListBoxContacts->count(); ++i) {
        if (!select->Checked(i))
            continue;
        bool found = false;
        TOutlookItemPtr item = ContactList->GetContactItem(i, found);
        if (found && item)
            ImportContact(*item, first);
    }
}

void TContactImport::ImportContact(TOutlookItem &Item, bool &First)
{
    TContactNameParts parts;
    parts.First = Item.Property(QStringLiteral("FirstName"));
    parts.Last = Item.Property(QStringLiteral("LastName"));
    parts.Full = Item.Property(QStringLiteral("FullName"));
    parts.Spouse = Item.Property(QStringLiteral("Spouse"));
    parts.Children = Item.Property(QStringLiteral("Children"));
    parts.Mailing = Item.Property(QStringLiteral("MailingAddress"));
    parts.Business = Item.Property(QStringLiteral("BusinessAddress"));
    parts.Job = Item.Property(QStringLiteral("JobTitle"));
    parts.Company = Item.Property(QStringLiteral("CompanyName"));
    TFormFormatContactAddress *format = GetFormatContactAddressForm();
    format->Fill(parts);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = format->exec();
    QApplication::restoreOverrideCursor();
    if (answer != mrOk)
        return;
    RichEdit &destination = *m_form.RichEditDestination;
    // A line of one blank between contacts: each becomes an envelope of its own.
    if (!First)
        destination.AddLine(QStringLiteral(" "));
    First = false;
    destination.AddLine(format->ComboBoxNames->currentText());
    if (format->CheckBoxJobTitle->isChecked())
        destination.AddLine(format->EditJobTitle->text());
    if (format->CheckBoxCompany->isChecked())
        destination.AddLine(format->EditCompanyName->text());
    for (const QString &line : MemoLines(*format->MemoAddress))
        destination.AddLine(line);
    destination.SetModified(false);
    m_form.Imported = true;
    m_form.UpdateMenu();
}

void ImportContacts(TFormStampMain &Form)
{
    // Made on first use, so that start-up does not wait for the address books; kept for
    // the rest of the run with the window.
    auto *import = Form.findChild<TContactImport *>(QString(), Qt::FindDirectChildrenOnly);
    if (!import)
        import = new TContactImport(Form);
    import->Execute();
}
