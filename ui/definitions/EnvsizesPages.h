#pragma once

// The pages of the definitions manager that show the highlighted definition:
// its paper (printer paper or a custom size), its nine layout distances (edited
// in the grid) and the printer's setup and facts.

#include <QTabWidget>

#include <functional>

class DefinitionStore;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;

class TEnvelopePages : public QTabWidget
{
public:
    explicit TEnvelopePages(DefinitionStore &Store, QWidget *parent = nullptr);

    // Runs the printer setup (a double click on a printer grid, or its menu).
    std::function<void()> OnSetup;
    // After the indents grid is filled: the sample follows it.
    std::function<void()> OnIndentsFilled;

    void FillPrinterSetupGrid();
    void FillIndentsGrid();
    void ParseIndentsGrid();
    void FillEnvelopeSizePage();
    void ApplyCustomSize();

    QTableWidget *StringGridEnvelopeIndents() const { return m_indents; }
    QTableWidget *StringGridPrinterSetup() const { return m_printerSetup; }
    QTableWidget *StringGridPrinterDiagnostics() const { return m_diagnostics; }
    QRadioButton *RadioButtonPrinter() const { return m_radioPrinter; }
    QRadioButton *RadioButtonCustom() const { return m_radioCustom; }
    QLineEdit *EditPaperSize() const { return m_editPaperSize; }
    QLineEdit *EditPaperSize2() const { return m_editPaperSize2; }
    QLineEdit *EditCustomWidth() const { return m_editCustomWidth; }
    QLineEdit *EditCustomHeight() const { return m_editCustomHeight; }
    QLabel *LabelUnits() const { return m_labelUnits; }
    // Says what of the definition's layout lies outside its paper; hidden while all fits.
    QLabel *LabelLayoutWarning() const { return m_layoutWarning; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildSizePage();
    QTableWidget *printerGrid(int rows, int help);
    void setRow(QTableWidget *grid, int row, const QString &name, const QString &value);
    void ShowLayoutWarning();
    // Says that what was typed into the field is not a length.
    void refuse(const QString &field, const QString &typed);
    void report(const QString &message);

    DefinitionStore &m_store;
    // Set while the pages write their own controls, whose change signals must
    // not read them back.
    bool m_fillingSizePage = false;
    bool m_fillingIndents = false;
    bool m_applying = false;
    bool m_reportPending = false;
    QTableWidget *m_indents = nullptr;
    QTableWidget *m_printerSetup = nullptr;
    QTableWidget *m_diagnostics = nullptr;
    QWidget *m_panelEnvelopeSetup = nullptr;
    QRadioButton *m_radioPrinter = nullptr;
    QRadioButton *m_radioCustom = nullptr;
    QLineEdit *m_editPaperSize = nullptr;
    QLineEdit *m_editPaperSize2 = nullptr;
    QLineEdit *m_editCustomWidth = nullptr;
    QLineEdit *m_editCustomHeight = nullptr;
    QLabel *m_labelX = nullptr;
    QLabel *m_labelUnits = nullptr;
    QLabel *m_labelWithin = nullptr;
    QLabel *m_layoutWarning = nullptr;
};
