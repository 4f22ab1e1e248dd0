#pragma once

#include "platform/DevMode.h"
#include "platform/Exception.h"
#include "platform/Spooler.h"

#include <QFont>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QPainter;
class TIniFile;
class TZambIniFile;

class EPrinter : public Exception
{
public:
    using Exception::Exception;
};

// One installed printer. Driver and Port stay empty for printers found by enumeration.
struct TPrinterDevice
{
    QString Driver;
    QString Device;
    QString Port;
};

// Indexes of the device values a printer canvas reports.
enum TDeviceCapIndex : int {
    HORZRES = 8,
    VERTRES = 10,
    RASTERCAPS = 38,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
    PHYSICALWIDTH = 110,
    PHYSICALHEIGHT = 111,
    PHYSICALOFFSETX = 112,
    PHYSICALOFFSETY = 113,
};
enum : int { RC_BITBLT = 0x0001, RC_STRETCHBLT = 0x0800 };

class TPrinter;

// The canvas of the printer: a QPainter on the job's current page in device
// pixels, origin at the printable corner. Drawing needs an open job.
class TPrinterCanvas
{
public:
    explicit TPrinterCanvas(TPrinter &printer) : m_printer(printer) {}

    // The page's painter; raises "Printer is not currently printing" without a job.
    QPainter &Painter();
    // The font keeps its point size on the device: its pixel size follows LOGPIXELSY.
    const QFont &Font() const { return m_font; }
    void SetFont(const QFont &font);
    int GetDeviceCaps(int index) const;

private:
    friend class TPrinter;
    void Refresh(QPainter *painter);

    TPrinter &m_printer;
    QFont m_font;
};

enum class TPrinterCapability { pcCopies = 1, pcOrientation = 2, pcCollation = 4 };
enum class TPrinterState { psNoHandle, psHandleIC, psHandleDC };

// The general printer: the list of printers, the chosen one with its device
// mode, and the document and page calls of a job.
class TPrinter
{
public:
    explicit TPrinter(Spooler &spooler);
    virtual ~TPrinter();
    TPrinter(const TPrinter &) = delete;
    TPrinter &operator=(const TPrinter &) = delete;

    // The printer list, built on first use ("name" entries; "name on port" when a port is known).
    const QStringList &Printers();
    // Whether the print service was not running when the list was built.
    bool PrintServiceDown();
    const TPrinterDevice &PrinterDevice(int index);
    // Reading the index while it is -1 first selects the default printer.
    int PrinterIndex();
    virtual void SetPrinterIndex(int Value);
    void SetPrinter(const QString &Device, const QString &Driver, const QString &Port,
                    std::optional<DevMode> DeviceMode = std::nullopt);
    void SetToDefaultPrinter();

    // Raises SpoolCancelled when the person calls the job off (the file dialog
    // of a printer that writes to a file).
    void BeginDoc();
    void NewPage();
    void EndDoc();
    // Ends the job without sending it.
    void Abort();

    TPrinterCanvas &Canvas() { return m_canvas; }
    // HORZRES and VERTRES of the printer's information context.
    int GetPageWidth();
    int GetPageHeight();
    int GetDeviceCaps(int index);

    QString Title() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }
    bool Printing() const { return m_printing; }
    bool Aborted() const { return m_aborted; }
    int PageNumber() const { return m_pageNumber; }
    unsigned Capabilities() const { return m_capabilities; }
    TPrinterState State() const { return m_state; }
    // The size of the held device mode; 0 when none is held.
    int DevModeSize() const { return m_devMode ? DevMode::TotalSize : 0; }
    bool PrinterOpen() const { return m_printerOpen; }

protected:
    virtual void SetPrinterCapabilities(uint32_t Value);
    void CheckPrinting(bool Value);
    void SetState(TPrinterState Value);
    const DeviceValues &InfoValues();
    QString CurrentDevice();

    Spooler &m_spooler;
    PrinterCaps m_caps;
    std::optional<DevMode> m_devMode;
    std::unique_ptr<SpoolJob> m_job;

private:
    friend class TPrinterCanvas;
    QPainter &PagePainter();
    void EnsurePage();
    void ResetJob();

    TPrinterCanvas m_canvas;
    int m_pageNumber = 0;
    QStringList m_printerNames;
    QList<TPrinterDevice> m_devices;
    bool m_listBuilt = false;
    bool m_serviceDown = false;
    int m_printerIndex = -1;
    QString m_title;
    bool m_printing = false;
    bool m_aborted = false;
    bool m_pagePending = false;
    unsigned m_capabilities = 0;
    TPrinterState m_state = TPrinterState::psNoHandle;
    DeviceValues m_info;
    bool m_printerOpen = false;
};

// What envelope definitions use of the printer object, so that they can be
// tested on a stand-in.
class TEnvelopePrinter
{
public:
    virtual ~TEnvelopePrinter() = default;
    virtual const QStringList &Printers() = 0;
    virtual bool PrintServiceDown() { return false; }
    virtual int PrinterIndex() = 0;
    virtual void SetPrinterIndex(int Value) = 0;
    virtual QString GetPrinterName() = 0;
    virtual void LoadSetupBlock(const QString &Section) = 0;
    // The block from another store (the printer-model defaults file).
    virtual void LoadSetupBlock(const TZambIniFile &Ini, const QString &Section) = 0;
    virtual void SaveSetupBlock(const QString &Section) = 0;
    virtual void LoadPrinterSetup(const TIniFile &Store, const QString &Section, const QString &Prefix) = 0;
    virtual bool EditDocumentProperties() = 0;
    virtual void SelectEnvelope10() = 0;
    virtual void SelectLetter() = 0;
    virtual int GetOrientation() = 0;
    virtual int GetPaperSize() = 0;
    virtual int GetDevModePaperLength() = 0;
    virtual int GetDevModePaperWidth() = 0;
    virtual int GetDefaultSource() = 0;
    virtual int GetPrintQuality() = 0;
    virtual int GetColor() = 0;
    virtual int GetPaperWidth() = 0;
    virtual int GetPaperHeight() = 0;
    virtual bool CustomSize() const = 0;
    virtual void SetCustomSize(bool Value) = 0;
    virtual int CustomWidth() const = 0;
    virtual void SetCustomWidth(int Value) = 0;
    virtual int CustomHeight() const = 0;
    virtual void SetCustomHeight(int Value) = 0;
};

// The program's printer: capability cache, paper and bin tables, custom paper
// size and device-mode access.
class TZambPrinter : public TPrinter, public TEnvelopePrinter
{
public:
    // Shows the printer setup dialog on a copy of the device mode; true on OK.
    using SetupDialog = std::function<bool(const QString &printer, const PrinterCaps &caps, DevMode &devMode)>;

    explicit TZambPrinter(Spooler &spooler);

    const QStringList &Printers() override { return TPrinter::Printers(); }
    bool PrintServiceDown() override { return TPrinter::PrintServiceDown(); }
    int PrinterIndex() override { return TPrinter::PrinterIndex(); }
    void SetPrinterIndex(int Value) override;
    QString GetPrinterName() override;
    QString GetDeviceName();
    void ReadDeviceCaps();

    // The cached device values and tables.
    int LogPixelsXCache() const { return m_logPixelsX; }
    int PhysicalOffsetX() const { return m_physicalOffsetX; }
    int PhysicalOffsetY() const { return m_physicalOffsetY; }
    bool CanBitBlt() const { return m_canBitBlt; }
    bool CanStretchBlt() const { return m_canStretchBlt; }
    int PaperCount() const { return int(m_paperNumbers.size()); }
    const QStringList &PaperNames() const { return m_paperNames; }
    const QList<uint16_t> &PaperNumbers() const { return m_paperNumbers; }
    const QList<QPoint> &PaperSizes() const { return m_paperSizes; }
    int BinCount() const { return int(m_binNumbers.size()); }
    const QStringList &BinNames() const { return m_binNames; }
    const QList<uint16_t> &BinNumbers() const { return m_binNumbers; }
    const PrinterCaps &Caps() const { return m_caps; }
    const std::optional<DevMode> &CurrentDevMode() const { return m_devMode; }

    // Device-mode fields; 0 when no device mode is held.
    int GetOrientation() override;
    int GetPaperSize() override;
    int GetDefaultSource() override;
    int GetPrintQuality() override;
    int GetColor() override;
    int GetDevModePaperWidth() override;
    int GetDevModePaperLength() override;
    int GetYResolution();

    bool UsesDevModePaperSize();
    int StandardPaperWidth(int PaperNumber);
    int StandardPaperLength(int PaperNumber);
    int DevicePaperWidthMetric();
    int DevicePaperLengthMetric();
    int GetPaperWidthMetric();
    int GetPaperLengthMetric();
    int GetPaperWidth() override;
    int GetPaperHeight() override;
    int GetCustomWidthMetric() const;
    int GetCustomHeightMetric() const;

    bool CustomSize() const override { return m_customSize; }
    void SetCustomSize(bool Value) override { m_customSize = Value; }
    int CustomWidth() const override { return m_customWidth; }
    void SetCustomWidth(int Value) override;
    int CustomHeight() const override { return m_customHeight; }
    void SetCustomHeight(int Value) override;

    int GetLogPixelsX();
    int GetLogPixelsY();
    int GetPhysicalWidth();
    int GetPhysicalHeight();
    int GetPageWidthPixels();
    int GetPageHeightPixels();
    int GetPageWidth();
    int GetPageHeight();
    int GetPageWidthMetric();
    int GetPageHeightMetric();
    int GetPageWidthTwips();
    int GetPageHeightTwips();
    int GetLeftMargin();
    int GetTopMargin();
    int GetRightMargin();
    int GetBottomMargin();
    int GetLeftMarginMetric();
    int GetTopMarginMetric();
    int GetRightMarginMetric();
    int GetBottomMarginMetric();

    QString PaperName(int Measure);
    QString PaperSizeText(int Measure);
    static QString SizeText(int Width, int Height, int Measure);
    static QString PrintQualityText(int Quality, int YResolution);
    QString PaperSourceText();
    static QString ColorText(int Value);
    static QString OrientationText(int Value);
    QString PrintGraphicsText() const;
    QString ResizeGraphicsText() const;

    bool EditDocumentProperties() override;
    void SelectEnvelope10() override;
    void SelectLetter() override;
    // On the program's INI store (IniFile) or the given one.
    void SaveSetupBlock(const QString &Section) override;
    void LoadSetupBlock(const QString &Section) override;
    void SaveSetupBlock(TZambIniFile &Ini, const QString &Section);
    void LoadSetupBlock(const TZambIniFile &Ini, const QString &Section) override;
    void LoadPrinterSetup(const TIniFile &Store, const QString &Section, const QString &Prefix) override;

    void SetSetupDialog(SetupDialog dialog) { m_setupDialog = std::move(dialog); }

protected:
    void SetPrinterCapabilities(uint32_t Value) override;

private:
    void SelectPaper(int16_t paper, bool portrait, const QString &action);
    QString ListEntry();

    int m_logPixelsX = 0;
    int m_logPixelsY = 0;
    int m_physicalWidth = 0;
    int m_physicalHeight = 0;
    int m_physicalOffsetX = 0;
    int m_physicalOffsetY = 0;
    int m_horzRes = 0;
    int m_vertRes = 0;
    bool m_canBitBlt = false;
    bool m_canStretchBlt = false;
    QStringList m_binNames;
    QList<uint16_t> m_binNumbers;
    QStringList m_paperNames;
    QList<uint16_t> m_paperNumbers;
    QList<QPoint> m_paperSizes;
    bool m_customSize = false;
    int m_customHeight = 400;
    int m_customWidth = 800;
    int m_pageHeightCache = -1;
    int m_pageWidthCache = -1;
    SetupDialog m_setupDialog;
};

// Strips the port from a list entry "printer on port".
QString PrinterNameWithoutPort(const QString &Text);

// Shows the warning for a driver that failed.
void ReportDriverError(TZambPrinter &Printer, const QString &Action);

// The program's printer object. StartQmPrinter creates it on the given print
// system (the CUPS printers and the built-in PDF printer when none is given);
// StopQmPrinter frees it. PrinterInstance creates it on first use otherwise.
void StartQmPrinter(std::unique_ptr<Spooler> spooler = nullptr);
void StopQmPrinter();
TZambPrinter *PrinterInstance();
// The print system the printer object works on (for short-lived printer objects).
Spooler &PrinterSpooler();

// The printer that envelope definitions work through: PrinterInstance unless a
// test has put its own in place (nullptr restores it).
TEnvelopePrinter &EnvelopePrinter();
void SetEnvelopePrinter(TEnvelopePrinter *printer);
