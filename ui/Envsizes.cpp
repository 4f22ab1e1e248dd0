#include "ui/Envsizes.h"

#include "foundation/QmComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "platform/Exception.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "ui/Newenvl.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

TEnvelopeData *CurrentEnvelope = nullptr;
TDlgEnvelopeSizes *DlgEnvelopeSizes = nullptr;

namespace {

const QString placementSection = QStringLiteral("EnvelopeSizesWindow");

// Shows the wait cursor for a scope.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

QComboBox *hostEnvelopeCombo()
{
    TManagerHost *host = ManagerHost();
    return host ? host->EnvelopeCombo() : nullptr;
}

void refillHostCombo()
{
    if (TManagerHost *host = ManagerHost())
        host->RefillEnvelopeCombo();
}

QString quotedCaption(const QString &lead, const QString &description)
{
    QString doubled;
    DoubleAmpersands(description, doubled);
    return lead + QStringLiteral(" \"") + doubled + QLatin1Char('"');
}

QPushButton *button(const QString &caption, const QString &hint, int help, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    SetHelpContext(b, help);
    return b;
}

} // namespace

bool HasCurrentEnvelope()
{
    return CurrentEnvelope != nullptr;
}

void SelectEnvelope(int Index, TSelectSender Sender)
{
    if (DlgEnvelopeSizes)
        DlgEnvelopeSizes->SelectEnvelopeAt(Index, Sender);
    else
        CurrentEnvelope = nullptr;
}

TEnvelopeList &EnvelopeList()
{
    static TEnvelopeList empty;
    return DlgEnvelopeSizes ? DlgEnvelopeSizes->List() : empty;
}

int EnvelopeListIndex()
{
    return DlgEnvelopeSizes ? DlgEnvelopeSizes->ListEnvelopes()->currentRow() : -1;
}

TDlgEnvelopeSizes::TDlgEnvelopeSizes(QWidget *parent) : QDialog(parent)
{
    DlgEnvelopeSizes = this;
    setWindowTitle(QStringLiteral("Envelope Definitions"));
    buildControls();
    resize(710, 620);
    LoadFormPlacement(this, placementSection);
    LoadEnvelopeList();
    refillHostCombo();
    ShowEnvelopeDetails();
    SetHelpContext(this, 20096);
}

TDlgEnvelopeSizes::~TDlgEnvelopeSizes()
{
    try {
        SaveEnvelopeList();
    } catch (const Exception &error) {
        // Shutdown goes on; the user learns that the list was not stored.
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
    if (CurrentEnvelope && m_list.IndexOf(CurrentEnvelope) >= 0)
        CurrentEnvelope = nullptr;
    if (DlgEnvelopeSizes == this)
        DlgEnvelopeSizes = nullptr;
}

void TDlgEnvelopeSizes::buildControls()
{
    m_groupBoxEnvelopes = new QGroupBox(QStringLiteral("Envelopes"), this);
    m_listEnvelopes = new QListWidget(m_groupBoxEnvelopes);
    m_listEnvelopes->setToolTip(QStringLiteral("This is the list of envelopes that you can choose from."));
    m_listEnvelopes->setUniformItemSizes(true);
    SetHelpContext(m_listEnvelopes, 20104);
    m_listEnvelopes->installEventFilter(this);
    m_listEnvelopes->viewport()->installEventFilter(this);

    m_addBtn = button(QStringLiteral("Add"), QStringLiteral("Click here to add a new envelope to the list."), 20097,
                      m_groupBoxEnvelopes);
    m_renameBtn = button(QStringLiteral("Rename"),
                         QStringLiteral("Click here to change the description for the highlighted envelope."), 20098,
                         m_groupBoxEnvelopes);
    m_deleteBtn = button(QStringLiteral("Delete"), QStringLiteral("Click here to remove the highlighted envelope."),
                         20099, m_groupBoxEnvelopes);
    m_defaultBtn = button(QStringLiteral("Default"),
                          QStringLiteral("Click here to define the highlighed envelope as the default."), 20100,
                          m_groupBoxEnvelopes);
    m_setupBtn = button(QStringLiteral("Setup"),
                        QStringLiteral("Click here to define the envelope size and other printer settings."), 20101,
                        m_groupBoxEnvelopes);
    m_resetBtn = button(QStringLiteral("Reset"),
                        QStringLiteral("Click here to reset the envelope indents to their default values."), 20102,
                        m_groupBoxEnvelopes);
    connect(m_addBtn, &QPushButton::clicked, this, [this] { AddBtnClick(); });
    connect(m_renameBtn, &QPushButton::clicked, this, [this] { RenameBtnClick(); });
    connect(m_deleteBtn, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    connect(m_defaultBtn, &QPushButton::clicked, this, [this] { DefaultBtnClick(); });
    connect(m_setupBtn, &QPushButton::clicked, this, [this] { SetupBtnClick(); });
    connect(m_resetBtn, &QPushButton::clicked, this, [this] { ResetBtnClick(); });

    auto *listButtons = new QGridLayout;
    listButtons->addWidget(m_addBtn, 0, 0);
    listButtons->addWidget(m_renameBtn, 0, 1);
    listButtons->addWidget(m_deleteBtn, 0, 2);
    listButtons->addWidget(m_defaultBtn, 1, 0);
    listButtons->addWidget(m_setupBtn, 1, 1);
    listButtons->addWidget(m_resetBtn, 1, 2);
    auto *envelopesLayout = new QVBoxLayout(m_groupBoxEnvelopes);
    envelopesLayout->addWidget(m_listEnvelopes);
    envelopesLayout->addLayout(listButtons);

    // The definition pages fill this box.
    m_groupBoxDetails = new QGroupBox(this);
    SetHelpContext(m_groupBoxDetails, 20105);

    auto *top = new QHBoxLayout;
    top->addWidget(m_groupBoxEnvelopes);
    top->addWidget(m_groupBoxDetails, 1);
    auto *topWidget = new QWidget(this);
    topWidget->setLayout(top);
    topWidget->setFixedHeight(244);
    top->setContentsMargins(0, 0, 0, 0);

    // The sample layout fills this box.
    m_groupBoxDemo = new QGroupBox(this);
    SetHelpContext(m_groupBoxDemo, 20114);

    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setDefault(true);
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    m_btnHelp = new QPushButton(QStringLiteral("Help"), this);
    m_btnHelp->setAutoDefault(false);
    connect(m_btnHelp, &QPushButton::clicked, this, [this] { HelpService().WinHelp(HELP_CONTEXT, HelpContextOf(this)); });
    m_sendIniBtn = button(QStringLiteral("Send"),
                          QStringLiteral("Click here to send your envelope configuration to Morvane Software via the "
                                         "internet so that your printer can be better supported."),
                          20103, this);
    // The printer information page comes with its own work.
    m_sendIniBtn->setEnabled(false);

    auto *column = new QVBoxLayout;
    column->addWidget(m_btnOK);
    column->addWidget(m_btnHelp);
    column->addWidget(m_sendIniBtn);
    column->addStretch(1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_groupBoxDemo, 1);
    bottom->addLayout(column);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);

    auto *main = new QVBoxLayout(this);
    main->addWidget(topWidget);
    main->addLayout(bottom, 1);
    main->addWidget(m_statusBar);
}

void TDlgEnvelopeSizes::refillList()
{
    m_refilling = true;
    m_listEnvelopes->clear();
    m_listEnvelopes->addItems(m_list.Descriptions());
    updateItemFonts();
    m_refilling = false;
}

void TDlgEnvelopeSizes::updateItemFonts()
{
    for (int i = 0; i < m_listEnvelopes->count(); ++i) {
        QListWidgetItem *item = m_listEnvelopes->item(i);
        QFont font = m_listEnvelopes->font();
        font.setBold(i == m_list.DefaultIndex());
        font.setStrikeOut(i < m_list.Count() && !m_list.Object(i)->PrinterAvailable);
        item->setFont(font);
    }
}

void TDlgEnvelopeSizes::LoadEnvelopeList()
{
    m_list.Load();
    refillList();
    const int count = m_list.Count();
    if (m_list.ValidIndex(m_list.DefaultIndex()))
        SelectEnvelopeAt(m_list.DefaultIndex(), TSelectSender::None);
    else
        SelectEnvelopeAt(count > 0 ? 0 : -1, TSelectSender::None);
    if (count == 0) {
        if (TManagerHost *host = ManagerHost())
            host->MarkFirstRun();
    }
}

void TDlgEnvelopeSizes::SaveEnvelopeList()
{
    m_list.Save();
}

void TDlgEnvelopeSizes::SelectEnvelopeAt(int Index, TSelectSender Sender)
{
    WaitCursor wait;
    if (m_list.IsEmpty() || !m_list.ValidIndex(Index)) {
        CurrentEnvelope = nullptr;
    } else {
        TEnvelopeData *data = m_list.Object(Index);
        CurrentEnvelope = data;
        bool available = false;
        try {
            available = data->SelectEnvelopePrinter();
        } catch (const Exception &error) {
            // A printer that fails to open is as good as gone for printing.
            MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
        }
        if (!available) {
            CurrentEnvelope = nullptr;
            updateItemFonts();
        }
    }
    if (Sender != TSelectSender::MainWindow) {
        if (QComboBox *combo = hostEnvelopeCombo())
            SetComboItemIndex(combo, Index);
    }
    if (Sender != TSelectSender::Manager) {
        m_refilling = true;
        SetListItemIndex(m_listEnvelopes, Index);
        m_refilling = false;
    }
    ShowEnvelopeDetails();
}

void TDlgEnvelopeSizes::ShowEnvelopeDetails()
{
    const int i = m_listEnvelopes->currentRow();
    const bool hasItems = !m_list.IsEmpty();
    const bool usable = hasItems && CurrentEnvelope && m_list.ValidIndex(i);
    if (usable) {
        m_groupBoxDetails->setTitle(quotedCaption(QStringLiteral("Setup for"), m_list.Description(i)));
        m_groupBoxDemo->setTitle(quotedCaption(QStringLiteral("Sample Layout for"), m_list.Description(i)));
        if (QComboBox *combo = hostEnvelopeCombo())
            SetComboItemIndex(combo, i);
    } else {
        m_groupBoxDetails->setTitle(QString());
        m_groupBoxDemo->setTitle(QString());
    }
    m_renameBtn->setEnabled(usable);
    m_defaultBtn->setEnabled(usable);
    m_setupBtn->setEnabled(usable);
    m_resetBtn->setEnabled(usable);
    m_deleteBtn->setEnabled(hasItems);
}

bool TDlgEnvelopeSizes::initialiseNew(TEnvelopeData &data, int printerIndex, int modelIndex, int envelopeType)
{
    try {
        EnvelopePrinter().SetPrinterIndex(printerIndex);
        if (envelopeType == 1)
            data.InitForLetter(false);
        else if (modelIndex <= 0)
            data.InitForEnvelope10(false);
        else
            data.ImportDefaultEnvelope(modelIndex);
        return true;
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
        return false;
    }
}

void TDlgEnvelopeSizes::AddBtnClick()
{
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    if (dialog->ExecuteAddEnvelope(true, QStringLiteral("<enter envelope name here>")) != QDialog::Accepted)
        return;
    auto data = std::make_unique<TEnvelopeData>();
    if (!initialiseNew(*data, dialog->SelectedPrinterIndex(), dialog->SelectedModelIndex(), dialog->EnvelopeType()))
        return;
    TEnvelopeData *added = data.get();
    const int idx = m_list.Add(dialog->Description(), std::move(data));
    refillList();
    const bool fromModel = dialog->SelectedModelIndex() > 0 && dialog->EnvelopeType() != 1;
    storeNew(*added, !fromModel);
    SelectEnvelopeAt(idx, TSelectSender::None);
    ShowEnvelopeDetails();
    refillHostCombo();
    m_modelLayout = fromModel ? added : nullptr;
    SetupBtnClick();
}

void TDlgEnvelopeSizes::storeNew(TEnvelopeData &added, bool resetLayout)
{
    // One rewrite of the file: the setup goes under the definition's key name,
    // and the list, written last, holds what the setup filled in.
    TIniUpdate batch(*IniFile);
    m_list.NameEntries();
    added.SavePrinterSetup();
    // The fold lines of a letter follow the stored paper, known only now.
    if (resetLayout)
        added.ResetLayout();
    SaveEnvelopeList();
    batch.Commit();
}

void TDlgEnvelopeSizes::RenameBtnClick()
{
    const int i = m_listEnvelopes->currentRow();
    if (!m_list.ValidIndex(i))
        return;
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    if (dialog->ExecuteRenameEnvelope(m_list.Description(i), m_list.Object(i)->FullPrinterName) != QDialog::Accepted)
        return;
    const int j = m_list.Rename(i, dialog->Description());
    refillList();
    SelectEnvelopeAt(j, TSelectSender::None);
    SaveEnvelopeList();
    ShowEnvelopeDetails();
    refillHostCombo();
}

void TDlgEnvelopeSizes::DeleteBtnClick()
{
    const int i = m_listEnvelopes->currentRow();
    if (!m_list.ValidIndex(i))
        return;
    if (MessageDlg(QStringLiteral("Do you want to delete envelope \"%1\"").arg(m_list.Description(i)),
                   TMsgDlgType::Confirmation, mbYes | mbNo, 20096)
        != mrYes)
        return;
    m_list.Object(i)->ErasePrinterSetup();
    m_modelLayout = nullptr;
    // Freed once the main window no longer lists it.
    std::unique_ptr<TEnvelopeData> removed = m_list.Remove(i);
    if (CurrentEnvelope == removed.get())
        CurrentEnvelope = nullptr;
    refillList();
    SelectEnvelopeAt(m_list.IsEmpty() ? -1 : 0, TSelectSender::None);
    SaveEnvelopeList();
    ShowEnvelopeDetails();
    refillHostCombo();
    updateItemFonts();
}

void TDlgEnvelopeSizes::DefaultBtnClick()
{
    const int i = m_listEnvelopes->currentRow();
    if (!m_list.ValidIndex(i))
        return;
    m_list.SetDefaultIndex(i);
    updateItemFonts();
}

bool TDlgEnvelopeSizes::runSetup()
{
    if (!HasCurrentEnvelope())
        return false;
    // The settings count only when the user confirms them; a cancelled dialog
    // leaves the definition as it was.
    if (!EnvelopePrinter().EditDocumentProperties())
        return false;
    CurrentEnvelope->SavePrinterSetup();
    return true;
}

void TDlgEnvelopeSizes::SetupBtnClick()
{
    const bool keepLayout = m_modelLayout && m_modelLayout == CurrentEnvelope;
    m_modelLayout = nullptr;
    bool confirmed = false;
    try {
        confirmed = runSetup();
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
    if (confirmed && !keepLayout)
        ResetBtnClick();
}

void TDlgEnvelopeSizes::ResetBtnClick()
{
    if (HasCurrentEnvelope())
        CurrentEnvelope->ResetLayout();
}

bool TDlgEnvelopeSizes::CreateFirstEnvelope()
{
    MessageDlg(QStringLiteral("No envelopes have been defined yet. You will be prompted to choose the printer "
                              "settings for a #10 business envelope to get started. You will be able to add "
                              "additional envelopes later."),
               TMsgDlgType::Information, mbOK, 20018);
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    // There is no Cancel: the user leaves with a definition whatever the result.
    dialog->ExecuteAddEnvelope(false, QStringLiteral("#10 Business"));
    auto data = std::make_unique<TEnvelopeData>();
    if (!initialiseNew(*data, dialog->SelectedPrinterIndex(), dialog->SelectedModelIndex(), dialog->EnvelopeType()))
        return false;
    TEnvelopeData *added = data.get();
    const int idx = m_list.Add(dialog->Description(), std::move(data));
    refillList();
    m_refilling = true;
    SetListItemIndex(m_listEnvelopes, idx);
    m_refilling = false;
    m_list.SetDefaultIndex(idx);
    const bool fromModel = dialog->SelectedModelIndex() > 0 && dialog->EnvelopeType() != 1;
    storeNew(*added, !fromModel);
    m_modelLayout = fromModel ? added : nullptr;
    refillHostCombo();
    if (QComboBox *combo = hostEnvelopeCombo())
        SetComboItemIndex(combo, idx);
    SelectEnvelopeAt(idx, TSelectSender::None);
    updateItemFonts();
    return true;
}

int TDlgEnvelopeSizes::Execute(bool RunSetup)
{
    QComboBox *combo = hostEnvelopeCombo();
    m_refilling = true;
    SetListItemIndex(m_listEnvelopes, combo ? combo->currentIndex() : m_listEnvelopes->currentRow());
    m_refilling = false;
    ShowEnvelopeDetails();
    if (RunSetup)
        SetupBtnClick();
    return exec();
}

void TDlgEnvelopeSizes::listClicked()
{
    if (m_refilling)
        return;
    SelectEnvelopeAt(m_listEnvelopes->currentRow(), TSelectSender::Manager);
}

bool TDlgEnvelopeSizes::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_listEnvelopes && event->type() == QEvent::KeyRelease)
        || (watched == m_listEnvelopes->viewport() && event->type() == QEvent::MouseButtonRelease))
        listClicked();
    return QDialog::eventFilter(watched, event);
}

void TDlgEnvelopeSizes::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ShowEnvelopeDetails();
}

void TDlgEnvelopeSizes::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_groupBoxEnvelopes->setFixedWidth(width() * 2 / 5);
}

void TDlgEnvelopeSizes::done(int result)
{
    SaveFormPlacement(this, placementSection);
    QDialog::done(result);
}

void TDlgEnvelopeSizes::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelpFor(this);
        return;
    }
    QDialog::keyPressEvent(event);
}
