#include "platform/Printer.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>

namespace {

const QString NoDefaultPrinter = QStringLiteral("There is no default printer currently selected");
const QString NotPrinting = QStringLiteral("Printer is not currently printing");
const QString PrintingInProgress = QStringLiteral("Printing in progress");
const QString IndexOutOfRange = QStringLiteral("Printer index out of range");
const QString PrinterNotValid = QStringLiteral("Printer selected is not valid");

} // namespace

// ---------------------------------------------------------------- canvas

QPainter &TPrinterCanvas::Painter()
{
    return m_printer.PagePainter();
}

void TPrinterCanvas::SetFont(const QFont &font)
{
    m_font = font;
    if (m_printer.Printing())
        Refresh(&Painter());
}

int TPrinterCanvas::GetDeviceCaps(int index) const
{
    return m_printer.GetDeviceCaps(index);
}

void TPrinterCanvas::Refresh(QPainter *painter)
{
    if (!painter)
        return;
    // Text keeps its point size on the device's resolution.
    QFont font = m_font;
    const double points = m_font.pointSizeF() > 0 ? m_font.pointSizeF() : 10.0;
    const int dpi = m_printer.GetDeviceCaps(LOGPIXELSY);
    if (dpi > 0)
        font.setPixelSize(std::max(1, static_cast<int>(points * dpi / 72.0 + 0.5)));
    painter->setFont(font);
}

// ---------------------------------------------------------------- TPrinter

TPrinter::TPrinter(Spooler &spooler) : m_spooler(spooler), m_canvas(*this) {}

TPrinter::~TPrinter()
{
    if (m_printing) {
        try {
            EndDoc();
        } catch (const Exception &) {
            ResetJob();
        }
    }
    m_job.reset();
    m_state = TPrinterState::psNoHandle;
    m_devMode.reset();
}

const QStringList &TPrinter::Printers()
{
    if (!m_listBuilt) {
        m_listBuilt = true;
        for (const QString &name : m_spooler.PrinterNames()) {
            m_printerNames.append(name);
            m_devices.append(TPrinterDevice{QString(), name, QString()});
        }
        m_serviceDown = m_spooler.ServiceDown();
    }
    return m_printerNames;
}

bool TPrinter::RefreshPrinters()
{
    CheckPrinting(false);
    const QStringList before = m_printerNames;
    const QString current = m_printerIndex >= 0 && m_printerIndex < m_devices.size()
                                ? m_devices[m_printerIndex].Device
                                : QString();
    m_listBuilt = false;
    m_printerNames.clear();
    m_devices.clear();
    Printers();
    if (m_printerIndex == -1)
        return m_printerNames != before;
    m_printerIndex = -1;
    for (int i = 0; i < m_devices.size(); ++i) {
        if (m_devices[i].Device == current)
            m_printerIndex = i;
    }
    if (m_printerIndex == -1) {
        // The chosen printer is gone: the default is chosen on the next use.
        SetState(TPrinterState::psNoHandle);
        m_printerOpen = false;
        m_devMode.reset();
        m_caps = PrinterCaps();
        SetPrinterCapabilities(0);
    }
    return m_printerNames != before;
}

bool TPrinter::PrintServiceDown()
{
    Printers();
    return m_serviceDown;
}

const TPrinterDevice &TPrinter::PrinterDevice(int index)
{
    Printers();
    if (index < 0 || index >= m_devices.size())
        throw EPrinter(IndexOutOfRange);
    return m_devices[index];
}

int TPrinter::PrinterIndex()
{
    if (m_printerIndex == -1)
        SetToDefaultPrinter();
    return m_printerIndex;
}

void TPrinter::SetPrinterIndex(int Value)
{
    CheckPrinting(false);
    // Every index other than -1 must name an entry, whatever the current one.
    if (Value != -1 && (Value < 0 || Value >= Printers().size()))
        throw EPrinter(IndexOutOfRange);
    if (Value == -1 || m_printerIndex == -1)
        SetToDefaultPrinter();
    m_printerIndex = Value;
    SetState(TPrinterState::psNoHandle);
}

void TPrinter::SetPrinter(const QString &Device, const QString &Driver, const QString &Port,
                          std::optional<DevMode> DeviceMode)
{
    CheckPrinting(false);
    m_devMode = std::move(DeviceMode);
    if (m_devMode)
        SetPrinterCapabilities(m_devMode->Fields());
    m_printerOpen = false;
    SetState(TPrinterState::psNoHandle);

    Printers();
    int index = -1;
    for (int i = 0; i < m_devices.size(); ++i) {
        if (m_devices[i].Device == Device && (m_devices[i].Port.isEmpty() || m_devices[i].Port == Port)) {
            m_devices[i].Port = Port;
            index = i;
            break;
        }
    }
    if (index < 0) {
        m_printerNames.append(QStringLiteral("%1 on %2").arg(Device, Port));
        m_devices.append(TPrinterDevice{Driver, Device, Port});
        index = int(m_devices.size()) - 1;
    }
    m_printerIndex = index;

    PrinterCaps caps;
    if (m_spooler.OpenPrinter(Device, caps)) {
        m_printerOpen = true;
        m_caps = caps;
        if (!m_devMode) {
            DevMode dm;
            if (m_spooler.DefaultDevMode(Device, m_caps, dm))
                m_devMode = dm;
        }
    } else {
        // A printer that cannot be opened stays listed, without a device mode.
        m_caps = PrinterCaps();
        m_devMode.reset();
    }
    SetPrinterCapabilities(m_devMode ? m_devMode->Fields() : 0);
}

void TPrinter::SetToDefaultPrinter()
{
    const QString name = m_spooler.DefaultPrinterName();
    if (name.isEmpty())
        throw EPrinter(NoDefaultPrinter);
    Printers();
    for (const auto &device : m_devices) {
        if (device.Device == name) {
            const TPrinterDevice copy = device;
            SetPrinter(copy.Device, copy.Driver, copy.Port);
            return;
        }
    }
    throw EPrinter(NoDefaultPrinter);
}

void TPrinter::SetPrinterCapabilities(uint32_t Value)
{
    m_capabilities = 0;
    if (Value & DM_ORIENTATION)
        m_capabilities |= unsigned(TPrinterCapability::pcOrientation);
    if (Value & DM_COPIES)
        m_capabilities |= unsigned(TPrinterCapability::pcCopies);
    if (Value & DM_COLLATE)
        m_capabilities |= unsigned(TPrinterCapability::pcCollation);
}

void TPrinter::CheckPrinting(bool Value)
{
    if (Value && !m_printing)
        throw EPrinter(NotPrinting);
    if (!Value && m_printing)
        throw EPrinter(PrintingInProgress);
}

QString TPrinter::CurrentDevice()
{
    const int index = PrinterIndex();
    return PrinterDevice(index).Device;
}

void TPrinter::SetState(TPrinterState Value)
{
    if (Value == m_state)
        return;
    switch (Value) {
    case TPrinterState::psNoHandle:
        CheckPrinting(false);
        m_job.reset();
        m_state = Value;
        return;
    case TPrinterState::psHandleIC:
        if (m_state == TPrinterState::psHandleDC)
            return;
        break;
    case TPrinterState::psHandleDC: m_job.reset(); break;
    }
    if (!m_printerOpen) {
        if (m_spooler.ServiceDown())
            throw EPrinter(PrintServiceDownText(CurrentDevice()));
        throw EPrinter(PrinterNotValid);
    }
    DevMode dm;
    if (m_devMode)
        dm = *m_devMode;
    else
        FillDefaultDevMode(CurrentDevice(), m_caps, dm);
    m_info = DeviceValuesFor(GeometryFor(m_caps, dm));
    if (Value == TPrinterState::psHandleDC) {
        QString error;
        try {
            m_job = m_spooler.StartDoc(CurrentDevice(), m_caps, dm, m_title, error);
        } catch (const SpoolCancelled &) {
            m_state = TPrinterState::psNoHandle;
            throw;
        }
        if (!m_job) {
            m_state = TPrinterState::psNoHandle;
            throw EPrinter(error.isEmpty() ? PrinterNotValid : error);
        }
        m_info = m_job->Values();
    }
    m_state = Value;
}

const DeviceValues &TPrinter::InfoValues()
{
    if (m_state == TPrinterState::psNoHandle)
        SetState(TPrinterState::psHandleIC);
    return m_info;
}

int TPrinter::GetDeviceCaps(int index)
{
    const DeviceValues &v = InfoValues();
    switch (index) {
    case HORZRES: return v.horzRes;
    case VERTRES: return v.vertRes;
    case LOGPIXELSX: return v.logPixelsX;
    case LOGPIXELSY: return v.logPixelsY;
    case PHYSICALWIDTH: return v.physicalWidth;
    case PHYSICALHEIGHT: return v.physicalHeight;
    case PHYSICALOFFSETX: return v.physicalOffsetX;
    case PHYSICALOFFSETY: return v.physicalOffsetY;
    case RASTERCAPS: return (v.canBitBlt ? RC_BITBLT : 0) | (v.canStretchBlt ? RC_STRETCHBLT : 0);
    default: return 0;
    }
}

int TPrinter::GetPageWidth()
{
    return GetDeviceCaps(HORZRES);
}

int TPrinter::GetPageHeight()
{
    return GetDeviceCaps(VERTRES);
}

void TPrinter::ResetJob()
{
    m_printing = false;
    m_aborted = false;
    m_pagePending = false;
    m_pageNumber = 0;
    if (m_job)
        m_job->Abort();
    m_job.reset();
    m_state = TPrinterState::psNoHandle;
}

void TPrinter::BeginDoc()
{
    CheckPrinting(false);
    SetState(TPrinterState::psHandleDC);
    m_printing = true;
    m_aborted = false;
    m_pageNumber = 1;
    // The first page starts with the first drawing, so that a job in which
    // nothing is drawn sends nothing.
    m_pagePending = true;
}

void TPrinter::EnsurePage()
{
    if (!m_pagePending)
        return;
    if (!m_job->StartPage()) {
        const QString error = m_job->ErrorText();
        ResetJob();
        throw EPrinter(error.isEmpty() ? PrinterNotValid : error);
    }
    m_pagePending = false;
    m_canvas.Refresh(m_job->Painter());
}

QPainter &TPrinter::PagePainter()
{
    CheckPrinting(true);
    EnsurePage();
    return *m_job->Painter();
}

void TPrinter::NewPage()
{
    CheckPrinting(true);
    EnsurePage();
    if (!m_job->EndPage()) {
        ResetJob();
        throw EPrinter(PrinterNotValid);
    }
    // Keeps the windows answering during a long job without paying for it on every page.
    if (QCoreApplication::instance() && (!m_eventsHandled.isValid() || m_eventsHandled.elapsed() >= 50)) {
        QCoreApplication::processEvents();
        m_eventsHandled.restart();
    }
    m_pagePending = true;
    EnsurePage();
    ++m_pageNumber;
}

void TPrinter::Abort()
{
    CheckPrinting(true);
    ResetJob();
    m_aborted = true;
}

void TPrinter::EndDoc()
{
    CheckPrinting(true);
    bool ok = true;
    QString error;
    if (m_aborted) {
        m_job->Abort();
    } else {
        if (!m_pagePending)
            ok = m_job->EndPage();
        ok = m_job->EndDoc() && ok;
        error = m_job->ErrorText();
    }
    m_printing = false;
    m_aborted = false;
    m_pagePending = false;
    m_pageNumber = 0;
    m_job.reset();
    m_state = TPrinterState::psNoHandle;
    if (!ok)
        throw EPrinter(error.isEmpty() ? PrinterNotValid : error);
}

QString PrintServiceDownText(const QString &Printer)
{
    if (Printer.isEmpty())
        return QStringLiteral(
            "The print service is not running, so no printer can be reached. Start the print "
            "service, then try again.");
    return QStringLiteral("The print service is not running, so the printer \"%1\" cannot be reached. Start "
                          "the print service, then try again.")
        .arg(Printer);
}
