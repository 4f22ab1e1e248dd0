#include "platform/Spooler.h"
#include "platform/CupsSpooler.h"
#include "platform/DevMode.h"
#include "platform/PdfSpooler.h"
#include "platform/PwgTables.h"
#include "support/FakeSpooler.h"
#include "support/PrintTestSupport.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <QIODevice>

#include <gtest/gtest.h>

namespace {

DevMode DefaultsOf(const PrinterCaps &caps)
{
    DevMode dm;
    FillDefaultDevMode(QStringLiteral("Office"), caps, dm);
    return dm;
}

DevMode Envelope10(const PrinterCaps &caps, int16_t orientation, int dpi = 600, int yDpi = 600)
{
    DevMode dm = DefaultsOf(caps);
    DevMode in = dm;
    in.SetPaperSize(DMPAPER_ENV_10);
    in.SetOrientation(orientation);
    in.SetPrintQuality(static_cast<int16_t>(dpi));
    in.SetYResolution(static_cast<int16_t>(yDpi));
    EXPECT_TRUE(MergeDevModeWithCaps(caps, in, dm));
    return dm;
}

} // namespace

TEST(DevMode, PublicPartHasTheStoredLayout)
{
    DevMode dm(QStringLiteral("Office"));
    dm.SetFields(DM_PAPERSIZE | DM_ORIENTATION);
    dm.SetPaperSize(DMPAPER_ENV_10);
    dm.SetOrientation(DMORIENT_LANDSCAPE);
    dm.SetDefaultSource(DMBIN_ENVELOPE);
    const QByteArray b = dm.Bytes();
    ASSERT_EQ(b.size(), DevMode::TotalSize);
    EXPECT_EQ(b.left(6), QByteArray("Office"));
    EXPECT_EQ(b.mid(32, 2), QByteArray("\x01\x04", 2));
    EXPECT_EQ(b.mid(36, 2), QByteArray("\x9c\x00", 2));
    EXPECT_EQ(b.mid(38, 2), QByteArray("\x94\x00", 2));
    EXPECT_EQ(b.mid(40, 4), QByteArray("\x03\x00\x00\x00", 4));
    EXPECT_EQ(b.mid(44, 2), QByteArray("\x02\x00", 2));
    EXPECT_EQ(b.mid(46, 2), QByteArray("\x14\x00", 2));
    EXPECT_EQ(b.mid(56, 2), QByteArray("\x05\x00", 2));
    EXPECT_EQ(b.mid(156, 8), QByteArray("PLKCUPS\0", 8));
}

TEST(DevMode, StoredBytesAreCheckedBeforeUse)
{
    DevMode dm(QStringLiteral("Office"));
    dm.SetPaperSize(DMPAPER_A4);
    DevMode copy;
    EXPECT_TRUE(copy.FromBytes(dm.Bytes()));
    EXPECT_EQ(copy.PaperSize(), DMPAPER_A4);

    DevMode untouched;
    EXPECT_FALSE(untouched.FromBytes(dm.Bytes().left(156))); // a Windows-sized block
    QByteArray bad = dm.Bytes();
    bad[157] = 'X';
    EXPECT_FALSE(untouched.FromBytes(bad));
    EXPECT_EQ(untouched.PaperSize(), 0);
}

TEST(DevMode, LongNamesAreCutAndTerminated)
{
    DevMode dm;
    dm.SetDeviceName(QString(40, QLatin1Char('x')) + QStringLiteral("\u00e9"));
    EXPECT_EQ(dm.DeviceName(), QString(31, QLatin1Char('x')));
    dm.SetMediaKeyword(QString(30, QLatin1Char('a')) + QString(20, QChar(0x00e9)));
    EXPECT_LE(dm.MediaKeyword().toUtf8().size(), 63);
    EXPECT_TRUE(dm.MediaKeyword().startsWith(QString(30, QLatin1Char('a'))));
}

TEST(PwgTables, MediaAndSourcesMapBothWays)
{
    EXPECT_EQ(PaperForPwgMedia(QStringLiteral("na_number-10_4.125x9.5in")), DMPAPER_ENV_10);
    EXPECT_EQ(PaperForPwgMedia(QStringLiteral("iso_dl_110x220mm")), DMPAPER_ENV_DL);
    EXPECT_EQ(PaperForPwgMedia(QStringLiteral("na_letter_8.5x11in")), DMPAPER_LETTER);
    // By size when the name is a vendor's own.
    EXPECT_EQ(PaperForPwgMedia(QStringLiteral("oe_comm10-env_4.125x9.5in")), DMPAPER_ENV_10);
    EXPECT_EQ(PaperForPwgMedia(QStringLiteral("om_odd_123x45mm")), 0);
    EXPECT_EQ(PaperForPwgMedia(QStringLiteral("garbage")), 0);
    EXPECT_EQ(PaperForPwgMedia(QStringLiteral("x_y_1e9x5in")), 0);
    EXPECT_EQ(PwgMediaForPaper(DMPAPER_A4), QStringLiteral("iso_a4_210x297mm"));
    EXPECT_EQ(BinForSource(QStringLiteral("envelope")), DMBIN_ENVELOPE);
    EXPECT_EQ(BinForSource(QStringLiteral("top")), DMBIN_UPPER);
    EXPECT_EQ(SourceForBin(DMBIN_MANUAL), QStringLiteral("manual"));
    EXPECT_EQ(BinForSource(QStringLiteral("tray-7")), 0);
}

TEST(PwgTables, UnknownMediaAndSourcesGetPrivateNumbers)
{
    PrinterCaps caps;
    for (const char *m :
         {"om_odd_123x45mm", "na_letter_8.5x11in", "oe_letter-plus_8.5x11in", "om_odd2_50x50mm"}) {
        SpoolerPaper p;
        p.keyword = QString::fromLatin1(m);
        caps.papers.append(p);
    }
    caps.bins = {SpoolerBin{0, QStringLiteral("tray-7"), {}}, SpoolerBin{0, QStringLiteral("envelope"), {}}};
    NumberPapersAndBins(caps);
    EXPECT_EQ(caps.papers[0].number, 257);
    EXPECT_EQ(caps.papers[1].number, DMPAPER_LETTER);
    EXPECT_EQ(caps.papers[2].number, 258); // same size as letter, but letter is taken
    EXPECT_EQ(caps.papers[3].number, 259);
    EXPECT_EQ(caps.papers[0].name, QStringLiteral("Odd 123x45mm"));
    EXPECT_EQ(caps.bins[0].number, 257);
    EXPECT_EQ(caps.bins[1].number, DMBIN_ENVELOPE);
    EXPECT_EQ(caps.bins[0].name, QStringLiteral("Tray 7"));
}

TEST(DevModeMerge, TakesWhatThePrinterOffersAndKeepsTheRest)
{
    const PrinterCaps caps = FakeSpooler::OfficeCaps();
    DevMode current = DefaultsOf(caps);
    EXPECT_EQ(current.PaperSize(), DMPAPER_LETTER);
    EXPECT_EQ(current.PrintQuality(), 600);

    DevMode in = current;
    in.SetPaperSize(DMPAPER_ENV_10);
    in.SetDefaultSource(DMBIN_ENVELOPE);
    in.SetPrintQuality(1200);
    in.SetYResolution(600);
    in.SetColor(DMCOLOR_MONOCHROME);
    ASSERT_TRUE(MergeDevModeWithCaps(caps, in, current));
    EXPECT_EQ(current.PaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(current.PaperWidth(), 1048);
    EXPECT_EQ(current.PaperLength(), 2413);
    EXPECT_EQ(current.MediaKeyword(), QStringLiteral("na_number-10_4.125x9.5in"));
    EXPECT_EQ(current.SourceKeyword(), QStringLiteral("envelope"));
    EXPECT_EQ(current.XDpi(), 1200);
    EXPECT_EQ(current.YDpi(), 600);
    EXPECT_EQ(current.Color(), DMCOLOR_MONOCHROME);

    // Legal is not offered, 450 dpi neither: both stay as they were.
    in = current;
    in.SetPaperSize(5);
    in.SetPrintQuality(450);
    in.SetYResolution(450);
    ASSERT_TRUE(MergeDevModeWithCaps(caps, in, current));
    EXPECT_EQ(current.PaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(current.XDpi(), 1200);

    // Fields whose bit is clear are not taken.
    in = current;
    in.SetFields(DM_ORIENTATION);
    in.SetOrientation(DMORIENT_LANDSCAPE);
    in.SetPaperSize(DMPAPER_A4);
    ASSERT_TRUE(MergeDevModeWithCaps(caps, in, current));
    EXPECT_EQ(current.Orientation(), DMORIENT_LANDSCAPE);
    EXPECT_EQ(current.PaperSize(), DMPAPER_ENV_10);

    DevMode foreign;
    foreign.SetS16(DevMode::OffSize, 220);
    EXPECT_FALSE(MergeDevModeWithCaps(caps, foreign, current));
}

// As envelope drivers do: envelopes and user sizes come landscape, sheets
// portrait, unless the printer states an orientation or the record gives one.
TEST(DevModeMerge, ANewMediumTakesItsDefaultOrientation)
{
    PrinterCaps caps = FakeSpooler::OfficeCaps();
    DevMode dm = DefaultsOf(caps);
    EXPECT_EQ(dm.Orientation(), DMORIENT_PORTRAIT);
    auto take = [&](int16_t paper, const PrinterCaps &c) {
        DevMode in = dm;
        in.SetPaperSize(paper);
        in.SetPaperWidth(1000);
        in.SetPaperLength(2000);
        in.SetFields(in.Fields() & ~uint32_t(DM_ORIENTATION));
        EXPECT_TRUE(MergeDevModeWithCaps(c, in, dm));
        return dm.Orientation();
    };
    EXPECT_EQ(take(DMPAPER_ENV_10, caps), DMORIENT_LANDSCAPE);
    EXPECT_EQ(take(DMPAPER_A4, caps), DMORIENT_PORTRAIT);
    EXPECT_EQ(take(DMPAPER_ENV_DL, caps), DMORIENT_LANDSCAPE);
    EXPECT_EQ(take(DMPAPER_USER, caps), DMORIENT_LANDSCAPE);
    EXPECT_EQ(take(DMPAPER_LETTER, caps), DMORIENT_PORTRAIT);
    EXPECT_EQ(Envelope10(caps, DMORIENT_PORTRAIT).Orientation(), DMORIENT_PORTRAIT);

    caps.defaultPaper = 2; // an envelope printer's own default
    EXPECT_EQ(DefaultsOf(caps).Orientation(), DMORIENT_LANDSCAPE);
    caps.orientation = DMORIENT_PORTRAIT;
    EXPECT_EQ(DefaultsOf(caps).Orientation(), DMORIENT_PORTRAIT);
    EXPECT_EQ(take(DMPAPER_ENV_DL, caps), DMORIENT_PORTRAIT);

    EXPECT_TRUE(IsEnvelopePaper(257, QStringLiteral("iso_c7_81x114mm")));
    EXPECT_TRUE(IsEnvelopePaper(258, QStringLiteral("om_env-kaku_240x332mm")));
    EXPECT_FALSE(IsEnvelopePaper(259, QStringLiteral("om_card_100x148mm")));
}

TEST(DevModeMerge, PrivateNumbersResolveByKeyword)
{
    PrinterCaps caps = FakeSpooler::OfficeCaps();
    SpoolerPaper odd;
    odd.keyword = QStringLiteral("om_odd_123x45mm");
    odd.width = 4500;
    odd.length = 12300;
    caps.papers.append(odd);
    NumberPapersAndBins(caps);
    DevMode current = DefaultsOf(caps);
    DevMode in = current;
    in.SetPaperSize(300); // another printer's number for the same medium
    in.SetMediaKeyword(odd.keyword);
    ASSERT_TRUE(MergeDevModeWithCaps(caps, in, current));
    EXPECT_EQ(current.PaperSize(), 257);
    EXPECT_EQ(current.PaperWidth(), 450);
}

TEST(DeviceValues, ComeFromTheMediumAndItsRealMargins)
{
    const PrinterCaps caps = FakeSpooler::OfficeCaps();
    DeviceValues p = DeviceValuesFor(GeometryFor(caps, Envelope10(caps, DMORIENT_PORTRAIT)));
    EXPECT_EQ(p.logPixelsX, 600);
    EXPECT_EQ(p.physicalWidth, 2475);
    EXPECT_EQ(p.physicalHeight, 5700);
    EXPECT_EQ(p.physicalOffsetX, 150);
    EXPECT_EQ(p.physicalOffsetY, 75);
    EXPECT_EQ(p.horzRes, 2223);
    EXPECT_EQ(p.vertRes, 5325);

    // Landscape turns the sheet a quarter to the left: the bottom margin leads.
    DeviceValues l = DeviceValuesFor(GeometryFor(caps, Envelope10(caps, DMORIENT_LANDSCAPE)));
    EXPECT_EQ(l.physicalWidth, 5700);
    EXPECT_EQ(l.physicalHeight, 2475);
    EXPECT_EQ(l.physicalOffsetX, 300);
    EXPECT_EQ(l.physicalOffsetY, 150);
    EXPECT_EQ(l.horzRes, 5325);
    EXPECT_EQ(l.vertRes, 2223);

    DevMode odd = Envelope10(caps, DMORIENT_LANDSCAPE, 1200);
    DeviceValues o = DeviceValuesFor(GeometryFor(caps, odd));
    EXPECT_EQ(o.logPixelsX, 600); // the sheet's 600 dpi axis runs across the landscape page
    EXPECT_EQ(o.logPixelsY, 1200);
}

TEST(SpoolJob, DrawsInDevicePixelsFromThePrintableCorner)
{
    EnsurePrintTestApp();
    const PrinterCaps caps = FakeSpooler::OfficeCaps();
    QByteArray sent;
    int sentPages = 0;
    SpoolJob job(GeometryFor(caps, Envelope10(caps, DMORIENT_LANDSCAPE)), QStringLiteral("Plikora Envelope"),
                 [&](QIODevice &pdf, int pages, QString &) {
                     sent = pdf.readAll();
                     sentPages = pages;
                     return true;
                 });
    EXPECT_EQ(job.Painter(), nullptr);
    ASSERT_TRUE(job.StartPage());
    // One inch square at the canvas origin.
    job.Painter()->fillRect(QRect(0, 0, 600, 600), Qt::black);
    ASSERT_TRUE(job.EndPage());
    ASSERT_TRUE(job.StartPage());
    job.Painter()->fillRect(QRect(-600, -600, 100000, 100000), Qt::black); // clipped to the printable area
    ASSERT_TRUE(job.EndDoc());
    EXPECT_EQ(sentPages, 2);

    const PdfFacts facts = PdfInfo(sent);
    ASSERT_TRUE(facts.ok);
    EXPECT_EQ(facts.pages, 2);
    EXPECT_NEAR(facts.width, 297, 0.5);
    EXPECT_NEAR(facts.height, 684, 0.5);
    EXPECT_EQ(facts.title, QStringLiteral("Plikora Envelope"));

    // On the portrait sheet the square sits 0.25 in from the left and 0.5 in
    // above the bottom edge (x 0.25..1.25 in, y 8..9 in at 40 dpi).
    const QImage page1 = RenderPdfPage(sent, 1, 40);
    ASSERT_FALSE(page1.isNull());
    EXPECT_LT(qGray(page1.pixel(30, 340)), 64);
    EXPECT_GT(qGray(page1.pixel(30, 60)), 192);
    EXPECT_GT(qGray(page1.pixel(5, 340)), 192);
    EXPECT_GT(qGray(page1.pixel(30, 375)), 192);

    const QImage page2 = RenderPdfPage(sent, 2, 40);
    ASSERT_FALSE(page2.isNull());
    EXPECT_GT(qGray(page2.pixel(4, 200)), 192);  // left margin stays blank
    EXPECT_GT(qGray(page2.pixel(60, 378)), 192); // bottom margin too
    EXPECT_LT(qGray(page2.pixel(60, 200)), 64);
}

TEST(SpoolJob, EmptyOrAbortedJobsSendNothing)
{
    EnsurePrintTestApp();
    const PrinterCaps caps = FakeSpooler::OfficeCaps();
    int delivered = 0;
    auto deliver = [&](QIODevice &, int, QString &) {
        ++delivered;
        return true;
    };
    // What the back end holds for a job that sends nothing is withdrawn, once.
    int withdrawn = 0;
    auto withdraw = [&] { ++withdrawn; };
    SpoolJob empty(GeometryFor(caps, DefaultsOf(caps)), QStringLiteral("t"), deliver, withdraw);
    EXPECT_FALSE(empty.EndPage());
    EXPECT_TRUE(empty.EndDoc());
    EXPECT_FALSE(empty.EndDoc());
    EXPECT_EQ(withdrawn, 1);
    SpoolJob aborted(GeometryFor(caps, DefaultsOf(caps)), QStringLiteral("t"), deliver, withdraw);
    ASSERT_TRUE(aborted.StartPage());
    EXPECT_FALSE(aborted.StartPage());
    aborted.Abort();
    aborted.Abort();
    EXPECT_FALSE(aborted.StartPage());
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(withdrawn, 2);
    {
        SpoolJob dropped(GeometryFor(caps, DefaultsOf(caps)), QStringLiteral("t"), deliver, withdraw);
        ASSERT_TRUE(dropped.StartPage());
    }
    EXPECT_EQ(withdrawn, 3);
    SpoolJob sent(GeometryFor(caps, DefaultsOf(caps)), QStringLiteral("t"), deliver, withdraw);
    ASSERT_TRUE(sent.StartPage());
    EXPECT_TRUE(sent.EndDoc());
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(withdrawn, 3);

    SpoolJob failing(GeometryFor(caps, DefaultsOf(caps)), QStringLiteral("t"),
                     [](QIODevice &, int, QString &error) {
                         error = QStringLiteral("spool full");
                         return false;
                     });
    ASSERT_TRUE(failing.StartPage());
    EXPECT_FALSE(failing.EndDoc());
    EXPECT_EQ(failing.ErrorText(), QStringLiteral("spool full"));
}

TEST(PdfSpooler, WritesTheNamedFile)
{
    EnsurePrintTestApp();
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("envelope.pdf"));
    PdfSpooler pdf([&](const QString &title) {
        EXPECT_EQ(title, QStringLiteral("Plikora Envelope"));
        return out;
    });
    EXPECT_EQ(pdf.PrinterNames(), QStringList{PdfSpooler::PrinterName()});
    EXPECT_EQ(pdf.DefaultPrinterName(), PdfSpooler::PrinterName());
    PrinterCaps caps;
    ASSERT_TRUE(pdf.OpenPrinter(PdfSpooler::PrinterName(), caps));
    DevMode dm = Envelope10(caps, DMORIENT_LANDSCAPE);
    EXPECT_EQ(dm.PaperSize(), DMPAPER_ENV_10);
    QString error;
    auto job = pdf.StartDoc(PdfSpooler::PrinterName(), caps, dm, QStringLiteral("Plikora Envelope"), error);
    ASSERT_TRUE(job);
    // A quarter inch unprintable on every side, as on a real printer.
    EXPECT_EQ(job->Values().physicalOffsetX, 150);
    EXPECT_EQ(job->Values().physicalOffsetY, 150);
    EXPECT_EQ(job->Values().horzRes, 5700 - 300);
    EXPECT_EQ(job->Values().vertRes, 2475 - 300);
    ASSERT_TRUE(job->StartPage());
    job->Painter()->drawLine(0, 0, 100, 100);
    ASSERT_TRUE(job->EndDoc());
    const PdfFacts facts = PdfInfo(out);
    ASSERT_TRUE(facts.ok);
    EXPECT_EQ(facts.pages, 1);
    // The file shows the envelope as it reads: a landscape page.
    EXPECT_NEAR(facts.width, 684, 0.5);
    EXPECT_NEAR(facts.height, 297, 0.5);
}

TEST(PdfSpooler, EnvironmentNamesTheFileAndNoNameDropsTheJob)
{
    EnsurePrintTestApp();
    QTemporaryDir dir;
    PdfSpooler pdf([](const QString &) { return QString(); });
    PrinterCaps caps;
    ASSERT_TRUE(pdf.OpenPrinter(PdfSpooler::PrinterName(), caps));
    QString error;
    // No file chosen calls the job off.
    EXPECT_THROW(pdf.StartDoc(PdfSpooler::PrinterName(), caps, DefaultsOf(caps), QStringLiteral("x"), error),
                 SpoolCancelled);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    const QString out = dir.filePath(QStringLiteral("scripted.pdf"));
    qputenv("PLIKORA_PDF_OUTPUT", out.toUtf8());
    auto job = pdf.StartDoc(PdfSpooler::PrinterName(), caps, DefaultsOf(caps), QStringLiteral("x"), error);
    qunsetenv("PLIKORA_PDF_OUTPUT");
    ASSERT_TRUE(job);
    ASSERT_TRUE(job->StartPage());
    ASSERT_TRUE(job->EndDoc());
    const PdfFacts facts = PdfInfo(out);
    EXPECT_NEAR(facts.width, 612, 0.5);
    EXPECT_NEAR(facts.height, 792, 0.5);

    // A folder that cannot be written to is an error, not silence.
    qputenv("PLIKORA_PDF_OUTPUT", dir.filePath(QStringLiteral("missing/x.pdf")).toUtf8());
    auto bad = pdf.StartDoc(PdfSpooler::PrinterName(), caps, DefaultsOf(caps), QStringLiteral("x"), error);
    qunsetenv("PLIKORA_PDF_OUTPUT");
    ASSERT_TRUE(bad->StartPage());
    EXPECT_FALSE(bad->EndDoc());
    EXPECT_FALSE(bad->ErrorText().isEmpty());
}

TEST(CupsJobOptions, NameTheMediumSourceResolutionAndOrientation)
{
    const PrinterCaps caps = FakeSpooler::OfficeCaps();
    DevMode dm = Envelope10(caps, DMORIENT_LANDSCAPE);
    DevMode in = dm;
    in.SetDefaultSource(DMBIN_ENVELOPE);
    in.SetDuplex(DMDUP_HORIZONTAL);
    ASSERT_TRUE(MergeDevModeWithCaps(caps, in, dm));
    auto options = CupsSpooler::JobOptions(caps, dm);
    QStringList texts;
    for (const auto &o : options)
        texts.append(QString::fromUtf8(o.first + '=' + o.second));
    EXPECT_EQ(texts,
              (QStringList{
                  QStringLiteral("media=na_number-10_4.125x9.5in"), QStringLiteral("media-source=envelope"),
                  QStringLiteral("printer-resolution=600dpi"), QStringLiteral("orientation-requested=3"),
                  QStringLiteral("print-color-mode=color"), QStringLiteral("sides=two-sided-short-edge")}));

    // A user size goes by the name of a medium of that size, else as a custom size.
    DevMode user = dm;
    user.SetPaperSize(DMPAPER_USER);
    user.SetPaperWidth(1048);
    user.SetPaperLength(2413);
    EXPECT_EQ(CupsSpooler::JobOptions(caps, user)[0].second, QByteArray("na_number-10_4.125x9.5in"));
    user.SetPaperWidth(1000);
    EXPECT_EQ(CupsSpooler::JobOptions(caps, user)[0].second, QByteArray("custom_100.00x241.30mm"));
    DevMode draft = dm;
    draft.SetPrintQuality(DMRES_DRAFT);
    options = CupsSpooler::JobOptions(caps, draft);
    EXPECT_TRUE(options.contains(qMakePair(QByteArray("print-quality"), QByteArray("3"))));
}
