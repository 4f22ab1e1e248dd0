#include "engine/EnvPrint.h"

#include "engine/PrintAddresses.h"
#include "foundation/QmPrinter.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

bool TextToInteger(const QString &Text, int &Value)
{
    const QString t = Text.trimmed();
    if (t.isEmpty())
        return false;
    int i = 0;
    if (t.at(0) == QLatin1Char('-') || t.at(0) == QLatin1Char('+'))
        i = 1;
    if (i == t.size())
        return false;
    for (int k = i; k < t.size(); ++k) {
        if (t.at(k) < QLatin1Char('0') || t.at(k) > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok)
        return false;
    Value = v;
    return true;
}

TPrintValuesCheck CheckPrintValues(const QString &Copies, const QString &From, const QString &To, int MinPage,
                                   int MaxPage)
{
    TPrintValuesCheck check;
    const QString *texts[] = {&Copies, &From, &To};
    int *targets[] = {&check.Copies, &check.From, &check.To};
    for (int i = 0; i < 3; ++i) {
        if (!TextToInteger(*texts[i], *targets[i])) {
            check.Outcome = TPrintValuesCheck::NotAnInteger;
            check.Message = QStringLiteral("'%1' is not a valid integer value").arg(*texts[i]);
            return check;
        }
    }
    if (check.Copies < TDlgEnvelopePrint::MinCopies || check.Copies > TDlgEnvelopePrint::MaxCopies) {
        check.Outcome = TPrintValuesCheck::CopiesOutOfRange;
        check.Message = QStringLiteral("You selected %1 copies, but only %2 to %3 can be printed.")
                            .arg(check.Copies)
                            .arg(TDlgEnvelopePrint::MinCopies)
                            .arg(TDlgEnvelopePrint::MaxCopies);
        return check;
    }
    // A range whose From lies after its To passes: it selects nothing.
    if (check.From >= MinPage && check.To <= MaxPage)
        return check;
    check.Outcome = TPrintValuesCheck::RangeOutOfBounds;
    check.Message = QStringLiteral("You can only print from page %1 to page %2.").arg(MinPage).arg(MaxPage);
    return check;
}

QString SelectedAddressesCaption(int Count)
{
    if (Count > 0)
        return QStringLiteral("&Selected addresses (%1)").arg(Count);
    return QStringLiteral("&Selected addresses");
}

TDlgEnvelopePrint::TDlgEnvelopePrint(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Print Envelope"));
    SetHelpContext(this, 20139);

    GroupBoxEnvelope = new QGroupBox(QStringLiteral("Envelope"), this);
    EditEnvelope = new QLineEdit(GroupBoxEnvelope);
    EditEnvelope->setReadOnly(true);
    EditEnvelope->setToolTip(
        QStringLiteral("This is the type of envelope to print on.  Click the Setup button to change it."));
    SetHelpContext(EditEnvelope, 20140);
    EditPrinter = new QLineEdit(GroupBoxEnvelope);
    EditPrinter->setReadOnly(true);
    EditPrinter->setToolTip(QStringLiteral(
        "This is the printer selected for the envelope.  Click the Setup button to change it."));
    SetHelpContext(EditPrinter, 20141);
    SetupBtn = new QPushButton(QStringLiteral("Setup"), GroupBoxEnvelope);
    SetupBtn->setToolTip(QStringLiteral("Click here to define the envelope size and other printer settings"));
    SetHelpContext(SetupBtn, 20150);
    SetupBtn->setAutoDefault(false);
    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setAutoDefault(false);
    auto *envelopeLayout = new QGridLayout(GroupBoxEnvelope);
    envelopeLayout->addWidget(EditEnvelope, 0, 0, 1, 2);
    envelopeLayout->addWidget(SetupBtn, 0, 2);
    envelopeLayout->addWidget(new QLabel(QStringLiteral("Printer"), GroupBoxEnvelope), 1, 0);
    envelopeLayout->addWidget(EditPrinter, 1, 1, 1, 2);

    GroupBoxPages = new QGroupBox(QStringLiteral("Address Selection"), this);
    RadioButtonAll = new QRadioButton(QStringLiteral("&All"), GroupBoxPages);
    RadioButtonAll->setToolTip(QStringLiteral("Select this option to print all pages."));
    SetHelpContext(RadioButtonAll, 20142);
    RadioButtonAll->setChecked(true);
    RadioButtonFromTo = new QRadioButton(QStringLiteral("&From:"), GroupBoxPages);
    RadioButtonFromTo->setToolTip(QStringLiteral("Select this option to print a range of pages."));
    SetHelpContext(RadioButtonFromTo, 20143);
    EditFrom = new QLineEdit(QStringLiteral("1"), GroupBoxPages);
    EditFrom->setToolTip(QStringLiteral("First page to print."));
    SetHelpContext(EditFrom, 20144);
    LabelTo = new QLabel(QStringLiteral("to:"), GroupBoxPages);
    EditTo = new QLineEdit(QStringLiteral("1"), GroupBoxPages);
    EditTo->setToolTip(QStringLiteral("Last page to print."));
    SetHelpContext(EditTo, 20145);
    RadioButtonSelection = new QRadioButton(SelectedAddressesCaption(0), GroupBoxPages);
    RadioButtonSelection->setToolTip(
        QStringLiteral("Select this option to print only the selected addresses."));
    SetHelpContext(RadioButtonSelection, 20146);
    RadioButtonNone = new QRadioButton(QStringLiteral("&None"), GroupBoxPages);
    RadioButtonNone->setToolTip(QStringLiteral("Select this option to clear the list of Selected Addresses"));
    SetHelpContext(RadioButtonNone, 20147);
    m_rangeGroup = new QButtonGroup(this);
    for (QRadioButton *b : {RadioButtonAll, RadioButtonFromTo, RadioButtonSelection, RadioButtonNone})
        m_rangeGroup->addButton(b);
    auto *pagesLayout = new QGridLayout(GroupBoxPages);
    pagesLayout->addWidget(RadioButtonAll, 0, 0, 1, 4);
    pagesLayout->addWidget(RadioButtonFromTo, 1, 0);
    pagesLayout->addWidget(EditFrom, 1, 1);
    pagesLayout->addWidget(LabelTo, 1, 2);
    pagesLayout->addWidget(EditTo, 1, 3);
    pagesLayout->addWidget(RadioButtonSelection, 2, 0, 1, 4);
    pagesLayout->addWidget(RadioButtonNone, 3, 0, 1, 4);

    GroupBoxCopies = new QGroupBox(QStringLiteral("Options"), this);
    EditCopies = new QLineEdit(QStringLiteral("1"), GroupBoxCopies);
    EditCopies->setToolTip(QStringLiteral("This is the number of copies of the envelope to print."));
    SetHelpContext(EditCopies, 20148);
    UpDownCopiesUp = new QToolButton(GroupBoxCopies);
    UpDownCopiesUp->setArrowType(Qt::UpArrow);
    UpDownCopiesDown = new QToolButton(GroupBoxCopies);
    UpDownCopiesDown->setArrowType(Qt::DownArrow);
    const auto step = [this](int delta) {
        int value = 1;
        TextToInteger(EditCopies->text(), value);
        EditCopies->setText(QString::number(std::max(MinCopies, value + delta)));
    };
    ConnectGuarded(UpDownCopiesUp, &QToolButton::clicked, this, [step] { step(1); });
    ConnectGuarded(UpDownCopiesDown, &QToolButton::clicked, this, [step] { step(-1); });
    CheckBoxTest = new QCheckBox(QStringLiteral("Test envelope"), GroupBoxCopies);
    CheckBoxTest->setToolTip(QStringLiteral(
        "Check this box to print a border around the outside of the envelope to check your printer setup."));
    SetHelpContext(CheckBoxTest, 20149);
    auto *copiesLayout = new QGridLayout(GroupBoxCopies);
    copiesLayout->addWidget(new QLabel(QStringLiteral("Number of copies:"), GroupBoxCopies), 0, 0);
    copiesLayout->addWidget(EditCopies, 0, 1);
    auto *spin = new QVBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(UpDownCopiesUp);
    spin->addWidget(UpDownCopiesDown);
    copiesLayout->addLayout(spin, 0, 2);
    copiesLayout->addWidget(CheckBoxTest, 1, 0, 1, 3);

    GroupBoxList = new QGroupBox(QStringLiteral("List of Selected Addresses"), this);
    CheckListBoxAddresses = new QListWidget(GroupBoxList);
    CheckListBoxAddresses->setToolTip(QStringLiteral("Use this box to select the addresses to print."));
    SetHelpContext(CheckListBoxAddresses, 20151);
    (new QVBoxLayout(GroupBoxList))->addWidget(CheckListBoxAddresses);

    PrintBtn = new QPushButton(QStringLiteral("Print"), this);
    PrintBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);

    auto *left = new QVBoxLayout;
    left->addWidget(GroupBoxEnvelope);
    left->addWidget(GroupBoxPages);
    left->addWidget(GroupBoxCopies);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PrintBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(GroupBoxList, 1);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(buttons);

    ConnectGuarded(PrintBtn, &QPushButton::clicked, this, &TDlgEnvelopePrint::PrintBtnClick);
    ConnectGuarded(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    ConnectGuarded(SetupBtn, &QPushButton::clicked, this, &TDlgEnvelopePrint::SetupBtnClick);
    ConnectHelpButton(HelpBtn, this);
    ConnectGuarded(RadioButtonAll, &QRadioButton::clicked, this, &TDlgEnvelopePrint::RadioButtonAllClick);
    ConnectGuarded(RadioButtonNone, &QRadioButton::clicked, this, &TDlgEnvelopePrint::RadioButtonNoneClick);
    ConnectGuarded(RadioButtonFromTo, &QRadioButton::clicked, this,
                   &TDlgEnvelopePrint::RadioButtonFromToClick);
    ConnectGuarded(EditFrom, &QLineEdit::textChanged, this, &TDlgEnvelopePrint::EditFromToChange);
    ConnectGuarded(EditTo, &QLineEdit::textChanged, this, &TDlgEnvelopePrint::EditFromToChange);
    ConnectGuarded(CheckListBoxAddresses, &QListWidget::itemChanged, this,
                   &TDlgEnvelopePrint::CheckListBoxAddressesClickCheck);
}

TDlgEnvelopePrint::~TDlgEnvelopePrint() = default;

void TDlgEnvelopePrint::Prepare()
{
    Updating = true;
    RadioButtonSelection->setEnabled(Options & poSelection);
    const bool pages = Options & poPageNums;
    for (QWidget *w :
         {static_cast<QWidget *>(RadioButtonFromTo), static_cast<QWidget *>(RadioButtonNone),
          static_cast<QWidget *>(LabelTo), static_cast<QWidget *>(EditFrom), static_cast<QWidget *>(EditTo)})
        w->setEnabled(pages);
    EditCopies->setText(QString::number(Copies));
    EditFrom->setText(QString::number(FromPage));
    EditTo->setText(QString::number(ToPage));
    CheckBoxTest->setChecked(false);
    if (PrintRange == 1)
        RadioButtonSelection->setChecked(true);
    else if (PrintRange == 2)
        RadioButtonFromTo->setChecked(true);
    else
        RadioButtonAll->setChecked(true);
    UpdateEnvelopeInfo();
    Updating = false;
}

void TDlgEnvelopePrint::TakeResults()
{
    TextToInteger(EditCopies->text(), Copies);
    TextToInteger(EditFrom->text(), FromPage);
    TextToInteger(EditTo->text(), ToPage);
    TestEnvelope = CheckBoxTest->isChecked();
    if (RadioButtonAll->isChecked())
        PrintRange = 0;
    else if (RadioButtonSelection->isChecked())
        PrintRange = 1;
    else if (RadioButtonFromTo->isChecked())
        PrintRange = 2;
}

bool TDlgEnvelopePrint::Execute()
{
    Prepare();
    if (exec() != QDialog::Accepted)
        return false;
    TakeResults();
    return true;
}

void TDlgEnvelopePrint::SetAddressCaptions(const QStringList &Captions)
{
    const QSignalBlocker block(CheckListBoxAddresses);
    CheckListBoxAddresses->clear();
    for (const QString &caption : Captions) {
        auto *item = new QListWidgetItem(caption, CheckListBoxAddresses);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void TDlgEnvelopePrint::UpdateSelectionCount()
{
    int n = 0;
    {
        const QSignalBlocker block(CheckListBoxAddresses);
        for (int i = CheckListBoxAddresses->count() - 1; i >= 0; --i) {
            const bool selected = PrintList && i < PrintList->Count() && PrintList->GetAddress(i).Selected;
            CheckListBoxAddresses->item(i)->setCheckState(selected ? Qt::Checked : Qt::Unchecked);
            if (selected)
                ++n;
        }
    }
    RadioButtonSelection->setText(SelectedAddressesCaption(n));
}

void TDlgEnvelopePrint::UpdateEnvelopeInfo()
{
    EditEnvelope->setText(EnvelopeName ? EnvelopeName() : QString());
    const bool hasEnvelope = HasCurrentEnvelope && HasCurrentEnvelope();
    EditPrinter->setText(hasEnvelope && PrinterInstance() ? PrinterInstance()->GetDeviceName() : QString());
}

void TDlgEnvelopePrint::PrintBtnClick()
{
    const TPrintValuesCheck check =
        CheckPrintValues(EditCopies->text(), EditFrom->text(), EditTo->text(), MinPage, MaxPage);
    if (check.Outcome == TPrintValuesCheck::Ok) {
        accept();
        return;
    }
    MessageDlg(check.Message, TMsgDlgType::Error, mbOK, 0);
}

void TDlgEnvelopePrint::SetupBtnClick()
{
    if (Updating)
        return;
    if (OpenEnvelopeManager)
        OpenEnvelopeManager();
    UpdateEnvelopeInfo();
}

void TDlgEnvelopePrint::RadioButtonAllClick()
{
    if (Updating || !PrintList)
        return;
    PrintList->SelectAll(true);
    UpdateSelectionCount();
}

void TDlgEnvelopePrint::RadioButtonNoneClick()
{
    if (Updating || !PrintList)
        return;
    PrintList->SelectAll(false);
    UpdateSelectionCount();
}

void TDlgEnvelopePrint::RadioButtonFromToClick()
{
    if (Updating || !PrintList)
        return;
    int from = 0;
    int to = 0;
    if (!TextToInteger(EditFrom->text(), from))
        from = 0;
    if (!TextToInteger(EditTo->text(), to))
        to = 0;
    PrintList->SelectRange(from - 1, to - 1);
    UpdateSelectionCount();
}

void TDlgEnvelopePrint::EditFromToChange()
{
    if (Updating)
        return;
    RadioButtonFromTo->setChecked(true);
    RadioButtonFromToClick();
}

void TDlgEnvelopePrint::CheckListBoxAddressesClickCheck()
{
    if (Updating || !PrintList)
        return;
    Options |= poSelection;
    RadioButtonSelection->setEnabled(true);
    RadioButtonSelection->setChecked(true);
    QList<bool> checked;
    for (int i = 0; i < CheckListBoxAddresses->count(); ++i)
        checked << (CheckListBoxAddresses->item(i)->checkState() == Qt::Checked);
    PrintList->SelectChecked(checked);
    UpdateSelectionCount();
}

bool TDlgEnvelopePrint::event(QEvent *Event)
{
    // Each activation (after Setup, after an error box) shows the current
    // envelope and printer; copies and the test box are set only by Prepare.
    if (Event->type() == QEvent::WindowActivate && !Updating)
        UpdateEnvelopeInfo();
    else if (Event->type() == QEvent::EnterWhatsThisMode) {
        ShowHelpFor(this);
        return true;
    }
    return QDialog::event(Event);
}

namespace {
TDlgEnvelopePrint *envelopePrintDialog = nullptr;
}

TDlgEnvelopePrint *GetEnvelopePrintDialog()
{
    if (!envelopePrintDialog)
        envelopePrintDialog = new TDlgEnvelopePrint;
    return envelopePrintDialog;
}

void FreeEnvelopePrintDialog()
{
    delete envelopePrintDialog;
    envelopePrintDialog = nullptr;
}
