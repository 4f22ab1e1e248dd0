#include "engine/ReturnAddressStore.h"

#include "engine/RetAddr.h"
#include "foundation/QmIniFile.h"
#include "support/StoreSignals.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ReturnAddressStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
    }
    void TearDown() override
    {
        addresses.reset();
        delete IniFile;
        IniFile = nullptr;
    }

    QTemporaryDir dir;
    std::unique_ptr<ReturnAddressStore> addresses = std::make_unique<ReturnAddressStore>();
    const TDescribedList<TReturnAddress> &list = addresses->List();
};

TEST_F(ReturnAddressStoreTest, AnEmptySectionGivesTheSampleHomeUntilSaved)
{
    EXPECT_TRUE(addresses->LoadReturnAddressList());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Description(0), "Home");
    EXPECT_EQ(list.DefaultIndex(), 0);
    EXPECT_EQ(addresses->CurrentReturnAddress(), list.Object(0));
    EXPECT_EQ(list.Object(0)->Lines(), (QStringList{"Your Name", "123 Main St.", "Somewhere, XX 98765"}));
    EXPECT_FALSE(IniFile->SectionExists(ReturnAddressStore::Section));
    addresses->SaveReturnAddressList();
    ReturnAddressStore again;
    EXPECT_FALSE(again.LoadReturnAddressList());
    EXPECT_EQ(again.List().Descriptions(), QStringList{"Home"});
    EXPECT_EQ(IniFile->ReadInteger(ReturnAddressStore::Section, "Default", 0), 1);
}

TEST_F(ReturnAddressStoreTest, RichTextLinesSurviveTheFile)
{
    const QStringList lines{R"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}})",
                            R"(\pard\plain\f0\fs20 O'Brien, "Pat"; Ltd.\par)",
                            R"(C:\path\{braces\}, a;b\par)",
                            "  padded  ",
                            R"("quoted")",
                            "}"};
    auto address = std::make_unique<TReturnAddress>();
    address->Lines() = lines;
    addresses->Add("Work, \"main\"; office", std::move(address));
    addresses->Add("Home", std::make_unique<TReturnAddress>());
    addresses->SetDefaultIndex(1);
    addresses->SaveReturnAddressList();

    ReturnAddressStore loaded;
    loaded.LoadReturnAddressList();
    ASSERT_EQ(loaded.List().Count(), 2);
    EXPECT_EQ(loaded.List().Description(1), "Work, \"main\"; office");
    EXPECT_EQ(loaded.List().DefaultIndex(), 1);
    EXPECT_EQ(loaded.CurrentIndex(), 1);
    EXPECT_EQ(loaded.List().Object(1)->Lines(), lines);
}

TEST_F(ReturnAddressStoreTest, StoredDefaultOutsideTheListIsTheFirstEntry)
{
    addresses->Add("b", std::make_unique<TReturnAddress>());
    addresses->Add("a", std::make_unique<TReturnAddress>());
    addresses->SaveReturnAddressList();
    for (int stored : {0, 3, 99}) {
        IniFile->WriteInteger(ReturnAddressStore::Section, "Default", stored);
        ReturnAddressStore loaded;
        loaded.LoadReturnAddressList();
        EXPECT_EQ(loaded.List().DefaultIndex(), 0) << stored;
        EXPECT_EQ(loaded.List().Description(0), "a");
    }
}

TEST_F(ReturnAddressStoreTest, ADamagedCountBringsOnlyTheEntriesThatAreThere)
{
    // Entry 3 is gone and "Count" is far too high: neither brings in an empty entry.
    const QString s = ReturnAddressStore::Section;
    for (const auto &[stored, expected] : {std::pair{3, "entry 1"}, {4, "entry 4"}}) {
        SCOPED_TRACE(stored);
        IniFile->EraseSection(s);
        IniFile->WriteInteger(s, "Count", 40);
        IniFile->WriteInteger(s, "Default", stored);
        for (int n : {1, 2, 4}) {
            IniFile->WriteString(s, QStringLiteral("Description%1").arg(n),
                                 QStringLiteral("entry %1").arg(n));
            IniFile->WriteStrings(s, QStringLiteral("Address%1").arg(n), {QStringLiteral("line %1").arg(n)});
        }
        {
            ReturnAddressStore loaded; // saves the list when it goes
            loaded.LoadReturnAddressList();
            EXPECT_EQ(loaded.List().Descriptions(), (QStringList{"entry 1", "entry 2", "entry 4"}));
            EXPECT_EQ(loaded.List().Description(loaded.List().DefaultIndex()), expected);
            EXPECT_EQ(loaded.CurrentReturnAddress()->Lines(),
                      QStringList{QStringLiteral("line ") + QString(expected).right(1)});
        }
        EXPECT_EQ(IniFile->ReadInteger(s, "Count", 0), 3);
        EXPECT_EQ(IniFile->ReadString(s, "Description3", QString()), "entry 4");
        EXPECT_EQ(IniFile->ReadString(s, "Address3_0", QString()), "line 4");
        EXPECT_FALSE(IniFile->ValueExists(s, "Description4"));
        const int n = IniFile->ReadInteger(s, "Default", 0);
        EXPECT_EQ(IniFile->ReadString(s, QStringLiteral("Description%1").arg(n), QString()), expected);
    }
}

TEST_F(ReturnAddressStoreTest, CurrentAndDefaultFollowEachChangeWithOneSignalEach)
{
    StoreSignals seen(*addresses);
    addresses->LoadReturnAddressList();
    EXPECT_EQ(seen.Take(), "list current");

    // A new entry is not selected; current and default stay on "Home".
    EXPECT_EQ(addresses->Add("Alpha", std::make_unique<TReturnAddress>()), 0);
    EXPECT_EQ(seen.Take(), "list");
    EXPECT_EQ(addresses->CurrentIndex(), 1);
    EXPECT_EQ(list.DefaultIndex(), 1);
    addresses->SelectReturnAddress(0);
    EXPECT_EQ(seen.Take(), "current");
    EXPECT_EQ(addresses->CurrentReturnAddress(), list.Object(0));

    // Renaming moves the entry and keeps it current.
    EXPECT_EQ(addresses->Rename(0, "Zulu"), 1);
    EXPECT_EQ(seen.Take(), "list");
    EXPECT_EQ(addresses->CurrentIndex(), 1);
    EXPECT_EQ(list.DefaultIndex(), 0);

    // Deleting the default makes the first entry current and the default.
    addresses->Delete(0);
    EXPECT_EQ(seen.Take(), "list current");
    EXPECT_EQ(list.Descriptions(), QStringList{"Zulu"});
    EXPECT_EQ(addresses->CurrentIndex(), 0);
    EXPECT_EQ(list.DefaultIndex(), 0);
    addresses->Delete(0);
    EXPECT_EQ(seen.Take(), "list current");
    EXPECT_EQ(addresses->CurrentReturnAddress(), nullptr);
    EXPECT_EQ(addresses->CurrentIndex(), -1);
}

} // namespace
