#include "foundation/QmPrinter.h"
#include "foundation/Measurements.h"
#include "foundation/QmIniFile.h"
#include "support/FakeSpooler.h"
#include "support/PrintTestSupport.h"
#include "support/ScriptedMessageService.h"

#include <QLocale>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Office = QStringLiteral("Office");
const QString Section = QStringLiteral("IniId_17");

#define EXPECT_EPRINTER(statement, text)                                                                     \
    do {                                                                                                     \
        try {                                                                                                \
            statement;                                                                                       \
            ADD_FAILURE() << "no EPrinter from " #statement;                                                 \
        } catch (const EPrinter &e) {                                                                        \
            EXPECT_EQ(e.Message(), QStringLiteral(text));                                                    \
        }                                                                                                    \
    } while (false)

class QmPrinterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsurePrintTestApp();
        spooler.AddPrinter(QStringLiteral("Label"));
        spooler.AddPrinter(Office);
        spooler.SetDefault(Office);
        ini = std::make_unique<TZambIniFile>(dir.filePath(QStringLiteral("test.ini")));
    }

    TZambPrinter &Printer()
    {
        if (!printer) {
            printer = std::make_unique<TZambPrinter>(spooler);
            printer->PrinterIndex();
        }
        return *printer;
    }

    // The current device mode with the given fields merged over it.
    void Merge(const std::function<void(DevMode &)> &change)
    {
        Printer().PrinterIndex();
        DevMode in = *Printer().CurrentDevMode();
        change(in);
        TIniFile &store = *ini;
        store.WriteInteger(QStringLiteral("Old"), QStringLiteral("E_Fields"), static_cast<int>(in.Fields()));
        store.WriteInteger(QStringLiteral("Old"), QStringLiteral("E_Orientation"), in.Orientation());
        store.WriteInteger(QStringLiteral("Old"), QStringLiteral("E_PaperSize"), in.PaperSize());
        store.WriteInteger(QStringLiteral("Old"), QStringLiteral("E_PaperWidth"), in.PaperWidth());
        store.WriteInteger(QStringLiteral("Old"), QStringLiteral("E_PaperLength"), in.PaperLength());
        store.WriteInteger(QStringLiteral("Old"), QStringLiteral("E_PrintQuality"), in.PrintQuality());
        store.WriteInteger(QStringLiteral("Old"), QStringLiteral("E_DefaultSource"), in.DefaultSource());
        Printer().LoadPrinterSetup(store, QStringLiteral("Old"), QStringLiteral("E"));
    }

    QTemporaryDir dir;
    FakeSpooler spooler;
    std::unique_ptr<TZambIniFile> ini;
    std::unique_ptr<TZambPrinter> printer;
    ScriptedMessageService messages;
};

} // namespace

TEST_F(QmPrinterTest, ChoosesTheDefaultPrinterOnFirstRead)
{
    EXPECT_EQ(Printer().Printers(), (QStringList{QStringLiteral("Label"), Office}));
    EXPECT_EQ(Printer().PrinterIndex(), 1);
    EXPECT_EQ(Printer().GetPrinterName(), Office);
    EXPECT_EQ(Printer().GetDeviceName(), Office);
    EXPECT_EQ(Printer().DevModeSize(), DevMode::TotalSize);
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_LETTER);
    EXPECT_EQ(Printer().PaperCount(), 4);
    EXPECT_EQ(Printer().BinCount(), 4);
    EXPECT_EQ(Printer().GetPaperWidth(), 850);
    EXPECT_EQ(Printer().GetPaperHeight(), 1100);
    EXPECT_EQ(Printer().GetLogPixelsX(), 600);
    EXPECT_EQ(Printer().GetPhysicalWidth(), 5100);
    EXPECT_TRUE(Printer().Capabilities() & unsigned(TPrinterCapability::pcOrientation));

    Printer().SetPrinterIndex(0);
    EXPECT_EQ(Printer().GetPrinterName(), QStringLiteral("Label"));
    EXPECT_EQ(Printer().GetDeviceName(), QStringLiteral("Label"));
}

TEST_F(QmPrinterTest, PrinterErrorsCarryTheirTexts)
{
    FakeSpooler empty;
    TZambPrinter none(empty);
    EXPECT_EPRINTER(none.PrinterIndex(), "There is no default printer currently selected");

    FakeSpooler caseOnly;
    caseOnly.AddPrinter(Office);
    caseOnly.SetDefault(QStringLiteral("office"));
    TZambPrinter wrongCase(caseOnly);
    EXPECT_EPRINTER(wrongCase.PrinterIndex(), "There is no default printer currently selected");

    // Out of range is checked even before any printer is chosen.
    TZambPrinter fresh(spooler);
    EXPECT_EPRINTER(fresh.SetPrinterIndex(2), "Printer index out of range");
    EXPECT_EPRINTER(fresh.SetPrinterIndex(-2), "Printer index out of range");
    EXPECT_EQ(fresh.PrinterIndex(), 1);
    EXPECT_EPRINTER(Printer().SetPrinterIndex(7), "Printer index out of range");

    EXPECT_EPRINTER(Printer().NewPage(), "Printer is not currently printing");
    EXPECT_EPRINTER(Printer().EndDoc(), "Printer is not currently printing");
    EXPECT_EPRINTER(Printer().Canvas().Painter(), "Printer is not currently printing");

    Printer().BeginDoc();
    EXPECT_EPRINTER(Printer().BeginDoc(), "Printing in progress");
    EXPECT_EPRINTER(Printer().SetPrinterIndex(0), "Printing in progress");
    EXPECT_EPRINTER(Printer().SelectEnvelope10(), "Printing in progress");
    Printer().EndDoc();
    EXPECT_FALSE(Printer().Printing());
}

TEST_F(QmPrinterTest, APrinterThatFailsToOpenStaysListed)
{
    spooler.FailOpen(QStringLiteral("Label"));
    Printer().SetPrinterIndex(0);
    EXPECT_EQ(Printer().GetPrinterName(), QStringLiteral("Label"));
    EXPECT_FALSE(Printer().PrinterOpen());
    EXPECT_EQ(Printer().DevModeSize(), 0);
    EXPECT_EQ(Printer().GetPaperSize(), 0);
    EXPECT_EQ(Printer().PaperCount(), 0);
    Printer().SelectEnvelope10();
    Printer().SelectLetter();
    EXPECT_FALSE(Printer().EditDocumentProperties());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EPRINTER(Printer().BeginDoc(), "Printer selected is not valid");
    EXPECT_FALSE(Printer().Printing());

    // The stored block stays; only the custom keys are written.
    ini->WriteBinary(Section, QByteArray(8, '\x11'));
    Printer().SetCustomSize(true);
    Printer().SaveSetupBlock(*ini, Section);
    EXPECT_EQ(ini->ReadBinary(Section), QByteArray(8, '\x11'));
    EXPECT_TRUE(ini->ReadBool(Section, QStringLiteral("CustomSize"), false));
}

TEST_F(QmPrinterTest, TablesHaveNoFixedCap)
{
    PrinterCaps many = FakeSpooler::OfficeCaps();
    for (int i = 0; i < 600; ++i) {
        SpoolerPaper p;
        p.keyword = QStringLiteral("om_roll-%1_%2x300mm").arg(i).arg(50 + i);
        p.width = 5000 + i * 100;
        p.length = 30000;
        many.papers.append(p);
    }
    for (int i = 0; i < 300; ++i)
        many.bins.append(SpoolerBin{0, QStringLiteral("tray-%1").arg(i + 1), QString()});
    NumberPapersAndBins(many);
    spooler.AddPrinter(QStringLiteral("Plotter"), many);
    Printer().SetPrinterIndex(2);
    EXPECT_EQ(Printer().PaperCount(), 604);
    EXPECT_EQ(Printer().BinCount(), 304);
    EXPECT_EQ(Printer().PaperNumbers().last(), 256 + 600);
    EXPECT_EQ(Printer().PaperSizes().last(), QPoint(6490, 3000));
}

TEST_F(QmPrinterTest, QualityAndSizeTexts)
{
    EXPECT_EQ(TZambPrinter::PrintQualityText(-4, 0x0FFFFFFF), QStringLiteral("High"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(-3, 0x0FFFFFFF), QStringLiteral("Medium"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(-2, 0x0FFFFFFF), QStringLiteral("Low"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(-1, 0x0FFFFFFF), QStringLiteral("Draft"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(0, 0x0FFFFFFF), QStringLiteral("0 dpi"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(2048, 0x0FFFFFFF), QStringLiteral("2048 dpi"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(600, 300), QStringLiteral("600 x 300 dpi"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(2049, 0x0FFFFFFF), QStringLiteral("unknown"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(3000, 300), QStringLiteral("unknown"));
    EXPECT_EQ(TZambPrinter::PrintQualityText(-5, 0x0FFFFFFF), QStringLiteral("unknown"));
    EXPECT_EQ(TZambPrinter::ColorText(2), QStringLiteral("Yes"));
    EXPECT_EQ(TZambPrinter::ColorText(1), QStringLiteral("No"));
    EXPECT_EQ(TZambPrinter::OrientationText(1), QStringLiteral("Portrait"));
    EXPECT_EQ(TZambPrinter::OrientationText(2), QStringLiteral("Landscape"));
    EXPECT_EQ(TZambPrinter::SizeText(2413, 1049, 2), QStringLiteral("0.00 x 0.00"));
    EXPECT_EQ(PrinterNameWithoutPort(QStringLiteral("Office on LPT1:")), Office);
    EXPECT_EQ(PrinterNameWithoutPort(Office), Office);

    Merge([](DevMode &dm) {
        dm.SetFields(DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH);
        dm.SetPaperSize(DMPAPER_USER);
        dm.SetPaperWidth(2413);
        dm.SetPaperLength(1049);
    });
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_USER);
    EXPECT_TRUE(Printer().UsesDevModePaperSize());
    EXPECT_EQ(Printer().PaperName(0), QStringLiteral("9.50 x 4.13 in"));
    EXPECT_EQ(Printer().PaperName(1), QStringLiteral("24.13 x 10.49 cm"));
    EXPECT_EQ(Printer().PaperSizeText(0), QStringLiteral("9.50 x 4.13 in"));
    // With the user's decimal separator.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Printer().PaperSizeText(0), QStringLiteral("9,50 x 4,13 in"));
    EXPECT_EQ(TZambPrinter::SizeText(2413, 1049, 1), QStringLiteral("24,13 x 10,49 cm"));
    QLocale::setDefault(before);
    EXPECT_EQ(Printer().GetPaperWidth(), 950);
    EXPECT_EQ(Printer().GetPaperHeight(), 413);
}

TEST_F(QmPrinterTest, NamesComeFromTheDriverTablesFirst)
{
    Printer().SelectEnvelope10();
    EXPECT_EQ(Printer().PaperName(0), QStringLiteral("#10 Envelope"));
    EXPECT_EQ(Printer().PaperSizeText(0), QStringLiteral("4.13 x 9.50 in"));
    EXPECT_EQ(Printer().PaperSizeText(1), QStringLiteral("10.48 x 24.13 cm"));
    EXPECT_EQ(Printer().PaperSourceText(), QStringLiteral("Upper Tray"));
    EXPECT_EQ(Printer().PrintGraphicsText(), QStringLiteral("Yes"));
    // Standard sizes fill in for numbers the driver does not list.
    EXPECT_EQ(Printer().StandardPaperWidth(20), 413);
    EXPECT_EQ(Printer().StandardPaperWidth(5), 850);
    EXPECT_EQ(Printer().StandardPaperLength(9), 1169);
    EXPECT_EQ(Printer().StandardPaperWidth(35), 492);
    EXPECT_EQ(Printer().StandardPaperLength(35), 693);
    EXPECT_EQ(Printer().StandardPaperWidth(99), 1);
}

TEST_F(QmPrinterTest, UnknownPaperNumberKeepsTheStatedSize)
{
    PrinterCaps caps = FakeSpooler::OfficeCaps();
    SpoolerPaper odd;
    odd.keyword = QStringLiteral("om_card_100x150mm");
    odd.width = 10000;
    odd.length = 15000;
    caps.papers.append(odd);
    NumberPapersAndBins(caps);
    spooler.AddPrinter(QStringLiteral("Cards"), caps);
    Printer().SetPrinterIndex(2);
    Printer().SetPrinterIndex(2);
    Merge([](DevMode &dm) {
        dm.SetFields(DM_PAPERSIZE);
        dm.SetPaperSize(257);
        dm.SetMediaKeyword(QStringLiteral("om_card_100x150mm"));
    });
    // The driver's table knows 257 here, so it gives name and size.
    EXPECT_EQ(Printer().GetPaperSize(), 257);
    EXPECT_EQ(Printer().PaperName(1), QStringLiteral("Card 100x150mm"));
    EXPECT_EQ(Printer().GetPaperWidth(), DivMetricToInch(1000));
}

TEST_F(QmPrinterTest, MarginsComeFromTheRealPrintableArea)
{
    Merge([](DevMode &dm) {
        dm.SetFields(DM_PAPERSIZE | DM_ORIENTATION | DM_PRINTQUALITY);
        dm.SetPaperSize(DMPAPER_ENV_10);
        dm.SetOrientation(DMORIENT_LANDSCAPE);
        dm.SetPrintQuality(600);
    });
    TZambPrinter &p = Printer();
    EXPECT_EQ(p.GetPhysicalWidth(), 5700);
    EXPECT_EQ(p.GetPhysicalHeight(), 2475);
    EXPECT_EQ(p.GetPageWidthPixels(), 5325);
    EXPECT_EQ(p.GetPageHeightPixels(), 2223);
    EXPECT_EQ(p.GetLeftMargin(), 50);
    EXPECT_EQ(p.GetTopMargin(), 25);
    EXPECT_EQ(p.GetRightMargin(), 12);
    EXPECT_EQ(p.GetBottomMargin(), 17);
    EXPECT_EQ(p.GetLeftMarginMetric(), 127);
    EXPECT_EQ(p.GetPageWidth(), 887);
    EXPECT_EQ(p.GetPageHeight(), 370);
    EXPECT_EQ(p.GetPageWidthTwips(), 12780);
    EXPECT_EQ(p.GetPageHeightTwips(), 5335);

    p.SetCustomSize(true);
    p.SetCustomWidth(900);
    p.SetCustomHeight(400);
    EXPECT_EQ(p.GetPhysicalWidth(), 5400);
    EXPECT_EQ(p.GetPageWidthPixels(), 5400);
    EXPECT_EQ(p.GetRightMargin(), 0);
    EXPECT_EQ(p.GetBottomMargin(), 0);
    EXPECT_EQ(p.GetLeftMargin(), 50);
    EXPECT_EQ(p.GetPaperWidth(), 900);

    p.SetCustomWidth(2000);
    EXPECT_EQ(p.CustomWidth(), 1600);
    p.SetCustomHeight(100);
    EXPECT_EQ(p.CustomHeight(), 200);
}

TEST_F(QmPrinterTest, DeviceValuesFollowEveryChangeOfPaper)
{
    EXPECT_EQ(Printer().GetPhysicalWidth(), 5100);
    // An envelope comes landscape, as the printer states no orientation.
    Printer().SelectEnvelope10();
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(Printer().GetOrientation(), DMORIENT_LANDSCAPE);
    EXPECT_EQ(Printer().GetPhysicalWidth(), 5700);
    EXPECT_EQ(Printer().GetPageWidthPixels(), 5325);
    Printer().SelectLetter();
    EXPECT_EQ(Printer().GetPhysicalWidth(), 5100);
    EXPECT_EQ(Printer().GetOrientation(), DMORIENT_PORTRAIT);
}

TEST_F(QmPrinterTest, SetupBlockRoundTrip)
{
    Merge([](DevMode &dm) {
        dm.SetFields(DM_PAPERSIZE | DM_ORIENTATION | DM_DEFAULTSOURCE);
        dm.SetPaperSize(DMPAPER_ENV_DL);
        dm.SetOrientation(DMORIENT_LANDSCAPE);
        dm.SetDefaultSource(DMBIN_ENVELOPE);
    });
    Printer().SetCustomSize(true);
    Printer().SetCustomWidth(950);
    Printer().SaveSetupBlock(*ini, Section);
    EXPECT_EQ(ini->ReadBinarySize(Section), DevMode::TotalSize);
    EXPECT_EQ(ini->ReadString(Section, QStringLiteral("Block0001"), QString()).mid(28, 4),
              QStringLiteral("1B00"));

    Printer().SelectLetter();
    Printer().SetCustomSize(false);
    Printer().LoadSetupBlock(*ini, Section);
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_ENV_DL);
    EXPECT_EQ(Printer().GetOrientation(), DMORIENT_LANDSCAPE);
    EXPECT_EQ(Printer().GetDefaultSource(), DMBIN_ENVELOPE);
    EXPECT_EQ(Printer().PaperSourceText(), QStringLiteral("Envelope"));
    EXPECT_TRUE(Printer().CustomSize());
    EXPECT_EQ(Printer().CustomWidth(), 950);
    EXPECT_EQ(Printer().GetPhysicalHeight(), 2400); // custom 4.00 in at 600 dpi

    // A stored width beyond the setter's range is taken as it stands.
    ini->WriteInteger(Section, QStringLiteral("CustomWidth"), 2000);
    Printer().LoadSetupBlock(*ini, Section);
    EXPECT_EQ(Printer().CustomWidth(), 2000);
}

TEST_F(QmPrinterTest, EnvelopeTenGoldenBytes)
{
    Printer().SelectEnvelope10();
    Printer().SaveSetupBlock(*ini, Section);
    const QString block1 = ini->ReadString(Section, QStringLiteral("Block0001"), QString());
    EXPECT_EQ(block1.mid(28, 4), QStringLiteral("1400")); // offset 46: paper 20
    EXPECT_EQ(ini->ReadString(Section, QStringLiteral("Block0000"), QString()).left(12),
              QStringLiteral("4F6666696365"));
    const QByteArray bytes = *ini->ReadBinary(Section);
    EXPECT_EQ(bytes.mid(36, 2), QByteArray("\x9c\x00", 2));
    EXPECT_EQ(bytes.mid(50, 2), QByteArray("\x18\x04", 2)); // width 1048
    EXPECT_EQ(bytes.mid(48, 2), QByteArray("\x6d\x09", 2)); // length 2413
}

TEST_F(QmPrinterTest, ForeignOrMissingBlockFallsBackToEnvelopeTen)
{
    Printer().SelectLetter();
    ini->WriteBinary(Section, QByteArray(156, '\x01')); // a Windows-sized block
    ini->WriteBool(Section, QStringLiteral("CustomSize"), true);
    Printer().LoadSetupBlock(*ini, Section);
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_ENV_10);
    EXPECT_TRUE(Printer().CustomSize());

    Printer().SelectLetter();
    Printer().LoadSetupBlock(*ini, QStringLiteral("IniId_99"));
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_ENV_10);
    EXPECT_FALSE(Printer().CustomSize());
    EXPECT_EQ(Printer().CustomWidth(), 800);
    EXPECT_EQ(Printer().CustomHeight(), 400);

    // Damaged hexadecimal is no block either.
    Printer().SelectLetter();
    ini->WriteBinary(Section, Printer().CurrentDevMode()->Bytes());
    ini->WriteString(Section, QStringLiteral("Block0003"), QStringLiteral("zz"));
    Printer().LoadSetupBlock(*ini, Section);
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_ENV_10);
}

TEST_F(QmPrinterTest, OlderPerKeyFormAppliesOnlyTheMaskedFields)
{
    const QString old = QStringLiteral("Envelopes");
    ini->WriteInteger(old, QStringLiteral("Envelope2_Fields"), 0xFFFF);
    ini->WriteInteger(old, QStringLiteral("Envelope2_Orientation"), 2);
    ini->WriteInteger(old, QStringLiteral("Envelope2_PaperSize"), 27);
    ini->WriteInteger(old, QStringLiteral("Envelope2_DefaultSource"), 4);
    ini->WriteInteger(old, QStringLiteral("Envelope2_PrintQuality"), 300);
    ini->WriteInteger(old, QStringLiteral("Envelope2_Color"), 1);
    ini->WriteInteger(old, QStringLiteral("Envelope2_Duplex"), 2);
    ini->WriteBool(old, QStringLiteral("Envelope2_CustomSize"), true);
    ini->WriteInteger(old, QStringLiteral("Envelope2_CustomWidth"), 2000);
    Printer().PrinterIndex();
    Printer().LoadPrinterSetup(*ini, old, QStringLiteral("Envelope2"));
    EXPECT_EQ(spooler.lastMergeIn.Fields(), 0x1E1Fu);
    EXPECT_EQ(Printer().GetOrientation(), DMORIENT_LANDSCAPE);
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_ENV_DL);
    EXPECT_EQ(Printer().GetDefaultSource(), DMBIN_MANUAL);
    EXPECT_EQ(Printer().GetPrintQuality(), 300);
    EXPECT_EQ(Printer().GetColor(), DMCOLOR_MONOCHROME);
    EXPECT_EQ(Printer().CurrentDevMode()->Duplex(), DMDUP_VERTICAL);
    EXPECT_EQ(Printer().CustomWidth(), 2000);
    EXPECT_EQ(Printer().GetLogPixelsX(), 300); // device values follow

    spooler.failMerge = true;
    Printer().LoadPrinterSetup(*ini, old, QStringLiteral("Envelope2"));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].message,
              QStringLiteral("Error updating printer setup information for printer \"Office\"."));
    EXPECT_EQ(messages.shown[0].type, TMsgDlgType::Warning);
}

TEST_F(QmPrinterTest, DriverFailuresAreReported)
{
    Printer().PrinterIndex();
    spooler.failDefaults = true;
    Printer().SelectEnvelope10();
    spooler.failDefaults = false;
    spooler.failMerge = true;
    Printer().SelectEnvelope10();
    Printer().SelectLetter();
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_EQ(
        messages.shown[0].message,
        QStringLiteral("Error reading driver information for printer Office while getting default values."));
    EXPECT_EQ(
        messages.shown[1].message,
        QStringLiteral("Error reading driver information for printer Office while choosing a #10 envelope."));
    EXPECT_EQ(messages.shown[2].message,
              QStringLiteral(
                  "Error reading driver information for printer Office while choosing letter sized paper."));
}

TEST_F(QmPrinterTest, SetupDialogCommitsOnlyOnOk)
{
    bool answer = false;
    Printer().SetSetupDialog([&](const QString &name, const PrinterCaps &, DevMode &dm) {
        EXPECT_EQ(name, Office);
        dm.SetPaperSize(DMPAPER_ENV_10);
        return answer;
    });
    EXPECT_FALSE(Printer().EditDocumentProperties());
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_LETTER);
    answer = true;
    EXPECT_TRUE(Printer().EditDocumentProperties());
    EXPECT_EQ(Printer().GetPaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(Printer().GetPhysicalWidth(), 2475);
    spooler.failMerge = true;
    EXPECT_FALSE(Printer().EditDocumentProperties());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].message,
              QStringLiteral("Error updating printer setup information for printer \"Office\"."));
}

TEST_F(QmPrinterTest, JobsSendTheirPagesAndNothingWhenEmpty)
{
    Printer().SelectEnvelope10();
    Printer().SetTitle(QStringLiteral("Plikora Envelope"));
    Printer().BeginDoc();
    EXPECT_EQ(Printer().PageNumber(), 1);
    Printer().EndDoc();
    EXPECT_TRUE(spooler.jobs.isEmpty());

    Printer().BeginDoc();
    EXPECT_EQ(Printer().GetLogPixelsY(), 600);
    EXPECT_EQ(Printer().GetPageWidthPixels(), 5325);
    EXPECT_EQ(Printer().Canvas().GetDeviceCaps(PHYSICALOFFSETX), 300);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(12);
    Printer().Canvas().SetFont(font);
    Printer().Canvas().Painter().drawText(100, 200, QStringLiteral("one"));
    EXPECT_EQ(Printer().Canvas().Painter().font().pixelSize(), 100);
    Printer().NewPage();
    EXPECT_EQ(Printer().PageNumber(), 2);
    Printer().NewPage();
    Printer().EndDoc();
    EXPECT_EQ(Printer().PageNumber(), 0);
    ASSERT_EQ(spooler.jobs.size(), 1);
    EXPECT_EQ(spooler.jobs[0].pages, 3);
    EXPECT_EQ(spooler.jobs[0].title, QStringLiteral("Plikora Envelope"));
    EXPECT_EQ(spooler.jobs[0].devMode.PaperSize(), DMPAPER_ENV_10);
    const PdfFacts facts = PdfInfo(spooler.jobs[0].pdf);
    EXPECT_EQ(facts.pages, 3);
    EXPECT_NEAR(facts.width, 297, 0.5);
}

TEST_F(QmPrinterTest, FailedJobsRaiseAndResetThePrintingState)
{
    Printer().PrinterIndex();
    spooler.failStartDoc = true;
    EXPECT_EPRINTER(Printer().BeginDoc(), "The fake printer refuses to start.");
    EXPECT_FALSE(Printer().Printing());
    spooler.failStartDoc = false;

    spooler.failDeliver = true;
    Printer().BeginDoc();
    Printer().Canvas().Painter().drawLine(0, 0, 10, 10);
    EXPECT_EPRINTER(Printer().EndDoc(), "The fake printer lost the job.");
    EXPECT_FALSE(Printer().Printing());
    EXPECT_EQ(Printer().PageNumber(), 0);
    spooler.failDeliver = false;
    Printer().SetPrinterIndex(0); // no longer printing
    EXPECT_EQ(Printer().GetPrinterName(), QStringLiteral("Label"));
}

TEST(QmPrinterInstance, CreatedAndFreedExplicitly)
{
    auto fake = std::make_unique<FakeSpooler>();
    fake->AddPrinter(Office);
    fake->SetDefault(Office);
    FakeSpooler *raw = fake.get();
    StartQmPrinter(std::move(fake));
    EXPECT_EQ(&PrinterSpooler(), raw);
    EXPECT_EQ(PrinterInstance()->GetPrinterName(), Office);
    EXPECT_EQ(&EnvelopePrinter(), static_cast<TEnvelopePrinter *>(PrinterInstance()));
    TZambPrinter shortLived(PrinterSpooler());
    EXPECT_EQ(shortLived.PrinterIndex(), 0);
    StopQmPrinter();
}
