#pragma once

// The general printer object: the list of printers, the chosen one with its
// device mode, the document and page calls of a job, and its canvas.

#include "platform/DevMode.h"
#include "platform/Exception.h"
#include "platform/Spooler.h"

#include <QElapsedTimer>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QPainter;

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
    // Builds the list again (a print service that was down may be back); the
    // chosen printer stays chosen while it is listed. True when the list changed.
    bool RefreshPrinters();
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
    QElapsedTimer m_eventsHandled; // between pages, events are handled now and then
    unsigned m_capabilities = 0;
    TPrinterState m_state = TPrinterState::psNoHandle;
    DeviceValues m_info;
    bool m_printerOpen = false;
};

// Says that the print service is down, naming the printer that cannot be reached (none: any).
QString PrintServiceDownText(const QString &Printer);
