#include "foundation/QmPrinter.h"

#include "foundation/Measurements.h"
#include "foundation/QmIniFile.h"
#include "platform/MessageService.h"
#include "platform/PrinterSetupDialog.h"
#include "platform/Rounding.h"

#include <QApplication>
#include <QLocale>

#include <array>

namespace {

constexpr int UnknownYResolution = 0x0FFFFFFF;

// Width and length of the standard papers 1 .. 38; negative values are tenths
// of a millimetre, the others hundredths of an inch.
struct StandardPaper
{
    int width;
    int length;
};
constexpr std::array<StandardPaper, 38> StandardPapers{{
    {850, 1100},    {850, 1100},    {1100, 1700},   {1700, 1100},   {850, 1400},    {550, 850},
    {725, 1050},    {-2970, -4200}, {-2100, -2970}, {-2100, -2970}, {-1480, -2100}, {-2500, -3540},
    {-1820, -2570}, {850, 1300},    {-2150, -2750}, {1000, 1400},   {1100, 1700},   {850, 1100},
    {888, 388},     {950, 413},     {1038, 450},    {1100, 475},    {1150, 500},    {1700, 2200},
    {2200, 3400},   {3400, 4400},   {-2200, -1100}, {-2290, -1620}, {-4580, -3240}, {-3240, -2290},
    {-1620, -1140}, {-2290, -1140}, {-3530, -2500}, {-2500, -1760}, {-1250, -1760}, {-2300, -1100},
    {750, 388},     {650, 363},
}};

int StandardInch(int value)
{
    return value < 0 ? DivMetricToInch(-value) : value;
}

// clang-format off
const char *const PaperDisplayNames[41] = {
    "Letter", "Letter Small", "Tabloid", "Ledger", "Legal", "Statement", "Executive", "A3 sheet", "A4 Sheet",
    "A4 small sheet", "A5 sheet", "B4 sheet", "B5 sheet", "Folio", "Quarto", "10x14\" sheet", "11x17\" sheet",
    "Note", "#9 Envelope", "#10 Envelope", "#11 Envelope", "#12 Envelope", "#14 Envelope", "C Sheet", "D Sheet",
    "E Sheet", "DL Envelope", "C5 Envelope", "C3 Envelope", "C4 Envelope", "C6 Envelope", "C65 Envelope",
    "B4 Envelope", "B5 Envelope", "B6 Envelope", "Italy Envelope", "Monarch Envelope", "6 3/4 Envelope",
    "US Std Fanfold", "German Std Fanfold", "German Legal Fanfold",
};
// clang-format on

QString BinName(int number)
{
    switch (number) {
    case 1: return QStringLiteral("Upper Tray");
    case 2: return QStringLiteral("Lower Tray");
    case 3: return QStringLiteral("Middle Tray");
    case 4: return QStringLiteral("Manual");
    case 5: return QStringLiteral("Envelope");
    case 6: return QStringLiteral("Envelope Manual");
    case 7: return QStringLiteral("Auto");
    case 8: return QStringLiteral("Tractor");
    case 9: return QStringLiteral("Small Format");
    case 10: return QStringLiteral("Large Format");
    case 11: return QStringLiteral("Large Capacity");
    case 14: return QStringLiteral("Cassette");
    case 15: return QStringLiteral("Last");
    default: return QStringLiteral("(unknown)");
    }
}

// value * 100 / logPixels with the remainder dropped; 0 without a resolution.
int PerInch(int value, int factor, int logPixels)
{
    if (logPixels < 1)
        return 0;
    return static_cast<int>(static_cast<int64_t>(value) * factor / logPixels);
}

QString Number(int value)
{
    // Two decimals with the user's decimal separator, as every other length shows.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value / 100.0, 'f', 2);
}

std::unique_ptr<Spooler> g_spooler;
TZambPrinter *PrinterObject = nullptr;
TEnvelopePrinter *g_envelopePrinter = nullptr;

} // namespace

// ---------------------------------------------------------------- TZambPrinter

TZambPrinter::TZambPrinter(Spooler &spooler) : TPrinter(spooler) {}

void TZambPrinter::SetPrinterIndex(int Value)
{
    const int before = TPrinter::PrinterIndex();
    TPrinter::SetPrinterIndex(Value);
    const int after = TPrinter::PrinterIndex();
    if (after != before) {
        const TPrinterDevice device = PrinterDevice(after);
        SetPrinter(device.Device, device.Driver, device.Port);
    }
}

void TZambPrinter::SetPrinterCapabilities(uint32_t Value)
{
    TPrinter::SetPrinterCapabilities(Value);
    m_pageHeightCache = -1;
    m_pageWidthCache = -1;
    ReadDeviceCaps();
}

void TZambPrinter::ReadDeviceCaps()
{
    m_paperNames.clear();
    m_paperNumbers.clear();
    m_paperSizes.clear();
    m_binNames.clear();
    m_binNumbers.clear();
    if (!PrinterOpen()) {
        m_logPixelsX = m_logPixelsY = m_physicalWidth = m_physicalHeight = 0;
        m_physicalOffsetX = m_physicalOffsetY = m_horzRes = m_vertRes = 0;
        m_canBitBlt = m_canStretchBlt = false;
        return;
    }
    if (!Printing())
        SetState(TPrinterState::psNoHandle); // the device mode may have changed
    m_logPixelsX = GetDeviceCaps(LOGPIXELSX);
    m_logPixelsY = GetDeviceCaps(LOGPIXELSY);
    m_physicalWidth = GetDeviceCaps(PHYSICALWIDTH);
    m_physicalHeight = GetDeviceCaps(PHYSICALHEIGHT);
    m_physicalOffsetX = GetDeviceCaps(PHYSICALOFFSETX);
    m_physicalOffsetY = GetDeviceCaps(PHYSICALOFFSETY);
    m_horzRes = GetDeviceCaps(HORZRES);
    m_vertRes = GetDeviceCaps(VERTRES);
    const int raster = GetDeviceCaps(RASTERCAPS);
    m_canBitBlt = (raster & RC_BITBLT) != 0;
    m_canStretchBlt = (raster & RC_STRETCHBLT) != 0;
    for (const auto &p : m_caps.papers) {
        m_paperNames.append(p.name.left(64));
        m_paperNumbers.append(static_cast<uint16_t>(p.number));
        m_paperSizes.append(QPoint(static_cast<int>(MulDivRoundHalfEven(p.width, 1, 10)),
                                   static_cast<int>(MulDivRoundHalfEven(p.length, 1, 10))));
    }
    for (const auto &b : m_caps.bins) {
        m_binNames.append(b.name.left(24));
        m_binNumbers.append(static_cast<uint16_t>(b.number));
    }
}

QString TZambPrinter::GetPrinterName()
{
    return Printers().value(PrinterIndex());
}

QString TZambPrinter::ListEntry()
{
    return GetPrinterName();
}

QString TZambPrinter::GetDeviceName()
{
    return m_devMode ? m_devMode->DeviceName() : QString();
}

int TZambPrinter::GetOrientation()
{
    return m_devMode ? m_devMode->Orientation() : 0;
}

int TZambPrinter::GetPaperSize()
{
    return m_devMode ? m_devMode->PaperSize() : 0;
}

int TZambPrinter::GetDefaultSource()
{
    return m_devMode ? m_devMode->DefaultSource() : 0;
}

int TZambPrinter::GetPrintQuality()
{
    return m_devMode ? m_devMode->PrintQuality() : 0;
}

int TZambPrinter::GetColor()
{
    return m_devMode ? m_devMode->Color() : 0;
}

int TZambPrinter::GetDevModePaperWidth()
{
    return m_devMode ? m_devMode->PaperWidth() : 0;
}

int TZambPrinter::GetDevModePaperLength()
{
    return m_devMode ? m_devMode->PaperLength() : 0;
}

int TZambPrinter::GetYResolution()
{
    if (m_devMode && m_devMode->Has(DM_YRESOLUTION))
        return m_devMode->YResolution();
    return UnknownYResolution;
}

bool TZambPrinter::UsesDevModePaperSize()
{
    if (!m_devMode)
        return false;
    const int paper = static_cast<uint16_t>(m_devMode->PaperSize());
    return !m_devMode->Has(DM_PAPERSIZE) || paper == 0 || paper == DMPAPER_USER;
}

int TZambPrinter::StandardPaperWidth(int PaperNumber)
{
    const int i = int(m_paperNumbers.indexOf(static_cast<uint16_t>(PaperNumber)));
    if (PaperNumber >= 0 && PaperNumber <= 0xFFFF && i >= 0)
        return DivMetricToInch(m_paperSizes[i].x());
    if (PaperNumber >= 1 && PaperNumber <= int(StandardPapers.size()))
        return StandardInch(StandardPapers[PaperNumber - 1].width);
    return 1;
}

int TZambPrinter::StandardPaperLength(int PaperNumber)
{
    const int i = int(m_paperNumbers.indexOf(static_cast<uint16_t>(PaperNumber)));
    if (PaperNumber >= 0 && PaperNumber <= 0xFFFF && i >= 0)
        return DivMetricToInch(m_paperSizes[i].y());
    if (PaperNumber >= 1 && PaperNumber <= int(StandardPapers.size()))
        return StandardInch(StandardPapers[PaperNumber - 1].length);
    return 1;
}

int TZambPrinter::DevicePaperWidthMetric()
{
    if (!m_devMode)
        return 0;
    if (UsesDevModePaperSize())
        return m_devMode->PaperWidth();
    const int paper = static_cast<uint16_t>(m_devMode->PaperSize());
    const bool known =
        m_paperNumbers.contains(static_cast<uint16_t>(paper)) || paper <= int(StandardPapers.size());
    // A paper that no table knows keeps the size the device mode states.
    if (!known && m_devMode->Has(DM_PAPERWIDTH) && m_devMode->PaperWidth() > 0)
        return m_devMode->PaperWidth();
    return MulInchToMetric(StandardPaperWidth(paper));
}

int TZambPrinter::DevicePaperLengthMetric()
{
    if (!m_devMode)
        return 0;
    if (UsesDevModePaperSize())
        return m_devMode->PaperLength();
    const int paper = static_cast<uint16_t>(m_devMode->PaperSize());
    const bool known =
        m_paperNumbers.contains(static_cast<uint16_t>(paper)) || paper <= int(StandardPapers.size());
    if (!known && m_devMode->Has(DM_PAPERLENGTH) && m_devMode->PaperLength() > 0)
        return m_devMode->PaperLength();
    return MulInchToMetric(StandardPaperLength(paper));
}

int TZambPrinter::GetCustomWidthMetric() const
{
    return MulInchToMetric(m_customWidth);
}

int TZambPrinter::GetCustomHeightMetric() const
{
    return MulInchToMetric(m_customHeight);
}

int TZambPrinter::GetPaperWidthMetric()
{
    return m_customSize ? GetCustomWidthMetric() : DevicePaperWidthMetric();
}

int TZambPrinter::GetPaperLengthMetric()
{
    return m_customSize ? GetCustomHeightMetric() : DevicePaperLengthMetric();
}

int TZambPrinter::GetPaperWidth()
{
    return DivMetricToInch(GetPaperWidthMetric());
}

int TZambPrinter::GetPaperHeight()
{
    return DivMetricToInch(GetPaperLengthMetric());
}

int TZambPrinter::SheetWidth()
{
    return PerInch(m_physicalWidth, 100, m_logPixelsX);
}

int TZambPrinter::SheetHeight()
{
    return PerInch(m_physicalHeight, 100, m_logPixelsY);
}

void TZambPrinter::SetCustomWidth(int Value)
{
    m_customWidth = std::clamp(Value, 300, 1600);
}

void TZambPrinter::SetCustomHeight(int Value)
{
    m_customHeight = std::clamp(Value, 200, 1600);
}

int TZambPrinter::GetLogPixelsX()
{
    return Printing() ? GetDeviceCaps(LOGPIXELSX) : m_logPixelsX;
}

int TZambPrinter::GetLogPixelsY()
{
    return Printing() ? GetDeviceCaps(LOGPIXELSY) : m_logPixelsY;
}

int TZambPrinter::GetPhysicalWidth()
{
    if (m_customSize)
        return static_cast<int>(static_cast<int64_t>(GetLogPixelsX()) * m_customWidth / 100);
    return m_physicalWidth;
}

int TZambPrinter::GetPhysicalHeight()
{
    if (m_customSize)
        return static_cast<int>(static_cast<int64_t>(GetLogPixelsY()) * m_customHeight / 100);
    return m_physicalHeight;
}

int TZambPrinter::GetPageWidthPixels()
{
    if (m_customSize)
        return static_cast<int>(static_cast<int64_t>(GetLogPixelsX()) * m_customWidth / 100);
    if (Printing()) {
        m_pageWidthCache = GetDeviceCaps(HORZRES);
        return m_pageWidthCache;
    }
    if (m_pageWidthCache >= 1)
        return m_pageWidthCache;
    // The printable width the device reports, from its real margins.
    return m_horzRes;
}

int TZambPrinter::GetPageHeightPixels()
{
    if (m_customSize)
        return static_cast<int>(static_cast<int64_t>(GetLogPixelsY()) * m_customHeight / 100);
    if (Printing()) {
        m_pageHeightCache = GetDeviceCaps(VERTRES);
        return m_pageHeightCache;
    }
    if (m_pageHeightCache >= 1)
        return m_pageHeightCache;
    return m_vertRes;
}

int TZambPrinter::GetPageWidth()
{
    return PerInch(GetPageWidthPixels(), 100, GetLogPixelsX());
}

int TZambPrinter::GetPageHeight()
{
    return PerInch(GetPageHeightPixels(), 100, GetLogPixelsY());
}

int TZambPrinter::GetPageWidthMetric()
{
    return MulInchToMetric(GetPageWidth());
}

int TZambPrinter::GetPageHeightMetric()
{
    return MulInchToMetric(GetPageHeight());
}

int TZambPrinter::GetPageWidthTwips()
{
    return PerInch(GetPageWidthPixels(), 1440, GetLogPixelsX());
}

int TZambPrinter::GetPageHeightTwips()
{
    return PerInch(GetPageHeightPixels(), 1440, GetLogPixelsY());
}

int TZambPrinter::GetLeftMargin()
{
    return PerInch(m_physicalOffsetX, 100, m_logPixelsX);
}

int TZambPrinter::GetTopMargin()
{
    return PerInch(m_physicalOffsetY, 100, m_logPixelsY);
}

int TZambPrinter::GetRightMargin()
{
    if (m_customSize)
        return 0;
    return PerInch(GetPhysicalWidth() - GetPageWidthPixels() - m_physicalOffsetX, 100, m_logPixelsX);
}

int TZambPrinter::GetBottomMargin()
{
    if (m_customSize)
        return 0;
    return PerInch(GetPhysicalHeight() - GetPageHeightPixels() - m_physicalOffsetY, 100, m_logPixelsY);
}

int TZambPrinter::GetLeftMarginMetric()
{
    return MulInchToMetric(GetLeftMargin());
}

int TZambPrinter::GetTopMarginMetric()
{
    return MulInchToMetric(GetTopMargin());
}

int TZambPrinter::GetRightMarginMetric()
{
    return MulInchToMetric(GetRightMargin());
}

int TZambPrinter::GetBottomMarginMetric()
{
    return MulInchToMetric(GetBottomMargin());
}

QString TZambPrinter::SizeText(int Width, int Height, int Measure)
{
    int w = 0;
    int h = 0;
    QString unit;
    if (Measure == 0) {
        w = DivMetricToInch(Width);
        h = DivMetricToInch(Height);
        unit = QStringLiteral(" in");
    } else if (Measure == 1) {
        w = Width;
        h = Height;
        unit = QStringLiteral(" cm");
    }
    return Number(w) + QStringLiteral(" x ") + Number(h) + unit;
}

QString TZambPrinter::PaperName(int Measure)
{
    const int paper = GetPaperSize();
    const int i = int(m_paperNumbers.indexOf(static_cast<uint16_t>(paper)));
    if (i >= 0)
        return m_paperNames[i].left(64);
    if (paper >= 1 && paper <= 41)
        return QString::fromLatin1(PaperDisplayNames[paper - 1]);
    return SizeText(DevicePaperWidthMetric(), DevicePaperLengthMetric(), Measure);
}

QString TZambPrinter::PaperSizeText(int Measure)
{
    const int paper = GetPaperSize();
    int w = 0;
    int h = 0;
    for (int i = 0; i < m_paperNumbers.size(); ++i) {
        if (m_paperNumbers[i] == static_cast<uint16_t>(paper)) {
            w = m_paperSizes[i].x();
            h = m_paperSizes[i].y();
        }
    }
    if (w == 0)
        w = DevicePaperWidthMetric();
    if (h == 0)
        h = DevicePaperLengthMetric();
    return SizeText(w, h, Measure);
}

QString TZambPrinter::PrintQualityText(int Quality, int YResolution)
{
    switch (Quality) {
    case DMRES_HIGH: return QStringLiteral("High");
    case DMRES_MEDIUM: return QStringLiteral("Medium");
    case DMRES_LOW: return QStringLiteral("Low");
    case DMRES_DRAFT: return QStringLiteral("Draft");
    default: break;
    }
    if (Quality >= 0 && Quality <= 2048) {
        if (YResolution != UnknownYResolution)
            return QStringLiteral("%1 x %2 dpi").arg(Quality).arg(YResolution);
        return QStringLiteral("%1 dpi").arg(Quality);
    }
    return QStringLiteral("unknown");
}

QString TZambPrinter::PaperSourceText()
{
    const int source = GetDefaultSource();
    const int i = int(m_binNumbers.indexOf(static_cast<uint16_t>(source)));
    if (i >= 0)
        return m_binNames[i].left(24);
    return BinName(source);
}

QString TZambPrinter::ColorText(int Value)
{
    return Value == DMCOLOR_COLOR ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString TZambPrinter::OrientationText(int Value)
{
    return Value == DMORIENT_PORTRAIT ? QStringLiteral("Portrait") : QStringLiteral("Landscape");
}

QString TZambPrinter::PrintGraphicsText() const
{
    return m_canBitBlt ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString TZambPrinter::ResizeGraphicsText() const
{
    return m_canStretchBlt ? QStringLiteral("Yes") : QStringLiteral("No");
}

bool TZambPrinter::EditDocumentProperties()
{
    if (!m_devMode)
        return false;
    CheckPrinting(false);
    const QString device = CurrentDevice();
    DevMode edited = *m_devMode;
    const bool ok = m_setupDialog
                        ? m_setupDialog(device, m_caps, edited)
                        : RunPrinterSetupDialog(QApplication::activeWindow(), device, m_caps, edited);
    if (!ok)
        return false;
    if (!m_spooler.MergeDevMode(device, m_caps, edited, *m_devMode)) {
        MessageDlg(
            QStringLiteral("Error updating printer setup information for printer \"%1\".").arg(ListEntry()),
            TMsgDlgType::Warning, mbOK, 0);
        return false;
    }
    SetPrinterCapabilities(m_devMode->Fields());
    return true;
}

void TZambPrinter::SelectPaper(int16_t paper, bool portrait, const QString &action)
{
    if (!m_devMode)
        return;
    CheckPrinting(false);
    const QString device = CurrentDevice();
    DevMode defaults;
    if (!m_spooler.DefaultDevMode(device, m_caps, defaults)) {
        ReportDriverError(*this, QStringLiteral("getting default values"));
    } else {
        *m_devMode = defaults;
        DevMode in = *m_devMode;
        in.SetPaperSize(paper);
        // Otherwise the paper comes in the orientation the driver gives it.
        if (portrait)
            in.SetOrientation(DMORIENT_PORTRAIT);
        else
            in.SetFields(in.Fields() & ~uint32_t(DM_ORIENTATION));
        if (!m_spooler.MergeDevMode(device, m_caps, in, *m_devMode))
            ReportDriverError(*this, action);
    }
    SetPrinterCapabilities(m_devMode->Fields());
}

void TZambPrinter::SelectEnvelope10()
{
    SelectPaper(DMPAPER_ENV_10, false, QStringLiteral("choosing a #10 envelope"));
}

void TZambPrinter::SelectLetter()
{
    SelectPaper(DMPAPER_LETTER, true, QStringLiteral("choosing letter sized paper"));
}

void TZambPrinter::SaveSetupBlock(const QString &Section)
{
    if (!IniFile)
        throw EPrinter(QStringLiteral("The settings file is not open."));
    SaveSetupBlock(*IniFile, Section);
}

void TZambPrinter::LoadSetupBlock(const QString &Section)
{
    if (!IniFile)
        throw EPrinter(QStringLiteral("The settings file is not open."));
    LoadSetupBlock(*IniFile, Section);
}

void TZambPrinter::SaveSetupBlock(TZambIniFile &Ini, const QString &Section)
{
    TIniUpdate update(Ini);
    // Without a device mode the stored block stays; only the custom size is written.
    if (m_devMode)
        Ini.WriteBinary(Section, m_devMode->Bytes());
    Ini.WriteBool(Section, QStringLiteral("CustomSize"), m_customSize);
    Ini.WriteInteger(Section, QStringLiteral("CustomWidth"), m_customWidth);
    Ini.WriteInteger(Section, QStringLiteral("CustomHeight"), m_customHeight);
    update.Commit();
}

void TZambPrinter::LoadSetupBlock(const TZambIniFile &Ini, const QString &Section)
{
    m_customSize = Ini.ReadBool(Section, QStringLiteral("CustomSize"), false);
    // Outside the setters' limits stays as stored, but within what a paper can be.
    m_customWidth =
        std::clamp(Ini.ReadInteger(Section, QStringLiteral("CustomWidth"), 800), 1, kLongestPaper);
    m_customHeight =
        std::clamp(Ini.ReadInteger(Section, QStringLiteral("CustomHeight"), 400), 1, kLongestPaper);
    if (DevModeSize() > 0 && Ini.ReadBinarySize(Section) == DevModeSize()) {
        CheckPrinting(false);
        const std::optional<QByteArray> block = Ini.ReadBinary(Section);
        DevMode stored;
        if (block && stored.FromBytes(*block)
            && m_spooler.MergeDevMode(CurrentDevice(), m_caps, stored, *m_devMode)) {
            SetPrinterCapabilities(m_devMode->Fields());
            return;
        }
    }
    SelectEnvelope10();
}

void TZambPrinter::LoadPrinterSetup(const TIniFile &Store, const QString &Section, const QString &Prefix)
{
    auto key = [&](const char *field) { return Prefix + QLatin1Char('_') + QLatin1String(field); };
    m_customSize = Store.ReadBool(Section, key("CustomSize"), false);
    m_customWidth = std::clamp(Store.ReadInteger(Section, key("CustomWidth"), 800), 1, kLongestPaper);
    m_customHeight = std::clamp(Store.ReadInteger(Section, key("CustomHeight"), 400), 1, kLongestPaper);
    if (!m_devMode)
        return;
    CheckPrinting(false);
    const QString device = CurrentDevice();
    DevMode copy = *m_devMode;
    const uint32_t fields = static_cast<uint32_t>(Store.ReadInteger(Section, key("Fields"), 0)) & 0x1E1F;
    copy.SetFields(fields);
    struct Field
    {
        uint32_t bit;
        const char *name;
        int offset;
    };
    static const Field Fields[] = {
        {DM_ORIENTATION, "Orientation", DevMode::OffOrientation},
        {DM_PAPERSIZE, "PaperSize", DevMode::OffPaperSize},
        {DM_PAPERLENGTH, "PaperLength", DevMode::OffPaperLength},
        {DM_PAPERWIDTH, "PaperWidth", DevMode::OffPaperWidth},
        {DM_SCALE, "Scale", DevMode::OffScale},
        {DM_DEFAULTSOURCE, "DefaultSource", DevMode::OffDefaultSource},
        {DM_PRINTQUALITY, "PrintQuality", DevMode::OffPrintQuality},
        {DM_COLOR, "Color", DevMode::OffColor},
        {DM_DUPLEX, "Duplex", DevMode::OffDuplex},
    };
    for (const Field &f : Fields) {
        if (fields & f.bit)
            copy.SetS16(f.offset,
                        static_cast<int16_t>(Store.ReadInteger(Section, key(f.name), copy.S16(f.offset))));
    }
    if (!m_spooler.MergeDevMode(device, m_caps, copy, *m_devMode)) {
        MessageDlg(
            QStringLiteral("Error updating printer setup information for printer \"%1\".").arg(ListEntry()),
            TMsgDlgType::Warning, mbOK, 0);
    }
    SetPrinterCapabilities(m_devMode->Fields());
}

// ---------------------------------------------------------------- unit routines

QString PrinterNameWithoutPort(const QString &Text)
{
    const int at = Text.indexOf(QLatin1String(" on "));
    return at < 0 ? Text : Text.left(at);
}

void ReportDriverError(TZambPrinter &Printer, const QString &Action)
{
    MessageDlg(QStringLiteral("Error reading driver information for printer %1 while %2.")
                   .arg(Printer.GetDeviceName(), Action),
               TMsgDlgType::Warning, mbOK, 0);
}

void StartQmPrinter(std::unique_ptr<Spooler> spooler)
{
    StopQmPrinter();
    g_spooler = spooler ? std::move(spooler) : CreateSystemSpooler();
    PrinterObject = new TZambPrinter(*g_spooler);
}

void StopQmPrinter()
{
    delete PrinterObject;
    PrinterObject = nullptr;
    g_spooler.reset();
}

TZambPrinter *PrinterInstance()
{
    if (!PrinterObject)
        StartQmPrinter();
    return PrinterObject;
}

Spooler &PrinterSpooler()
{
    PrinterInstance();
    return *g_spooler;
}

TEnvelopePrinter &EnvelopePrinter()
{
    return g_envelopePrinter ? *g_envelopePrinter : *PrinterInstance();
}

void SetEnvelopePrinter(TEnvelopePrinter *printer)
{
    g_envelopePrinter = printer;
}
