#include "ui/ReturnAddressList.h"

#include "engine/RetAddr.h"
#include "foundation/QmIniFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ReturnAddressListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
    }
    void TearDown() override
    {
        delete IniFile;
        IniFile = nullptr;
    }

    QTemporaryDir dir;
    TReturnAddressList list;
};

TEST_F(ReturnAddressListTest, AnEmptySectionGivesTheSampleHomeUntilSaved)
{
    EXPECT_TRUE(list.Load());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Description(0), "Home");
    EXPECT_EQ(list.DefaultIndex(), 0);
    EXPECT_EQ(list.Object(0)->Lines(), (QStringList{"Your Name", "123 Main St.", "Somewhere, XX 98765"}));
    EXPECT_FALSE(IniFile->SectionExists(TReturnAddressList::Section));
    list.Save();
    TReturnAddressList again;
    EXPECT_FALSE(again.Load());
    EXPECT_EQ(again.Descriptions(), QStringList{"Home"});
    EXPECT_EQ(IniFile->ReadInteger(TReturnAddressList::Section, "Default", 0), 1);
}

TEST_F(ReturnAddressListTest, RichTextLinesSurviveTheFile)
{
    const QStringList lines{R"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}})",
                            R"(\pard\plain\f0\fs20 O'Brien, "Pat"; Ltd.\par)",
                            R"(C:\path\{braces\}, a;b\par)", "  padded  ", R"("quoted")", "}"};
    auto address = std::make_unique<TReturnAddress>();
    address->Lines() = lines;
    list.Add("Work, \"main\"; office", std::move(address));
    list.Add("Home", std::make_unique<TReturnAddress>());
    list.SetDefaultIndex(1);
    list.Save();

    TReturnAddressList loaded;
    loaded.Load();
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Description(1), "Work, \"main\"; office");
    EXPECT_EQ(loaded.DefaultIndex(), 1);
    EXPECT_EQ(loaded.Object(1)->Lines(), lines);
}

TEST_F(ReturnAddressListTest, StoredDefaultOutsideTheListIsTheFirstEntry)
{
    for (int stored : {0, 3, 99}) {
        list.Clear();
        list.Add("b", std::make_unique<TReturnAddress>());
        list.Add("a", std::make_unique<TReturnAddress>());
        list.Save();
        IniFile->WriteInteger(TReturnAddressList::Section, "Default", stored);
        TReturnAddressList loaded;
        loaded.Load();
        EXPECT_EQ(loaded.DefaultIndex(), 0) << stored;
        EXPECT_EQ(loaded.Description(0), "a");
    }
}

} // namespace
