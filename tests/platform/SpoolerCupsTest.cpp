#include "platform/CupsSpooler.h"
#include "platform/PdfSpooler.h"
#include "platform/Spooler.h"
#include "support/CupsTestSupport.h"
#include "support/PrintTestSupport.h"

#include <QDir>
#include <QFile>
#include <QPainter>

#include <cups/cups.h>
#include <gtest/gtest.h>

namespace {

const QString Queue = QStringLiteral("PlikoraTest");

const SpoolerPaper *Paper(const PrinterCaps &caps, int number)
{
    return caps.PaperByNumber(number);
}

} // namespace

class SpoolerCups : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(CupsDir().isEmpty()) << "run through tests/with-cupsd.sh";
        // The scheduler names its media in the user's language.
        qputenv("LANG", "en_US.UTF-8");
        EnsurePrintTestApp();
    }
};

TEST_F(SpoolerCups, ListsThePrivateQueuesAndTheDefault)
{
    CupsSpooler cups;
    QStringList names = cups.PrinterNames();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("PlikoraOther"), Queue}));
    EXPECT_EQ(cups.DefaultPrinterName(), Queue);

    auto system = CreateSystemSpooler();
    EXPECT_EQ(system->PrinterNames().last(), PdfSpooler::PrinterName());
    EXPECT_EQ(system->PrinterNames().size(), 3);
    EXPECT_EQ(system->DefaultPrinterName(), Queue);
    PrinterCaps caps;
    EXPECT_FALSE(cups.OpenPrinter(QStringLiteral("NoSuchQueue"), caps));
}

TEST_F(SpoolerCups, CapabilitiesMatchThePrinterDescription)
{
    CupsSpooler cups;
    PrinterCaps caps;
    ASSERT_TRUE(cups.OpenPrinter(Queue, caps));
    ASSERT_EQ(caps.papers.size(), 4);
    for (int number : {DMPAPER_LETTER, DMPAPER_A4, DMPAPER_ENV_10, DMPAPER_ENV_DL})
        EXPECT_TRUE(Paper(caps, number)) << number;
    const SpoolerPaper *env10 = Paper(caps, DMPAPER_ENV_10);
    ASSERT_TRUE(env10);
    // 297 x 684 points; margins 18, 36, 12, 9 points.
    EXPECT_NEAR(env10->width, 10478, 2);
    EXPECT_NEAR(env10->length, 24130, 2);
    EXPECT_NEAR(env10->left, 635, 2);
    EXPECT_NEAR(env10->bottom, 1270, 2);
    EXPECT_NEAR(env10->right, 423, 2);
    EXPECT_NEAR(env10->top, 318, 2);
    EXPECT_EQ(caps.papers[caps.defaultPaper].number, DMPAPER_LETTER);

    QList<int> bins;
    for (const auto &b : caps.bins)
        bins.append(b.number);
    EXPECT_EQ(bins, (QList<int>{DMBIN_UPPER, DMBIN_LOWER, DMBIN_MANUAL, DMBIN_ENVELOPE}));
    EXPECT_EQ(caps.resolutions, (QList<SpoolerResolution>{{300, 300}, {600, 600}, {1200, 600}}));
    EXPECT_EQ(caps.resolutions[caps.defaultResolution], (SpoolerResolution{600, 600}));
    EXPECT_TRUE(caps.color);
    EXPECT_TRUE(caps.duplex);

    DevMode dm;
    ASSERT_TRUE(cups.DefaultDevMode(Queue, caps, dm));
    const DeviceValues v = DeviceValuesFor(GeometryFor(caps, dm));
    EXPECT_EQ(v.logPixelsX, 600);
    EXPECT_EQ(v.physicalWidth, 5100);
    EXPECT_EQ(v.physicalOffsetX, 150);
    EXPECT_EQ(v.physicalOffsetY, 75);
    EXPECT_EQ(v.horzRes, 5100 - 150 - 100);
    EXPECT_EQ(v.vertRes, 6600 - 75 - 300);
}

TEST_F(SpoolerCups, EnvelopeJobArrivesAsOurPdfWithItsAttributes)
{
    CupsSpooler cups;
    PrinterCaps caps;
    ASSERT_TRUE(cups.OpenPrinter(Queue, caps));
    DevMode dm;
    ASSERT_TRUE(cups.DefaultDevMode(Queue, caps, dm));
    DevMode in = dm;
    in.SetPaperSize(DMPAPER_ENV_10);
    in.SetOrientation(DMORIENT_LANDSCAPE);
    in.SetDefaultSource(DMBIN_ENVELOPE);
    in.SetPrintQuality(600);
    in.SetYResolution(600);
    ASSERT_TRUE(cups.MergeDevMode(Queue, caps, in, dm));

    QString error;
    auto job = cups.StartDoc(Queue, caps, dm, QStringLiteral("Plikora Envelope"), error);
    ASSERT_TRUE(job) << error.toStdString();
    for (int page = 0; page < 2; ++page) {
        ASSERT_TRUE(job->StartPage());
        job->Painter()->drawRect(QRect(100, 100, 2000, 600));
        ASSERT_TRUE(job->EndPage());
    }
    ASSERT_TRUE(job->EndDoc()) << job->ErrorText().toStdString();

    const int id = WaitForLastJob(Queue);
    ASSERT_GT(id, 0);
    const QStringList attributes = JobAttributes(Queue, id);
    const QString all = attributes.join(QLatin1Char('\n'));
    EXPECT_TRUE(attributes.contains(QStringLiteral("job-state=completed"))) << all.toStdString();
    // The queue's driver reads its own keywords.
    for (const char *option : {"PageSize=Env10", "InputSlot=Envelope", "Resolution=600dpi", "ColorModel=RGB",
                               "Duplex=None", "orientation-requested=portrait"})
        EXPECT_TRUE(attributes.contains(QString::fromLatin1(option))) << option << "\n" << all.toStdString();
    EXPECT_TRUE(attributes.contains(QStringLiteral("document-format-supplied=application/pdf"))
                || attributes.contains(QStringLiteral("document-format=application/pdf")))
        << all.toStdString();

    const QString out = QDir(CupsDir()).filePath(QStringLiteral("out/PlikoraTest.prn"));
    const PdfFacts facts = PdfInfo(out);
    ASSERT_TRUE(facts.ok) << out.toStdString();
    EXPECT_EQ(facts.pages, 2);
    EXPECT_NEAR(facts.width, 297, 0.5);
    EXPECT_NEAR(facts.height, 684, 0.5);
    EXPECT_EQ(facts.title, QStringLiteral("Plikora Envelope"));
}

TEST_F(SpoolerCups, ADriversTrayAndResolutionReachItsFilter)
{
    const QString laser = QStringLiteral("PlikoraLaser");
    ASSERT_TRUE(AddQueue(laser, {QStringLiteral("-m"), QStringLiteral("drv:///sample.drv/laserjet.ppd")}));
    CupsSpooler cups;
    PrinterCaps caps;
    ASSERT_TRUE(cups.OpenPrinter(laser, caps));
    const SpoolerPaper *env10 = Paper(caps, DMPAPER_ENV_10);
    ASSERT_TRUE(env10);
    EXPECT_EQ(env10->name, QStringLiteral("Envelope #10"));
    QStringList bins;
    for (const auto &b : caps.bins)
        bins.append(b.name);
    EXPECT_EQ(bins.size(), 7);
    EXPECT_TRUE(bins.contains(QStringLiteral("Envelope Feed"))) << bins.join(", ").toStdString();
    EXPECT_EQ(caps.resolutions, (QList<SpoolerResolution>{{150, 150}, {300, 300}, {600, 600}}));
    EXPECT_FALSE(caps.color);
    EXPECT_FALSE(caps.duplex); // its duplexer is not installed

    DevMode dm;
    ASSERT_TRUE(cups.DefaultDevMode(laser, caps, dm));
    DevMode in = dm;
    in.SetPaperSize(DMPAPER_ENV_10);
    in.SetDefaultSource(DMBIN_ENVELOPE);
    in.SetPrintQuality(600);
    in.SetYResolution(600);
    ASSERT_TRUE(cups.MergeDevMode(laser, caps, in, dm));
    QString error;
    auto job = cups.StartDoc(laser, caps, dm, QStringLiteral("Plikora Envelope"), error);
    ASSERT_TRUE(job) << error.toStdString();
    ASSERT_TRUE(job->StartPage());
    job->Painter()->fillRect(QRect(100, 100, 2000, 600), Qt::black);
    ASSERT_TRUE(job->EndDoc()) << job->ErrorText().toStdString();

    const int id = WaitForLastJob(laser);
    ASSERT_GT(id, 0);
    const QStringList attributes = JobAttributes(laser, id);
    const QString all = attributes.join(QLatin1Char('\n'));
    EXPECT_TRUE(attributes.contains(QStringLiteral("job-state=completed"))) << all.toStdString();
    for (const char *option : {"PageSize=Env10", "InputSlot=Envelope", "Resolution=600dpi"})
        EXPECT_TRUE(attributes.contains(QString::fromLatin1(option))) << option << "\n" << all.toStdString();
    // The PCL the driver wrote: 600 dpi raster, from the envelope feeder (media position 3).
    QFile out(QDir(CupsDir()).filePath(QStringLiteral("out/PlikoraLaser.prn")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray pcl = out.readAll();
    EXPECT_TRUE(pcl.contains("\x1b*t600R"));
    EXPECT_FALSE(pcl.contains("\x1b*t300R"));
    EXPECT_TRUE(pcl.contains("\x1b&l3H"));
}

TEST_F(SpoolerCups, PapersGoByTheDriversNamesOnceEach)
{
    const QString pdf = QStringLiteral("PlikoraPdf");
    ASSERT_TRUE(
        AddQueue(pdf, {QStringLiteral("-P"), QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")}));
    CupsSpooler cups;
    PrinterCaps caps;
    ASSERT_TRUE(cups.OpenPrinter(pdf, caps));
    QStringList names;
    for (const auto &p : caps.papers) {
        EXPECT_FALSE(names.contains(p.name)) << p.name.toStdString();
        EXPECT_FALSE(p.name.contains(QLatin1String("orderless")) || p.name.contains(QLatin1Char('_')))
            << p.name.toStdString();
        names.append(p.name);
    }
    EXPECT_TRUE(names.contains(QStringLiteral("B1 (ISO)")));
    EXPECT_TRUE(names.contains(QStringLiteral("B1 (JIS)")));
    // The driver's own letter, not its "ANSI A" of the same size, is the letter paper.
    ASSERT_TRUE(Paper(caps, DMPAPER_LETTER));
    EXPECT_EQ(Paper(caps, DMPAPER_LETTER)->name, QStringLiteral("US Letter"));
    ASSERT_TRUE(Paper(caps, DMPAPER_ENV_10));
    EXPECT_EQ(Paper(caps, DMPAPER_ENV_10)->name, QStringLiteral("Envelope #10"));
    EXPECT_EQ(Paper(caps, DMPAPER_ENV_10)->choice, QStringLiteral("Env10"));
    EXPECT_EQ(caps.resolutions.size(), 5);
}

// A description such as the scheduler makes for a driverless printer: page sizes
// without text show the scheduler's names, two sizes of one name both stay, told
// apart by their size, and colour is the driver's default colour choice.
TEST_F(SpoolerCups, AGeneratedDescriptionKeepsTheSchedulersNamesAndItsColour)
{
    const QString queue = QStringLiteral("PlikoraCmyk");
    ASSERT_TRUE(
        AddQueue(queue, {QStringLiteral("-P"), QStringLiteral(PLIKORA_TEST_DATA "/plikora-cmyk.ppd")}));
    CupsSpooler cups;
    PrinterCaps caps;
    ASSERT_TRUE(cups.OpenPrinter(queue, caps));
    QStringList names;
    for (const auto &p : caps.papers)
        names.append(p.name);
    ASSERT_EQ(names.size(), 5) << names.join(", ").toStdString();
    EXPECT_EQ(Paper(caps, DMPAPER_ENV_10)->name, QStringLiteral("Envelope #10"));
    EXPECT_EQ(Paper(caps, DMPAPER_ENV_10)->choice, QStringLiteral("Env10"));
    EXPECT_EQ(caps.papers[caps.defaultPaper].choice, QStringLiteral("Env10"));
    EXPECT_FALSE(names.contains(QStringLiteral("EnvDL")));
    EXPECT_TRUE(names.contains(QStringLiteral("Envelope (98.4 x 190.5 mm)")));
    EXPECT_TRUE(names.contains(QStringLiteral("Envelope (114.3 x 228.6 mm)")));

    DevMode dm;
    ASSERT_TRUE(cups.DefaultDevMode(queue, caps, dm));
    dm.SetColor(DMCOLOR_COLOR);
    EXPECT_TRUE(
        CupsSpooler::JobOptions(caps, dm).contains(qMakePair(QByteArray("ColorModel"), QByteArray("CMYK"))));
    dm.SetColor(DMCOLOR_MONOCHROME);
    EXPECT_TRUE(
        CupsSpooler::JobOptions(caps, dm).contains(qMakePair(QByteArray("ColorModel"), QByteArray("Gray"))));
}

TEST_F(SpoolerCups, JobOnAVanishedQueueFails)
{
    CupsSpooler cups;
    PrinterCaps caps;
    ASSERT_TRUE(cups.OpenPrinter(QStringLiteral("PlikoraOther"), caps));
    DevMode dm;
    ASSERT_TRUE(cups.DefaultDevMode(QStringLiteral("PlikoraOther"), caps, dm));
    QString error;
    EXPECT_FALSE(cups.StartDoc(QStringLiteral("Gone"), caps, dm, QStringLiteral("t"), error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(SpoolerCups, WithoutASchedulerThePdfPrinterIsTheDefault)
{
    cupsSetServer(QDir(CupsDir()).filePath(QStringLiteral("no-such.sock")).toUtf8().constData());
    auto system = CreateSystemSpooler();
    const QStringList names = system->PrinterNames();
    const QString def = system->DefaultPrinterName();
    cupsSetServer(nullptr);
    EXPECT_EQ(names, QStringList{PdfSpooler::PrinterName()});
    EXPECT_EQ(def, PdfSpooler::PrinterName());
}
