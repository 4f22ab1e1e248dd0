#include "platform/Spooler.h"

#include "platform/PwgTables.h"
#include "platform/Rounding.h"

#include <QTemporaryFile>

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <malloc.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int FallbackDpi = 300;
constexpr int HmmPerInch = 2540;

int Tenths(int hmm)
{
    return static_cast<int>(MulDivRoundHalfEven(hmm, 1, 10));
}

int Pixels(int hmm, int dpi)
{
    return static_cast<int>(MulDivRoundHalfEven(hmm, dpi, HmmPerInch));
}

void TakePaper(const SpoolerPaper &paper, DevMode &dm)
{
    dm.SetPaperSize(static_cast<int16_t>(paper.number));
    dm.SetPaperWidth(static_cast<int16_t>(std::clamp(Tenths(paper.width), 0, 32767)));
    dm.SetPaperLength(static_cast<int16_t>(std::clamp(Tenths(paper.length), 0, 32767)));
    dm.SetMediaKeyword(paper.keyword);
}

} // namespace

const SpoolerPaper *PrinterCaps::PaperByNumber(int number) const
{
    for (const auto &p : papers) {
        if (p.number == number)
            return &p;
    }
    return nullptr;
}

const SpoolerPaper *PrinterCaps::PaperByKeyword(const QString &keyword) const
{
    if (keyword.isEmpty())
        return nullptr;
    for (const auto &p : papers) {
        if (p.keyword == keyword)
            return &p;
    }
    return nullptr;
}

const SpoolerPaper *PrinterCaps::FindPaper(const DevMode &dm) const
{
    const int number = static_cast<uint16_t>(dm.PaperSize());
    // Private numbers differ between printers: the keyword names the medium,
    // unless it is left over from a standard one.
    if (number >= FirstPrivatePaperNumber) {
        const SpoolerPaper *p = PaperByKeyword(dm.MediaKeyword());
        if (p && p->number >= FirstPrivatePaperNumber)
            return p;
    }
    return PaperByNumber(number);
}

const SpoolerBin *PrinterCaps::FindBin(const DevMode &dm) const
{
    const int number = static_cast<uint16_t>(dm.DefaultSource());
    if (number >= FirstPrivateBinNumber) {
        for (const auto &b : bins) {
            if (!dm.SourceKeyword().isEmpty() && b.keyword == dm.SourceKeyword()
                && b.number >= FirstPrivateBinNumber)
                return &b;
        }
    }
    for (const auto &b : bins) {
        if (b.number == number)
            return &b;
    }
    return nullptr;
}

void NumberPapersAndBins(PrinterCaps &caps)
{
    // Two media of one printer may map to one number: a medium named as the
    // standard one takes it before one that only has its size; the others get
    // numbers of their own.
    QList<int> numbers(caps.papers.size(), 0);
    QList<int> used;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < caps.papers.size(); ++i) {
            const QString &keyword = caps.papers[i].keyword;
            const int n = PaperForPwgMedia(keyword);
            if (numbers[i] || n == 0 || used.contains(n) || (pass == 0 && PwgMediaForPaper(n) != keyword))
                continue;
            numbers[i] = n;
            used.append(n);
        }
    }
    int nextPaper = FirstPrivatePaperNumber;
    for (int i = 0; i < caps.papers.size(); ++i) {
        SpoolerPaper &p = caps.papers[i];
        p.number = numbers[i] ? numbers[i] : nextPaper++;
        if (p.name.isEmpty())
            p.name = PaperDisplayName(p.number, p.keyword);
    }
    QList<int> usedBins;
    int nextBin = FirstPrivateBinNumber;
    for (auto &b : caps.bins) {
        int n = BinForSource(b.keyword);
        if (n == 0 || usedBins.contains(n))
            n = nextBin++;
        usedBins.append(n);
        b.number = n;
        if (b.name.isEmpty())
            b.name = BinDisplayName(n, b.keyword);
    }
}

PageGeometry GeometryFor(const PrinterCaps &caps, const DevMode &dm)
{
    PageGeometry g;
    const SpoolerPaper *paper = nullptr;
    if (static_cast<uint16_t>(dm.PaperSize()) == DMPAPER_USER && dm.PaperWidth() > 0
        && dm.PaperLength() > 0) {
        g.sheetWidth = dm.PaperWidth() * 10;
        g.sheetLength = dm.PaperLength() * 10;
        // A user size takes the hardware margins of the printer's own default medium.
        if (caps.defaultPaper >= 0 && caps.defaultPaper < caps.papers.size())
            paper = &caps.papers[caps.defaultPaper];
        if (paper) {
            g.left = paper->left;
            g.bottom = paper->bottom;
            g.right = paper->right;
            g.top = paper->top;
        }
    } else {
        paper = caps.FindPaper(dm);
        if (!paper && caps.defaultPaper >= 0 && caps.defaultPaper < caps.papers.size())
            paper = &caps.papers[caps.defaultPaper];
        if (paper) {
            g.sheetWidth = paper->width;
            g.sheetLength = paper->length;
            g.left = paper->left;
            g.bottom = paper->bottom;
            g.right = paper->right;
            g.top = paper->top;
        } else {
            g.sheetWidth = 21590;
            g.sheetLength = 27940;
        }
    }
    g.landscape = dm.Orientation() == DMORIENT_LANDSCAPE;
    g.xDpi = dm.XDpi();
    g.yDpi = dm.YDpi();
    if (g.xDpi <= 0 || g.yDpi <= 0) {
        if (dm.PrintQuality() > 0) {
            g.xDpi = dm.PrintQuality();
            g.yDpi = dm.Has(DM_YRESOLUTION) && dm.YResolution() > 0 ? dm.YResolution() : g.xDpi;
        } else if (!caps.resolutions.isEmpty()) {
            const auto &r =
                caps.resolutions[std::clamp(caps.defaultResolution, 0, int(caps.resolutions.size()) - 1)];
            g.xDpi = r.x;
            g.yDpi = r.y;
        } else {
            g.xDpi = g.yDpi = FallbackDpi;
        }
    }
    g.xDpi = std::clamp(g.xDpi, 1, 9600);
    g.yDpi = std::clamp(g.yDpi, 1, 9600);
    return g;
}

int16_t DefaultOrientationFor(const PrinterCaps &caps, int paperNumber, const QString &media)
{
    if (caps.orientation == DMORIENT_PORTRAIT || caps.orientation == DMORIENT_LANDSCAPE)
        return static_cast<int16_t>(caps.orientation);
    QString keyword = media;
    if (keyword.isEmpty()) {
        if (const SpoolerPaper *paper = caps.PaperByNumber(paperNumber))
            keyword = paper->keyword;
    }
    const bool envelope = paperNumber == DMPAPER_USER || IsEnvelopePaper(paperNumber, keyword);
    return envelope ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}

DeviceValues DeviceValuesFor(const PageGeometry &g)
{
    DeviceValues v;
    int width = g.sheetWidth;
    int height = g.sheetLength;
    int offX = g.left;
    int offY = g.top;
    int farX = g.right;
    int farY = g.bottom;
    v.logPixelsX = g.xDpi;
    v.logPixelsY = g.yDpi;
    if (g.landscape) {
        // Turned a quarter to the left: the sheet's bottom edge becomes the left one.
        std::swap(width, height);
        offX = g.bottom;
        offY = g.left;
        farX = g.top;
        farY = g.right;
        std::swap(v.logPixelsX, v.logPixelsY);
    }
    v.physicalWidth = Pixels(width, v.logPixelsX);
    v.physicalHeight = Pixels(height, v.logPixelsY);
    v.physicalOffsetX = Pixels(offX, v.logPixelsX);
    v.physicalOffsetY = Pixels(offY, v.logPixelsY);
    v.horzRes = std::max(0, Pixels(width - offX - farX, v.logPixelsX));
    v.vertRes = std::max(0, Pixels(height - offY - farY, v.logPixelsY));
    return v;
}

void FillDefaultDevMode(const QString &printerName, const PrinterCaps &caps, DevMode &out)
{
    out = DevMode(printerName);
    uint32_t fields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE | DM_COPIES
                      | DM_PRINTQUALITY | DM_YRESOLUTION | DM_COLLATE;
    out.SetOrientation(DMORIENT_PORTRAIT);
    if (!caps.papers.isEmpty()) {
        const SpoolerPaper &paper =
            caps.papers[std::clamp(caps.defaultPaper, 0, int(caps.papers.size()) - 1)];
        TakePaper(paper, out);
        out.SetOrientation(DefaultOrientationFor(caps, paper.number, paper.keyword));
    }
    out.SetScale(100);
    out.SetCopies(1);
    if (!caps.bins.isEmpty()) {
        const auto &bin = caps.bins[std::clamp(caps.defaultBin, 0, int(caps.bins.size()) - 1)];
        out.SetDefaultSource(static_cast<int16_t>(bin.number));
        out.SetSourceKeyword(bin.keyword);
        fields |= DM_DEFAULTSOURCE;
    }
    SpoolerResolution r{FallbackDpi, FallbackDpi};
    if (!caps.resolutions.isEmpty())
        r = caps.resolutions[std::clamp(caps.defaultResolution, 0, int(caps.resolutions.size()) - 1)];
    out.SetPrintQuality(static_cast<int16_t>(r.x));
    out.SetYResolution(static_cast<int16_t>(r.y));
    out.SetXDpi(r.x);
    out.SetYDpi(r.y);
    if (caps.color) {
        fields |= DM_COLOR;
        out.SetColor(caps.defaultColor ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME);
    } else {
        out.SetColor(DMCOLOR_MONOCHROME);
    }
    if (caps.duplex)
        fields |= DM_DUPLEX;
    out.SetDuplex(DMDUP_SIMPLEX);
    out.SetFields(fields);
}

bool MergeDevModeWithCaps(const PrinterCaps &caps, const DevMode &in, DevMode &out)
{
    if (!in.IsValid() || !out.IsValid())
        return false;
    DevMode result = out;
    if (in.Has(DM_ORIENTATION)
        && (in.Orientation() == DMORIENT_PORTRAIT || in.Orientation() == DMORIENT_LANDSCAPE))
        result.SetOrientation(in.Orientation());
    if (in.Has(DM_PAPERSIZE)) {
        const int number = static_cast<uint16_t>(in.PaperSize());
        if (number == DMPAPER_USER) {
            if (in.Has(DM_PAPERWIDTH) && in.Has(DM_PAPERLENGTH) && in.PaperWidth() > 0
                && in.PaperLength() > 0) {
                result.SetPaperSize(DMPAPER_USER);
                result.SetPaperWidth(in.PaperWidth());
                result.SetPaperLength(in.PaperLength());
                result.SetMediaKeyword(QString());
            }
        } else if (const SpoolerPaper *paper = caps.FindPaper(in)) {
            TakePaper(*paper, result);
        }
        const bool newMedium =
            result.PaperSize() != out.PaperSize() || result.MediaKeyword() != out.MediaKeyword();
        if (newMedium && !in.Has(DM_ORIENTATION))
            result.SetOrientation(DefaultOrientationFor(caps, static_cast<uint16_t>(result.PaperSize()),
                                                        result.MediaKeyword()));
    }
    if (in.Has(DM_DEFAULTSOURCE)) {
        if (const SpoolerBin *bin = caps.FindBin(in)) {
            result.SetDefaultSource(static_cast<int16_t>(bin->number));
            result.SetSourceKeyword(bin->keyword);
        }
    }
    if (in.Has(DM_PRINTQUALITY)) {
        const int q = in.PrintQuality();
        if (q > 0) {
            const int y = in.Has(DM_YRESOLUTION) && in.YResolution() > 0 ? in.YResolution() : q;
            SpoolerResolution wanted{q, y};
            if (!caps.resolutions.contains(wanted) && caps.resolutions.contains(SpoolerResolution{q, q}))
                wanted = {q, q};
            if (caps.resolutions.contains(wanted)) {
                result.SetPrintQuality(static_cast<int16_t>(wanted.x));
                result.SetYResolution(static_cast<int16_t>(wanted.y));
                result.SetXDpi(wanted.x);
                result.SetYDpi(wanted.y);
            }
        } else if (q >= DMRES_HIGH && q <= DMRES_DRAFT) {
            // A quality level keeps the resolution the canvas works in.
            result.SetPrintQuality(static_cast<int16_t>(q));
        }
    }
    if (in.Has(DM_COLOR) && (in.Color() == DMCOLOR_MONOCHROME || (in.Color() == DMCOLOR_COLOR && caps.color)))
        result.SetColor(in.Color());
    if (in.Has(DM_DUPLEX)
        && (in.Duplex() == DMDUP_SIMPLEX
            || (caps.duplex && (in.Duplex() == DMDUP_VERTICAL || in.Duplex() == DMDUP_HORIZONTAL))))
        result.SetDuplex(in.Duplex());
    if (in.Has(DM_SCALE) && in.Scale() > 0)
        result.SetScale(in.Scale());
    if (in.Has(DM_COPIES) && in.Copies() > 0)
        result.SetCopies(in.Copies());
    if (in.Has(DM_COLLATE) && (in.Collate() == 0 || in.Collate() == 1))
        result.SetCollate(in.Collate());
    out = result;
    return true;
}

bool Spooler::DefaultDevMode(const QString &name, const PrinterCaps &caps, DevMode &out)
{
    FillDefaultDevMode(name, caps, out);
    return true;
}

bool Spooler::MergeDevMode(const QString &, const PrinterCaps &caps, const DevMode &in, DevMode &out)
{
    return MergeDevModeWithCaps(caps, in, out);
}

struct SpoolJob::Impl
{
    // Pages go to a temporary file as they are written, so a long job's
    // memory stays flat.
    QTemporaryFile file;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
};

namespace {

// The PDF writer takes and frees a large zeroed buffer for every page; with
// glibc's default trim threshold the heap is handed back to the system and
// faulted in again each time, which dominated the cost of a long job.
void KeepHeapBetweenPages()
{
    static const bool tuned = [] {
        mallopt(M_TRIM_THRESHOLD, 16 << 20);
        mallopt(M_TOP_PAD, 4 << 20);
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
        return true;
    }();
    (void)tuned;
}

} // namespace

SpoolJob::SpoolJob(const PageGeometry &geometry, const QString &title, Deliver deliver, Withdraw withdrawJob)
    : m_impl((KeepHeapBetweenPages(), std::make_unique<Impl>())), m_geometry(geometry),
      m_values(DeviceValuesFor(geometry)), m_title(title), m_deliver(std::move(deliver)),
      m_withdraw(std::move(withdrawJob))
{}

SpoolJob::~SpoolJob()
{
    if (m_impl->painter.isActive())
        m_impl->painter.end();
    if (!m_done)
        withdraw();
}

void SpoolJob::withdraw()
{
    if (Withdraw w = std::exchange(m_withdraw, nullptr))
        w();
}

QPainter *SpoolJob::Painter()
{
    return m_inPage ? &m_impl->painter : nullptr;
}

bool SpoolJob::StartPage()
{
    if (m_done || m_inPage)
        return false;
    const PageGeometry &g = m_geometry;
    const int resolution = std::max(g.xDpi, g.yDpi);
    if (m_pages == 0) {
        if (!m_impl->file.open()) {
            m_error = QStringLiteral("Cannot create a temporary file for the document: %1")
                          .arg(m_impl->file.errorString());
            return false;
        }
        m_impl->writer = std::make_unique<QPdfWriter>(&m_impl->file);
        m_impl->writer->setTitle(m_title);
        m_impl->writer->setCreator(QStringLiteral("Plikora"));
        m_impl->writer->setResolution(resolution);
        QSize points(static_cast<int>(MulDivRoundHalfEven(g.sheetWidth, 72, HmmPerInch)),
                     static_cast<int>(MulDivRoundHalfEven(g.sheetLength, 72, HmmPerInch)));
        if (g.landscape && g.landscapeSheet)
            points.transpose();
        QPageLayout layout(QPageSize(points, QString(), QPageSize::ExactMatch), QPageLayout::Portrait,
                           QMarginsF());
        if (!m_impl->writer->setPageLayout(layout) || !m_impl->painter.begin(m_impl->writer.get())) {
            m_error = QStringLiteral("The page cannot be set up.");
            return false;
        }
    } else if (!m_impl->writer->newPage()) {
        m_error = QStringLiteral("A new page cannot be started.");
        return false;
    }
    QPainter &p = m_impl->painter;
    p.resetTransform();
    p.setClipping(false);
    const double unit = resolution / double(HmmPerInch);
    if (g.landscape) {
        if (!g.landscapeSheet) {
            p.translate(0, g.sheetLength * unit);
            p.rotate(-90);
        }
        p.translate(g.bottom * unit, g.left * unit);
        p.scale(resolution / double(g.yDpi), resolution / double(g.xDpi));
    } else {
        p.translate(g.left * unit, g.top * unit);
        p.scale(resolution / double(g.xDpi), resolution / double(g.yDpi));
    }
    // As on a real device, nothing lands outside the printable area.
    p.setClipRect(QRect(0, 0, m_values.horzRes, m_values.vertRes));
    ++m_pages;
    m_inPage = true;
    return true;
}

bool SpoolJob::EndPage()
{
    if (!m_inPage)
        return false;
    m_inPage = false;
    return true;
}

bool SpoolJob::EndDoc()
{
    if (m_done)
        return false;
    m_inPage = false;
    m_done = true;
    if (m_impl->painter.isActive())
        m_impl->painter.end();
    if (m_pages == 0) {
        withdraw();
        return true;
    }
    m_impl->writer.reset();
    if (!m_deliver)
        return true;
    if (!m_impl->file.flush() || !m_impl->file.seek(0)) {
        m_error = QStringLiteral("Cannot read the document back: %1").arg(m_impl->file.errorString());
        return false;
    }
    return m_deliver(m_impl->file, m_pages, m_error);
}

void SpoolJob::Abort()
{
    m_inPage = false;
    if (m_impl->painter.isActive())
        m_impl->painter.end();
    if (!m_done)
        withdraw();
    m_done = true;
}
