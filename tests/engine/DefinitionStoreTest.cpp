#include "engine/DefinitionStore.h"

#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "support/FakeSpooler.h"
#include "support/ScriptedMessageService.h"
#include "support/StoreSignals.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DefinitionStoreTest : public ::testing::Test
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
        definitions.reset();
        StopQmPrinter();
        delete IniFile;
        IniFile = nullptr;
        StopUnique();
    }

    // Entries as a definition stores them, each with its own ReturnLeft to tell them apart.
    void store(const QStringList &descriptions, int storedDefault)
    {
        const QString s = DefinitionStore::Section;
        IniFile->WriteInteger(s, QStringLiteral("Count"), int(descriptions.size()));
        IniFile->WriteInteger(s, QStringLiteral("Default"), storedDefault);
        for (int n = 1; n <= descriptions.size(); ++n) {
            const QString name = QStringLiteral("Envelope%1").arg(n);
            IniFile->WriteString(s, name, descriptions.at(n - 1));
            IniFile->WriteString(s, name + QStringLiteral("_FullPrinterName"),
                                 QStringLiteral("Office Laser"));
            IniFile->WriteInteger(s, name + QStringLiteral("_ReturnLeft"), n);
        }
    }
    QString storedDefaultDescription() const
    {
        const int n = IniFile->ReadInteger(DefinitionStore::Section, QStringLiteral("Default"), 0);
        return IniFile->ReadString(DefinitionStore::Section, QStringLiteral("Envelope%1").arg(n),
                                   QStringLiteral("?"));
    }

    // A definition on the printer the tests have.
    static std::unique_ptr<TEnvelopeData> onOfficeLaser()
    {
        auto data = std::make_unique<TEnvelopeData>();
        data->FullPrinterName = QStringLiteral("Office Laser");
        return data;
    }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    std::unique_ptr<DefinitionStore> definitions = std::make_unique<DefinitionStore>();
    const TDescribedList<TEnvelopeData> &list = definitions->List();
};

TEST_F(DefinitionStoreTest, NoSectionGivesAnEmptyListAndTheFirstRun)
{
    EXPECT_TRUE(definitions->LoadEnvelopeList());
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.DefaultIndex(), 0);
    EXPECT_EQ(definitions->CurrentIndex(), -1);
    EXPECT_FALSE(definitions->HasCurrentEnvelope());
}

TEST_F(DefinitionStoreTest, LoadSortsAndSaveRenumbersWithTheSameDefault)
{
    // Stored lists are sorted; the stored default is a position in that order.
    store({"#10 Business", "dl", "Monarch"}, 3);
    definitions->LoadEnvelopeList();
    ASSERT_EQ(list.Descriptions(), (QStringList{"#10 Business", "dl", "Monarch"}));
    EXPECT_EQ(list.Description(list.DefaultIndex()), "Monarch");
    EXPECT_EQ(list.Object(2)->ReturnLeft(), 3);
    definitions->SaveEnvelopeList();
    EXPECT_EQ(IniFile->ReadInteger(DefinitionStore::Section, "Default", 0), 3);
    EXPECT_EQ(storedDefaultDescription(), "Monarch");
    EXPECT_EQ(IniFile->ReadInteger(DefinitionStore::Section, "Envelope3_ReturnLeft", 0), 3);
    EXPECT_EQ(list.Object(2)->Name, "Envelope3");
}

TEST_F(DefinitionStoreTest, StoredDefaultOutsideTheListIsTheFirstEntry)
{
    for (int stored : {0, 4, -1}) {
        store({"b", "a", "c"}, stored);
        definitions->LoadEnvelopeList();
        EXPECT_EQ(list.DefaultIndex(), 0) << stored;
        definitions->SaveEnvelopeList();
        EXPECT_EQ(storedDefaultDescription(), "a") << stored;
    }
}

TEST_F(DefinitionStoreTest, DuplicatesKeepTheirOrderAndTheDefaultAcrossSaves)
{
    store({"same", "same", "same"}, 2);
    definitions->LoadEnvelopeList();
    EXPECT_EQ(list.Object(list.DefaultIndex())->ReturnLeft(), 2);
    definitions->SaveEnvelopeList();
    definitions->LoadEnvelopeList();
    EXPECT_EQ(list.Object(list.DefaultIndex())->ReturnLeft(), 2);
    // A new duplicate, added after the others, does not move the default.
    definitions->Add("same", std::make_unique<TEnvelopeData>());
    definitions->SaveEnvelopeList();
    definitions->LoadEnvelopeList();
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Object(list.DefaultIndex())->ReturnLeft(), 2);
}

TEST_F(DefinitionStoreTest, AddAndDeleteAroundTheDefaultKeepTheStoredDefault)
{
    store({"m", "x"}, 2);
    definitions->LoadEnvelopeList();
    definitions->Add("a", std::make_unique<TEnvelopeData>());
    definitions->SaveEnvelopeList();
    EXPECT_EQ(storedDefaultDescription(), "x");
    definitions->Delete(0);
    definitions->SaveEnvelopeList();
    EXPECT_EQ(storedDefaultDescription(), "x");
    definitions->Delete(list.DefaultIndex());
    definitions->SaveEnvelopeList();
    EXPECT_EQ(storedDefaultDescription(), "m");
}

TEST_F(DefinitionStoreTest, CurrentAndDefaultFollowEachChangeWithOneSignalEach)
{
    store({"m", "x"}, 2);
    StoreSignals seen(*definitions);
    EXPECT_FALSE(definitions->LoadEnvelopeList());
    EXPECT_EQ(seen.Take(), "list current");
    EXPECT_EQ(definitions->CurrentIndex(), 1);
    EXPECT_EQ(definitions->CurrentEnvelope(), list.Object(1));

    // A new entry is not selected; current and default stay on "x".
    EXPECT_EQ(definitions->Add("a", onOfficeLaser()), 0);
    EXPECT_EQ(seen.Take(), "list");
    EXPECT_EQ(definitions->CurrentIndex(), 2);
    EXPECT_EQ(list.DefaultIndex(), 2);

    // Renamed across another entry, "x" stays current and the default.
    EXPECT_EQ(definitions->Rename(2, "b"), 1);
    EXPECT_EQ(seen.Take(), "list");
    EXPECT_EQ(definitions->CurrentIndex(), 1);
    EXPECT_EQ(list.DefaultIndex(), 1);

    definitions->SetDefaultIndex(1);
    EXPECT_EQ(seen.Take(), "");
    definitions->SetDefaultIndex(2);
    EXPECT_EQ(seen.Take(), "list");
    definitions->SelectEnvelope(0);
    EXPECT_EQ(seen.Take(), "current");
    EXPECT_EQ(definitions->CurrentEnvelope(), list.Object(0));

    // Deleting makes the first entry current; the default stays on "m".
    definitions->Delete(1);
    EXPECT_EQ(seen.Take(), "list current");
    EXPECT_EQ(list.Descriptions(), (QStringList{"a", "m"}));
    EXPECT_EQ(definitions->CurrentEnvelope(), list.Object(0));
    EXPECT_EQ(list.DefaultIndex(), 1);
    definitions->Delete(0);
    definitions->Delete(0);
    EXPECT_EQ(seen.Take(), "list current list current");
    EXPECT_EQ(definitions->CurrentIndex(), -1);
    EXPECT_FALSE(definitions->HasCurrentEnvelope());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(DefinitionStoreTest, AGonePrinterKeepsTheEntryCurrentButUnusable)
{
    store({"old"}, 1);
    IniFile->WriteString(DefinitionStore::Section, "Envelope1_FullPrinterName", "Vanished Printer");
    definitions->LoadEnvelopeList();
    EXPECT_EQ(definitions->CurrentIndex(), 0);
    EXPECT_FALSE(definitions->HasCurrentEnvelope());
    EXPECT_FALSE(list.Object(0)->PrinterAvailable);
    ASSERT_EQ(messages.shown.size(), 1);
}

TEST_F(DefinitionStoreTest, TheListIsStoredWhenTheStoreGoes)
{
    store({"a", "b"}, 1);
    definitions->LoadEnvelopeList();
    definitions->SetDefaultIndex(1);
    definitions.reset();
    EXPECT_EQ(storedDefaultDescription(), "b");
}

TEST_F(DefinitionStoreTest, ADamagedCountBringsOnlyTheEntriesThatAreThere)
{
    for (const char *count : {"2000000000", "-1", "$FFFFFFFF", "99999999999", "1", "two"}) {
        SCOPED_TRACE(count);
        store({"one", "two"}, 2);
        IniFile->WriteString(DefinitionStore::Section, QStringLiteral("Count"), QString::fromLatin1(count));
        definitions->LoadEnvelopeList();
        EXPECT_EQ(list.Descriptions(), (QStringList{"one", "two"}));
        EXPECT_EQ(list.Description(list.DefaultIndex()), "two");
        definitions->SaveEnvelopeList();
        EXPECT_EQ(IniFile->ReadInteger(DefinitionStore::Section, "Count", 0), 2);
        EXPECT_EQ(storedDefaultDescription(), "two");
    }
}

TEST_F(DefinitionStoreTest, OlderPerKeySetupsMoveToTheirOwnSectionOnLoad)
{
    store({"old"}, 1);
    definitions->LoadEnvelopeList();
    ASSERT_EQ(list.Count(), 1);
    const int id = list.Object(0)->IniId;
    EXPECT_NE(id, 0);
    EXPECT_TRUE(IniFile->SectionExists(QStringLiteral("IniId_%1").arg(id)));
}

} // namespace
