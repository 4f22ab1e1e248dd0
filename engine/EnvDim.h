#pragma once

#include <QString>
#include <QStringList>

class TZambIniFile;
class TEnvelopePrinter;

// What an envelope definition reads of the user's preferences.
class TEnvelopePreferences
{
public:
    virtual ~TEnvelopePreferences() = default;
    // 0 inches, 1 centimetres.
    virtual int Measure() const = 0;
    virtual bool PostalMargins() const = 0;
    // Whether envelopes carry the facing identification mark.
    virtual bool FacingMark() const = 0;
};

// The preferences in use: inches and postal margins until the main window
// installs its own (not owned; nullptr restores those).
const TEnvelopePreferences &EnvelopePreferences();
void SetEnvelopePreferences(const TEnvelopePreferences *preferences);

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
