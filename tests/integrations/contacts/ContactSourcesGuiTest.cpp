#include "foundation/QmIniFile.h"
#include "integrations/contacts/ContactForms.h"
#include "integrations/contacts/ContactSources.h"
#include "support/FakeOutlook.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedMessageService.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QString ConnectError(int Step, const QString &Message = QStringLiteral("It failed."))
{
    return QStringLiteral("Plikora could not connect to Fake Book. \r\n\r\nError %1 - %2")
        .arg(Step)
        .arg(Message);
}

class OutlookContacts : public ::testing::Test
{
protected:
    OutlookContacts()
    {
        EnsureRichTextTestApp();
        SetApplicationTitle(QStringLiteral("Plikora"));
        contacts = std::make_shared<FakeFolder>(QStringLiteral("Contacts"));
        outlook.stores.push_back(contacts);
        outlook.defaultFolder = contacts;
    }
    ~OutlookContacts() override { FreeContactForms(); }

    QStringList Entries(const TOutlookContactList &List) const
    {
        QStringList texts;
        for (int i = 0; i < List.Count(); ++i)
            texts << List.Strings(i);
        return texts;
    }

    ScriptedMessageService messages;
    FakeOutlook outlook;
    std::shared_ptr<FakeFolder> contacts;
};

TEST_F(OutlookContacts, EachFailedConnectStepIsReportedOnceAndLeavesTheListInert)
{
    struct Case
    {
        FakeCall call;
        bool folderList;
        int step;
    };
    for (const Case &c :
         {Case{FakeCall::Connect, false, 1}, Case{FakeCall::GetNamespace, false, 2},
          Case{FakeCall::GetDefaultFolder, false, 3}, Case{FakeCall::GetFolderFromID, false, 11},
          Case{FakeCall::Connect, true, 21}, Case{FakeCall::GetNamespace, true, 22},
          Case{FakeCall::GetDefaultFolder, true, 22}}) {
        SCOPED_TRACE(c.step);
        messages.shown.clear();
        outlook.state.failures = {{c.call, FakeError::Ole}};
        if (c.folderList) {
            TOutlookContactFolderList list(outlook, 20011);
            EXPECT_FALSE(list.Connected);
            list.EnsureLoaded(false);
            EXPECT_EQ(0, list.Count());
            EXPECT_EQ(-1, list.IndexOfDefaultFolder());
            EXPECT_EQ(nullptr, list.GetFolder(0));
        } else {
            TOutlookContactList list(outlook, 20011);
            if (c.step == 11)
                list.SetFolder({QStringLiteral("F-Contacts"), QStringLiteral("S1")});
            EXPECT_FALSE(list.Connected);
            int itemClass = 7;
            EXPECT_EQ(nullptr, list.GetItem(1, itemClass));
            EXPECT_EQ(0, itemClass);
            EXPECT_EQ(0, list.GetCount());
            EXPECT_EQ(-1, list.IndexOfEntryID(QStringLiteral("F-Contacts/1")));
        }
        ASSERT_EQ(1, messages.shown.size());
        EXPECT_EQ(ConnectError(c.step), messages.shown[0].message);
        EXPECT_EQ(TMsgDlgType::Error, messages.shown[0].type);
        EXPECT_EQ(TMsgDlgButtons(mbOK), messages.shown[0].buttons);
        EXPECT_EQ(20011, messages.shown[0].helpContext);
    }
    // Errors that do not come from the address book leave the list unconnected silently.
    messages.shown.clear();
    outlook.state.failures = {{FakeCall::Connect, FakeError::Other}};
    TOutlookContactList list(outlook, 20011);
    EXPECT_FALSE(list.Connected);
    EXPECT_TRUE(messages.shown.isEmpty());
    // A folder that no longer exists.
    outlook.state.failures.clear();
    TOutlookContactList other(outlook, 20011);
    other.SetFolder({QStringLiteral("F-Gone"), QStringLiteral("S1")});
    EXPECT_FALSE(other.Connected);
    EXPECT_EQ(ConnectError(11, QStringLiteral("No such folder.")), messages.shown.value(0).message);
}

TEST_F(OutlookContacts, LoadSortsWithoutCaseSkipsListsStepsEveryTenthAndCancelKeepsWhatWasRead)
{
    for (int i = 0; i < 25; ++i) {
        contacts->AddContact((i % 2 ? QStringLiteral("contact %1") : QStringLiteral("Contact %1"))
                                 .arg(i, 2, 10, QLatin1Char('0')));
        if (i % 9 == 0)
            contacts->AddContact(QStringLiteral("List %1").arg(i), {}, olDistributionList);
    }
    contacts->AddContact(QStringLiteral("contact 03"));
    TOutlookContactList list(outlook, 20011);
    ASSERT_TRUE(list.Connected);
    list.EnsureLoaded(true);
    QStringList expected;
    for (int i = 0; i < 25; ++i)
        expected << (i % 2 ? QStringLiteral("contact %1") : QStringLiteral("Contact %1"))
                        .arg(i, 2, 10, QLatin1Char('0'));
    expected.insert(4, QStringLiteral("contact 03"));
    EXPECT_EQ(expected, Entries(list));
    EXPECT_TRUE(list.Loaded);
    // 29 items: the bar steps at the 10th and 20th.
    EXPECT_EQ(20, GetOutlookProgressForm()->ProgressBar->value());
    EXPECT_FALSE(GetOutlookProgressForm()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Cancel while the 7th item (the 6th contact) is read: that one is finished, the rest is left.
    contacts->items[6]->OnRead = [](const QString &) { GetOutlookProgressForm()->BitBtnCancel->click(); };
    list.Load(true);
    EXPECT_EQ(6, list.Count());
    EXPECT_TRUE(list.Loaded);
    contacts->items[6]->OnRead = nullptr;
    list.Load(true);
    EXPECT_EQ(26, list.Count());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(OutlookContacts, AContactDeletedAfterLoadingIsNotFound)
{
    contacts->AddContact(QStringLiteral("Bea"));
    contacts->AddContact(QStringLiteral("Abe"));
    TOutlookContactList list(outlook, 20011);
    list.EnsureLoaded(false);
    bool found = false;
    TOutlookItemPtr item = list.GetContactItem(1, found);
    ASSERT_TRUE(found);
    EXPECT_EQ(QStringLiteral("Bea"), item->Property(QStringLiteral("FileAs")));
    contacts->items.erase(contacts->items.begin());
    EXPECT_EQ(nullptr, list.GetContactItem(1, found));
    EXPECT_FALSE(found);
    EXPECT_EQ(nullptr, list.GetContactItem(5, found));
}

TEST_F(OutlookContacts, TheWalkListsContactFoldersWithTheirPathsAndSkipsFoldersThatFail)
{
    auto store = std::make_shared<FakeFolder>(QStringLiteral("Mailbox"), olMailItem, QStringLiteral("S2"));
    outlook.stores.push_back(store);
    auto inbox =
        store->Add(std::make_shared<FakeFolder>(QStringLiteral("Inbox"), olMailItem, QStringLiteral("S2")));
    inbox->Add(std::make_shared<FakeFolder>(QStringLiteral("friends"), olContactItem, QStringLiteral("S2")));
    store->Add(std::make_shared<FakeFolder>(QStringLiteral("Broken"), olContactItem, QStringLiteral("S2")))
        ->failing = {FakeCall::EntryID};
    auto unreadable =
        store->Add(std::make_shared<FakeFolder>(QStringLiteral("Odd"), olMailItem, QStringLiteral("S2")));
    unreadable->failing = {FakeCall::Kind};
    unreadable->Add(
        std::make_shared<FakeFolder>(QStringLiteral("Hidden"), olContactItem, QStringLiteral("S2")));
    store->Add(std::make_shared<FakeFolder>(QStringLiteral("Work"), olContactItem, QStringLiteral("S2")))
        ->failing = {FakeCall::Folders};
    auto dead = std::make_shared<FakeFolder>(QStringLiteral("Dead"));
    dead->failing = {FakeCall::Name};
    outlook.stores.push_back(dead);

    TOutlookContactFolderList folders(outlook, 20011);
    folders.EnsureLoaded(true);
    QStringList texts;
    for (int i = 0; i < folders.Count(); ++i)
        texts << folders.Strings(i);
    EXPECT_EQ(
        (QStringList{"Contacts (/Contacts)", "friends (/Mailbox/Inbox/friends)", "Work (/Mailbox/Work)"}),
        texts);
    EXPECT_EQ(0, folders.IndexOfDefaultFolder());
    EXPECT_EQ(1, folders.IndexOfFolderID({QStringLiteral("F-friends"), QStringLiteral("S2")}));
    EXPECT_EQ(-1, folders.IndexOfFolderID({QStringLiteral("F-friends"), QStringLiteral("S1")}));
    EXPECT_EQ(QStringLiteral("friends"), folders.GetFolder(1)->Name());
    EXPECT_TRUE(messages.shown.isEmpty());
}

} // namespace
