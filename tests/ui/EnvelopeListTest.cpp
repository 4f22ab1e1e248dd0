#include "ui/EnvelopeList.h"

#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "support/FakeSpooler.h"
#include "support/ScriptedMessageService.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class EnvelopeListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        StartUnique();
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
        auto spooler = std::make_unique<FakeSpooler>();
        spooler->AddPrinter(QStringLiteral("Office Laser"));
        spooler->SetDefault(QStringLiteral("Office Laser"));
        StartQmPrinter(std::move(spooler));
    }
    void TearDown() override
    {
        StopQmPrinter();
        delete IniFile;
        IniFile = nullptr;
        StopUnique();
    }

    // Entries as a definition stores them, each with its own ReturnLeft to tell them apart.
    void store(const QStringList &descriptions, int storedDefault)
    {
        const QString s = TEnvelopeList::Section;
        IniFile->WriteInteger(s, QStringLiteral("Count"), int(descriptions.size()));
        IniFile->WriteInteger(s, QStringLiteral("Default"), storedDefault);
        for (int n = 1; n <= descriptions.size(); ++n) {
            const QString name = QStringLiteral("Envelope%1").arg(n);
            IniFile->WriteString(s, name, descriptions.at(n - 1));
            IniFile->WriteString(s, name + QStringLiteral("_FullPrinterName"), QStringLiteral("Office Laser"));
            IniFile->WriteInteger(s, name + QStringLiteral("_ReturnLeft"), n);
        }
    }
    QString storedDefaultDescription() const
    {
        const int n = IniFile->ReadInteger(TEnvelopeList::Section, QStringLiteral("Default"), 0);
        return IniFile->ReadString(TEnvelopeList::Section, QStringLiteral("Envelope%1").arg(n), QStringLiteral("?"));
    }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    TEnvelopeList list;
};

TEST_F(EnvelopeListTest, NoSectionGivesAnEmptyList)
{
    list.Load();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.DefaultIndex(), 0);
}

TEST_F(EnvelopeListTest, LoadSortsAndSaveRenumbersWithTheSameDefault)
{
    // Stored lists are sorted; the stored default is a position in that order.
    store({"#10 Business", "dl", "Monarch"}, 3);
    list.Load();
    ASSERT_EQ(list.Descriptions(), (QStringList{"#10 Business", "dl", "Monarch"}));
    EXPECT_EQ(list.Description(list.DefaultIndex()), "Monarch");
    EXPECT_EQ(list.Object(2)->ReturnLeft(), 3);
    list.Save();
    EXPECT_EQ(IniFile->ReadInteger(TEnvelopeList::Section, "Default", 0), 3);
    EXPECT_EQ(storedDefaultDescription(), "Monarch");
    EXPECT_EQ(IniFile->ReadInteger(TEnvelopeList::Section, "Envelope3_ReturnLeft", 0), 3);
    EXPECT_EQ(list.Object(2)->Name, "Envelope3");
}

TEST_F(EnvelopeListTest, StoredDefaultOutsideTheListIsTheFirstEntry)
{
    for (int stored : {0, 4, -1}) {
        store({"b", "a", "c"}, stored);
        list.Load();
        EXPECT_EQ(list.DefaultIndex(), 0) << stored;
        list.Save();
        EXPECT_EQ(storedDefaultDescription(), "a") << stored;
    }
}

TEST_F(EnvelopeListTest, DuplicatesKeepTheirOrderAndTheDefaultAcrossSaves)
{
    store({"same", "same", "same"}, 2);
    list.Load();
    EXPECT_EQ(list.Object(list.DefaultIndex())->ReturnLeft(), 2);
    list.Save();
    list.Load();
    EXPECT_EQ(list.Object(list.DefaultIndex())->ReturnLeft(), 2);
    // A new duplicate, added after the others, does not move the default.
    list.Add("same", std::make_unique<TEnvelopeData>());
    list.Save();
    list.Load();
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Object(list.DefaultIndex())->ReturnLeft(), 2);
}

TEST_F(EnvelopeListTest, AddAndDeleteAroundTheDefaultKeepTheStoredDefault)
{
    store({"m", "x"}, 2);
    list.Load();
    list.Add("a", std::make_unique<TEnvelopeData>());
    list.Save();
    EXPECT_EQ(storedDefaultDescription(), "x");
    list.Remove(0);
    list.Save();
    EXPECT_EQ(storedDefaultDescription(), "x");
    list.Remove(list.DefaultIndex());
    list.Save();
    EXPECT_EQ(storedDefaultDescription(), "m");
}

TEST_F(EnvelopeListTest, ACountBeyondTheStoredKeysIsNotBelieved)
{
    store({"one"}, 1);
    IniFile->WriteInteger(TEnvelopeList::Section, QStringLiteral("Count"), 2000000000);
    list.Load();
    EXPECT_LE(list.Count(), 10);
    EXPECT_TRUE(list.Descriptions().contains("one"));
}

TEST_F(EnvelopeListTest, OlderPerKeySetupsMoveToTheirOwnSectionOnLoad)
{
    store({"old"}, 1);
    list.Load();
    ASSERT_EQ(list.Count(), 1);
    const int id = list.Object(0)->IniId;
    EXPECT_NE(id, 0);
    EXPECT_TRUE(IniFile->SectionExists(QStringLiteral("IniId_%1").arg(id)));
}

} // namespace
