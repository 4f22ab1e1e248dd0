#include "engine/EnvDim.h"
#include "engine/PrintAddresses.h"
#include "engine/PrintProgress.h"
#include "engine/RetAddr.h"
#include "engine/ZipBarCo.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "gif/GIFImage.h"
#include "platform/DevMode.h"
#include "platform/RichEdit.h"
#include "support/FakeSpooler.h"
#include "support/PrintTestSupport.h"
#include "support/ScriptedMessageService.h"
#include "ui/printing/Prntprog.h"

#include <QApplication>
#include <QGroupBox>
#include <QProgressBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString PrinterName = QStringLiteral("Envelope Laser");

// 600 dpi, #10 and letter, a quarter inch unprintable on every side.
PrinterCaps envelopeCaps()
{
    PrinterCaps caps;
    auto paper = [](const char *media, int w, int l) {
        SpoolerPaper p;
        p.keyword = QString::fromLatin1(media);
        p.width = w;
        p.length = l;
        p.left = p.top = p.right = p.bottom = 635;
        return p;
    };
    caps.papers = {paper("na_letter_8.5x11in", 21590, 27940),
                   paper("na_number-10_4.125x9.5in", 10478, 24130)};
    caps.bins.append(SpoolerBin{0, QStringLiteral("manual"), QString()});
    caps.resolutions = {{600, 600}};
    caps.defaultResolution = 0;
    NumberPapersAndBins(caps);
    return caps;
}

class Preferences : public TEnvelopePreferences
{
public:
    int Measure() const override { return 0; }
    bool PostalMargins() const override { return false; }
    bool FacingMark() const override { return facingMark; }
    bool facingMark = true;
};

// The printer is fed the portrait sheet; a landscape page comes out turned a
// quarter to the left. These turn it back so tests read landscape coordinates.
QImage landscapePage(const QByteArray &pdf)
{
    return RenderPdfPage(pdf, 1, 600).transformed(QTransform().rotate(90));
}

QList<PdfWord> landscapeWords(const QByteArray &pdf)
{
    return LandscapeWords(pdf, 1, 684);
}

bool dark(const QImage &image, int x, int y)
{
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qGray(image.pixel(x, y)) < 128;
}

// Runs of dark pixels along a row: (start, width).
QList<QPair<int, int>> runsOnRow(const QImage &image, int y, int fromX = 0, int toX = -1)
{
    QList<QPair<int, int>> runs;
    if (toX < 0)
        toX = image.width();
    for (int x = fromX; x < toX; ++x) {
        if (!dark(image, x, y))
            continue;
        int start = x;
        while (x < toX && dark(image, x, y))
            ++x;
        runs.append({start, x - start});
    }
    return runs;
}

int darkRunDown(const QImage &image, int x, int fromY)
{
    int y = fromY;
    while (dark(image, x, y))
        ++y;
    return y - fromY;
}

class PrintJobTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "plikora-test";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
        StartUnique();
        auto owned = std::make_unique<FakeSpooler>();
        spooler = owned.get();
        spooler->AddPrinter(PrinterName, envelopeCaps());
        spooler->SetDefault(PrinterName);
        StartQmPrinter(std::move(owned));
        PrinterInstance()->PrinterIndex(); // the default printer, as the main window selects it
        envelopePtr = std::make_unique<TEnvelopeData>();
        SetEnvelopePreferences(&preferences);
        returnAddress.Lines() = QStringList{QStringLiteral("Sender Name")};
        returnBox.SetText(QStringLiteral("Sender Name"));
    }

    void TearDown() override
    {
        SetEnvelopePreferences(nullptr);
        FreePrintStatusForm();
        envelopePtr.reset();
        StopQmPrinter();
        StopUnique();
        delete IniFile;
        IniFile = nullptr;
    }

    // A #10 envelope in landscape: DestinationLeft 380, DestinationBottom 200,
    // FacingMarkFromRight 250, everything else 0.
    void defineEnvelope(bool letter = false)
    {
        envelope().Name = QStringLiteral("Envelope1");
        if (letter)
            envelope().InitForLetter(true);
        else
            envelope().InitForEnvelope10(true);
        PrinterInstance()->SetSetupDialog([letter](const QString &, const PrinterCaps &, DevMode &dm) {
            dm.SetOrientation(letter ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE);
            dm.SetPaperSize(letter ? 1 : DMPAPER_ENV_10);
            dm.SetMediaKeyword(letter ? QStringLiteral("na_letter_8.5x11in")
                                      : QStringLiteral("na_number-10_4.125x9.5in"));
            return true;
        });
        envelope().EditPrinterSetup();
        envelope().SetReturnLeft(0);
        envelope().SetReturnTop(0);
        envelope().SetDestinationLeft(380);
        envelope().SetDestinationBottom(200);
        envelope().SetAttentionLeft(0);
        envelope().SetAttentionBottom(0);
        envelope().SetFacingMarkFromRight(250);
        envelope().SetTriFoldFromTop(letter ? 350 : 0);
        envelope().SetTriFoldFromBottom(letter ? 350 : 0);
    }

    QByteArray print(const QString &destinationText, int placement, int copies = 1, bool test = false,
                     bool folds = false)
    {
        destination.SetText(destinationText);
        TAddressPrintList list(&destination, &returnBox, &attention);
        list.Refresh(true);
        list.PrintEnvelopes(copies, test, &returnAddress, &envelope(), QStringLiteral("Plikora Envelope"),
                            placement, folds);
        return spooler->jobs.isEmpty() ? QByteArray() : spooler->jobs.last().pdf;
    }

    QTemporaryDir dir;
    FakeSpooler *spooler = nullptr;
    Preferences preferences;
    ScriptedMessageService messages;
    std::unique_ptr<TEnvelopeData> envelopePtr;
    TEnvelopeData &envelope() { return *envelopePtr; }
    TReturnAddress returnAddress;
    RichEdit destination;
    RichEdit returnBox;
    RichEdit attention;
};

const QString address = QStringLiteral("Jane Doe\n1600 Main St\nSpringfield IL 62704-1234");
constexpr int margin = 150; // a quarter inch at 600 dpi, from the sheet's edge to the printable corner

} // namespace

TEST_F(PrintJobTest, WorkedExampleBarCodeAboveTheAddress)
{
    defineEnvelope();
    const QByteArray pdf = print(address, 0);
    const PdfFacts facts = PdfInfo(pdf);
    ASSERT_TRUE(facts.ok);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_NEAR(facts.width, 297, 1); // the #10 sheet as it is fed
    EXPECT_NEAR(facts.height, 684, 1);
    EXPECT_EQ(facts.title, QStringLiteral("Plikora Envelope"));

    const QImage page = landscapePage(pdf);
    ASSERT_FALSE(page.isNull());
    // Base 362 - 200 + 25 = 187 hundredths: the code's top at y 1122, first bar at x 2280.
    const int barTop = margin + 1122;
    const auto bars = runsOnRow(page, barTop + 74, margin + 2200, margin + 4000);
    ASSERT_EQ(bars.size(), 62);
    QString pattern;
    for (int i = 0; i < bars.size(); ++i) {
        EXPECT_NEAR(bars[i].first + bars[i].second / 2.0, margin + 2280 + 28 * i, 1.0) << i;
        EXPECT_NEAR(bars[i].second, 9, 1) << i;
        const int x = bars[i].first + bars[i].second / 2;
        int top = barTop + 74;
        while (dark(page, x, top - 1))
            --top;
        const int height = barTop + 75 - top;
        EXPECT_NEAR(height, 75 - (height < 50 ? 45 : 0), 1) << i;
        pattern += height > 50 ? QLatin1Char('1') : QLatin1Char('0');
    }
    QString expected;
    DigitsToBars(QStringLiteral("627041234001"), expected);
    EXPECT_EQ(pattern, expected);

    // Facing mark: 2.5 in from the physical right edge, inside printable coordinates.
    const auto mark = runsOnRow(page, margin + 100, margin + 4100, margin + 4600);
    ASSERT_EQ(mark.size(), 5);
    const int offsets[5] = {4200, 4238, 4350, 4462, 4500};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(mark[i].first + mark[i].second / 2.0, margin + offsets[i], 1.0);
        EXPECT_NEAR(mark[i].second, 15, 1);
        EXPECT_NEAR(darkRunDown(page, mark[i].first + 7, margin), 375, 1);
    }

    // The address starts below the code, at the definition's left.
    const auto words = landscapeWords(pdf);
    auto jane = std::find_if(words.begin(), words.end(),
                             [](const PdfWord &w) { return w.text == QLatin1String("Jane"); });
    ASSERT_NE(jane, words.end());
    EXPECT_NEAR(jane->xMin, (margin + 2280) * 72.0 / 600, 3);
    EXPECT_GT(jane->yMin * 600 / 72, margin + 1122 + 131);
    EXPECT_LT(jane->yMin * 600 / 72, margin + 1122 + 131 + 200);
    auto sender = std::find_if(words.begin(), words.end(),
                               [](const PdfWord &w) { return w.text == QLatin1String("Sender"); });
    ASSERT_NE(sender, words.end());
    EXPECT_NEAR(sender->xMin, margin * 72.0 / 600, 3);
}

TEST_F(PrintJobTest, RightToLeftLinesStandWhereTheBoxShowsThem)
{
    // Paragraphs run left to right unless their format says otherwise, as in the box on the
    // screen: lines in a right-to-left script start at the destination's left with the others.
    defineEnvelope();
    const QByteArray pdf =
        print(QString::fromUtf8(
                  "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA8\xD7\x91 \xD7\x9E\xD7\x90\xD7\x95\xD7\x93 "
                  "\xD7\x9C\xD7\x9B\xD7\x95\xD7\x9C\xD7\x9D\n\xD7\xAA\xD7\x9C "
                  "\xD7\x90\xD7\x91\xD7\x99\xD7\x91"),
              2);
    struct Line
    {
        double y, left, right;
    };
    QList<Line> lines;
    for (const PdfWord &w : landscapeWords(pdf)) {
        if (w.text == QLatin1String("Sender") || w.text == QLatin1String("Name"))
            continue;
        auto line = std::find_if(lines.begin(), lines.end(),
                                 [&](const Line &l) { return std::abs(l.y - w.yMin) < 3; });
        if (line == lines.end())
            lines.append({w.yMin, w.xMin, w.xMax});
        else
            *line = {line->y, std::min(line->left, w.xMin), std::max(line->right, w.xMax)};
    }
    ASSERT_EQ(lines.size(), 2);
    std::sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) { return a.y < b.y; });
    EXPECT_NEAR(lines[0].left, (margin + 2280) * 72.0 / 600, 3);
    EXPECT_NEAR(lines[1].left, lines[0].left, 3);
    EXPECT_LT(lines[1].right, lines[0].right - 20);
}

TEST_F(PrintJobTest, PlacementsBelowBottomAndNone)
{
    defineEnvelope();
    // Below: one address without a trailing line break; the code lands under the text, on the envelope().
    QByteArray pdf = print(address, 3);
    QImage page = landscapePage(pdf);
    const auto words = landscapeWords(pdf);
    auto zip = std::find_if(words.begin(), words.end(),
                            [](const PdfWord &w) { return w.text.startsWith(QLatin1String("62704")); });
    ASSERT_NE(zip, words.end());
    const int textBottom = static_cast<int>(zip->yMax * 600 / 72);
    int barRow = -1;
    for (int y = textBottom; y < page.height() && barRow < 0; ++y) {
        if (runsOnRow(page, y, margin + 2200, margin + 4000).size() == 62)
            barRow = y;
    }
    ASSERT_GT(barRow, textBottom);
    EXPECT_LT(barRow, page.height() - margin);

    // Bottom: two inches in from the physical right edge, moved left to the limit.
    pdf = print(address, 1);
    page = landscapePage(pdf);
    const int bottomBase =
        margin + 2172 - 131 + 74; // (PH - TB) * LY / 100 - BarCodeHeight, then the base row
    const auto bars = runsOnRow(page, bottomBase, margin + 3000, margin + 5400);
    ASSERT_EQ(bars.size(), 62);
    EXPECT_NEAR(bars[0].first + bars[0].second / 2.0, margin + 4950 - 1680, 1.0);

    // None: neither bar code nor facing mark.
    pdf = print(address, 2);
    page = landscapePage(pdf);
    EXPECT_TRUE(runsOnRow(page, margin + 100, margin + 4100, margin + 4600).isEmpty());
    for (int y = margin + 900; y < page.height() - margin; ++y)
        ASSERT_LT(runsOnRow(page, y, margin + 2200, margin + 4000).size(), 40) << y;
}

TEST_F(PrintJobTest, CopiesOrderCancelAndNoSelection)
{
    defineEnvelope();
    destination.SetText(
        QStringLiteral("Alpha One\nCity 11111\n\nBravo Two\nCity 22222\n\nCharlie Three\nCity 33333"));
    TAddressPrintList list(&destination, &returnBox, &attention);
    list.Refresh(false);
    list.GetAddress(0).Selected = true;
    list.GetAddress(2).Selected = true;
    list.PrintEnvelopes(3, false, &returnAddress, &envelope(), QStringLiteral("Plikora Envelope"), 2, false,
                        GetPrintStatusForm());
    ASSERT_EQ(spooler->jobs.size(), 1);
    const QByteArray pdf = spooler->jobs.last().pdf;
    ASSERT_EQ(PdfInfo(pdf).pages, 6);
    const QStringList expected{QStringLiteral("Alpha"),   QStringLiteral("Alpha"),
                               QStringLiteral("Alpha"),   QStringLiteral("Charlie"),
                               QStringLiteral("Charlie"), QStringLiteral("Charlie")};
    for (int i = 0; i < 6; ++i) {
        const auto words = PdfWords(pdf, i + 1);
        EXPECT_TRUE(
            std::any_of(words.begin(), words.end(), [&](const PdfWord &w) { return w.text == expected[i]; }))
            << "page " << i + 1;
    }
    EXPECT_EQ(GetPrintStatusForm()->GroupBoxProgress->title(), QStringLiteral("Copy 3 of Envelope 3"));

    // Cancel during the first page: that page goes out, and no other.
    TFormPrintStatus *progress = GetPrintStatusForm();
    auto connection =
        QObject::connect(progress->ProgressBar, &QProgressBar::valueChanged, progress, [progress](int value) {
            if (value == 1)
                progress->Continue = false;
        });
    list.SelectAll(true);
    EXPECT_EQ(list.PrintEnvelopes(3, false, &returnAddress, &envelope(), QStringLiteral("Plikora Envelope"),
                                  2, false, GetPrintStatusForm()),
              TPrintOutcome::Cancelled);
    QObject::disconnect(connection);
    ASSERT_EQ(spooler->jobs.size(), 2);
    EXPECT_EQ(PdfInfo(spooler->jobs.last().pdf).pages, 1);
    EXPECT_FALSE(PrinterInstance()->Printing());

    // A file dialog of the printer comes before the progress window; calling it off prints nothing.
    bool progressShown = true;
    spooler->onStartDoc = [&] {
        progressShown = progress->isVisible();
        throw SpoolCancelled();
    };
    EXPECT_EQ(list.PrintEnvelopes(1, false, &returnAddress, &envelope(), QStringLiteral("Plikora Envelope"),
                                  2, false, GetPrintStatusForm()),
              TPrintOutcome::Cancelled);
    spooler->onStartDoc = nullptr;
    EXPECT_FALSE(progressShown);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(spooler->jobs.size(), 2);

    // Nothing selected: no job at all, and a word why.
    list.SelectAll(false);
    EXPECT_EQ(list.PrintEnvelopes(1, false, &returnAddress, &envelope(), QStringLiteral("Plikora Envelope"),
                                  2, false, GetPrintStatusForm()),
              TPrintOutcome::NothingSelected);
    EXPECT_EQ(spooler->jobs.size(), 2);
    ASSERT_FALSE(messages.shown.isEmpty());
    EXPECT_EQ(messages.shown.last().message,
              QStringLiteral("No address is selected, so nothing was printed."));
}

// What a job reports to whoever watches it, with no window: pages in order, a
// cancel taken after a page, and a failure that still finishes the progress.
TEST_F(PrintJobTest, ReportsProgressAndTakesCancel)
{
    struct Recorder : TPrintProgress
    {
        QStringList log;
        int cancelAfter = -1;
        int pages = 0;
        void Prepare() override { log << "prepare"; }
        void Started(int n) override { log << QStringLiteral("start %1").arg(n); }
        void AddressStarted(const QStringList &lines, const QString &printer) override
        {
            log << lines.first() + " on " + printer;
        }
        void CopyStarted(int copy, int envelope) override
        {
            log << QStringLiteral("copy %1/%2").arg(copy).arg(envelope);
        }
        void PageDone() override { ++pages; }
        bool Cancelled() const override { return pages == cancelAfter; }
        void Finished(bool normally) override { log << (normally ? "done" : "failed"); }
    } recorder;
    defineEnvelope();
    destination.SetText(QStringLiteral("Alpha One\nCity 11111\n\nBravo Two\nCity 22222"));
    TAddressPrintList list(&destination, &returnBox, &attention);
    list.Refresh(false);
    list.SelectAll(true);
    auto print = [&] {
        return list.PrintEnvelopes(2, false, &returnAddress, &envelope(), QStringLiteral("Plikora Envelope"),
                                   2, false, &recorder);
    };
    EXPECT_EQ(print(), TPrintOutcome::Printed);
    EXPECT_EQ(recorder.log,
              QStringList({"prepare", "start 4", "Alpha One on " + PrinterName, "copy 1/1", "copy 2/1",
                           "Bravo Two on " + PrinterName, "copy 1/2", "copy 2/2", "done"}));
    EXPECT_EQ(recorder.pages, 4);

    recorder = {};
    recorder.cancelAfter = 3;
    EXPECT_EQ(print(), TPrintOutcome::Cancelled);
    EXPECT_EQ(recorder.pages, 3);
    EXPECT_EQ(recorder.log.last(), "done");
    ASSERT_EQ(spooler->jobs.size(), 2);
    EXPECT_EQ(PdfInfo(spooler->jobs.last().pdf).pages, 3);

    recorder = {};
    spooler->failDeliver = true;
    EXPECT_ANY_THROW(print());
    EXPECT_EQ(recorder.log.last(), "failed");
}

TEST_F(PrintJobTest, TriFoldLetterMarksAndBorder)
{
    defineEnvelope(true);
    ASSERT_TRUE(envelope().IsTriFoldLetter());
    const QByteArray pdf = print(address, 2, 1, true, true);
    ASSERT_EQ(spooler->jobs.size(), 1);
    const QImage page = RenderPdfPage(pdf, 1, 600);
    ASSERT_FALSE(page.isNull());
    // Rows in printable pixels: fold marks 2088 and 4212, border 2100 and 4200.
    const int column = margin + 2000; // away from the texts
    auto darkAround = [&](int row) {
        int count = 0;
        // Dotted lines: any pixel over a few dot periods counts.
        for (int y = row - 4; y < row + 4; ++y) {
            bool any = false;
            for (int x = column; x < column + 48 && !any; ++x)
                any = dark(page, x, y);
            count += any ? 1 : 0;
        }
        return count;
    };
    for (int row : {2088, 2100, 4200, 4212})
        EXPECT_GE(darkAround(margin + row), 4) << row;
    EXPECT_EQ(darkAround(margin + 2150), 0);
    EXPECT_EQ(darkAround(margin + 2060), 0);
}

TEST_F(PrintJobTest, MissingEnvelopeOrReturnAddress)
{
    destination.SetText(address);
    TAddressPrintList list(&destination, &returnBox, &attention);
    list.Refresh(true);
    list.PrintEnvelopes(1, false, &returnAddress, nullptr, QStringLiteral("Plikora Envelope"), 0, false,
                        GetPrintStatusForm());
    list.PrintEnvelopes(1, false, nullptr, &envelope(), QStringLiteral("Plikora Envelope"), 0, false,
                        GetPrintStatusForm());
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].message,
              QStringLiteral("You must define and select an envelope in order to print."));
    EXPECT_EQ(messages.shown[0].helpContext, 20096);
    EXPECT_EQ(messages.shown[1].message,
              QStringLiteral("You must define and select a return address in order to print."));
    EXPECT_EQ(messages.shown[1].helpContext, 20073);
    EXPECT_TRUE(spooler->jobs.isEmpty());
    EXPECT_FALSE(GetPrintStatusForm()->isVisible());
}

// A GIF picture in the return address prints its first frame at the return
// corner, stretched to the picture's size in hundredths of an inch.
TEST_F(PrintJobTest, ReturnAddressGifPrintsItsFirstFrame)
{
    RegisterGIFFormat();
    defineEnvelope();
    returnAddress.SetGraphicFile(QStringLiteral(PLIKORA_TEST_DATA "/gif-test-suite/gifs/animated_loop.gif"));
    ASSERT_EQ(returnAddress.GraphicType(), gtGIF);
    returnAddress.SetGraphicWidth(100);
    returnAddress.SetGraphicHeight(100);
    const QByteArray pdf = print(address, 0);
    UnregisterGIFFormat();
    const QImage page = landscapePage(pdf);
    ASSERT_FALSE(page.isNull());
    // 100 x 100 pixels on one inch: a picture pixel is 6 device pixels. The
    // page is rendered in grey (0.3 R + 0.59 G + 0.11 B).
    auto grey = [&](int px, int py) { return qGray(page.pixel(margin + px * 6 + 3, margin + py * 6 + 3)); };
    auto lum = [](int r, int g, int b) { return int(0.3 * r + 0.59 * g + 0.11 * b + 0.5); };
    EXPECT_NEAR(grey(5, 5), lum(143, 188, 143), 4);
    EXPECT_NEAR(grey(50, 50), lum(152, 251, 152), 4);
    // Later frames paint (70, 70) khaki; the first frame leaves it pale green.
    EXPECT_NEAR(grey(70, 70), lum(152, 251, 152), 4);
    EXPECT_GT(grey(101, 50), 250); // white beyond the picture
    // The sender's name starts to the right of the picture.
    const auto words = landscapeWords(pdf);
    auto sender = std::find_if(words.begin(), words.end(),
                               [](const PdfWord &w) { return w.text == QLatin1String("Sender"); });
    ASSERT_NE(sender, words.end());
    EXPECT_GT(sender->xMin, (margin + 600) * 72.0 / 600);
}
