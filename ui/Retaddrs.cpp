#include "ui/Retaddrs.h"

#include "engine/RetAddr.h"
#include "foundation/QmComboBox.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "platform/Exception.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "ui/Newretad.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TReturnAddress *CurrentReturnAddress = nullptr;
TDlgReturnAddresses *DlgReturnAddresses = nullptr;

namespace {

const QString placementSection = QStringLiteral("ReturnAddressWindow");

QComboBox *hostCombo()
{
    TManagerHost *host = ManagerHost();
    return host ? host->ReturnAddressCombo() : nullptr;
}

void refillHostCombo()
{
    if (TManagerHost *host = ManagerHost())
        host->RefillReturnAddressCombo();
}

QString quotedCaption(const QString &lead, const QString &description)
{
    QString doubled;
    DoubleAmpersands(description, doubled);
    return lead + QLatin1Char('"') + doubled + QLatin1Char('"');
}

} // namespace

void SelectReturnAddress(int Index, TSelectSender Sender)
{
    if (DlgReturnAddresses)
        DlgReturnAddresses->SelectReturnAddressAt(Index, Sender);
    else
        CurrentReturnAddress = nullptr;
}

TReturnAddressList &ReturnAddressList()
{
    static TReturnAddressList empty;
    return DlgReturnAddresses ? DlgReturnAddresses->List() : empty;
}

int ReturnAddressListIndex()
{
    return DlgReturnAddresses ? DlgReturnAddresses->ListAddresses()->currentRow() : -1;
}

TDlgReturnAddresses::TDlgReturnAddresses(QWidget *parent) : QDialog(parent)
{
    DlgReturnAddresses = this;
    setWindowTitle(QStringLiteral("Return Addresses"));
    buildControls();
    resize(600, 400);
    LoadFormPlacement(this, placementSection);
    LoadReturnAddressList();
    refillHostCombo();
    // The main window shows the selection once its combo box is filled.
    if (QComboBox *combo = hostCombo(); combo && combo->count() > 0)
        ManagerHost()->ApplyReturnAddress();
    ShowReturnAddressDetails();
    SetHelpContext(this, 20073);
    SetHelpContext(m_addBtn, 20074);
    SetHelpContext(m_renameBtn, 20075);
    SetHelpContext(m_deleteBtn, 20076);
    SetHelpContext(m_defaultBtn, 20077);
    SetHelpContext(m_listAddresses, 20078);
}

TDlgReturnAddresses::~TDlgReturnAddresses()
{
    try {
        SaveReturnAddressList();
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
    if (CurrentReturnAddress && m_list.IndexOf(CurrentReturnAddress) >= 0)
        CurrentReturnAddress = nullptr;
    if (DlgReturnAddresses == this)
        DlgReturnAddresses = nullptr;
}

void TDlgReturnAddresses::buildControls()
{
    auto *listBox = new QGroupBox(QStringLiteral("Return Addresses"), this);
    m_listAddresses = new QListWidget(listBox);
    m_listAddresses->setUniformItemSizes(true);
    m_listAddresses->installEventFilter(this);
    m_listAddresses->viewport()->installEventFilter(this);
    m_addBtn = new QPushButton(QStringLiteral("Add"), listBox);
    m_renameBtn = new QPushButton(QStringLiteral("Rename"), listBox);
    m_deleteBtn = new QPushButton(QStringLiteral("Delete"), listBox);
    m_defaultBtn = new QPushButton(QStringLiteral("Default"), listBox);
    for (QPushButton *b : {m_addBtn, m_renameBtn, m_deleteBtn, m_defaultBtn})
        b->setAutoDefault(false);
    connect(m_addBtn, &QPushButton::clicked, this, [this] { AddBtnClick(); });
    connect(m_renameBtn, &QPushButton::clicked, this, [this] { RenameBtnClick(); });
    connect(m_deleteBtn, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    connect(m_defaultBtn, &QPushButton::clicked, this, [this] { DefaultBtnClick(); });
    auto *buttons = new QGridLayout;
    buttons->addWidget(m_addBtn, 0, 0);
    buttons->addWidget(m_renameBtn, 0, 1);
    buttons->addWidget(m_deleteBtn, 1, 0);
    buttons->addWidget(m_defaultBtn, 1, 1);
    auto *listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(m_listAddresses);
    listLayout->addLayout(buttons);

    m_groupBoxDetails = new QGroupBox(this);
    m_richEdit = new RichEdit(m_groupBoxDetails);
    connect(m_richEdit, &QTextEdit::textChanged, this, [this] { richEditChanged(); });
    auto *detailsLayout = new QVBoxLayout(m_groupBoxDetails);
    detailsLayout->addWidget(m_richEdit);

    m_okBtn = new QPushButton(QStringLiteral("OK"), this);
    m_okBtn->setDefault(true);
    connect(m_okBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, [this] { HelpService().WinHelp(HELP_CONTEXT, HelpContextOf(this)); });

    auto *top = new QHBoxLayout;
    top->addWidget(listBox, 2);
    top->addWidget(m_groupBoxDetails, 3);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_okBtn);
    bottom->addWidget(help);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addLayout(bottom);
}

void TDlgReturnAddresses::refillList()
{
    m_refilling = true;
    m_listAddresses->clear();
    m_listAddresses->addItems(m_list.Descriptions());
    updateItemFonts();
    m_refilling = false;
}

void TDlgReturnAddresses::updateItemFonts()
{
    for (int i = 0; i < m_listAddresses->count(); ++i) {
        QFont font = m_listAddresses->font();
        font.setBold(i == m_list.DefaultIndex());
        m_listAddresses->item(i)->setFont(font);
    }
}

void TDlgReturnAddresses::LoadReturnAddressList()
{
    Loading = true;
    m_list.Load();
    Loading = false;
    refillList();
    if (m_list.ValidIndex(m_list.DefaultIndex()))
        SelectReturnAddressAt(m_list.DefaultIndex(), TSelectSender::None);
    else
        SelectReturnAddressAt(m_list.IsEmpty() ? -1 : 0, TSelectSender::None);
}

void TDlgReturnAddresses::SaveReturnAddressList()
{
    m_list.Save();
}

void TDlgReturnAddresses::SelectReturnAddressAt(int Index, TSelectSender Sender)
{
    CurrentReturnAddress = m_list.ValidIndex(Index) ? m_list.Object(Index) : nullptr;
    if (Sender != TSelectSender::MainWindow) {
        if (QComboBox *combo = hostCombo())
            SetComboItemIndex(combo, Index);
    }
    if (Sender != TSelectSender::Manager) {
        m_refilling = true;
        SetListItemIndex(m_listAddresses, Index);
        m_refilling = false;
    }
    if (QComboBox *combo = hostCombo(); combo && combo->count() > 0)
        ManagerHost()->ApplyReturnAddress();
    ShowReturnAddressDetails();
}

void TDlgReturnAddresses::ShowReturnAddressDetails()
{
    ShowingDetails = true;
    const int i = m_listAddresses->currentRow();
    const bool usable = !m_list.IsEmpty() && CurrentReturnAddress && m_list.ValidIndex(i);
    if (usable) {
        const QString caption = quotedCaption(QStringLiteral("Return address for "), m_list.Description(i));
        m_groupBoxDetails->setTitle(caption);
        m_richEdit->setToolTip(caption);
        StringsToRichEdit(*m_richEdit, CurrentReturnAddress->Lines());
        if (QComboBox *combo = hostCombo())
            SetComboItemIndex(combo, i);
    } else {
        m_richEdit->Clear();
        m_groupBoxDetails->setTitle(QStringLiteral(" "));
    }
    m_richEdit->setEnabled(usable);
    m_renameBtn->setEnabled(usable);
    m_deleteBtn->setEnabled(usable);
    m_defaultBtn->setEnabled(usable);
    ShowingDetails = false;
}

void TDlgReturnAddresses::richEditChanged()
{
    // The text belongs to the current entry; with none there is nothing to keep.
    if (ShowingDetails || !CurrentReturnAddress)
        return;
    RichEditToStrings(CurrentReturnAddress->Lines(), *m_richEdit);
}

void TDlgReturnAddresses::AddBtnClick()
{
    TDlgNewReturnAddress *dialog = GetNewReturnAddressDialog();
    dialog->EditReturnAddress()->setText(QString());
    dialog->setWindowTitle(QStringLiteral("Add Return Address"));
    if (dialog->exec() != QDialog::Accepted)
        return;
    const int index = m_list.Add(dialog->EditReturnAddress()->text(), std::make_unique<TReturnAddress>());
    refillList();
    SelectReturnAddressAt(index, TSelectSender::None);
    ShowReturnAddressDetails();
    SaveReturnAddressList();
    refillHostCombo();
}

void TDlgReturnAddresses::RenameBtnClick()
{
    const int i = m_listAddresses->currentRow();
    if (!m_list.ValidIndex(i))
        return;
    TDlgNewReturnAddress *dialog = GetNewReturnAddressDialog();
    dialog->EditReturnAddress()->setText(m_list.Description(i));
    dialog->setWindowTitle(QStringLiteral("Rename Return Address"));
    if (dialog->exec() != QDialog::Accepted)
        return;
    // The same object moves to its new place, so that the main window's combo
    // box never holds a freed one.
    const int j = m_list.Rename(i, dialog->EditReturnAddress()->text());
    refillList();
    SelectReturnAddressAt(j, TSelectSender::None);
    ShowReturnAddressDetails();
    SaveReturnAddressList();
    refillHostCombo();
}

void TDlgReturnAddresses::DeleteBtnClick()
{
    const int i = m_listAddresses->currentRow();
    if (!m_list.ValidIndex(i))
        return;
    if (MessageDlg(QStringLiteral("Do you want to delete address \"%1\"").arg(m_list.Description(i)),
                   TMsgDlgType::Confirmation, mbYes | mbNo | mbHelp, 20073)
        != mrYes)
        return;
    // Freed once the main window's combo box no longer refers to it.
    std::unique_ptr<TReturnAddress> removed = m_list.Remove(i);
    if (CurrentReturnAddress == removed.get())
        CurrentReturnAddress = nullptr;
    refillList();
    SelectReturnAddressAt(m_list.IsEmpty() ? -1 : 0, TSelectSender::None);
    refillHostCombo();
    ShowReturnAddressDetails();
    updateItemFonts();
    removed.reset();
    SaveReturnAddressList();
}

void TDlgReturnAddresses::DefaultBtnClick()
{
    const int i = m_listAddresses->currentRow();
    if (!m_list.ValidIndex(i))
        return;
    m_list.SetDefaultIndex(i);
    updateItemFonts();
}

int TDlgReturnAddresses::Execute()
{
    QComboBox *combo = hostCombo();
    m_refilling = true;
    SetListItemIndex(m_listAddresses, combo ? combo->currentIndex() : m_listAddresses->currentRow());
    m_refilling = false;
    ShowReturnAddressDetails();
    return exec();
}

void TDlgReturnAddresses::listClicked()
{
    if (m_refilling)
        return;
    SelectReturnAddressAt(m_listAddresses->currentRow(), TSelectSender::Manager);
}

bool TDlgReturnAddresses::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_listAddresses && event->type() == QEvent::KeyRelease)
        || (watched == m_listAddresses->viewport() && event->type() == QEvent::MouseButtonRelease))
        listClicked();
    return QDialog::eventFilter(watched, event);
}

void TDlgReturnAddresses::done(int result)
{
    SaveFormPlacement(this, placementSection);
    // The text typed here reaches the file now, not only when the program ends.
    try {
        SaveReturnAddressList();
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
    QDialog::done(result);
}

void TDlgReturnAddresses::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelpFor(this);
        return;
    }
    QDialog::keyPressEvent(event);
}
