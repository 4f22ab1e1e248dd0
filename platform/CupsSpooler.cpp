#include "platform/CupsSpooler.h"

#include "platform/CupsPpd.h"
#include "platform/PwgTables.h"

#include <QIODevice>
#include <QSet>

#include <cups/cups.h>

#include <cstdlib>

namespace {

struct DestDeleter
{
    void operator()(cups_dest_t *d) const { cupsFreeDests(1, d); }
};
struct InfoDeleter
{
    void operator()(cups_dinfo_t *i) const { cupsFreeDestInfo(i); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestDeleter>;
using InfoPtr = std::unique_ptr<cups_dinfo_t, InfoDeleter>;

// "queue/instance" names an instance of a queue.
DestPtr NamedDest(http_t *http, const QString &name)
{
    const int slash = name.indexOf(QLatin1Char('/'));
    const QByteArray queue = (slash < 0 ? name : name.left(slash)).toUtf8();
    const QByteArray instance = slash < 0 ? QByteArray() : name.mid(slash + 1).toUtf8();
    if (queue.isEmpty())
        return {};
    return DestPtr(
        cupsGetNamedDest(http, queue.constData(), instance.isEmpty() ? nullptr : instance.constData()));
}

QString DestName(const cups_dest_t *d)
{
    QString name = QString::fromUtf8(d->name);
    if (d->instance && *d->instance)
        name += QLatin1Char('/') + QString::fromUtf8(d->instance);
    return name;
}

QString LastError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

QStringList Strings(ipp_attribute_t *attr)
{
    QStringList list;
    if (!attr)
        return list;
    for (int i = 0; i < ippGetCount(attr); ++i) {
        if (const char *s = ippGetString(attr, i, nullptr))
            list.append(QString::fromUtf8(s));
    }
    return list;
}

QString DefaultString(http_t *http, cups_dest_t *dest, cups_dinfo_t *info, const char *option)
{
    ipp_attribute_t *attr = cupsFindDestDefault(http, dest, info, option);
    const char *s = attr ? ippGetString(attr, 0, nullptr) : nullptr;
    return s ? QString::fromUtf8(s) : QString();
}

SpoolerResolution ResolutionAt(ipp_attribute_t *attr, int i)
{
    int y = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    int x = ippGetResolution(attr, i, &y, &units);
    if (units == IPP_RES_PER_CM) {
        x = (x * 254 + 50) / 100;
        y = (y * 254 + 50) / 100;
    }
    return {x, y};
}

// Orientation codes of IPP's orientation-requested.
int OrientationFromIpp(int value)
{
    switch (value) {
    case IPP_ORIENT_PORTRAIT:
    case IPP_ORIENT_REVERSE_PORTRAIT: return DMORIENT_PORTRAIT;
    case IPP_ORIENT_LANDSCAPE:
    case IPP_ORIENT_REVERSE_LANDSCAPE: return DMORIENT_LANDSCAPE;
    default: return 0;
    }
}

QString ResolutionText(int x, int y)
{
    return x == y ? QStringLiteral("%1dpi").arg(x) : QStringLiteral("%1x%2dpi").arg(x).arg(y);
}

} // namespace

QStringList CupsSpooler::PrinterNames()
{
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    m_serviceDown = count == 0 && cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(DestName(&dests[i]));
    cupsFreeDests(count, dests);
    return names;
}

QString CupsSpooler::DefaultPrinterName()
{
    DestPtr dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr));
    return dest ? DestName(dest.get()) : QString();
}

bool CupsSpooler::OpenPrinter(const QString &name, PrinterCaps &caps)
{
    // A printer that cannot be opened because the scheduler is gone is not the printer's fault.
    const auto failed = [this] {
        http_t *probe =
            httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
        m_serviceDown = !probe;
        httpClose(probe);
        return false;
    };
    DestPtr dest = NamedDest(CUPS_HTTP_DEFAULT, name);
    if (!dest)
        return failed();
    InfoPtr info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
    if (!info)
        return failed();
    m_serviceDown = false;
    http_t *http = CUPS_HTTP_DEFAULT;
    caps = PrinterCaps();

    // Names come only over a connection of one's own (the default one gives none).
    std::unique_ptr<http_t, decltype(&httpClose)> names(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr),
        &httpClose);
    const int mediaCount = cupsGetDestMediaCount(http, dest.get(), info.get(), CUPS_MEDIA_FLAGS_DEFAULT);
    QSet<QString> listed;
    for (int i = 0; i < mediaCount; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(http, dest.get(), info.get(), i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
            continue;
        SpoolerPaper paper;
        paper.keyword = QString::fromUtf8(size.media);
        // A borderless variant is the same medium, listed once.
        if (paper.keyword.endsWith(QLatin1String("_borderless")))
            paper.keyword.chop(11);
        if (paper.keyword.startsWith(QLatin1String("custom_")) || size.width <= 0 || size.length <= 0
            || listed.contains(paper.keyword))
            continue;
        listed.insert(paper.keyword);
        // Named as the medium, not as its borderless variant.
        cups_size_t named = size;
        if (named.left == 0 && named.right == 0 && named.top == 0 && named.bottom == 0)
            named.left = named.right = named.top = named.bottom = 1;
        const char *name = names ? cupsLocalizeDestMedia(names.get(), dest.get(), info.get(),
                                                         CUPS_MEDIA_FLAGS_DEFAULT, &named)
                                 : nullptr;
        if (name)
            paper.name = QString::fromUtf8(name);
        paper.width = size.width;
        paper.length = size.length;
        paper.left = size.left;
        paper.bottom = size.bottom;
        paper.right = size.right;
        paper.top = size.top;
        caps.papers.append(paper);
    }
    cups_size_t defaultSize{};
    if (cupsGetDestMediaDefault(http, dest.get(), info.get(), CUPS_MEDIA_FLAGS_DEFAULT, &defaultSize)) {
        QString keyword = QString::fromUtf8(defaultSize.media);
        if (keyword.endsWith(QLatin1String("_borderless")))
            keyword.chop(11);
        for (int i = 0; i < caps.papers.size(); ++i) {
            if (caps.papers[i].keyword == keyword)
                caps.defaultPaper = i;
        }
    }

    const QStringList sources =
        Strings(cupsFindDestSupported(http, dest.get(), info.get(), CUPS_MEDIA_SOURCE));
    for (const QString &s : sources)
        caps.bins.append(SpoolerBin{0, s, QString()});
    const int defaultSource = sources.indexOf(DefaultString(http, dest.get(), info.get(), CUPS_MEDIA_SOURCE));
    caps.defaultBin = std::max(0, defaultSource);

    if (ipp_attribute_t *res = cupsFindDestSupported(http, dest.get(), info.get(), "printer-resolution")) {
        for (int i = 0; i < ippGetCount(res); ++i) {
            const SpoolerResolution r = ResolutionAt(res, i);
            if (r.x > 0 && r.y > 0 && !caps.resolutions.contains(r))
                caps.resolutions.append(r);
        }
    }
    if (ipp_attribute_t *def = cupsFindDestDefault(http, dest.get(), info.get(), "printer-resolution")) {
        if (ippGetValueTag(def) == IPP_TAG_RESOLUTION)
            caps.defaultResolution = std::max(0, int(caps.resolutions.indexOf(ResolutionAt(def, 0))));
    }

    if (ipp_attribute_t *q = cupsFindDestSupported(http, dest.get(), info.get(), CUPS_PRINT_QUALITY)) {
        for (int i = 0; i < ippGetCount(q); ++i) {
            switch (ippGetInteger(q, i)) {
            case IPP_QUALITY_DRAFT: caps.qualities.append(DMRES_DRAFT); break;
            case IPP_QUALITY_NORMAL: caps.qualities.append(DMRES_MEDIUM); break;
            case IPP_QUALITY_HIGH: caps.qualities.append(DMRES_HIGH); break;
            default: break;
            }
        }
    }
    caps.color = Strings(cupsFindDestSupported(http, dest.get(), info.get(), CUPS_PRINT_COLOR_MODE))
                     .contains(QStringLiteral("color"));
    caps.defaultColor =
        caps.color
        && DefaultString(http, dest.get(), info.get(), CUPS_PRINT_COLOR_MODE) != QLatin1String("monochrome");
    caps.duplex = Strings(cupsFindDestSupported(http, dest.get(), info.get(), CUPS_SIDES))
                      .contains(QStringLiteral(CUPS_SIDES_TWO_SIDED_PORTRAIT));
    // An orientation the queue (or the user's lpoptions) states; most state none.
    if (const char *stated = cupsGetOption(CUPS_ORIENTATION, dest->num_options, dest->options)) {
        caps.orientation = OrientationFromIpp(std::atoi(stated));
    } else if (ipp_attribute_t *o = cupsFindDestDefault(http, dest.get(), info.get(), CUPS_ORIENTATION)) {
        if (ippGetValueTag(o) == IPP_TAG_ENUM)
            caps.orientation = OrientationFromIpp(ippGetInteger(o, 0));
    }
    // A queue with a driver's description takes the driver's own lists.
    ReadPrinterDescription(*dest, caps);
    NumberPapersAndBins(caps);
    return true;
}

QList<QPair<QByteArray, QByteArray>> CupsSpooler::JobOptions(const PrinterCaps &caps, const DevMode &dm)
{
    QList<QPair<QByteArray, QByteArray>> options;
    const PageGeometry g = GeometryFor(caps, dm);
    // A queue with a driver's description reads the driver's keywords; the
    // IPP attributes would pass its filters by.
    const DriverChoices &driver = caps.driver;
    const SpoolerPaper *paper = nullptr;
    if (static_cast<uint16_t>(dm.PaperSize()) != DMPAPER_USER) {
        paper = caps.FindPaper(dm);
    } else {
        // A user size that one of the printer's media matches goes by its name.
        for (const auto &p : caps.papers) {
            if (std::abs(p.width - g.sheetWidth) <= 100 && std::abs(p.length - g.sheetLength) <= 100) {
                paper = &p;
                break;
            }
        }
    }
    const QString width = QString::number(g.sheetWidth / 100.0, 'f', 2);
    const QString length = QString::number(g.sheetLength / 100.0, 'f', 2);
    if (driver.present && paper && !paper->choice.isEmpty())
        options.append({"PageSize", paper->choice.toUtf8()});
    else if (driver.present && !paper && driver.customSize)
        options.append({"PageSize", QStringLiteral("Custom.%1x%2mm").arg(width, length).toUtf8()});
    else if (paper)
        options.append({CUPS_MEDIA, paper->keyword.toUtf8()});
    else
        options.append({CUPS_MEDIA, QStringLiteral("custom_%1x%2mm").arg(width, length).toUtf8()});

    if (const SpoolerBin *bin = caps.FindBin(dm)) {
        if (!driver.present)
            options.append({CUPS_MEDIA_SOURCE, bin->keyword.toUtf8()});
        else if (!bin->choice.isEmpty())
            options.append({"InputSlot", bin->choice.toUtf8()});
    }
    const int resolution = int(caps.resolutions.indexOf(SpoolerResolution{g.xDpi, g.yDpi}));
    if (resolution >= 0 && !driver.resolutions.value(resolution).isEmpty())
        options.append({"Resolution", driver.resolutions[resolution].toUtf8()});
    else if (!driver.present)
        options.append({"printer-resolution", ResolutionText(g.xDpi, g.yDpi).toUtf8()});
    if (dm.PrintQuality() < 0 && caps.qualities.contains(dm.PrintQuality()))
        options.append({CUPS_PRINT_QUALITY, QByteArray::number(IppQualityForCode(dm.PrintQuality()))});
    // Landscape pages are already turned on the portrait sheet.
    options.append({QByteArray(CUPS_ORIENTATION), QByteArray(CUPS_ORIENTATION_PORTRAIT)});
    if (caps.color) {
        const bool color = dm.Color() == DMCOLOR_COLOR;
        if (!driver.color.isEmpty())
            options.append({"ColorModel", (color ? driver.color : driver.gray).toUtf8()});
        else
            options.append({QByteArray(CUPS_PRINT_COLOR_MODE), QByteArray(color ? "color" : "monochrome")});
    }
    if (caps.duplex) {
        if (!driver.simplex.isEmpty()) {
            const QString &choice = dm.Duplex() == DMDUP_VERTICAL     ? driver.longEdge
                                    : dm.Duplex() == DMDUP_HORIZONTAL ? driver.shortEdge
                                                                      : driver.simplex;
            options.append({"Duplex", choice.toUtf8()});
        } else {
            const char *sides = CUPS_SIDES_ONE_SIDED;
            if (dm.Duplex() == DMDUP_VERTICAL)
                sides = CUPS_SIDES_TWO_SIDED_PORTRAIT;
            else if (dm.Duplex() == DMDUP_HORIZONTAL)
                sides = CUPS_SIDES_TWO_SIDED_LANDSCAPE;
            options.append({QByteArray(CUPS_SIDES), QByteArray(sides)});
        }
    }
    return options;
}

namespace {

// The job exists at the scheduler from the start of the document, as a
// spooler's does, so that calling it off withdraws it there.
int CreateJob(const QString &name, const QList<QPair<QByteArray, QByteArray>> &jobOptions,
              const QString &title, QString &error)
{
    DestPtr dest = NamedDest(CUPS_HTTP_DEFAULT, name);
    if (!dest) {
        error = QStringLiteral("The printer \"%1\" is not available: %2").arg(name, LastError());
        return 0;
    }
    // The scheduler's own connection: it serves local and temporary queues alike.
    http_t *http = CUPS_HTTP_DEFAULT;
    InfoPtr info(cupsCopyDestInfo(http, dest.get()));
    if (!info) {
        error = QStringLiteral("Cannot read the printer \"%1\": %2").arg(name, LastError());
        return 0;
    }
    int numOptions = 0;
    cups_option_t *options = nullptr;
    for (const auto &o : jobOptions)
        numOptions = cupsAddOption(o.first.constData(), o.second.constData(), numOptions, &options);
    int jobId = 0;
    const ipp_status_t created = cupsCreateDestJob(http, dest.get(), info.get(), &jobId,
                                                   title.toUtf8().constData(), numOptions, options);
    cupsFreeOptions(numOptions, options);
    if (created > IPP_STATUS_OK_EVENTS_COMPLETE || jobId <= 0) {
        error = QStringLiteral("The printer \"%1\" refused the job: %2").arg(name, LastError());
        return 0;
    }
    return jobId;
}

void CancelJob(const QString &name, int jobId)
{
    if (DestPtr dest = NamedDest(CUPS_HTTP_DEFAULT, name))
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest.get(), jobId);
}

bool SendDocument(const QString &name, int jobId, const QString &title, QIODevice &pdf, QString &error)
{
    auto fail = [&](const QString &what) {
        error = QStringLiteral("%1 \"%2\": %3").arg(what, name, LastError());
        CancelJob(name, jobId);
        return false;
    };
    DestPtr dest = NamedDest(CUPS_HTTP_DEFAULT, name);
    if (!dest) {
        error = QStringLiteral("The printer \"%1\" is not available: %2").arg(name, LastError());
        return false;
    }
    http_t *http = CUPS_HTTP_DEFAULT;
    InfoPtr info(cupsCopyDestInfo(http, dest.get()));
    if (!info)
        return fail(QStringLiteral("Cannot read the printer"));
    if (cupsStartDestDocument(http, dest.get(), info.get(), jobId, title.toUtf8().constData(),
                              CUPS_FORMAT_PDF, 0, nullptr, 1)
        != HTTP_STATUS_CONTINUE)
        return fail(QStringLiteral("Cannot send the document to the printer"));
    QByteArray chunk;
    while (!pdf.atEnd()) {
        chunk = pdf.read(65536);
        if (chunk.isEmpty()
            || cupsWriteRequestData(http, chunk.constData(), static_cast<size_t>(chunk.size()))
                   != HTTP_STATUS_CONTINUE) {
            cupsFinishDestDocument(http, dest.get(), info.get());
            return fail(QStringLiteral("Cannot send the document to the printer"));
        }
    }
    if (cupsFinishDestDocument(http, dest.get(), info.get()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return fail(QStringLiteral("The printer did not accept the document"));
    return true;
}

} // namespace

std::unique_ptr<SpoolJob> CupsSpooler::StartDoc(const QString &name, const PrinterCaps &caps,
                                                const DevMode &dm, const QString &title, QString &error)
{
    const int jobId = CreateJob(name, JobOptions(caps, dm), title, error);
    if (jobId <= 0)
        return nullptr;
    return std::make_unique<SpoolJob>(
        GeometryFor(caps, dm), title,
        [name, jobId, title](QIODevice &pdf, int, QString &err) {
            return SendDocument(name, jobId, title, pdf, err);
        },
        [name, jobId] { CancelJob(name, jobId); });
}
