#pragma once

#include "platform/DevMode.h"
#include "platform/Exception.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

class QIODevice;
class QPainter;

// One medium a printer offers. Sizes and margins are in hundredths of a
// millimetre for the portrait sheet, as the print system reports them.
struct SpoolerPaper
{
    int number = 0;  // device-mode paper number
    QString keyword; // PWG media name
    QString choice;  // the driver's PageSize keyword, for a queue with a printer description
    QString name;    // display name
    int width = 0;   // short side
    int length = 0;  // long side
    int left = 0;
    int bottom = 0;
    int right = 0;
    int top = 0;
};

struct SpoolerBin
{
    SpoolerBin(int number = 0, QString keyword = {}, QString name = {}, QString choice = {})
        : number(number), keyword(std::move(keyword)), name(std::move(name)), choice(std::move(choice))
    {}

    int number = 0;  // device-mode bin number
    QString keyword; // media-source keyword
    QString name;
    QString choice; // the driver's InputSlot keyword, for a queue with a printer description
};

struct SpoolerResolution
{
    int x = 0;
    int y = 0;
    bool operator==(const SpoolerResolution &) const = default;
};

// The driver's own option keywords of a queue that has a printer description
// (PPD): such a queue takes these, not the IPP attributes, from a job.
struct DriverChoices
{
    bool present = false;
    QStringList resolutions; // "Resolution", one per PrinterCaps::resolutions entry (may be empty)
    QString color;           // "ColorModel" choices; empty without that option
    QString gray;
    QString simplex; // "Duplex" choices; empty without that option
    QString longEdge;
    QString shortEdge;
    bool customSize = false; // "PageSize=Custom.WxH" is accepted
};

// What a printer can do, and its own defaults.
struct PrinterCaps
{
    QList<SpoolerPaper> papers;
    QList<SpoolerBin> bins;
    QList<SpoolerResolution> resolutions;
    QList<int> qualities; // negative quality codes offered besides resolutions
    bool color = false;
    bool duplex = false;
    int defaultPaper = 0; // indexes into the lists
    int defaultBin = 0;
    int defaultResolution = 0;
    bool defaultColor = false;
    // The orientation the printer states for every medium (DMORIENT_*); 0 when
    // it states none: envelopes and user sizes are then landscape, as envelope
    // drivers have them, and sheets portrait.
    int orientation = 0;
    DriverChoices driver;

    const SpoolerPaper *FindPaper(const DevMode &dm) const;
    const SpoolerPaper *PaperByNumber(int number) const;
    const SpoolerPaper *PaperByKeyword(const QString &keyword) const;
    const SpoolerBin *FindBin(const DevMode &dm) const;
};

// Gives papers and bins that no table knows numbers from 257 up, in list order.
void NumberPapersAndBins(PrinterCaps &caps);

// The device values a canvas on this printer reports, in device pixels.
struct DeviceValues
{
    int logPixelsX = 0;
    int logPixelsY = 0;
    int physicalWidth = 0;
    int physicalHeight = 0;
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int horzRes = 0;
    int vertRes = 0;
    bool canBitBlt = true;
    bool canStretchBlt = true;
};

// Where a job's pages go on the portrait sheet: all in hundredths of a millimetre.
struct PageGeometry
{
    int sheetWidth = 0;  // portrait
    int sheetLength = 0; // portrait
    int left = 0;        // margins of the portrait sheet
    int bottom = 0;
    int right = 0;
    int top = 0;
    bool landscape = false;
    // A landscape page goes on a landscape sheet (a file to be looked at)
    // rather than turned onto the portrait sheet as a printer is fed.
    bool landscapeSheet = false;
    int xDpi = 0; // along the portrait sheet's width
    int yDpi = 0;
};

PageGeometry GeometryFor(const PrinterCaps &caps, const DevMode &dm);

// The orientation a printer gives a medium until told otherwise.
int16_t DefaultOrientationFor(const PrinterCaps &caps, int paperNumber, const QString &media = QString());
DeviceValues DeviceValuesFor(const PageGeometry &geometry);

// Device-mode work that every back end shares: the printer's defaults (the
// driver's "output buffer only" call) and the merge of a given record into the
// current one (validation: what the printer cannot do keeps the current value;
// a new medium without an orientation of its own takes its default one).
void FillDefaultDevMode(const QString &printerName, const PrinterCaps &caps, DevMode &out);
bool MergeDevModeWithCaps(const PrinterCaps &caps, const DevMode &in, DevMode &out);

// A print job: pages are drawn with QPainter in device pixels of the canvas,
// origin at the printable corner. The PDF is handed to the back end at the end.
class SpoolJob
{
public:
    // Hands the finished PDF over; returns false and sets the error text on failure.
    // The PDF is read from `pdf`, positioned at its start; it is not held in memory.
    using Deliver = std::function<bool(QIODevice &pdf, int pages, QString &error)>;
    // Withdraws what the back end holds for a job that sends nothing (aborted,
    // without pages, or dropped unfinished).
    using Withdraw = std::function<void()>;

    SpoolJob(const PageGeometry &geometry, const QString &title, Deliver deliver, Withdraw withdraw = {});
    ~SpoolJob();
    SpoolJob(const SpoolJob &) = delete;
    SpoolJob &operator=(const SpoolJob &) = delete;

    bool StartPage();
    bool EndPage();
    // Ends the document: a job without pages sends nothing.
    bool EndDoc();
    // Ends the job without sending it.
    void Abort();

    QPainter *Painter();
    const DeviceValues &Values() const { return m_values; }
    int PageCount() const { return m_pages; }
    bool InPage() const { return m_inPage; }
    const QString &ErrorText() const { return m_error; }

private:
    void withdraw();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    PageGeometry m_geometry;
    DeviceValues m_values;
    QString m_title;
    Deliver m_deliver;
    Withdraw m_withdraw;
    int m_pages = 0;
    bool m_inPage = false;
    bool m_done = false;
    QString m_error;
};

// Raised by StartDoc when the person called the job off (no file chosen for
// a printer that writes to a file).
class SpoolCancelled : public Exception
{
public:
    SpoolCancelled() : Exception(QStringLiteral("Printing was cancelled.")) {}
};

// The print system as the printer object sees it.
class Spooler
{
public:
    virtual ~Spooler() = default;

    virtual QStringList PrinterNames() = 0;
    // Whether the last PrinterNames found the print service not running (the
    // list then holds none of its printers).
    virtual bool ServiceDown() const { return false; }
    // Empty when there is no default printer.
    virtual QString DefaultPrinterName() = 0;
    // Reads a printer's capabilities; false when it cannot be opened.
    virtual bool OpenPrinter(const QString &name, PrinterCaps &caps) = 0;
    virtual bool DefaultDevMode(const QString &name, const PrinterCaps &caps, DevMode &out);
    virtual bool MergeDevMode(const QString &name, const PrinterCaps &caps, const DevMode &in, DevMode &out);
    // Starts a document; nullptr and an error text when it cannot. May raise
    // SpoolCancelled.
    virtual std::unique_ptr<SpoolJob> StartDoc(const QString &name, const PrinterCaps &caps,
                                               const DevMode &dm, const QString &title, QString &error) = 0;
};

// The program's print system: the CUPS printers followed by the built-in
// "Print to PDF" printer, which is the default when CUPS offers none.
// askPdfFile names the built-in printer's output file (a file dialog when empty).
std::unique_ptr<Spooler> CreateSystemSpooler(std::function<QString(const QString &title)> askPdfFile = {});
