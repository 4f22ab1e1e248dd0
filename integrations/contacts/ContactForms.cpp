#include "integrations/contacts/ContactForms.h"

#include "foundation/QmWindows.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace {

TFormOutlookProgress *progressForm = nullptr;
TFormSelectContact *selectForm = nullptr;
TFormFormatContactAddress *formatForm = nullptr;

constexpr Qt::WindowFlags kDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

QPushButton *AddButton(QHBoxLayout *Row, const QString &Caption, QDialog *Dialog)
{
    auto *button = new QPushButton(Caption, Dialog);
    Row->addWidget(button);
    return button;
}

QPushButton *AddHelpButton(QHBoxLayout *Row, QDialog *Dialog)
{
    QPushButton *button = AddButton(Row, QStringLiteral("Help"), Dialog);
    button->setAutoDefault(false);
    ConnectHelpButton(button, Dialog);
    return button;
}

} // namespace

// --- Progress ---

TFormOutlookProgress::TFormOutlookProgress(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Reading Address Book"));
    // Cancel is the only thing to click while the event loop turns during a load.
    setWindowModality(Qt::ApplicationModal);
    resize(271, 136);
    LabelActivity = new QLabel(QStringLiteral("Importing XXX contacts..."), this);
    LabelFolder = new QLabel(this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setTextVisible(false);
    ProgressBar->setValue(1);
    BitBtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ConnectGuarded(BitBtnCancel, &QPushButton::clicked, this, &TFormOutlookProgress::BitBtnCancelClick);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnCancel);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(LabelActivity);
    layout->addWidget(LabelFolder);
    layout->addWidget(ProgressBar);
    layout->addLayout(buttons);
}

void TFormOutlookProgress::StepIt()
{
    ProgressBar->setValue(std::min(ProgressBar->maximum(), ProgressBar->value() + 10));
}

void TFormOutlookProgress::reject()
{
    BitBtnCancelClick();
}

void TFormOutlookProgress::BitBtnCancelClick()
{
    Continue = false;
    hide();
}

// --- Folder and contacts ---

TFormSelectContact::TFormSelectContact(QWidget *parent)
    : QDialog(parent, kDialogFlags | Qt::WindowContextHelpButtonHint)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Import Address Book Contacts"));
    resize(587, 322);
    auto *label = new QLabel(QStringLiteral("Address Book Contact &Folders"), this);
    ComboBoxContactFolders = new QComboBox(this);
    ComboBoxContactFolders->setToolTip(
        QStringLiteral("Select the address book folder to load contacts from"));
    label->setBuddy(ComboBoxContactFolders);
    auto *group = new QGroupBox(QStringLiteral("Select one or more contacts to import"), this);
    CheckListBoxContacts = new QListWidget(group);
    CheckListBoxContacts->setToolTip(QStringLiteral("Select one or more contacts to import."));
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(CheckListBoxContacts);

    auto *buttons = new QHBoxLayout;
    BitBtnReload = AddButton(buttons, QStringLiteral("&Reload"), this);
    BitBtnReload->setToolTip(QStringLiteral("Refresh the list of contacts from the address book"));
    BitBtnReload->setAutoDefault(false);
    buttons->addStretch();
    OKBtn = AddButton(buttons, QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = AddButton(buttons, QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    HelpBtn = AddHelpButton(buttons, this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(ComboBoxContactFolders);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);

    SetHelpContext(this, 20152);
    SetHelpContext(ComboBoxContactFolders, 20153);
    SetHelpContext(CheckListBoxContacts, 20154);
    SetHelpContext(BitBtnReload, 20155);

    ConnectGuarded(OKBtn, &QPushButton::clicked, this, [this] { done(mrOk); });
    ConnectGuarded(CancelBtn, &QPushButton::clicked, this, [this] { done(mrCancel); });
    ConnectGuarded(BitBtnReload, &QPushButton::clicked, this, [this] { done(mrRetry); });
    // Another folder chosen reloads at once.
    ConnectGuarded(ComboBoxContactFolders, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            BitBtnReload->click();
    });
}

void TFormSelectContact::SetFolders(const QStringList &Names, int Selected)
{
    m_filling = true;
    ComboBoxContactFolders->clear();
    ComboBoxContactFolders->addItems(Names);
    ComboBoxContactFolders->setCurrentIndex(Selected >= 0 && Selected < Names.size() ? Selected : -1);
    m_filling = false;
}

void TFormSelectContact::SetContacts(const QStringList &Names)
{
    CheckListBoxContacts->clear();
    for (const QString &name : Names) {
        auto *item = new QListWidgetItem(name, CheckListBoxContacts);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    if (!Names.isEmpty())
        CheckListBoxContacts->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

bool TFormSelectContact::Checked(int Index) const
{
    const QListWidgetItem *item = CheckListBoxContacts->item(Index);
    return item && item->checkState() == Qt::Checked;
}

void TFormSelectContact::SetChecked(int Index, bool Checked)
{
    if (QListWidgetItem *item = CheckListBoxContacts->item(Index))
        item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
}

void TFormSelectContact::reject()
{
    done(mrCancel);
}

// --- One contact's name and address ---

QStringList ContactNameVariants(const TContactNameParts &p)
{
    const bool hasSpouse = !p.Spouse.isEmpty();
    const bool hasChildren = !p.Children.isEmpty();
    const bool spouseIsFull = p.Spouse.contains(QLatin1Char(' '));
    QStringList v{p.Full};
    if (hasSpouse) {
        v << p.First + " & " + p.Spouse + " " + p.Last << p.Spouse + " & " + p.First + " " + p.Last
          << p.Spouse + " " + p.Last;
        if (spouseIsFull)
            v << p.Full + " & " + p.Spouse << p.Spouse + " & " + p.Full << p.Spouse;
    }
    if (hasChildren && hasSpouse) {
        v << p.First + " & " + p.Spouse + " " + p.Last + " & Family"
          << p.Spouse + " & " + p.First + " " + p.Last + " & Family"
          << p.First + ", " + p.Spouse + ", " + p.Children + " " + p.Last
          << p.Spouse + ", " + p.First + ", " + p.Children + " " + p.Last;
        if (spouseIsFull)
            v << p.Full + " & " + p.Spouse + " & Family" << p.Spouse + " & " + p.Full + " & Family";
    }
    if (hasChildren && !hasSpouse)
        v << p.Full + " & Family" << p.First + ", " + p.Children + " " + p.Last;
    return v;
}

TFormFormatContactAddress::TFormFormatContactAddress(QWidget *parent)
    : QDialog(parent, kDialogFlags | Qt::WindowContextHelpButtonHint)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Format Contact Address"));
    // Opened again, it comes back where it was left, not lower by its title bar.
    KeepPlace(this);
    resize(291, 275);
    auto *group = new QGroupBox(QStringLiteral("Name && Address to Import"), this);
    ComboBoxNames = new QComboBox(group);
    ComboBoxNames->setEditable(true);
    ComboBoxNames->setInsertPolicy(QComboBox::NoInsert);
    // Its completer would take the first Return for itself: one Return is OK.
    ComboBoxNames->setCompleter(nullptr);
    CheckBoxJobTitle = new QCheckBox(QStringLiteral("&Job title"), group);
    EditJobTitle = new QLineEdit(group);
    CheckBoxCompany = new QCheckBox(QStringLiteral("&Company"), group);
    EditCompanyName = new QLineEdit(group);
    MemoAddress = new QPlainTextEdit(group);
    MemoAddress->setTabChangesFocus(true);
    auto *grid = new QGridLayout(group);
    grid->addWidget(ComboBoxNames, 0, 0, 1, 2);
    grid->addWidget(CheckBoxJobTitle, 1, 0);
    grid->addWidget(EditJobTitle, 1, 1);
    grid->addWidget(CheckBoxCompany, 2, 0);
    grid->addWidget(EditCompanyName, 2, 1);
    grid->addWidget(MemoAddress, 3, 0, 1, 2);
    grid->setRowStretch(3, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    OKBtn = AddButton(buttons, QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = AddButton(buttons, QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    HelpBtn = AddHelpButton(buttons, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);

    SetHelpContext(this, 20156);
    SetHelpContext(ComboBoxNames, 20157);
    SetHelpContext(EditCompanyName, 20158);
    SetHelpContext(CheckBoxCompany, 20159);
    SetHelpContext(MemoAddress, 20160);

    ConnectGuarded(OKBtn, &QPushButton::clicked, this, [this] { done(mrOk); });
    ConnectGuarded(CancelBtn, &QPushButton::clicked, this, [this] { done(mrCancel); });
    ConnectGuarded(CheckBoxJobTitle, &QCheckBox::toggled, this,
                   [this](bool on) { EditJobTitle->setEnabled(on); });
    ConnectGuarded(CheckBoxCompany, &QCheckBox::toggled, this,
                   [this](bool on) { EditCompanyName->setEnabled(on); });
}

void TFormFormatContactAddress::ClearFields()
{
    ComboBoxNames->clear();
    ComboBoxNames->setEditText(QString());
    CheckBoxJobTitle->setChecked(false);
    CheckBoxCompany->setChecked(false);
    EditJobTitle->clear();
    EditCompanyName->clear();
    MemoAddress->clear();
}

void TFormFormatContactAddress::Fill(const TContactNameParts &Parts)
{
    ClearFields();
    ComboBoxNames->addItems(ContactNameVariants(Parts));
    ComboBoxNames->setEditText(Parts.Full);
    // The list may be wider than the box: long variants are shown whole.
    QAbstractItemView *list = ComboBoxNames->view();
    list->setTextElideMode(Qt::ElideNone);
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth()
                          + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    MemoAddress->setPlainText(Parts.Mailing);
    EditJobTitle->setText(Parts.Job);
    CheckBoxJobTitle->setEnabled(!Parts.Job.isEmpty());
    EditCompanyName->setText(Parts.Company);
    CheckBoxCompany->setEnabled(!Parts.Company.isEmpty());
    // Mailed at work: job title and company belong on the envelope.
    const bool same = Parts.Mailing == Parts.Business;
    EditCompanyName->setEnabled(same);
    CheckBoxCompany->setChecked(same && !Parts.Company.isEmpty());
    EditJobTitle->setEnabled(same);
    CheckBoxJobTitle->setChecked(same && !Parts.Job.isEmpty());
    ComboBoxNames->setFocus();
}

void TFormFormatContactAddress::reject()
{
    done(mrCancel);
}

// --- The three windows ---

TFormOutlookProgress *GetOutlookProgressForm()
{
    if (!progressForm)
        progressForm = new TFormOutlookProgress;
    return progressForm;
}

TFormSelectContact *GetSelectContactForm()
{
    if (!selectForm)
        selectForm = new TFormSelectContact;
    return selectForm;
}

TFormFormatContactAddress *GetFormatContactAddressForm()
{
    if (!formatForm)
        formatForm = new TFormFormatContactAddress;
    return formatForm;
}

void FreeContactForms()
{
    delete progressForm;
    progressForm = nullptr;
    delete selectForm;
    selectForm = nullptr;
    delete formatForm;
    formatForm = nullptr;
}
