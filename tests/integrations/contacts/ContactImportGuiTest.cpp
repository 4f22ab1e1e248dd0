#include "engine/DefinitionStore.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "integrations/WindowOpeners.h"
#include "integrations/contacts/ContactForms.h"
#include "integrations/contacts/ContactImport.h"
#include "platform/PdfSpooler.h"
#include "platform/RichEdit.h"
#include "support/FakeOutlook.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedMessageService.h"
#include "ui/main/MainForm.h"
#include "ui/main/Oldfiles.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Answers the import's windows in turn as each is shown.
class WindowScript
{
public:
    explicit WindowScript(QList<std::function<void(QDialog *)>> Steps) : m_steps(std::move(Steps))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || qobject_cast<TFormOutlookProgress *>(dialog) || !dialog->isVisible())
                return;
            if (m_steps.isEmpty()) {
                dialog->done(mrCancel);
                ADD_FAILURE() << "an unexpected window: " << dialog->windowTitle().toStdString();
                return;
            }
            m_steps.takeFirst()(dialog);
        });
        m_timer.start();
    }
    bool Done() const { return m_steps.isEmpty(); }

private:
    QList<std::function<void(QDialog *)>> m_steps;
    QTimer m_timer;
};

void TickAndOk(QDialog *Dialog, QList<int> Ticked)
{
    auto *select = qobject_cast<TFormSelectContact *>(Dialog);
    ASSERT_NE(nullptr, select);
    for (int i : Ticked)
        select->SetChecked(i, true);
    select->OKBtn->click();
}

class ContactImport : public ::testing::Test
{
protected:
    ContactImport()
    {
        EnsureRichTextTestApp();
        StartWindowsDefaultFolders();
        StartQmIniFile(dir.path() + "/plikora");
        StartUnique();
        StartQmPrinter(std::make_unique<PdfSpooler>());
        StartOldfiles();
        SetApplicationTitle("Plikora");
        definitions = new DefinitionStore;
        returnAddresses = new ReturnAddressStore;
        form =
            new TFormStampMain(*definitions, *returnAddresses,
                               {[this](TFormStampMain &) { import->Execute(); }, {}}, ProgramWindowOpeners());
        auto app = std::make_unique<FakeOutlook>();
        outlook = app.get();
        auto contacts = std::make_shared<FakeFolder>("Contacts");
        friends = std::make_shared<FakeFolder>("Friends");
        contacts->Add(friends);
        outlook->stores.push_back(contacts);
        outlook->defaultFolder = contacts;
        const QString work = "1 Main St\nTown, ST 12345";
        friends->AddContact("Ann", {{"FullName", "Ann Lee"},
                                    {"MailingAddress", "2 Elm St\nTown, ST 12345"},
                                    {"BusinessAddress", work},
                                    {"JobTitle", "Boss"},
                                    {"CompanyName", "Acme"}});
        friends->AddContact("Bob", {{"FullName", "Bob Roe"}, {"MailingAddress", "3 Oak St"}});
        friends->AddContact("Cy", {{"FullName", "Cy Poe"},
                                   {"MailingAddress", work},
                                   {"BusinessAddress", work},
                                   {"JobTitle", "Clerk"},
                                   {"CompanyName", "Acme"}});
        import = new TContactImport(*form, std::move(app));
        form->ContactFolderID = {"F-Friends", "S1"};
    }
    ~ContactImport() override
    {
        delete form;
        delete returnAddresses;
        delete definitions;
        FreeContactForms();
        StopOldfiles();
        StopQmPrinter();
        StopUnique();
        StopQmIniFile();
        StopWindowsDefaultFolders();
    }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    DefinitionStore *definitions;
    ReturnAddressStore *returnAddresses;
    TFormStampMain *form;
    FakeOutlook *outlook;
    std::shared_ptr<FakeFolder> friends;
    TContactImport *import;
};

TEST_F(ContactImport, TickedContactsBecomeOneEnvelopeEachAndACancelledOneIsLeftOut)
{
    {
        WindowScript script(
            {[](QDialog *d) {
                 auto *select = qobject_cast<TFormSelectContact *>(d);
                 ASSERT_NE(nullptr, select);
                 EXPECT_EQ("Friends (/Contacts/Friends)", select->ComboBoxContactFolders->currentText());
                 TickAndOk(d, {0, 1, 2});
             },
             [](QDialog *d) {
                 auto *format = qobject_cast<TFormFormatContactAddress *>(d);
                 ASSERT_NE(nullptr, format);
                 // Mailed at home: no job title or company unless asked for.
                 EXPECT_FALSE(format->CheckBoxCompany->isChecked());
                 EXPECT_FALSE(format->EditCompanyName->isEnabled());
                 format->CheckBoxCompany->click();
                 format->OKBtn->click();
             },
             [](QDialog *d) { qobject_cast<TFormFormatContactAddress *>(d)->CancelBtn->click(); },
             [](QDialog *d) { qobject_cast<TFormFormatContactAddress *>(d)->OKBtn->click(); }});
        form->ActionFileImportOutlookExecute();
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ((QStringList{"Ann Lee", "Acme", "2 Elm St", "Town, ST 12345", " ", "Cy Poe", "Clerk", "Acme",
                           "1 Main St", "Town, ST 12345"}),
              form->RichEditDestination->Lines());
    EXPECT_TRUE(form->Imported);
    EXPECT_FALSE(form->RichEditDestination->Modified());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    EXPECT_EQ("F-Friends", RegIni->ReadString("Outlook", "ContactFolderEntryID", ""));
    EXPECT_EQ("Friends (/Contacts/Friends)", RegIni->ReadString("Outlook", "ContactFolderName", ""));

    // None ticked: nothing added; the folder chosen is remembered.
    RegIni->EraseSection("Outlook");
    WindowScript none({[](QDialog *d) { TickAndOk(d, {}); }});
    form->ActionFileImportOutlookExecute();
    EXPECT_TRUE(none.Done());
    EXPECT_TRUE(form->RichEditDestination->Lines().isEmpty());
    EXPECT_FALSE(form->Imported);
    EXPECT_EQ("S1", RegIni->ReadString("Outlook", "ContactFolderStoreID", ""));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ContactImport, WithoutAConnectionEveryImportSaysSoAtOnce)
{
    outlook->state.failures = {{FakeCall::Connect, FakeError::Other}};
    form->ActionFileImportOutlookExecute();
    form->ActionFileImportOutlookExecute();
    ASSERT_EQ(2, messages.shown.size());
    EXPECT_EQ("Plikora could not connect to your address book.", messages.shown[1].message);
    EXPECT_EQ(TMsgDlgButtons(mbOK | mbHelp), messages.shown[1].buttons);
    EXPECT_EQ(20011, messages.shown[1].helpContext);
    EXPECT_EQ(nullptr, QApplication::overrideCursor());

    // An address book that tells why it failed: one message, with its reason.
    outlook->state.failures = {{FakeCall::Connect, FakeError::Ole}};
    messages.shown.clear();
    form->ActionFileImportOutlookExecute();
    ASSERT_EQ(1, messages.shown.size());
    EXPECT_TRUE(messages.shown[0].message.startsWith("Plikora could not connect to your address book.\r\n\r\n"
                                                     "Error 21 - "))
        << messages.shown[0].message.toStdString();

    // The address book the message asked for, added while the program runs, is found.
    outlook->state.failures.clear();
    WindowScript script({[](QDialog *d) { TickAndOk(d, {1}); },
                         [](QDialog *d) { qobject_cast<TFormFormatContactAddress *>(d)->OKBtn->click(); }});
    form->ActionFileImportOutlookExecute();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ((QStringList{"Bob Roe", "3 Oak St"}), form->RichEditDestination->Lines());
}

TEST_F(ContactImport, TheFolderIsReadOncePerImportHoweverManyAreTicked)
{
    auto ok = [](QDialog *d) { qobject_cast<TFormFormatContactAddress *>(d)->OKBtn->click(); };
    {
        WindowScript first({[](QDialog *d) { TickAndOk(d, {0, 1, 2}); }, ok, ok, ok});
        form->ActionFileImportOutlookExecute();
        EXPECT_TRUE(first.Done());
        EXPECT_EQ(1, friends->itemReads);
    }
    // The next import reads the folder again, once.
    friends->items.erase(friends->items.begin());
    WindowScript second({[](QDialog *d) { TickAndOk(d, {0, 1}); }, ok, ok});
    form->ActionFileImportOutlookExecute();
    EXPECT_TRUE(second.Done());
    EXPECT_EQ(2, friends->itemReads);
    EXPECT_EQ("Bob Roe", form->RichEditDestination->Lines().value(0));
}

TEST_F(ContactImport, FormattingTakesReturnAsOkAndShowsLongNamesWhole)
{
    TFormFormatContactAddress *format = GetFormatContactAddressForm();
    TContactNameParts p{"Bartholomew",
                        "Featherstonehaugh-Cholmondeley",
                        "Bartholomew Featherstonehaugh-Cholmondeley",
                        "Maximiliane Featherstonehaugh",
                        "Wilhelmina, Archibald",
                        "",
                        "",
                        "1 Elm",
                        "1 Elm"};
    format->Fill(p);
    const int longest = format->ComboBoxNames->view()->sizeHintForColumn(0);
    EXPECT_GT(longest, format->ComboBoxNames->width());
    EXPECT_GE(format->ComboBoxNames->view()->minimumWidth(), longest);
    QTimer::singleShot(0, format, [format] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(format->ComboBoxNames, &press);
        QApplication::sendEvent(format->ComboBoxNames, &release);
    });
    QTimer::singleShot(2000, format, [format] { format->done(mrCancel); });
    EXPECT_EQ(mrOk, format->exec());
}

TEST(ContactNames, TheVariantsComeInOrderAndTheAddressDecidesJobAndCompany)
{
    EnsureRichTextTestApp();
    TContactNameParts p{"John", "Smith", "John Smith", "Mary", "Ann", "", "", "1 Elm", "1 Elm"};
    EXPECT_EQ((QStringList{"John Smith", "John & Mary Smith", "Mary & John Smith", "Mary Smith",
                           "John & Mary Smith & Family", "Mary & John Smith & Family",
                           "John, Mary, Ann Smith", "Mary, John, Ann Smith"}),
              ContactNameVariants(p));
    p.Spouse = "Mary Major";
    EXPECT_EQ(13, ContactNameVariants(p).size());
    EXPECT_EQ("Mary Major", ContactNameVariants(p)[6]);
    p.Spouse.clear();
    EXPECT_EQ((QStringList{"John Smith", "John Smith & Family", "John, Ann Smith"}), ContactNameVariants(p));
    p.Children.clear();
    EXPECT_EQ(QStringList{"John Smith"}, ContactNameVariants(p));

    TFormFormatContactAddress *format = GetFormatContactAddressForm();
    p.Job = "Clerk";
    format->Fill(p);
    EXPECT_TRUE(format->CheckBoxJobTitle->isChecked());
    EXPECT_TRUE(format->EditJobTitle->isEnabled());
    // No company: its box is off while its edit stays open.
    EXPECT_FALSE(format->CheckBoxCompany->isEnabled());
    EXPECT_FALSE(format->CheckBoxCompany->isChecked());
    EXPECT_TRUE(format->EditCompanyName->isEnabled());
    EXPECT_EQ("John Smith", format->ComboBoxNames->currentText());
    FreeContactForms();
}

} // namespace
