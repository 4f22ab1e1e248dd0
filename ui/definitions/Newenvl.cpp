#include "ui/definitions/Newenvl.h"

#include "foundation/QmComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/QmWindows.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/PrinterModel.h"
#include "platform/ProgramFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

TDlgNewEnvelopeSize *dialogInstance = nullptr;

const QString generic = QStringLiteral("(generic)");

QString printerPart(const QString &text)
{
    QString name = text.toLower();
    const int on = name.indexOf(QStringLiteral(" on "));
    if (on >= 0)
        name.truncate(on);
    return name;
}

// -1 when no model begins with the name.
int findModel(const QString &name, const QStringList &models)
{
    for (int i = 0; i < models.size(); ++i) {
        if (models.at(i).left(name.size()).toLower() == name)
            return i;
    }
    return -1;
}

} // namespace

std::function<QString(const QString &printer)> TDlgNewEnvelopeSize::MakeAndModelOf = PrinterMakeAndModel;

QStringList ReadPrinterModels(const QString &FileName)
{
    QStringList models{generic};
    if (!QFileInfo(FileName).isFile())
        return models;
    try {
        TZambIniFile defaults(FileName);
        const QString section = QStringLiteral("Envelopes");
        // Each model has its name key: a larger count is not a models file's.
        QStringList keys;
        defaults.ReadSection(section, keys);
        const int count =
            std::clamp(defaults.ReadInteger(section, QStringLiteral("Count"), 0), 0, int(keys.size()));
        for (int i = 1; i <= count; ++i)
            models.append(
                defaults.ReadString(section, QStringLiteral("Envelope%1_PrinterName").arg(i), generic));
    } catch (const Exception &) {
        // An unreadable file offers the generic setup alone.
        models = QStringList{generic};
    }
    return models;
}

int MatchPrinterModel(const QString &PrinterText, const QStringList &Models)
{
    return std::max(0, findModel(printerPart(PrinterText), Models));
}

int MatchPrinterModel(const QString &PrinterText, const QString &MakeAndModel, const QStringList &Models)
{
    const int byName = findModel(printerPart(PrinterText), Models);
    if (byName > 0 || MakeAndModel.trimmed().isEmpty())
        return std::max(0, byName);
    // A queue name seldom reads like a model name; the driver's model text may.
    return std::max(0, findModel(MakeAndModel.trimmed().toLower(), Models));
}

TDlgNewEnvelopeSize::TDlgNewEnvelopeSize(QWidget *parent) : QDialog(parent)
{
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    m_labelDescription = new QLabel(QStringLiteral("Description:"), this);
    m_editEnvelopeSize = new QLineEdit(this);
    m_editEnvelopeSize->setToolTip(QStringLiteral("Enter a description for the envelope"));
    m_labelDescription->setBuddy(m_editEnvelopeSize);
    m_labelPrinters = new QLabel(this);
    m_comboBoxPrinters = new QComboBox(this);
    m_comboBoxPrinters->setToolTip(QStringLiteral("Select the printer you want to use for envelopes."));
    m_labelServiceDown = new QLabel(this);
    m_labelServiceDown->setWordWrap(true);
    m_labelServiceDown->hide();
    m_labelDefaults = new QLabel(QStringLiteral("Choose closest printer model for defaults"), this);
    m_comboBoxDefaults = new QComboBox(this);
    m_comboBoxDefaults->setToolTip(
        QStringLiteral("Select your printer from the list or choose the first entry for a generic setup."));
    m_radioGroupEnvelopeType = new QGroupBox(QStringLiteral("Envelope Type"), this);
    m_radioGroupEnvelopeType->setToolTip(
        QStringLiteral("Select whether an envelope or tri-fold paper is being defined."));
    m_radioEnvelope = new QRadioButton(QStringLiteral("Envelope"), m_radioGroupEnvelopeType);
    m_radioLetter =
        new QRadioButton(QStringLiteral("Letter Sized paper folded in thirds"), m_radioGroupEnvelopeType);
    m_radioEnvelope->setChecked(true);
    auto *radios = new QVBoxLayout(m_radioGroupEnvelopeType);
    radios->addWidget(m_radioEnvelope);
    radios->addWidget(m_radioLetter);

    m_okBtn = new QPushButton(QStringLiteral("OK"), this);
    m_okBtn->setDefault(true);
    m_cancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    m_helpBtn = new QPushButton(QStringLiteral("Help"), this);
    m_helpBtn->setAutoDefault(false);
    ConnectGuarded(m_okBtn, &QPushButton::clicked, this, &QDialog::accept);
    ConnectGuarded(m_cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    ConnectHelpButton(m_helpBtn, this);
    ConnectGuarded(m_comboBoxPrinters, &QComboBox::activated, this, [this] { ComboBoxPrintersChange(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okBtn);
    buttons->addWidget(m_cancelBtn);
    buttons->addWidget(m_helpBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_labelDescription);
    layout->addWidget(m_editEnvelopeSize);
    layout->addWidget(m_labelPrinters);
    layout->addWidget(m_comboBoxPrinters);
    layout->addWidget(m_labelServiceDown);
    layout->addWidget(m_labelDefaults);
    layout->addWidget(m_comboBoxDefaults);
    layout->addWidget(m_radioGroupEnvelopeType);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SetHelpContext(this, 20091);
    SetHelpContext(m_editEnvelopeSize, 20092);
    SetHelpContext(m_comboBoxPrinters, 20093);
    SetHelpContext(m_comboBoxDefaults, 20094);
    SetHelpContext(m_radioGroupEnvelopeType, 20095);
}

QString TDlgNewEnvelopeSize::Description() const
{
    return m_editEnvelopeSize->text();
}

int TDlgNewEnvelopeSize::SelectedPrinterIndex() const
{
    return m_comboBoxPrinters->currentIndex();
}

int TDlgNewEnvelopeSize::SelectedModelIndex() const
{
    return m_comboBoxDefaults->currentIndex();
}

int TDlgNewEnvelopeSize::EnvelopeType() const
{
    return m_radioLetter->isChecked() ? 1 : 0;
}

void TDlgNewEnvelopeSize::LoadPrinterModelDefaults()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_comboBoxDefaults->clear();
    m_comboBoxDefaults->addItems(ReadPrinterModels(ProgramDataFile(QStringLiteral("DefaultEnvelopes.ini"))));
    QGuiApplication::restoreOverrideCursor();
}

int TDlgNewEnvelopeSize::ExecuteAddEnvelope(bool ShowCancel, const QString &Description)
{
    m_editEnvelopeSize->setText(Description);
    setWindowTitle(QStringLiteral("Add Envelope Definition"));
    m_labelDefaults->show();
    m_comboBoxDefaults->show();
    m_labelPrinters->setText(QStringLiteral("Choose Printer"));
    m_comboBoxPrinters->setEnabled(true);
    m_cancelBtn->setVisible(ShowCancel);
    m_radioGroupEnvelopeType->show();

    LoadPrinterModelDefaults();
    if (m_comboBoxDefaults->currentIndex() < 0)
        SetComboItemIndex(m_comboBoxDefaults, 0);

    m_comboBoxPrinters->clear();
    TZambPrinter *printer = PrinterInstance();
    if (printer) {
        // Queues come and go while the program runs.
        if (!printer->Printing())
            printer->RefreshPrinters();
        m_comboBoxPrinters->addItems(printer->Printers());
    }
    // Said beside the list, which then holds only the printers of the program's own.
    m_labelServiceDown->setText(PrintServiceDownText(QString()));
    m_labelServiceDown->setVisible(printer && printer->PrintServiceDown());
    // The system's default printer, found without touching the program's printer.
    int defaultIndex = -1;
    try {
        TZambPrinter probe(PrinterSpooler());
        probe.SetPrinterIndex(-1);
        defaultIndex = probe.PrinterIndex();
    } catch (const Exception &) {
        defaultIndex = 0; // no default printer: the first one is offered
    }
    // A freshly filled list has no choice of the user's: offer the default printer.
    SetComboItemIndex(m_comboBoxPrinters, defaultIndex);
    ComboBoxPrintersChange();
    return exec();
}

int TDlgNewEnvelopeSize::ExecuteRenameEnvelope(const QString &Description, const QString &PrinterName)
{
    m_editEnvelopeSize->setText(Description);
    setWindowTitle(QStringLiteral("Rename Envelope Definition"));
    m_labelDefaults->hide();
    m_comboBoxDefaults->hide();
    m_radioGroupEnvelopeType->hide();
    m_labelPrinters->setText(QStringLiteral("Selected Printer"));
    m_cancelBtn->show();
    m_comboBoxPrinters->clear();
    m_comboBoxPrinters->addItem(PrinterName);
    m_comboBoxPrinters->setCurrentIndex(0);
    m_comboBoxPrinters->setEnabled(false);
    m_labelServiceDown->hide();
    return exec();
}

void TDlgNewEnvelopeSize::ComboBoxPrintersChange()
{
    QStringList models;
    for (int i = 0; i < m_comboBoxDefaults->count(); ++i)
        models.append(m_comboBoxDefaults->itemText(i));
    const QString printerText = m_comboBoxPrinters->currentText();
    QString makeAndModel;
    if (MakeAndModelOf && !printerText.isEmpty())
        makeAndModel = MakeAndModelOf(PrinterNameWithoutPort(printerText));
    m_comboBoxDefaults->setCurrentIndex(MatchPrinterModel(printerText, makeAndModel, models));
}

void TDlgNewEnvelopeSize::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_editEnvelopeSize->setFocus();
}

void TDlgNewEnvelopeSize::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // The dialog is as wide as its contents: the edit keeps room for the caption.
    if (event->type() == QEvent::WindowTitleChange && layout()) {
        const QMargins margins = layout()->contentsMargins();
        m_editEnvelopeSize->setMinimumWidth(CaptionWidth(this) - margins.left() - margins.right());
    }
}

TDlgNewEnvelopeSize *GetNewEnvelopeSizeDialog()
{
    if (!dialogInstance)
        dialogInstance = new TDlgNewEnvelopeSize;
    return dialogInstance;
}

void FreeNewEnvelopeSizeDialog()
{
    delete dialogInstance;
    dialogInstance = nullptr;
}
