#include "engine/EnvDim.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "platform/ProgramFiles.h"
#include "support/ScriptedMessageService.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A printer object with a few printers and a device mode of plain fields.
// Its setup block is the paper size in one byte, so loads can be traced.
class FakePrinter : public TEnvelopePrinter
{
public:
    QStringList names{QStringLiteral("Office Laser"), QStringLiteral("Desk Inkjet")};
    int index = -1;
    int defaultIndex = 0;
    int paperWidth = 950;
    int paperHeight = 412;
    bool customSize = false;
    int customWidth = 800;
    int customHeight = 400;
    int paperSize = 20;
    int orientation = 2;
    int source = 4;
    bool dialogResult = true;
    QStringList loadedBlocks; // "<file name>|<section>"
    QStringList olderLoads;

    const QStringList &Printers() override { return names; }
    int PrinterIndex() override
    {
        if (index == -1)
            index = defaultIndex;
        return index;
    }
    void SetPrinterIndex(int value) override { index = value; }
    QString GetPrinterName() override { return names.value(PrinterIndex()); }
    int GetPaperWidth() override { return customSize ? customWidth : paperWidth; }
    int GetPaperHeight() override { return customSize ? customHeight : paperHeight; }
    bool CustomSize() const override { return customSize; }
    void SetCustomSize(bool value) override { customSize = value; }
    int CustomWidth() const override { return customWidth; }
    void SetCustomWidth(int value) override { customWidth = value; }
    int CustomHeight() const override { return customHeight; }
    void SetCustomHeight(int value) override { customHeight = value; }
    void SelectEnvelope10() override
    {
        paperSize = 20;
        paperWidth = 950;
        paperHeight = 412;
    }
    void SelectLetter() override
    {
        paperSize = 1;
        orientation = 1;
        paperWidth = 850;
        paperHeight = 1100;
    }
    void SaveSetupBlock(const QString &section) override
    {
        IniFile->WriteBinary(section, QByteArray(1, static_cast<char>(paperSize)));
        IniFile->WriteBool(section, QStringLiteral("CustomSize"), customSize);
        IniFile->WriteInteger(section, QStringLiteral("CustomWidth"), customWidth);
        IniFile->WriteInteger(section, QStringLiteral("CustomHeight"), customHeight);
    }
    void LoadSetupBlock(const QString &section) override { LoadSetupBlock(*IniFile, section); }
    void LoadSetupBlock(const TZambIniFile &store, const QString &section) override
    {
        loadedBlocks << QFileInfo(store.FileName()).fileName() + QLatin1Char('|') + section;
        customSize = store.ReadBool(section, QStringLiteral("CustomSize"), false);
        customWidth = store.ReadInteger(section, QStringLiteral("CustomWidth"), 800);
        customHeight = store.ReadInteger(section, QStringLiteral("CustomHeight"), 400);
        const auto block = store.ReadBinary(section);
        if (block && block->size() >= 1)
            paperSize = static_cast<unsigned char>(block->at(0));
        else
            SelectEnvelope10();
    }
    void LoadPrinterSetup(const TIniFile &store, const QString &section, const QString &prefix) override
    {
        olderLoads << prefix;
        customSize = store.ReadBool(section, prefix + QStringLiteral("_CustomSize"), false);
        customWidth = store.ReadInteger(section, prefix + QStringLiteral("_CustomWidth"), 800);
        customHeight = store.ReadInteger(section, prefix + QStringLiteral("_CustomHeight"), 400);
        paperSize = store.ReadInteger(section, prefix + QStringLiteral("_PaperSize"), paperSize);
    }
    bool EditDocumentProperties() override { return dialogResult; }
    int GetOrientation() override { return orientation; }
    int GetPaperSize() override { return paperSize; }
    int GetDevModePaperLength() override { return 2413; }
    int GetDevModePaperWidth() override { return 1046; }
    int GetDefaultSource() override { return source; }
    int GetPrintQuality() override { return -4; }
    int GetColor() override { return 1; }
};

class Preferences : public TEnvelopePreferences
{
public:
    int measure = 0;
    bool margins = true;
    int Measure() const override { return measure; }
    bool PostalMargins() const override { return margins; }
    bool FacingMark() const override { return true; }
};

class EnvDimTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetEnvelopePrinter(&printer);
        SetEnvelopePreferences(&preferences);
        StartUnique();
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
    }
    void TearDown() override
    {
        delete IniFile;
        IniFile = nullptr;
        StopUnique();
        SetEnvelopePrinter(nullptr);
        SetEnvelopePreferences(nullptr);
        SetProgramDataFolder(QString());
        QLocale::setDefault(QLocale::c());
    }

    QTemporaryDir dir;
    FakePrinter printer;
    Preferences preferences;
    ScriptedMessageService messages;
};

} // namespace

TEST_F(EnvDimTest, DefaultsFollowThePrinterPaper)
{
    TEnvelopeData fresh;
    EXPECT_EQ(fresh.DestinationLeft(), 380); // 2 * 950 / 5
    EXPECT_EQ(fresh.DestinationBottom(), 200);
    EXPECT_EQ(fresh.FacingMarkFromRight(), 250);
    EXPECT_EQ(fresh.TriFoldFromTop(), 0); // no snapshot yet, even on letter
    EXPECT_TRUE(fresh.PrinterAvailable);

    TEnvelopeData letter;
    letter.InitForLetter(true);
    EXPECT_EQ(letter.FullPrinterName, QStringLiteral("Office Laser"));
    EXPECT_EQ(letter.DestinationLeft(), 440); // 2 * 1100 / 5
    EXPECT_EQ(letter.TriFoldFromTop(), 0);    // snapshot still empty until stored
    letter.PaperSize = 1;
    EXPECT_TRUE(letter.IsTriFoldLetter());
    letter.ResetLayout();
    EXPECT_EQ(letter.TriFoldFromTop(), 350);
    EXPECT_EQ(letter.TriFoldFromBottom(), 350);
    printer.customSize = true;
    EXPECT_FALSE(letter.IsTriFoldLetter());
    EXPECT_EQ(letter.DefaultTriFoldFromTop(), 0);

    printer.customSize = false;
    printer.paperHeight = 2000;
    printer.paperWidth = 100;
    letter.ResetLayout();
    EXPECT_EQ(letter.DestinationLeft(), 700); // 800 clamped under postal margins
    preferences.margins = false;
    letter.ResetLayout();
    EXPECT_EQ(letter.DestinationLeft(), 800);
}

TEST_F(EnvDimTest, SettersClampLoadsDoNot)
{
    TEnvelopeData data;
    data.SetDestinationBottom(50);
    EXPECT_EQ(data.DestinationBottom(), 100);
    data.SetDestinationBottom(300);
    EXPECT_EQ(data.DestinationBottom(), 275);
    data.SetFacingMarkFromRight(20);
    EXPECT_EQ(data.FacingMarkFromRight(), 100);
    data.SetTriFoldFromTop(-5);
    EXPECT_EQ(data.TriFoldFromTop(), 0);
    data.SetTriFoldFromBottom(600);
    EXPECT_EQ(data.TriFoldFromBottom(), 500);

    preferences.margins = false;
    data.SetDestinationBottom(-40);
    EXPECT_EQ(data.DestinationBottom(), -40);
    data.SetReturnLeft(9000);
    EXPECT_EQ(data.ReturnLeft(), 9000);
    data.SetTriFoldFromTop(600);
    EXPECT_EQ(data.TriFoldFromTop(), 500); // always bounded

    // Stored values outside the limits come back as they were.
    data.SaveToIni(QStringLiteral("Envelopes"), QStringLiteral("Envelope1"));
    preferences.margins = true;
    TEnvelopeData loaded;
    loaded.LoadFromIni(*IniFile, QStringLiteral("Envelopes"), QStringLiteral("Envelope1"));
    EXPECT_EQ(loaded.DestinationBottom(), -40);
    EXPECT_EQ(loaded.ReturnLeft(), 9000);
}

TEST_F(EnvDimTest, TextsInInchesAndCentimetres)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TEnvelopeData data;
    data.SetReturnLeft(0);
    EXPECT_EQ(data.GetReturnLeftText(), QStringLiteral("0.00"));
    EXPECT_EQ(data.GetDestinationBottomText(), QStringLiteral("2.00"));
    EXPECT_EQ(data.GetFacingMarkFromRightText(), QStringLiteral("2.50"));
    EXPECT_EQ(TEnvelopeData::LengthText(150), QStringLiteral("1.50"));
    EXPECT_EQ(TEnvelopeData::LengthText(1270), QStringLiteral("12.70"));
    EXPECT_EQ(TEnvelopeData::LengthText(123456), QStringLiteral("1234.56"));
    EXPECT_EQ(TEnvelopeData::LengthText(-5), QStringLiteral("-0.05"));
    EXPECT_EQ(data.GetCustomWidthText(), QStringLiteral("8.00"));
    preferences.measure = 1;
    EXPECT_EQ(data.GetDestinationBottomText(), QStringLiteral("5.08"));
    EXPECT_EQ(data.GetFacingMarkFromRightText(), QStringLiteral("6.35"));
    EXPECT_EQ(TEnvelopeData::LengthText(100), QStringLiteral("2.54"));
    EXPECT_EQ(data.FacingMarkFromRightMetric(), 635);
}

TEST_F(EnvDimTest, SaveAndLoadEveryKey)
{
    preferences.margins = false;
    TEnvelopeData data;
    data.FullPrinterName = QStringLiteral("Desk Inkjet");
    data.SetReturnLeft(11);
    data.SetReturnTop(12);
    data.SetDestinationLeft(13);
    data.SetDestinationBottom(14);
    data.SetAttentionLeft(15);
    data.SetAttentionBottom(16);
    data.SetFacingMarkFromRight(17);
    data.SetTriFoldFromTop(18);
    data.SetTriFoldFromBottom(19);
    data.IniId = 1234;
    data.Fields = 0x1A0F;
    data.Orientation = 2;
    data.PaperSize = 20;
    data.PaperLength = 2413;
    data.PaperWidth = 1046;
    data.Scale = 100;
    data.DefaultSource = 4;
    data.PrintQuality = -4;
    data.Color = 1;
    data.Duplex = 1;
    data.SaveToIni(QStringLiteral("Envelopes"), QStringLiteral("Envelope3"));
    EXPECT_EQ(
        IniFile->ReadString(QStringLiteral("Envelopes"), QStringLiteral("Envelope3_PrinterName"), QString()),
        QStringLiteral("Desk Inkjet"));

    TEnvelopeData loaded;
    loaded.SetupLoaded = true;
    loaded.LoadFromIni(*IniFile, QStringLiteral("Envelopes"), QStringLiteral("Envelope3"));
    EXPECT_FALSE(loaded.SetupLoaded);
    EXPECT_EQ(loaded.Name, QStringLiteral("Envelope3"));
    EXPECT_EQ(loaded.FullPrinterName, data.FullPrinterName);
    EXPECT_EQ(
        (std::vector<int>{loaded.ReturnLeft(), loaded.ReturnTop(), loaded.DestinationLeft(),
                          loaded.DestinationBottom(), loaded.AttentionLeft(), loaded.AttentionBottom(),
                          loaded.FacingMarkFromRight(), loaded.TriFoldFromTop(), loaded.TriFoldFromBottom()}),
        (std::vector<int>{11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ((std::vector<int>{loaded.IniId, loaded.Fields, loaded.Orientation, loaded.PaperSize,
                                loaded.PaperLength, loaded.PaperWidth, loaded.Scale, loaded.DefaultSource,
                                loaded.PrintQuality, loaded.Color, loaded.Duplex}),
              (std::vector<int>{1234, 0x1A0F, 2, 20, 2413, 1046, 100, 4, -4, 1, 1}));

    // Missing keys take the defaults; the printer name defaults to the current one.
    TEnvelopeData empty;
    empty.LoadFromIni(*IniFile, QStringLiteral("Envelopes"), QStringLiteral("Envelope9"));
    EXPECT_EQ(empty.FullPrinterName, QStringLiteral("Office Laser"));
    EXPECT_EQ(empty.DestinationLeft(), 380);
    EXPECT_EQ(empty.FacingMarkFromRight(), 250);
}

TEST_F(EnvDimTest, PrinterSetupSections)
{
    TEnvelopeData data;
    data.Name = QStringLiteral("Envelope1");
    data.SavePrinterSetup();
    const int id = data.IniId;
    ASSERT_NE(id, 0);
    EXPECT_EQ(IniFile->ReadInteger(QStringLiteral("Envelopes"), QStringLiteral("Envelope1_IniId"), 0), id);
    EXPECT_TRUE(IniFile->SectionExists(QStringLiteral("IniId_%1").arg(id)));
    EXPECT_EQ(data.Fields, 0x1A0F);
    EXPECT_EQ(data.Scale, 100);
    EXPECT_EQ(data.PaperSize, 20);
    EXPECT_EQ(data.PaperLength, 2413);
    data.SavePrinterSetup();
    EXPECT_EQ(data.IniId, id);

    TEnvelopeData other;
    other.Name = QStringLiteral("Envelope2");
    other.SavePrinterSetup();
    EXPECT_NE(other.IniId, id);
    other.ErasePrinterSetup();
    EXPECT_FALSE(IniFile->SectionExists(QStringLiteral("IniId_%1").arg(other.IniId)));
    EXPECT_TRUE(IniFile->SectionExists(QStringLiteral("IniId_%1").arg(id)));

    // A cancelled driver dialog stores nothing.
    printer.dialogResult = false;
    printer.paperSize = 5;
    data.EditPrinterSetup();
    EXPECT_EQ(data.PaperSize, 20);
    printer.dialogResult = true;
    data.EditPrinterSetup();
    EXPECT_EQ(data.PaperSize, 5);
}

TEST_F(EnvDimTest, OlderFormMovesToBlockWithItsCustomSize)
{
    const QString section = QStringLiteral("Envelopes");
    IniFile->WriteString(section, QStringLiteral("Envelope2_FullPrinterName"), QStringLiteral("desk inkjet"));
    IniFile->WriteInteger(section, QStringLiteral("Envelope2_IniId"), 0);
    IniFile->WriteInteger(section, QStringLiteral("Envelope2_PaperSize"), 27);
    IniFile->WriteBool(section, QStringLiteral("Envelope2_CustomSize"), true);
    IniFile->WriteInteger(section, QStringLiteral("Envelope2_CustomWidth"), 866);
    IniFile->WriteInteger(section, QStringLiteral("Envelope2_CustomHeight"), 433);

    TEnvelopeData data;
    data.LoadFromIni(*IniFile, section, QStringLiteral("Envelope2"));
    printer.index = 0;
    ASSERT_TRUE(data.MigrateOlderSetup());
    EXPECT_EQ(printer.index, 0); // the previous printer again
    EXPECT_EQ(printer.olderLoads, QStringList{QStringLiteral("Envelope2")});
    ASSERT_NE(data.IniId, 0);
    const QString block = QStringLiteral("IniId_%1").arg(data.IniId);
    EXPECT_EQ(IniFile->ReadInteger(section, QStringLiteral("Envelope2_IniId"), 0), data.IniId);
    EXPECT_TRUE(IniFile->ReadBool(block, QStringLiteral("CustomSize"), false));
    EXPECT_EQ(IniFile->ReadInteger(block, QStringLiteral("CustomWidth"), 0), 866);

    // Rewriting the list section keeps the setup: it no longer lives there.
    data.SaveToIni(section, QStringLiteral("Envelope2"));
    IniFile->EraseSection(section);
    data.SaveToIni(section, QStringLiteral("Envelope2"));
    TEnvelopeData again;
    again.LoadFromIni(*IniFile, section, QStringLiteral("Envelope2"));
    printer.customSize = false;
    EXPECT_FALSE(again.MigrateOlderSetup()); // already moved
    EXPECT_TRUE(again.SelectEnvelopePrinter());
    EXPECT_TRUE(printer.customSize);
    EXPECT_EQ(printer.customWidth, 866);
    EXPECT_EQ(printer.paperSize, 27);
    EXPECT_EQ(printer.loadedBlocks.last(), QStringLiteral("Plikora.INI|") + block);
}

TEST_F(EnvDimTest, SelectingAMissingPrinterWarnsAndChangesNothing)
{
    TEnvelopeData data;
    data.Name = QStringLiteral("Envelope1");
    data.FullPrinterName = QStringLiteral("Gone Printer");
    printer.index = 1;
    EXPECT_FALSE(data.SelectEnvelopePrinter());
    EXPECT_FALSE(data.PrinterAvailable);
    EXPECT_EQ(printer.index, 1);
    EXPECT_EQ(data.IniId, 0);
    EXPECT_FALSE(data.SetupLoaded);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown.first().type, TMsgDlgType::Warning);
    EXPECT_EQ(messages.shown.first().buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(messages.shown.first().message,
              QStringLiteral(
                  "The selected envelope was defined for printer \"Gone Printer\". This printer has been "
                  "renamed or has been removed. Press the \"Add\" button in the Envelope Sizes box to "
                  "redefine this envelope size with a new printer."));
}

TEST_F(EnvDimTest, ImportsTakeTheirOwnSections)
{
    SetProgramDataFolder(QStringLiteral(PLIKORA_TEST_DATA "/envdim"));
    printer.index = 1;
    TEnvelopeData first;
    first.ImportDefaultEnvelope(1);
    EXPECT_EQ(first.Name, QStringLiteral("Envelope1"));
    EXPECT_EQ(first.IniId, 0);
    EXPECT_EQ(first.FullPrinterName, QStringLiteral("Desk Inkjet"));
    EXPECT_EQ(first.ReturnLeft(), 25);
    EXPECT_EQ(first.DestinationLeft(), 420);
    EXPECT_EQ(first.FacingMarkFromRight(), 275);
    EXPECT_EQ(printer.olderLoads, QStringList{QStringLiteral("Envelope1")});

    // An entry with a block: read from the defaults file, never from the user's.
    IniFile->WriteBinary(QStringLiteral("IniId_77"), QByteArray(1, 9));
    TEnvelopeData a;
    a.ImportDefaultEnvelope(2);
    EXPECT_EQ(printer.loadedBlocks.last(), QStringLiteral("DefaultEnvelopes.ini|IniId_77"));
    EXPECT_EQ(printer.paperSize, 20); // 0x14 from the file's block
    EXPECT_TRUE(printer.customSize);
    EXPECT_EQ(a.IniId, 0);
    a.Name = QStringLiteral("Envelope1");
    a.SavePrinterSetup();
    TEnvelopeData b;
    b.ImportDefaultEnvelope(2);
    b.Name = QStringLiteral("Envelope2");
    b.SavePrinterSetup();
    ASSERT_NE(a.IniId, 0);
    ASSERT_NE(b.IniId, 0);
    EXPECT_NE(a.IniId, b.IniId);
    b.ErasePrinterSetup();
    EXPECT_TRUE(IniFile->SectionExists(QStringLiteral("IniId_%1").arg(a.IniId)));
    EXPECT_TRUE(IniFile->SectionExists(QStringLiteral("IniId_77"))); // the user's own, untouched

    // A missing defaults file gives the defaults of every key.
    SetProgramDataFolder(dir.filePath(QStringLiteral("nowhere")));
    TEnvelopeData none;
    none.ImportDefaultEnvelope(1);
    EXPECT_EQ(none.DestinationBottom(), 200);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
}
