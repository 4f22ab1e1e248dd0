#pragma once

#include "platform/DevMode.h"
#include "platform/Exception.h"
#include "platform/Printer.h"
#include "platform/Spooler.h"

#include <QFont>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class TIniFile;
class TZambIniFile;

// What envelope definitions use of the printer object, so that they can be
// tested on a stand-in.
class TEnvelopePrinter
{
public:
    virtual ~TEnvelopePrinter() = default;
    virtual const QStringList &Printers() = 0;
    virtual bool PrintServiceDown() { return false; }
    // Looks the printers up again; true when the list changed.
    virtual bool RefreshPrinters() { return false; }
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
    // The sheet as it lies for printing (orientation applied, no custom size), in
    // hundredths of an inch; 0 when not known.
    virtual int SheetWidth() { return 0; }
    virtual int SheetHeight() { return 0; }
};

// The program's printer: capability cache, paper and bin tables, custom paper
// size and device-mode access.
class TZambPrinter : public TPrinter, public TEnvelopePrinter
{
public:
    // Shows the printer setup dialog on a copy of the device mode; true on OK.
    using SetupDialog =
        std::function<bool(const QString &printer, const PrinterCaps &caps, DevMode &devMode)>;

    explicit TZambPrinter(Spooler &spooler);

    const QStringList &Printers() override { return TPrinter::Printers(); }
    bool PrintServiceDown() override { return TPrinter::PrintServiceDown(); }
    bool RefreshPrinters() override { return TPrinter::RefreshPrinters(); }
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

    int SheetWidth() override;
    int SheetHeight() override;
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
