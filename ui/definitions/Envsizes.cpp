#include "ui/definitions/Envsizes.h"

#include "engine/DefinitionStore.h"
#include "engine/PreferenceStore.h"
#include "foundation/QmComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "platform/Exception.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "ui/Artwork.h"
#include "ui/StoreList.h"
#include "ui/definitions/EnvsizesPages.h"
#include "ui/definitions/EnvsizesSample.h"
#include "ui/definitions/Newenvl.h"
#include "ui/definitions/SendPrinterInfo.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <array>

TDlgEnvelopeSizes *DlgEnvelopeSizes = nullptr;

namespace {

const QString placementSection = QStringLiteral("EnvelopeSizesWindow");

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

TDlgEnvelopeSizes::TDlgEnvelopeSizes(DefinitionStore &Store, QWidget *parent)
    : QDialog(parent), m_store(Store)
{
    DlgEnvelopeSizes = this;
    setWindowTitle(QStringLiteral("Envelope Definitions"));
    buildControls();
    resize(QSize(710, 620).expandedTo(minimumSizeHint()));
    LoadFormPlacement(this, placementSection);
    m_sample->SetRulerScale(EnvelopePreferences().Measure());
    LoadSampleStamp();
    // New preferences: another stamp price, another unit of measure.
    ConnectGuarded(&Preferences(), &PreferenceStore::changed, this, [this] {
        LoadSampleStamp();
        m_sample->SetRulerScale(EnvelopePreferences().Measure());
        ShowEnvelopeDetails();
    });
    ConnectGuarded(&m_store, &DefinitionStore::listChanged, this, &TDlgEnvelopeSizes::showList);
    ConnectGuarded(&m_store, &DefinitionStore::currentChanged, this, &TDlgEnvelopeSizes::showCurrent);
    showCurrent();
    SetHelpContext(this, 20096);
}

TDlgEnvelopeSizes::~TDlgEnvelopeSizes()
{
    if (DlgEnvelopeSizes == this)
        DlgEnvelopeSizes = nullptr;
}

void TDlgEnvelopeSizes::buildControls()
{
    m_groupBoxEnvelopes = new QGroupBox(QStringLiteral("Envelopes"), this);
    m_listEnvelopes = new QListWidget(m_groupBoxEnvelopes);
    m_listEnvelopes->setToolTip(QStringLiteral("This is the list of envelopes that you can choose from."));
    m_listEnvelopes->setUniformItemSizes(true);
    // The pages decide the top half's height; the list takes what there is.
    m_listEnvelopes->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    SetHelpContext(m_listEnvelopes, 20104);
    m_listEnvelopes->installEventFilter(this);
    m_listEnvelopes->viewport()->installEventFilter(this);

    m_addBtn = button(QStringLiteral("Add"), QStringLiteral("Click here to add a new envelope to the list."),
                      20097, m_groupBoxEnvelopes);
    m_renameBtn = button(QStringLiteral("Rename"),
                         QStringLiteral("Click here to change the description for the highlighted envelope."),
                         20098, m_groupBoxEnvelopes);
    m_deleteBtn =
        button(QStringLiteral("Delete"), QStringLiteral("Click here to remove the highlighted envelope."),
               20099, m_groupBoxEnvelopes);
    m_defaultBtn = button(QStringLiteral("Default"),
                          QStringLiteral("Click here to define the highlighed envelope as the default."),
                          20100, m_groupBoxEnvelopes);
    m_setupBtn = button(QStringLiteral("Setup"),
                        QStringLiteral("Click here to define the envelope size and other printer settings."),
                        20101, m_groupBoxEnvelopes);
    m_resetBtn = button(QStringLiteral("Reset"),
                        QStringLiteral("Click here to reset the envelope indents to their default values."),
                        20102, m_groupBoxEnvelopes);
    ConnectGuarded(m_addBtn, &QPushButton::clicked, this, [this] { AddBtnClick(); });
    ConnectGuarded(m_renameBtn, &QPushButton::clicked, this, [this] { RenameBtnClick(); });
    ConnectGuarded(m_deleteBtn, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    ConnectGuarded(m_defaultBtn, &QPushButton::clicked, this, [this] { DefaultBtnClick(); });
    ConnectGuarded(m_setupBtn, &QPushButton::clicked, this, [this] { SetupBtnClick(); });
    ConnectGuarded(m_resetBtn, &QPushButton::clicked, this, [this] { ResetBtnClick(); });

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

    m_groupBoxDetails = new QGroupBox(this);
    SetHelpContext(m_groupBoxDetails, 20105);
    m_pages = new TEnvelopePages(m_store, m_groupBoxDetails);
    m_pages->OnSetup = [this] { SetupBtnClick(); };
    auto *detailsLayout = new QVBoxLayout(m_groupBoxDetails);
    detailsLayout->addWidget(m_pages);

    // Two fifths for the list, the rest for the pages; the top half as high as the
    // pages need to show their rows whole, 244 pixels at least.
    auto *top = new QHBoxLayout;
    top->addWidget(m_groupBoxEnvelopes, 2);
    top->addWidget(m_groupBoxDetails, 3);
    auto *topWidget = new QWidget(this);
    topWidget->setLayout(top);
    topWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    topWidget->setMinimumHeight(244);
    top->setContentsMargins(0, 0, 0, 0);

    m_groupBoxDemo = new QGroupBox(this);
    SetHelpContext(m_groupBoxDemo, 20114);
    m_sample = new TEnvelopeSample(m_store, m_groupBoxDemo);
    (new QVBoxLayout(m_groupBoxDemo))->addWidget(m_sample);
    m_pages->OnIndentsFilled = [this] { m_sample->LayoutEnvelopeSample(); };
    m_sample->OnDropped = [this] { m_pages->FillIndentsGrid(); };

    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setDefault(true);
    ConnectGuarded(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    m_btnHelp = new QPushButton(QStringLiteral("Help"), this);
    m_btnHelp->setAutoDefault(false);
    ConnectHelpButton(m_btnHelp, this);
    m_sendIniBtn =
        button(QStringLiteral("Send"),
               QStringLiteral("Click here to send your envelope configuration to Morvane Software via the "
                              "internet so that your printer can be better supported."),
               20103, this);
    ConnectGuarded(m_sendIniBtn, &QPushButton::clicked, this, [this] { SendPrinterInfo(m_store.List()); });

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

void TDlgEnvelopeSizes::showList()
{
    const TDescribedList<TEnvelopeData> &list = m_store.List();
    m_refilling = true;
    ShowStoreList(*m_listEnvelopes, list.Descriptions(), list.DefaultIndex(), m_store.CurrentIndex(),
                  [&list](int i) { return !list.Object(i)->PrinterAvailable; });
    m_refilling = false;
}

void TDlgEnvelopeSizes::showCurrent()
{
    m_statusBar->clearMessage();
    showList();
    ShowEnvelopeDetails();
}

void TDlgEnvelopeSizes::ShowEnvelopeDetails()
{
    const TDescribedList<TEnvelopeData> &list = m_store.List();
    const int i = m_store.CurrentIndex();
    const bool hasItems = !list.IsEmpty();
    const bool usable = hasItems && m_store.HasCurrentEnvelope() && list.ValidIndex(i);
    if (usable) {
        m_groupBoxDetails->setTitle(quotedCaption(QStringLiteral("Setup for"), list.Description(i)));
        m_groupBoxDemo->setTitle(quotedCaption(QStringLiteral("Sample Layout for"), list.Description(i)));
    } else {
        m_groupBoxDetails->setTitle(QString());
        m_groupBoxDemo->setTitle(QString());
    }
    m_renameBtn->setEnabled(usable);
    m_defaultBtn->setEnabled(usable);
    m_setupBtn->setEnabled(usable);
    m_resetBtn->setEnabled(usable);
    m_deleteBtn->setEnabled(hasItems);
    fillPages();
}

void TDlgEnvelopeSizes::fillPages()
{
    m_pages->FillPrinterSetupGrid();
    m_pages->FillIndentsGrid();
    m_pages->FillEnvelopeSizePage();
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
    if (!initialiseNew(*data, dialog->SelectedPrinterIndex(), dialog->SelectedModelIndex(),
                       dialog->EnvelopeType()))
        return;
    TEnvelopeData *added = data.get();
    const int idx = m_store.Add(dialog->Description(), std::move(data));
    const bool fromModel = dialog->SelectedModelIndex() > 0 && dialog->EnvelopeType() != 1;
    storeNew(*added, !fromModel);
    m_store.SelectEnvelope(idx);
    SetupBtnClick();
}

void TDlgEnvelopeSizes::storeNew(TEnvelopeData &added, bool resetLayout)
{
    // One rewrite of the file: the setup goes under the definition's key name,
    // and the list, written last, holds what the setup filled in.
    TIniUpdate batch(*IniFile);
    m_store.NameEntries();
    added.SavePrinterSetup();
    // The fold lines of a letter follow the stored paper, known only now.
    if (resetLayout)
        added.ResetLayout();
    m_store.SaveEnvelopeList();
    batch.Commit();
}

void TDlgEnvelopeSizes::RenameBtnClick()
{
    const TDescribedList<TEnvelopeData> &list = m_store.List();
    const int i = m_store.CurrentIndex();
    if (!list.ValidIndex(i))
        return;
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    if (dialog->ExecuteRenameEnvelope(list.Description(i), list.Object(i)->FullPrinterName)
        != QDialog::Accepted)
        return;
    m_store.SelectEnvelope(m_store.Rename(i, dialog->Description()));
    m_store.SaveEnvelopeList();
}

void TDlgEnvelopeSizes::DeleteBtnClick()
{
    const int i = m_store.CurrentIndex();
    if (!m_store.List().ValidIndex(i))
        return;
    if (MessageDlg(QStringLiteral("Do you want to delete envelope \"%1\"").arg(m_store.List().Description(i)),
                   TMsgDlgType::Confirmation, mbYes | mbNo, 20096)
        != mrYes)
        return;
    m_store.Delete(i);
    m_store.SaveEnvelopeList();
}

void TDlgEnvelopeSizes::DefaultBtnClick()
{
    const int i = m_store.CurrentIndex();
    if (m_store.List().ValidIndex(i))
        m_store.SetDefaultIndex(i);
}

bool TDlgEnvelopeSizes::runSetup()
{
    TEnvelopeData *current = m_store.CurrentEnvelope();
    if (!current)
        return false;
    // The settings count only when the user confirms them; a cancelled dialog
    // leaves the definition as it was.
    if (!EnvelopePrinter().EditDocumentProperties())
        return false;
    current->SavePrinterSetup();
    return true;
}

void TDlgEnvelopeSizes::SetupBtnClick()
{
    TEnvelopePrinter &printer = EnvelopePrinter();
    const auto paper = [&printer] {
        return std::array{printer.GetPaperSize(), printer.GetDevModePaperWidth(),
                          printer.GetDevModePaperLength(), printer.GetOrientation()};
    };
    const auto before = paper();
    bool confirmed = false;
    try {
        confirmed = runSetup();
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
    if (!confirmed) {
        fillPages();
        return;
    }
    // The distances belong to the paper as it lies: another paper or orientation
    // needs the defaults, anything else keeps what the user typed.
    if (paper() != before) {
        ResetBtnClick();
        m_statusBar->showMessage(QStringLiteral(
            "The paper or its orientation changed: the envelope indents are reset to their defaults."));
    } else {
        fillPages();
        m_statusBar->showMessage(
            QStringLiteral("The paper and its orientation are unchanged: the envelope indents are kept."));
    }
}

void TDlgEnvelopeSizes::ResetBtnClick()
{
    if (TEnvelopeData *current = m_store.CurrentEnvelope())
        current->ResetLayout();
    fillPages();
}

bool TDlgEnvelopeSizes::CreateFirstEnvelope()
{
    MessageDlg(
        QStringLiteral("No envelopes have been defined yet. You will be prompted to choose the printer "
                       "settings for a #10 business envelope to get started. You will be able to add "
                       "additional envelopes later."),
        TMsgDlgType::Information, mbOK, 20018);
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    // There is no Cancel: the user leaves with a definition whatever the result.
    dialog->ExecuteAddEnvelope(false, QStringLiteral("#10 Business"));
    auto data = std::make_unique<TEnvelopeData>();
    if (!initialiseNew(*data, dialog->SelectedPrinterIndex(), dialog->SelectedModelIndex(),
                       dialog->EnvelopeType()))
        return false;
    TEnvelopeData *added = data.get();
    const int idx = m_store.Add(dialog->Description(), std::move(data));
    m_store.SetDefaultIndex(idx);
    const bool fromModel = dialog->SelectedModelIndex() > 0 && dialog->EnvelopeType() != 1;
    storeNew(*added, !fromModel);
    m_store.SelectEnvelope(idx);
    return true;
}

int TDlgEnvelopeSizes::Execute(bool RunSetup)
{
    showCurrent();
    if (RunSetup)
        SetupBtnClick();
    return exec();
}

void TDlgEnvelopeSizes::listClicked()
{
    if (m_refilling)
        return;
    m_store.SelectEnvelope(m_listEnvelopes->currentRow());
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
    // The preferences may have changed since the last showing.
    m_sample->SetRulerScale(EnvelopePreferences().Measure());
    LoadSampleStamp();
    ShowEnvelopeDetails();
}

void TDlgEnvelopeSizes::LoadSampleStamp()
{
    m_sample->LoadSampleStamp(StampPicture(std::max(0, Preferences().Values().StampPrice - 37)));
}

void TDlgEnvelopeSizes::done(int result)
{
    SaveFormPlacement(this, placementSection);
    QDialog::done(result);
}
