#include "engine/EnvDim.h"

#include "foundation/Measurements.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"

#include <algorithm>
#include <cstdlib>

namespace {

class DefaultPreferences : public TEnvelopePreferences
{
public:
    int Measure() const override { return 0; }
    bool PostalMargins() const override { return true; }
    bool FacingMark() const override { return true; }
};

const TEnvelopePreferences *installedPreferences = nullptr;

const QString envelopesSection = QStringLiteral("Envelopes");

int findPrinter(const QStringList &names, const QString &name)
{
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString currentPrinterName(TEnvelopePrinter &printer)
{
    const QStringList names = printer.Printers();
    const int index = printer.PrinterIndex();
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

int clampAlways(int value, int lower, int upper)
{
    return std::clamp(value, lower, upper);
}

int clampPostal(int value, int lower, int upper)
{
    return TEnvelopeData::EnforceMargins() ? std::clamp(value, lower, upper) : value;
}

QString key(const QString &name, const char *field)
{
    return name + QLatin1Char('_') + QLatin1String(field);
}

} // namespace

const TEnvelopePreferences &EnvelopePreferences()
{
    static DefaultPreferences defaults;
    return installedPreferences ? *installedPreferences : defaults;
}

void SetEnvelopePreferences(const TEnvelopePreferences *preferences)
{
    installedPreferences = preferences;
}

TEnvelopeData::TEnvelopeData()
{
    // Stored as they are: the limits act only when the user edits a value.
    m_DestinationLeft = DefaultDestinationLeft();
    m_TriFoldFromTop = DefaultTriFoldFromTop();
    m_TriFoldFromBottom = DefaultTriFoldFromBottom();
}

void TEnvelopeData::SetReturnLeft(int value)
{
    m_ReturnLeft = clampPostal(value, 0, 500);
}

void TEnvelopeData::SetReturnTop(int value)
{
    m_ReturnTop = clampPostal(value, 0, 500);
}

void TEnvelopeData::SetDestinationLeft(int value)
{
    m_DestinationLeft = clampPostal(value, 50, 700);
}

void TEnvelopeData::SetDestinationBottom(int value)
{
    m_DestinationBottom = clampPostal(value, 100, 275);
}

void TEnvelopeData::SetAttentionLeft(int value)
{
    m_AttentionLeft = clampPostal(value, 0, 400);
}

void TEnvelopeData::SetAttentionBottom(int value)
{
    m_AttentionBottom = clampPostal(value, 0, 400);
}

void TEnvelopeData::SetFacingMarkFromRight(int value)
{
    m_FacingMarkFromRight = clampPostal(value, 100, 400);
}

void TEnvelopeData::SetTriFoldFromTop(int value)
{
    m_TriFoldFromTop = clampAlways(value, 0, 500);
}

void TEnvelopeData::SetTriFoldFromBottom(int value)
{
    m_TriFoldFromBottom = clampAlways(value, 0, 500);
}

// clang-format off
int TEnvelopeData::ReturnLeftMetric() const { return MulInchToMetric(m_ReturnLeft); }
int TEnvelopeData::ReturnTopMetric() const { return MulInchToMetric(m_ReturnTop); }
int TEnvelopeData::DestinationLeftMetric() const { return MulInchToMetric(m_DestinationLeft); }
int TEnvelopeData::DestinationBottomMetric() const { return MulInchToMetric(m_DestinationBottom); }
int TEnvelopeData::AttentionLeftMetric() const { return MulInchToMetric(m_AttentionLeft); }
int TEnvelopeData::AttentionBottomMetric() const { return MulInchToMetric(m_AttentionBottom); }
int TEnvelopeData::FacingMarkFromRightMetric() const { return MulInchToMetric(m_FacingMarkFromRight); }
int TEnvelopeData::TriFoldFromTopMetric() const { return MulInchToMetric(m_TriFoldFromTop); }
int TEnvelopeData::TriFoldFromBottomMetric() const { return MulInchToMetric(m_TriFoldFromBottom); }
// clang-format on

QString TEnvelopeData::LengthText(int hundredthsOfInch)
{
    return ::LengthText(hundredthsOfInch, IsMetric(), QLocale::c());
}

// clang-format off
QString TEnvelopeData::GetReturnLeftText() const { return LengthText(m_ReturnLeft); }
QString TEnvelopeData::GetReturnTopText() const { return LengthText(m_ReturnTop); }
QString TEnvelopeData::GetDestinationLeftText() const { return LengthText(m_DestinationLeft); }
QString TEnvelopeData::GetDestinationBottomText() const { return LengthText(m_DestinationBottom); }
QString TEnvelopeData::GetAttentionLeftText() const { return LengthText(m_AttentionLeft); }
QString TEnvelopeData::GetAttentionBottomText() const { return LengthText(m_AttentionBottom); }
QString TEnvelopeData::GetFacingMarkFromRightText() const { return LengthText(m_FacingMarkFromRight); }
QString TEnvelopeData::GetTriFoldFromTopText() const { return LengthText(m_TriFoldFromTop); }
QString TEnvelopeData::GetTriFoldFromBottomText() const { return LengthText(m_TriFoldFromBottom); }
QString TEnvelopeData::GetCustomWidthText() const { return LengthText(EnvelopePrinter().CustomWidth()); }
QString TEnvelopeData::GetCustomHeightText() const { return LengthText(EnvelopePrinter().CustomHeight()); }
// clang-format on

int TEnvelopeData::DefaultDestinationLeft() const
{
    TEnvelopePrinter &printer = EnvelopePrinter();
    return 2 * std::max(printer.GetPaperWidth(), printer.GetPaperHeight()) / 5;
}

int TEnvelopeData::DefaultTriFoldFromTop() const
{
    return IsTriFoldLetter() ? 350 : 0;
}

int TEnvelopeData::DefaultTriFoldFromBottom() const
{
    return IsTriFoldLetter() ? 350 : 0;
}

bool TEnvelopeData::IsTriFoldLetter() const
{
    return PaperSize == 1 && !EnvelopePrinter().CustomSize();
}

bool TEnvelopeData::IsMetric()
{
    return EnvelopePreferences().Measure() == 1;
}

bool TEnvelopeData::EnforceMargins()
{
    return EnvelopePreferences().PostalMargins();
}

void TEnvelopeData::ResetLayout()
{
    SetReturnLeft(0);
    SetReturnTop(0);
    SetDestinationLeft(DefaultDestinationLeft());
    SetDestinationBottom(200);
    SetAttentionLeft(0);
    SetAttentionBottom(0);
    SetFacingMarkFromRight(250);
    SetTriFoldFromTop(DefaultTriFoldFromTop());
    SetTriFoldFromBottom(DefaultTriFoldFromBottom());
}

void TEnvelopeData::initFor(bool useDefaultPrinter, bool letter)
{
    TEnvelopePrinter &printer = EnvelopePrinter();
    if (useDefaultPrinter)
        printer.SetPrinterIndex(-1);
    FullPrinterName = currentPrinterName(printer);
    if (letter)
        printer.SelectLetter();
    else
        printer.SelectEnvelope10();
    ResetLayout();
}

void TEnvelopeData::InitForEnvelope10(bool useDefaultPrinter)
{
    initFor(useDefaultPrinter, false);
}

void TEnvelopeData::InitForLetter(bool useDefaultPrinter)
{
    initFor(useDefaultPrinter, true);
}

void TEnvelopeData::LoadFromIni(const TZambIniFile &ini, const QString &section, const QString &name)
{
    TEnvelopePrinter &printer = EnvelopePrinter();
    Name = name;
    FullPrinterName = ini.ReadString(section, key(name, "FullPrinterName"), currentPrinterName(printer));
    // Out of the setters' limits stays as stored, but within what can be drawn.
    const auto distance = [&](const char *field, int fallback) {
        return std::clamp(ini.ReadInteger(section, key(name, field), fallback), -kLongestPaper,
                          kLongestPaper);
    };
    m_ReturnLeft = distance("ReturnLeft", 0);
    m_ReturnTop = distance("ReturnTop", 0);
    m_DestinationLeft = distance("DestinationLeft", DefaultDestinationLeft());
    m_DestinationBottom = distance("DestinationBottom", 200);
    m_AttentionLeft = distance("AttentionLeft", 0);
    m_AttentionBottom = distance("AttentionBottom", 0);
    m_FacingMarkFromRight = distance("FacingMarkFromRight", 250);
    // The fold defaults come from the snapshot held before PaperSize is read.
    m_TriFoldFromTop = distance("TriFoldFromTop", DefaultTriFoldFromTop());
    m_TriFoldFromBottom = distance("TriFoldFromBottom", DefaultTriFoldFromBottom());
    IniId = ini.ReadInteger(section, key(name, "IniId"), 0);
    Fields = ini.ReadInteger(section, key(name, "Fields"), 0);
    Orientation = ini.ReadInteger(section, key(name, "Orientation"), 0);
    PaperSize = ini.ReadInteger(section, key(name, "PaperSize"), 0);
    PaperLength = ini.ReadInteger(section, key(name, "PaperLength"), 0);
    PaperWidth = ini.ReadInteger(section, key(name, "PaperWidth"), 0);
    Scale = ini.ReadInteger(section, key(name, "Scale"), 0);
    DefaultSource = ini.ReadInteger(section, key(name, "DefaultSource"), 0);
    PrintQuality = ini.ReadInteger(section, key(name, "PrintQuality"), 0);
    Color = ini.ReadInteger(section, key(name, "Color"), 0);
    Duplex = ini.ReadInteger(section, key(name, "Duplex"), 0);
    SetupLoaded = false;
}

void TEnvelopeData::SaveToIni(const QString &section, const QString &name)
{
    Name = name;
    TZambIniFile &ini = *IniFile;
    TIniUpdate batch(ini); // one rewrite of the file for the whole record
    const QString printer = TIniFile::StorableValue(FullPrinterName);
    ini.WriteString(section, key(name, "FullPrinterName"), printer);
    ini.WriteString(section, key(name, "PrinterName"), printer);
    ini.WriteInteger(section, key(name, "ReturnLeft"), m_ReturnLeft);
    ini.WriteInteger(section, key(name, "ReturnTop"), m_ReturnTop);
    ini.WriteInteger(section, key(name, "DestinationLeft"), m_DestinationLeft);
    ini.WriteInteger(section, key(name, "DestinationBottom"), m_DestinationBottom);
    ini.WriteInteger(section, key(name, "AttentionLeft"), m_AttentionLeft);
    ini.WriteInteger(section, key(name, "AttentionBottom"), m_AttentionBottom);
    ini.WriteInteger(section, key(name, "FacingMarkFromRight"), m_FacingMarkFromRight);
    ini.WriteInteger(section, key(name, "TriFoldFromTop"), m_TriFoldFromTop);
    ini.WriteInteger(section, key(name, "TriFoldFromBottom"), m_TriFoldFromBottom);
    ini.WriteInteger(section, key(name, "IniId"), IniId);
    ini.WriteInteger(section, key(name, "Fields"), Fields);
    ini.WriteInteger(section, key(name, "Orientation"), Orientation);
    ini.WriteInteger(section, key(name, "PaperSize"), PaperSize);
    ini.WriteInteger(section, key(name, "PaperLength"), PaperLength);
    ini.WriteInteger(section, key(name, "PaperWidth"), PaperWidth);
    ini.WriteInteger(section, key(name, "Scale"), Scale);
    ini.WriteInteger(section, key(name, "DefaultSource"), DefaultSource);
    ini.WriteInteger(section, key(name, "PrintQuality"), PrintQuality);
    ini.WriteInteger(section, key(name, "Color"), Color);
    ini.WriteInteger(section, key(name, "Duplex"), Duplex);
    batch.Commit();
}

QString TEnvelopeData::setupSection() const
{
    return QStringLiteral("IniId_") + QString::number(IniId);
}

void TEnvelopeData::LoadPrinterSetup(TZambIniFile &ini, const QString &section, bool migrate,
                                     const QString &name)
{
    TEnvelopePrinter &printer = EnvelopePrinter();
    IniId = ini.ReadInteger(section, key(name, "IniId"), 0);
    if (IniId != 0) {
        // The block lies in the store the definition came from.
        if (&ini == IniFile)
            printer.LoadSetupBlock(setupSection());
        else
            printer.LoadSetupBlock(ini, setupSection());
    } else {
        printer.LoadPrinterSetup(ini, section, name);
        if (migrate) {
            IniId = static_cast<int>(NextUnique());
            IniFile->WriteInteger(section, key(name, "IniId"), IniId);
            SavePrinterSetup();
        }
    }
    SetupLoaded = true;
}

void TEnvelopeData::SavePrinterSetup()
{
    TEnvelopePrinter &printer = EnvelopePrinter();
    if (IniId == 0) {
        IniId = static_cast<int>(NextUnique());
        IniFile->WriteInteger(envelopesSection, key(Name, "IniId"), IniId);
    }
    printer.SaveSetupBlock(setupSection());
    Fields = 0x1A0F;
    Scale = 100;
    Duplex = 1;
    Orientation = printer.GetOrientation();
    PaperSize = printer.GetPaperSize();
    PaperLength = printer.GetDevModePaperLength();
    PaperWidth = printer.GetDevModePaperWidth();
    DefaultSource = printer.GetDefaultSource();
    PrintQuality = printer.GetPrintQuality();
    Color = printer.GetColor();
}

void TEnvelopeData::ErasePrinterSetup()
{
    // IniId 0 has no section of its own; never erase a stray "IniId_0".
    if (IniId != 0)
        IniFile->EraseSection(setupSection());
}

void TEnvelopeData::EditPrinterSetup()
{
    if (EnvelopePrinter().EditDocumentProperties())
        SavePrinterSetup();
}

bool TEnvelopeData::SelectEnvelopePrinter()
{
    TEnvelopePrinter &printer = EnvelopePrinter();
    const int found = findPrinter(printer.Printers(), FullPrinterName);
    if (found >= 0) {
        printer.SetPrinterIndex(found);
        LoadPrinterSetup(*IniFile, envelopesSection, true, Name);
    } else if (!printer.PrintServiceDown()) {
        // With the print service down nothing is known of the printer; printing says why it cannot.
        MessageDlg(
            QStringLiteral("The selected envelope was defined for printer \"%1\". This printer has been "
                           "renamed or has been removed. Press the \"Add\" button in the Envelope Sizes box "
                           "to redefine this envelope size with a new printer.")
                .arg(FullPrinterName),
            TMsgDlgType::Warning, mbOK, 0);
    }
    PrinterAvailable = found >= 0;
    return PrinterAvailable;
}

bool TEnvelopeData::MigrateOlderSetup()
{
    if (IniId != 0 || Name.isEmpty())
        return false;
    TEnvelopePrinter &printer = EnvelopePrinter();
    const int found = findPrinter(printer.Printers(), FullPrinterName);
    if (found < 0)
        return false;
    const int previous = printer.PrinterIndex();
    printer.SetPrinterIndex(found);
    LoadPrinterSetup(*IniFile, envelopesSection, true, Name);
    printer.SetPrinterIndex(previous);
    SetupLoaded = false;
    return IniId != 0;
}

void TEnvelopeData::ImportDefaultEnvelope(int n)
{
    TZambIniFile defaults(ProgramDataFile(QStringLiteral("DefaultEnvelopes.ini")));
    const QString name = QStringLiteral("Envelope") + QString::number(n);
    LoadFromIni(defaults, envelopesSection, name);
    LoadPrinterSetup(defaults, envelopesSection, false, name);
    // The definition is the user's own from here: it gets its own setup section
    // when stored, and belongs to the printer chosen for it.
    IniId = 0;
    TEnvelopePrinter &printer = EnvelopePrinter();
    FullPrinterName = currentPrinterName(printer);
}
