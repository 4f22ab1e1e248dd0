#pragma once

#include <QString>
#include <QStringList>

class TZambIniFile;

// What an envelope definition reads of the user's preferences.
class TEnvelopePreferences
{
public:
    virtual ~TEnvelopePreferences() = default;
    // 0 inches, 1 centimetres.
    virtual int Measure() const = 0;
    virtual bool PostalMargins() const = 0;
};

// The preferences in use: inches and postal margins until the main window
// installs its own (not owned; nullptr restores those).
const TEnvelopePreferences &EnvelopePreferences();
void SetEnvelopePreferences(const TEnvelopePreferences *preferences);

// What an envelope definition asks of the program's printer object. Lengths
// are hundredths of an inch unless named otherwise.
class TEnvelopePrinter
{
public:
    virtual ~TEnvelopePrinter() = default;
    virtual QStringList PrinterNames() = 0;
    // Reading an unset index selects the default printer.
    virtual int PrinterIndex() = 0;
    virtual void SetPrinterIndex(int index) = 0;
    // The current paper: the custom size when that is on.
    virtual int PaperWidth() = 0;
    virtual int PaperHeight() = 0;
    virtual bool CustomSize() = 0;
    virtual int CustomWidth() = 0;
    virtual int CustomHeight() = 0;
    virtual void SelectEnvelope10() = 0;
    virtual void SelectLetter() = 0;
    // The printer-setup block in a section of the given store.
    virtual void SaveSetupBlock(TZambIniFile &store, const QString &section) = 0;
    virtual void LoadSetupBlock(TZambIniFile &store, const QString &section) = 0;
    // The older per-key form under Prefix in Section.
    virtual void LoadPrinterSetup(TZambIniFile &store, const QString &section, const QString &prefix) = 0;
    virtual bool EditDocumentProperties() = 0;
    // Values of the current device mode; paper width and length in tenths of a millimetre.
    virtual int Orientation() = 0;
    virtual int PaperSize() = 0;
    virtual int DevModePaperLength() = 0;
    virtual int DevModePaperWidth() = 0;
    virtual int DefaultSource() = 0;
    virtual int PrintQuality() = 0;
    virtual int Color() = 0;
};

// The printer that definitions use: the program's printer object unless one
// was installed (not owned; nullptr restores it).
TEnvelopePrinter &EnvelopePrinter();
void SetEnvelopePrinter(TEnvelopePrinter *printer);

// One envelope definition: where the return address, destination, attention
// line, facing mark and fold lines go on one envelope fed to one printer.
// Distances are hundredths of an inch.
class TEnvelopeData
{
public:
    TEnvelopeData();

    bool SetupLoaded = false;
    int IniId = 0;
    QString FullPrinterName;
    bool PrinterAvailable = true;
    QString Name;
    // The printer's device-mode values when the definition was last stored.
    int Fields = 0;
    int Orientation = 0;
    int PaperSize = 0;
    int PaperLength = 0;
    int PaperWidth = 0;
    int Scale = 0;
    int DefaultSource = 0;
    int PrintQuality = 0;
    int Color = 0;
    int Duplex = 0;

    int ReturnLeft() const { return m_ReturnLeft; }
    int ReturnTop() const { return m_ReturnTop; }
    int DestinationLeft() const { return m_DestinationLeft; }
    int DestinationBottom() const { return m_DestinationBottom; }
    int AttentionLeft() const { return m_AttentionLeft; }
    int AttentionBottom() const { return m_AttentionBottom; }
    int FacingMarkFromRight() const { return m_FacingMarkFromRight; }
    int TriFoldFromTop() const { return m_TriFoldFromTop; }
    int TriFoldFromBottom() const { return m_TriFoldFromBottom; }

    // Each setter keeps the value within its limits (the postal ones only
    // while postal margins are enforced).
    void SetReturnLeft(int value);
    void SetReturnTop(int value);
    void SetDestinationLeft(int value);
    void SetDestinationBottom(int value);
    void SetAttentionLeft(int value);
    void SetAttentionBottom(int value);
    void SetFacingMarkFromRight(int value);
    void SetTriFoldFromTop(int value);
    void SetTriFoldFromBottom(int value);

    // Hundredths of a centimetre.
    int ReturnLeftMetric() const;
    int ReturnTopMetric() const;
    int DestinationLeftMetric() const;
    int DestinationBottomMetric() const;
    int AttentionLeftMetric() const;
    int AttentionBottomMetric() const;
    int FacingMarkFromRightMetric() const;
    int TriFoldFromTopMetric() const;
    int TriFoldFromBottomMetric() const;

    // "1.50": the value in inches or centimetres as the Measure preference says.
    QString GetReturnLeftText() const;
    QString GetReturnTopText() const;
    QString GetDestinationLeftText() const;
    QString GetDestinationBottomText() const;
    QString GetAttentionLeftText() const;
    QString GetAttentionBottomText() const;
    QString GetFacingMarkFromRightText() const;
    QString GetTriFoldFromTopText() const;
    QString GetTriFoldFromBottomText() const;
    QString GetCustomWidthText() const;
    QString GetCustomHeightText() const;

    int DefaultDestinationLeft() const;
    int DefaultTriFoldFromTop() const;
    int DefaultTriFoldFromBottom() const;
    bool IsTriFoldLetter() const;
    static bool IsMetric();
    static bool EnforceMargins();

    void ResetLayout();
    void InitForEnvelope10(bool useDefaultPrinter);
    void InitForLetter(bool useDefaultPrinter);

    void LoadFromIni(const TZambIniFile &ini, const QString &section, const QString &name);
    void SaveToIni(const QString &section, const QString &name);
    void LoadPrinterSetup(TZambIniFile &ini, const QString &section, bool migrate, const QString &name);
    void SavePrinterSetup();
    void ErasePrinterSetup();
    void EditPrinterSetup();
    bool SelectEnvelopePrinter();
    // A definition stored in the older per-key form moves to the block form
    // (its printer selected for the purpose, then the previous one again), so
    // that rewriting the "Envelopes" section cannot drop its custom size keys.
    // Returns false when there was nothing to move or its printer is gone.
    bool MigrateOlderSetup();
    void ImportDefaultEnvelope(int n);

    // A length in hundredths of an inch as the user sees it.
    static QString LengthText(int hundredthsOfInch);

private:
    void initFor(bool useDefaultPrinter, bool letter);
    QString setupSection() const;

    int m_ReturnLeft = 0;
    int m_ReturnTop = 0;
    int m_DestinationLeft = 0;
    int m_DestinationBottom = 200;
    int m_AttentionLeft = 0;
    int m_AttentionBottom = 0;
    int m_FacingMarkFromRight = 250;
    int m_TriFoldFromTop = 0;
    int m_TriFoldFromBottom = 0;
};
