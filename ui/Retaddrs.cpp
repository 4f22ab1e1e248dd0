#include "ui/Retaddrs.h"

#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmComboBox.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "platform/Exception.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "ui/Newretad.h"
#include "ui/StoreList.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TDlgReturnAddresses *DlgReturnAddresses = nullptr;

namespace {

const QString placementSection = QStringLiteral("ReturnAddressWindow");

QString quotedCaption(const QString &lead, const QString &description)
{
    QString doubled;
    DoubleAmpersands(description, doubled);
    return lead + QLatin1Char('"') + doubled + QLatin1Char('"');
}

} // namespace

TDlgReturnAddresses::TDlgReturnAddresses(ReturnAddressStore &Store, QWidget *parent)
    : QDialog(parent), m_store(Store)
{
    DlgReturnAddresses = this;
    setWindowTitle(QStringLiteral("Return Addresses"));
    buildControls();
    resize(600, 400);
    LoadFormPlacement(this, placementSection);
    ConnectGuarded(&m_store, &ReturnAddressStore::listChanged, this, &TDlgReturnAddresses::showList);
    ConnectGuarded(&m_store, &ReturnAddressStore::currentChanged, this, &TDlgReturnAddresses::showCurrent);
    showCurrent();
    SetHelpContext(this, 20073);
    SetHelpContext(m_addBtn, 20074);
    SetHelpContext(m_renameBtn, 20075);
    SetHelpContext(m_deleteBtn, 20076);
    SetHelpContext(m_defaultBtn, 20077);
    SetHelpContext(m_listAddresses, 20078);
}

TDlgReturnAddresses::~TDlgReturnAddresses()
{
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
    ConnectGuarded(m_addBtn, &QPushButton::clicked, this, [this] { AddBtnClick(); });
    ConnectGuarded(m_renameBtn, &QPushButton::clicked, this, [this] { RenameBtnClick(); });
    ConnectGuarded(m_deleteBtn, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    ConnectGuarded(m_defaultBtn, &QPushButton::clicked, this, [this] { DefaultBtnClick(); });
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
    ConnectGuarded(m_richEdit, &QTextEdit::textChanged, this, [this] { richEditChanged(); });
    auto *detailsLayout = new QVBoxLayout(m_groupBoxDetails);
    detailsLayout->addWidget(m_richEdit);

    m_okBtn = new QPushButton(QStringLiteral("OK"), this);
    m_okBtn->setDefault(true);
    ConnectGuarded(m_okBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    ConnectGuarded(help, &QPushButton::clicked, this,
                   [this] { HelpService().WinHelp(HELP_CONTEXT, HelpContextOf(this)); });

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

void TDlgReturnAddresses::showList()
{
    const TDescribedList<TReturnAddress> &list = m_store.List();
    m_refilling = true;
    ShowStoreList(*m_listAddresses, list.Descriptions(), list.DefaultIndex(), m_store.CurrentIndex());
    m_refilling = false;
}

void TDlgReturnAddresses::showCurrent()
{
    showList();
    ShowReturnAddressDetails();
}

void TDlgReturnAddresses::ShowReturnAddressDetails()
{
    ShowingDetails = true;
    const TDescribedList<TReturnAddress> &list = m_store.List();
    const int i = m_store.CurrentIndex();
    TReturnAddress *current = m_store.CurrentReturnAddress();
    const bool usable = current && list.ValidIndex(i);
    if (usable) {
        const QString caption = quotedCaption(QStringLiteral("Return address for "), list.Description(i));
        m_groupBoxDetails->setTitle(caption);
        m_richEdit->setToolTip(caption);
        StringsToRichEdit(*m_richEdit, current->Lines());
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
    TReturnAddress *current = m_store.CurrentReturnAddress();
    if (ShowingDetails || !current)
        return;
    RichEditToStrings(current->Lines(), *m_richEdit);
}

void TDlgReturnAddresses::AddBtnClick()
{
    TDlgNewReturnAddress *dialog = GetNewReturnAddressDialog();
    dialog->EditReturnAddress()->setText(QString());
    dialog->setWindowTitle(QStringLiteral("Add Return Address"));
    if (dialog->exec() != QDialog::Accepted)
        return;
    m_store.SelectReturnAddress(
        m_store.Add(dialog->EditReturnAddress()->text(), std::make_unique<TReturnAddress>()));
    m_store.SaveReturnAddressList();
}

void TDlgReturnAddresses::RenameBtnClick()
{
    const int i = m_store.CurrentIndex();
    if (!m_store.List().ValidIndex(i))
        return;
    TDlgNewReturnAddress *dialog = GetNewReturnAddressDialog();
    dialog->EditReturnAddress()->setText(m_store.List().Description(i));
    dialog->setWindowTitle(QStringLiteral("Rename Return Address"));
    if (dialog->exec() != QDialog::Accepted)
        return;
    // The same object moves to its new place, so that nothing that shows it
    // ever holds a freed one.
    m_store.SelectReturnAddress(m_store.Rename(i, dialog->EditReturnAddress()->text()));
    m_store.SaveReturnAddressList();
}

void TDlgReturnAddresses::DeleteBtnClick()
{
    const int i = m_store.CurrentIndex();
    if (!m_store.List().ValidIndex(i))
        return;
    if (MessageDlg(QStringLiteral("Do you want to delete address \"%1\"").arg(m_store.List().Description(i)),
                   TMsgDlgType::Confirmation, mbYes | mbNo | mbHelp, 20073)
        != mrYes)
        return;
    m_store.Delete(i);
    m_store.SaveReturnAddressList();
}

void TDlgReturnAddresses::DefaultBtnClick()
{
    const int i = m_store.CurrentIndex();
    if (m_store.List().ValidIndex(i))
        m_store.SetDefaultIndex(i);
}

int TDlgReturnAddresses::Execute()
{
    showCurrent();
    return exec();
}

void TDlgReturnAddresses::listClicked()
{
    if (m_refilling)
        return;
    m_store.SelectReturnAddress(m_listAddresses->currentRow());
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
        m_store.SaveReturnAddressList();
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
