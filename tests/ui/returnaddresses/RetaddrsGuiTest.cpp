#include "ui/returnaddresses/Newretad.h"
#include "ui/returnaddresses/Retaddrs.h"

#include "engine/RetAddr.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmRichEdit.h"
#include "platform/RichEdit.h"
#include "support/ScriptedMessageService.h"
#include "ui/ManagerTestSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

// Whether every paragraph with text takes room on the screen.
bool ShowsEveryParagraph(const RichEdit &edit)
{
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next())
        if (!b.text().isEmpty() && edit.document()->documentLayout()->blockBoundingRect(b).height() <= 0)
            return false;
    return true;
}

class RetaddrsGuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ManagerTestApp();
        ASSERT_TRUE(dir.isValid());
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
        open();
    }
    void TearDown() override
    {
        delete manager;
        addresses.reset();
        FreeNewReturnAddressDialog();
        delete IniFile;
        IniFile = nullptr;
    }

    void answer(const QString &text, bool ok)
    {
        WhenModalShows([this, text, ok] {
            TDlgNewReturnAddress *dialog = GetNewReturnAddressDialog();
            seenTitle = dialog->windowTitle();
            seenText = dialog->EditReturnAddress()->text();
            dialog->EditReturnAddress()->setText(text);
            ok ? dialog->accept() : dialog->reject();
        });
    }
    // The store and its manager over the stored list, as the program starts them.
    void open()
    {
        addresses = std::make_unique<ReturnAddressStore>();
        host = std::make_unique<FollowingCombos>();
        host->Follow(*addresses);
        manager = new TDlgReturnAddresses(*addresses);
        addresses->LoadReturnAddressList();
    }
    void select(int row)
    {
        manager->ListAddresses()->setCurrentRow(row);
        addresses->SelectReturnAddress(row);
    }
    QString defaultName() const { return addresses->List().Description(addresses->List().DefaultIndex()); }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    std::unique_ptr<ReturnAddressStore> addresses;
    std::unique_ptr<FollowingCombos> host;
    TDlgReturnAddresses *manager = nullptr;
    QString seenTitle;
    QString seenText;
};

TEST_F(RetaddrsGuiTest, AFreshStartShowsTheSampleInTheMainWindow)
{
    ASSERT_NE(addresses->CurrentReturnAddress(), nullptr);
    EXPECT_EQ(addresses->CurrentReturnAddress(), addresses->List().Object(0));
    EXPECT_EQ(host->returnCombo.count(), 1);
    EXPECT_EQ(host->returnCombo.currentIndex(), 0);
    EXPECT_GE(host->applied, 1);
    EXPECT_EQ(manager->GroupBoxDetails()->title(), "Return address for \"Home\"");
    EXPECT_TRUE(manager->ListAddresses()->item(0)->font().bold());
    EXPECT_TRUE(manager->RichEditAddress()->Text().contains("123 Main St."));
}

TEST_F(RetaddrsGuiTest, AddRenameDeleteAroundTheDefault)
{
    // "Home", the default
    answer("Alpha", true);
    manager->AddBtnClick();
    EXPECT_EQ(seenTitle, "Add Return Address");
    EXPECT_EQ(seenText, "");
    EXPECT_EQ(addresses->List().Descriptions(), (QStringList{"Alpha", "Home"}));
    EXPECT_EQ(defaultName(), "Home");
    EXPECT_EQ(addresses->CurrentReturnAddress(), addresses->List().Object(0));
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Count", 0), 2);
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Default", 0), 2);
    EXPECT_EQ(host->returnCombo.count(), 2);

    // Renaming the default keeps the same object and keeps it the default.
    select(1);
    TReturnAddress *home = addresses->CurrentReturnAddress();
    answer("Aardvark", true);
    manager->RenameBtnClick();
    EXPECT_EQ(seenTitle, "Rename Return Address");
    EXPECT_EQ(seenText, "Home");
    EXPECT_EQ(addresses->List().Descriptions(), (QStringList{"Aardvark", "Alpha"}));
    EXPECT_EQ(addresses->List().Object(0), home);
    EXPECT_EQ(addresses->CurrentReturnAddress(), home);
    EXPECT_EQ(defaultName(), "Aardvark");
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Default", 0), 1);

    // Cancel changes nothing; an empty description and a duplicate are taken as typed.
    answer("ignored", false);
    manager->RenameBtnClick();
    EXPECT_EQ(addresses->List().Descriptions(), (QStringList{"Aardvark", "Alpha"}));
    answer("", true);
    manager->AddBtnClick();
    answer("Alpha", true);
    manager->AddBtnClick();
    EXPECT_EQ(addresses->List().Descriptions(), (QStringList{"", "Aardvark", "Alpha", "Alpha"}));
    EXPECT_EQ(defaultName(), "Aardvark");

    // Delete asks first; deleting the default makes the first entry the default.
    select(1);
    messages.answers = {mrNo};
    manager->DeleteBtnClick();
    EXPECT_EQ(addresses->List().Count(), 4);
    EXPECT_EQ(messages.shown.last().message, "Do you want to delete address \"Aardvark\"");
    EXPECT_EQ(messages.shown.last().helpContext, 20073);
    messages.answers = {mrYes};
    manager->DeleteBtnClick();
    EXPECT_EQ(addresses->List().DefaultIndex(), 0);
    EXPECT_EQ(addresses->CurrentReturnAddress(), addresses->List().Object(0));
    EXPECT_EQ(host->returnCombo.count(), 3);
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Count", 0), 3);
}

TEST_F(RetaddrsGuiTest, ADescriptionTheFileCannotHoldKeepsEveryAddress)
{
    // "Home"
    answer(QStringLiteral("Bad") + QChar(0) + QStringLiteral("name\nhere"), true);
    manager->AddBtnClick();
    ASSERT_EQ(addresses->List().Count(), 2);
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Count", 0), 2);
    QStringList descriptions;
    for (const QString key : {"Description1", "Description2"})
        descriptions << IniFile->ReadString(ReturnAddressStore::Section, key, "?");
    EXPECT_EQ(descriptions, (QStringList{"Bad name here", "Home"}));
    IniFile->ReadStrings(ReturnAddressStore::Section, "Address2", descriptions);
    EXPECT_TRUE(descriptions.join("\n").contains("123 Main St."));
}

TEST_F(RetaddrsGuiTest, TheLastDeleteLeavesNothingCurrentAndTextEditsAreIgnored)
{
    messages.answers = {mrYes};
    manager->DeleteBtnClick();
    EXPECT_EQ(addresses->CurrentReturnAddress(), nullptr);
    EXPECT_FALSE(manager->RenameBtn()->isEnabled());
    EXPECT_FALSE(manager->DeleteBtn()->isEnabled());
    EXPECT_FALSE(manager->DefaultBtn()->isEnabled());
    EXPECT_FALSE(manager->RichEditAddress()->isEnabled());
    EXPECT_EQ(host->returnCombo.count(), 0);
    manager->RichEditAddress()->SetText("typed into nothing"); // must not crash or land anywhere

    // Adding to the emptied list makes the new entry the default.
    answer("Office", true);
    manager->AddBtnClick();
    EXPECT_EQ(addresses->List().DefaultIndex(), 0);
    EXPECT_TRUE(manager->ListAddresses()->item(0)->font().bold());
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Default", 0), 1);
}

TEST_F(RetaddrsGuiTest, RichTextIsKeptAndShownAcrossSwitchesClosesAndRestarts)
{
    manager->show();
    answer("Work", true);
    manager->AddBtnClick();
    ASSERT_EQ(addresses->CurrentReturnAddress(), addresses->List().Object(1));
    RichEdit *editor = manager->RichEditAddress();
    editor->SetText("Morvane Software");
    editor->SelectAllText();
    editor->SetSelStyle(RichStyle::Bold, true);
    QStringList expected;
    RichEditToStrings(expected, *editor);
    EXPECT_EQ(addresses->CurrentReturnAddress()->Lines(), expected);
    QCoreApplication::processEvents();
    select(0);
    select(1);
    EXPECT_EQ(editor->Text(), "Morvane Software");
    EXPECT_TRUE(ShowsEveryParagraph(*editor));

    // Closing the window stores the text before the program ends.
    select(0);
    manager->DefaultBtnClick();
    manager->accept();
    QStringList stored;
    IniFile->ReadStrings(ReturnAddressStore::Section, "Address2", stored);
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Default", 0), 1);

    // A restart reads the file again and shows the bold text.
    delete manager;
    manager = nullptr;
    addresses.reset();
    delete IniFile;
    IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
    open();
    manager->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(addresses->List().Descriptions(), (QStringList{"Home", "Work"}));
    EXPECT_EQ(addresses->List().DefaultIndex(), 0);
    select(1);
    editor = manager->RichEditAddress();
    EXPECT_EQ(editor->Text(), "Morvane Software");
    EXPECT_TRUE(ShowsEveryParagraph(*editor));
    editor->SelectAllText();
    EXPECT_TRUE(editor->SelAttributes().HasStyle(RichStyle::Bold));
}

} // namespace
