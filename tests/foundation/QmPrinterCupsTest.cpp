#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "platform/PdfSpooler.h"
#include "support/CupsTestSupport.h"
#include "support/PrintTestSupport.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Queue = QStringLiteral("PlikoraTest");

} // namespace

class QmPrinterCups : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(CupsDir().isEmpty()) << "run through tests/with-cupsd.sh";
        EnsurePrintTestApp();
        StartQmPrinter();
    }
    void TearDown() override { StopQmPrinter(); }
};

TEST_F(QmPrinterCups, SeesTheQueuesAsTheDescriptionSaysAndPrintsAnEnvelope)
{
    TZambPrinter &p = *PrinterInstance();
    EXPECT_EQ(p.Printers(), (QStringList{QStringLiteral("PlikoraOther"), Queue, PdfSpooler::PrinterName()}));
    EXPECT_EQ(p.GetPrinterName(), Queue);
    EXPECT_EQ(p.PaperName(0), QStringLiteral("US Letter"));
    EXPECT_EQ(p.PaperCount(), 4);
    EXPECT_TRUE(p.PaperNumbers().contains(DMPAPER_ENV_10));
    EXPECT_TRUE(p.PaperNumbers().contains(DMPAPER_ENV_DL));
    EXPECT_EQ(p.BinNames(), (QStringList{QStringLiteral("Upper Tray"), QStringLiteral("Lower Tray"),
                                         QStringLiteral("Manual Feed"), QStringLiteral("Envelope Feeder")}));
    EXPECT_EQ(p.PrintQualityText(p.GetPrintQuality(), p.GetYResolution()), QStringLiteral("600 x 600 dpi"));
    // Margins 18, 9, 12 and 36 points.
    EXPECT_EQ(p.GetLeftMargin(), 25);
    EXPECT_EQ(p.GetTopMargin(), 12);
    EXPECT_EQ(p.GetRightMargin(), 16);
    EXPECT_EQ(p.GetBottomMargin(), 50);

    p.SelectEnvelope10();
    EXPECT_EQ(p.GetOrientation(), DMORIENT_LANDSCAPE); // the queue states no orientation
    p.SetSetupDialog([](const QString &, const PrinterCaps &, DevMode &dm) {
        dm.SetOrientation(DMORIENT_LANDSCAPE);
        dm.SetDefaultSource(DMBIN_ENVELOPE);
        return true;
    });
    ASSERT_TRUE(p.EditDocumentProperties());
    EXPECT_EQ(p.PaperSourceText(), QStringLiteral("Envelope Feeder"));
    EXPECT_EQ(p.GetPhysicalWidth(), 5700);
    EXPECT_EQ(p.GetPhysicalHeight(), 2475);
    EXPECT_EQ(p.GetLeftMargin(), 50); // the sheet's bottom margin leads in landscape

    p.SetTitle(QStringLiteral("Plikora Envelope"));
    p.BeginDoc();
    p.Canvas().Painter().drawRect(QRect(0, 0, 3000, 1000));
    p.NewPage();
    p.Canvas().Painter().drawRect(QRect(0, 0, 3000, 1000));
    p.EndDoc();

    const int id = WaitForLastJob(Queue);
    ASSERT_GT(id, 0);
    const QStringList attributes = JobAttributes(Queue, id);
    const QString all = attributes.join(QLatin1Char('\n'));
    EXPECT_TRUE(attributes.contains(QStringLiteral("job-state=completed"))) << all.toStdString();
    for (const char *option : {"PageSize=Env10", "InputSlot=Envelope", "Resolution=600dpi"})
        EXPECT_TRUE(attributes.contains(QString::fromLatin1(option))) << option << "\n" << all.toStdString();
    EXPECT_TRUE(attributes.contains(QStringLiteral("job-name=Plikora Envelope"))) << all.toStdString();

    const PdfFacts facts = PdfInfo(QDir(CupsDir()).filePath(QStringLiteral("out/PlikoraTest.prn")));
    ASSERT_TRUE(facts.ok);
    EXPECT_EQ(facts.pages, 2);
    EXPECT_NEAR(facts.width, 297, 0.5);
    EXPECT_NEAR(facts.height, 684, 0.5);
}

TEST_F(QmPrinterCups, StoredSetupFollowsThePrinter)
{
    QTemporaryDir dir;
    TZambIniFile ini(dir.filePath(QStringLiteral("p.ini")));
    TZambPrinter &p = *PrinterInstance();
    p.SelectEnvelope10();
    p.SaveSetupBlock(ini, QStringLiteral("IniId_1"));
    p.SetPrinterIndex(0);
    EXPECT_EQ(p.GetPaperSize(), DMPAPER_LETTER);
    p.LoadSetupBlock(ini, QStringLiteral("IniId_1"));
    EXPECT_EQ(p.GetPaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(p.GetDeviceName(), QStringLiteral("PlikoraOther"));
    EXPECT_EQ(p.GetPaperWidth(), 413);
}

TEST_F(QmPrinterCups, ANewEnvelopeStartsOnTheDriversEnvelope10)
{
    const QString pdf = QStringLiteral("PlikoraPdf");
    ASSERT_TRUE(
        AddQueue(pdf, {QStringLiteral("-P"), QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")}));
    TZambPrinter &p = *PrinterInstance();
    p.SetPrinterIndex(int(p.Printers().indexOf(pdf)));
    ASSERT_EQ(p.GetPrinterName(), pdf);
    p.SelectEnvelope10();
    EXPECT_EQ(p.GetPaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(p.PaperName(0), QStringLiteral("Envelope #10"));
    EXPECT_EQ(p.GetOrientation(), DMORIENT_LANDSCAPE);
}

TEST_F(QmPrinterCups, BuiltInPrinterWritesTheEnvelopeToAFile)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("envelope.pdf"));
    qputenv("PLIKORA_PDF_OUTPUT", out.toUtf8());
    TZambPrinter &p = *PrinterInstance();
    p.SetPrinterIndex(int(p.Printers().indexOf(PdfSpooler::PrinterName())));
    EXPECT_EQ(p.GetPrinterName(), PdfSpooler::PrinterName());
    // Landscape, a quarter inch unprintable on every side.
    p.SelectEnvelope10();
    EXPECT_EQ(p.GetOrientation(), DMORIENT_LANDSCAPE);
    EXPECT_EQ(p.GetLeftMargin(), 25);
    EXPECT_EQ(p.GetTopMargin(), 25);
    EXPECT_EQ(p.GetRightMargin(), 25);
    EXPECT_EQ(p.GetBottomMargin(), 25);
    p.SetTitle(QStringLiteral("Plikora Envelope"));
    p.BeginDoc();
    p.Canvas().Painter().drawLine(0, 0, 600, 600);
    p.EndDoc();
    qunsetenv("PLIKORA_PDF_OUTPUT");
    const PdfFacts facts = PdfInfo(out);
    ASSERT_TRUE(facts.ok);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_NEAR(facts.width, 684, 0.5);
    EXPECT_NEAR(facts.height, 297, 0.5);
    EXPECT_EQ(facts.title, QStringLiteral("Plikora Envelope"));
}

TEST_F(QmPrinterCups, AQueueThatStatesAnOrientationKeepsItForEnvelopes)
{
    const QString other = QStringLiteral("PlikoraOther");
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-p"), other, QStringLiteral("-o"),
                                                      QStringLiteral("orientation-requested-default=3")}),
        0);
    TZambPrinter &p = *PrinterInstance();
    p.SetPrinterIndex(int(p.Printers().indexOf(other)));
    p.SelectEnvelope10();
    const int orientation = p.GetOrientation();
    QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-p"), other, QStringLiteral("-R"),
                                                  QStringLiteral("orientation-requested-default")});
    EXPECT_EQ(orientation, DMORIENT_PORTRAIT);
}

TEST_F(QmPrinterCups, ACancelledJobIsCancelledAtTheScheduler)
{
    TZambPrinter &p = *PrinterInstance();
    ASSERT_EQ(p.GetPrinterName(), Queue);
    p.SetTitle(QStringLiteral("Called off"));
    p.BeginDoc();
    p.Canvas().Painter().drawRect(QRect(0, 0, 3000, 1000));
    p.NewPage();
    p.Abort();
    const int id = WaitForLastJob(Queue);
    ASSERT_GT(id, 0);
    const QStringList attributes = JobAttributes(Queue, id);
    EXPECT_TRUE(attributes.contains(QStringLiteral("job-name=Called off")));
    EXPECT_TRUE(attributes.contains(QStringLiteral("job-state=canceled")))
        << attributes.join(QLatin1Char('\n')).toStdString();
}

// A listed printer that cannot be opened because the scheduler is gone says so, not
// that the printer is not valid.
TEST_F(QmPrinterCups, APrinterTakenWhileTheServiceIsDownSaysWhy)
{
    TZambPrinter &p = *PrinterInstance();
    ASSERT_EQ(p.Printers().indexOf(QStringLiteral("PlikoraOther")), 0);
    ASSERT_TRUE(StopScheduler());
    p.SetPrinterIndex(0);
    try {
        p.GetDeviceCaps(HORZRES);
        ADD_FAILURE() << "opened";
    } catch (const EPrinter &e) {
        EXPECT_EQ(e.Message(), PrintServiceDownText(QStringLiteral("PlikoraOther")));
    }
    ASSERT_TRUE(StartScheduler());
}
