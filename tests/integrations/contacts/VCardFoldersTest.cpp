#include "integrations/contacts/VCardFolders.h"
#include "foundation/QmIniFile.h"
#include "integrations/contacts/ContactFields.h"
#include "integrations/contacts/ContactSources.h"
#include "support/ScriptedMessageService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// The fixture tree copied under a temporary root, with what cannot be kept in
// the sources made here: a 10 MB card and a symbolic link back up the tree.
class VCardFolders : public ::testing::Test
{
protected:
    VCardFolders()
    {
        SetApplicationTitle("Plikora");
        root = dir.path() + "/contacts";
        EXPECT_EQ(0, QProcess::execute("cp", {"-r", PLIKORA_TEST_DATA "/contacts", root}));
        QDir(root).mkpath("Big");
        QFile big(root + "/Big/big.vcf");
        EXPECT_TRUE(big.open(QIODevice::WriteOnly));
        big.write("BEGIN:VCARD\nVERSION:3.0\nFN:Big Note\nNOTE:");
        big.write(QByteArray(10 * 1024 * 1024, 'x'));
        big.write("\nEND:VCARD\n");
        big.close();
        EXPECT_EQ(0, symlink("..", (root + "/Friends/loop").toUtf8().constData()));
    }

    TOutlookItemPtr Card(const QString &Folder, const QString &EntryID)
    {
        TOutlookItemsPtr items = TVCardStore(root).FolderFromID(Folder, "vcard")->Items();
        for (int i = 1; i <= items->Count(); ++i) {
            if (items->Item(i)->EntryID() == EntryID)
                return items->Item(i);
        }
        ADD_FAILURE() << "no card " << EntryID.toStdString();
        return nullptr;
    }

    QTemporaryDir dir;
    QString root;
};

QString P(const TOutlookItemPtr &Item, const char *Name)
{
    return Item ? Item->Property(QString::fromLatin1(Name)) : QString();
}

TEST_F(VCardFolders, TheTreeIsWalkedOnceAndOnlyFoldersWithCardsAreContactFolders)
{
    TVCardStore store(root);
    const QList<TOutlookFolderPtr> top = store.TopFolders();
    ASSERT_EQ(1, top.size());
    EXPECT_EQ("Contacts", top[0]->Name());
    EXPECT_EQ("/", top[0]->EntryID());
    EXPECT_EQ(olMailItem, top[0]->DefaultItemType());
    ASSERT_EQ(3, top[0]->FolderCount());
    TOutlookFolderPtr friends = top[0]->Folder(3);
    EXPECT_EQ("Friends", friends->Name());
    EXPECT_EQ("/Friends", friends->EntryID());
    EXPECT_EQ(olContactItem, friends->DefaultItemType());
    // The link back to the root is not a folder of Friends.
    EXPECT_EQ(0, friends->FolderCount());
    EXPECT_EQ("/Big", store.DefaultContactFolder()->EntryID());
    // Identifiers never lead out of the root.
    for (const char *id : {"/..", "/Friends/../..", "Friends", "//etc", "/Friends/./x", "/Nowhere"})
        EXPECT_THROW(store.FolderFromID(QString::fromLatin1(id), "vcard"), EOleException) << id;
    EXPECT_THROW(store.FolderFromID("/Friends", "eds:x"), EOleException);
}

TEST_F(VCardFolders, TheFolderListNamesEachFolderWithItsPathAndAnEmptyRootHasNone)
{
    TDesktopContacts desktop([this] {
        TDesktopContacts::TStores stores;
        stores.push_back(std::make_unique<TVCardStore>(root));
        return stores;
    });
    {
        TOutlookContactFolderList folders(desktop, 20011);
        folders.EnsureLoaded(false);
        QStringList texts;
        for (int i = 0; i < folders.Count(); ++i)
            texts << folders.Strings(i);
        EXPECT_EQ(
            (QStringList{"Big (/Contacts/Big)", "Family (/Contacts/Family)", "Friends (/Contacts/Friends)"}),
            texts);
        EXPECT_EQ(0, folders.IndexOfDefaultFolder());
    }
    ScriptedMessageService messages;
    QDir(root).removeRecursively();
    TOutlookContactList contacts(desktop, 20011);
    EXPECT_FALSE(contacts.Connected);
    ASSERT_EQ(1, messages.shown.size());
    EXPECT_TRUE(messages.shown[0].message.startsWith(
        "Plikora could not connect to the address book. \r\n\r\nError 3 - There is no contact folder"))
        << messages.shown[0].message.toStdString();
}

TEST_F(VCardFolders, CardsOfEveryVersionGiveTheirNamesAndAddresses)
{
    TOutlookItemsPtr items = TVCardStore(root).FolderFromID("/Friends", "vcard")->Items();
    // john 1, juergen 1, several 4 (one a group), empty 0.
    EXPECT_EQ(6, items->Count());

    const TOutlookItemPtr john = Card("/Friends", "/Friends/john.vcf#1");
    EXPECT_EQ(olContact, john->Class());
    EXPECT_EQ("Smith, John", P(john, "FileAs"));
    EXPECT_EQ("John Smith", P(john, "FullName"));
    EXPECT_EQ("Mary", P(john, "Spouse"));
    EXPECT_EQ("Acme Tools", P(john, "CompanyName"));
    EXPECT_EQ("Sales Manager", P(john, "JobTitle"));
    // A folded line, a grouped property; the only address is the mailing one too.
    EXPECT_EQ("1 Industry Way\nSpringfield, IL 62704\nGermany", P(john, "BusinessAddress"));
    EXPECT_EQ(P(john, "BusinessAddress"), P(john, "MailingAddress"));

    const TOutlookItemPtr juergen = Card("/Friends", "/Friends/juergen.vcf#1");
    EXPECT_EQ(QString::fromUtf8("Müller, Jürgen"), P(juergen, "FileAs"));
    EXPECT_EQ(QString::fromUtf8("Jürgen Müller"), P(juergen, "FullName"));
    EXPECT_EQ(QString::fromUtf8("Hauptstraße 5\nKöln 50667"), P(juergen, "MailingAddress"));
    EXPECT_EQ("", P(juergen, "BusinessAddress"));

    const TOutlookItemPtr ann = Card("/Friends", "/Friends/several.vcf#1");
    EXPECT_EQ("Zeta, Ann", P(ann, "FileAs"));
    EXPECT_EQ("Ann", P(ann, "FirstName"));
    EXPECT_EQ("Adams", P(ann, "LastName"));
    EXPECT_EQ("Bob Adams", P(ann, "Spouse"));
    EXPECT_EQ("Cy, Di", P(ann, "Children"));
    EXPECT_EQ("2 Oak Lane\nBoston, MA 02101", P(ann, "MailingAddress"));
    EXPECT_EQ("9 Main St\nBoston, MA 02110", P(ann, "BusinessAddress"));

    const TOutlookItemPtr nameless = Card("/Friends", "/Friends/several.vcf#2");
    EXPECT_EQ("Nameless Corp", P(nameless, "FileAs"));
    EXPECT_EQ("", P(nameless, "FullName"));
    EXPECT_EQ(olDistributionList, Card("/Friends", "/Friends/several.vcf#3")->Class());
    const TOutlookItemPtr bad = Card("/Friends", "/Friends/several.vcf#4");
    EXPECT_EQ(QString::fromUtf8("Bad \uFFFD\uFFFD Bytes"), P(bad, "FullName"));

    const TOutlookItemPtr big = Card("/Big", "/Big/big.vcf#1");
    EXPECT_EQ("Big Note", P(big, "FileAs"));
}

TEST(PostalAddress, TheCountryLineOnlyForOtherCountries)
{
    const TPostalAddress a{"PO Box 7", "", "1 Elm St\nApt 2", "Springfield", "IL", "62704", "U.S.A."};
    EXPECT_EQ("PO Box 7\n1 Elm St\nApt 2\nSpringfield, IL 62704",
              FormatPostalAddress(a, QLocale::UnitedStates));
    EXPECT_EQ("PO Box 7\n1 Elm St\nApt 2\nSpringfield, IL 62704\nU.S.A.",
              FormatPostalAddress(a, QLocale::Canada));
    EXPECT_TRUE(IsOwnCountry("de", QLocale::Germany));
    EXPECT_TRUE(IsOwnCountry("Germany", QLocale::Germany));
    EXPECT_FALSE(IsOwnCountry("Germany", QLocale::AnyTerritory));
}

} // namespace
