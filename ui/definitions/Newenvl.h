#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QGroupBox;

// "(generic)" followed by the printer-model names of a defaults file, in file
// order: section "Envelopes", "Count" and "Envelope<i>_PrinterName". A missing
// or unreadable file gives "(generic)" alone.
QStringList ReadPrinterModels(const QString &FileName);

// The first model whose name begins with the printer's name (letter case aside,
// the port after " on " dropped); 0 ("(generic)") when none does.
int MatchPrinterModel(const QString &PrinterText, const QStringList &Models);

// The same, trying the printer's make and model text when its name matches no model.
int MatchPrinterModel(const QString &PrinterText, const QString &MakeAndModel, const QStringList &Models);

// The dialog in which a new envelope definition is named and given its printer,
// printer model and kind, or an existing one renamed. It only collects the
// choices; the manager reads them after it closes.
class TDlgNewEnvelopeSize : public QDialog
{

public:
    explicit TDlgNewEnvelopeSize(QWidget *parent = nullptr);

    int ExecuteAddEnvelope(bool ShowCancel, const QString &Description);
    int ExecuteRenameEnvelope(const QString &Description, const QString &PrinterName);
    void LoadPrinterModelDefaults();

    QString Description() const;
    // Index in the printer object's printer list.
    int SelectedPrinterIndex() const;
    // 0 "(generic)", m >= 1 the m-th model of the defaults file.
    int SelectedModelIndex() const;
    // 0 envelope, 1 letter paper folded in thirds.
    int EnvelopeType() const;

    QLineEdit *EditEnvelopeSize() const { return m_editEnvelopeSize; }
    QComboBox *ComboBoxPrinters() const { return m_comboBoxPrinters; }
    QComboBox *ComboBoxDefaults() const { return m_comboBoxDefaults; }
    QLabel *LabelPrinters() const { return m_labelPrinters; }
    // Says that the print service is down, while it is.
    QLabel *LabelServiceDown() const { return m_labelServiceDown; }
    QLabel *LabelDefaults() const { return m_labelDefaults; }
    QGroupBox *RadioGroupEnvelopeType() const { return m_radioGroupEnvelopeType; }
    QRadioButton *RadioLetter() const { return m_radioLetter; }
    QRadioButton *RadioEnvelope() const { return m_radioEnvelope; }
    QPushButton *CancelBtn() const { return m_cancelBtn; }
    QPushButton *OKBtn() const { return m_okBtn; }

    // The make and model text of a printer (CUPS "printer-make-and-model");
    // tests put their own in place.
    static std::function<QString(const QString &printer)> MakeAndModelOf;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ComboBoxPrintersChange();

    QLabel *m_labelDescription = nullptr;
    QLineEdit *m_editEnvelopeSize = nullptr;
    QLabel *m_labelPrinters = nullptr;
    QComboBox *m_comboBoxPrinters = nullptr;
    QLabel *m_labelServiceDown = nullptr;
    QLabel *m_labelDefaults = nullptr;
    QComboBox *m_comboBoxDefaults = nullptr;
    QGroupBox *m_radioGroupEnvelopeType = nullptr;
    QRadioButton *m_radioEnvelope = nullptr;
    QRadioButton *m_radioLetter = nullptr;
    QPushButton *m_okBtn = nullptr;
    QPushButton *m_cancelBtn = nullptr;
    QPushButton *m_helpBtn = nullptr;
};

TDlgNewEnvelopeSize *GetNewEnvelopeSizeDialog();
// Frees the dialog (shutdown and tests).
void FreeNewEnvelopeSizeDialog();
