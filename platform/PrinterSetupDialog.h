#pragma once

#include "platform/DevMode.h"
#include "platform/Spooler.h"

#include <QDialog>

class QComboBox;
class QRadioButton;
class QCheckBox;

// What the printer setup dialog edits: a copy of the device mode, limited to
// what the printer offers. It knows no widgets, so it can be tested alone.
class PrinterSetupModel
{
public:
    PrinterSetupModel(const QString &printerName, const PrinterCaps &caps, const DevMode &current);

    const QString &PrinterName() const { return m_name; }
    QStringList PaperNames() const;
    QStringList SourceNames() const;
    QStringList QualityNames() const;
    bool ColorAvailable() const { return m_caps.color; }
    bool DuplexAvailable() const { return m_caps.duplex; }

    // -1 when the device mode holds something the list does not.
    int PaperIndex() const;
    int SourceIndex() const;
    int QualityIndex() const;
    bool Landscape() const { return m_edit.Orientation() == DMORIENT_LANDSCAPE; }
    bool Color() const { return m_edit.Color() == DMCOLOR_COLOR; }
    int DuplexIndex() const; // 0 off, 1 long edge, 2 short edge

    void SetPaperIndex(int index);
    void SetSourceIndex(int index);
    void SetQualityIndex(int index);
    void SetLandscape(bool landscape);
    void SetColor(bool color);
    void SetDuplexIndex(int index);

    const DevMode &Result() const { return m_edit; }

private:
    QString m_name;
    PrinterCaps m_caps;
    DevMode m_edit;
};

class PrinterSetupDialog : public QDialog
{
    Q_OBJECT
public:
    PrinterSetupDialog(const QString &printerName, const PrinterCaps &caps, const DevMode &current,
                       QWidget *parent = nullptr);

    const PrinterSetupModel &Model() const { return m_model; }

    QComboBox *paperBox = nullptr;
    QComboBox *sourceBox = nullptr;
    QRadioButton *portraitButton = nullptr;
    QRadioButton *landscapeButton = nullptr;
    QComboBox *qualityBox = nullptr;
    QCheckBox *colorBox = nullptr;
    QComboBox *duplexBox = nullptr;

private:
    PrinterSetupModel m_model;
};

// Shows the dialog on the printer's device mode; the record changes only on OK.
bool RunPrinterSetupDialog(QWidget *parent, const QString &printerName, const PrinterCaps &caps,
                           DevMode &devMode);
