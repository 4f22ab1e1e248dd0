#include "ui/returnaddresses/Retaddrs.h"

#include "engine/PreferenceStore.h"
#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmComboBox.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "platform/Exception.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "ui/StoreList.h"
#include "ui/returnaddresses/Newretad.h"

#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
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
    Context = [this] {
        TReturnEditorContext c;
        c.ConvertTabsToCrlf = Preferences().Values().ConvertTabsToCrlf;
        c.ClipArtPath = Preferences().Values().ClipArtPath;
        if (DocumentFileName)
            c.DocumentFileName = DocumentFileName();
        return c;
    };
    buildControls();
    resize(760, 560);
    LoadFormPlacement(this, placementSection);
    LoadToolbarLayout();
    showPreferences();
    ConnectGuarded(&Preferences(), &PreferenceStore::changed, this, &TDlgReturnAddresses::showPreferences);
    FontComboBox->LoadFonts();
    ConnectGuarded(&m_store, &ReturnAddressStore::listChanged, this, &TDlgReturnAddresses::showList);
    ConnectGuarded(&m_store, &ReturnAddressStore::currentChanged, this, &TDlgReturnAddresses::showCurrent);
    showCurrent();
    SetHelpContext(this, 20073);
    SetHelpContext(m_addBtn, 20074);
    SetHelpContext(m_renameBtn, 20075);
    SetHelpContext(m_deleteBtn, 20076);
    SetHelpContext(m_defaultBtn, 20077);
    SetHelpContext(m_listAddresses, 20078);
    setEditorHelpContexts();
    UpdateRulers();
    UpdateToolbar();
    setAcceptDrops(true);
    SetToolbarFollower(this);
}

TDlgReturnAddresses::~TDlgReturnAddresses()
{
    if (DlgReturnAddresses == this)
        DlgReturnAddresses = nullptr;
    if (ToolbarFollower() == this)
        SetToolbarFollower(nullptr);
}

void TDlgReturnAddresses::showPreferences()
{
    FontComboBox->SetShowStyle(Preferences().Values().ShowFonts ? ssFontSample : ssFontName);
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
    auto *detailsLayout = new QVBoxLayout(m_groupBoxDetails);
    detailsLayout->addWidget(buildEditor(m_groupBoxDetails));

    m_okBtn = new QPushButton(QStringLiteral("OK"), this);
    m_okBtn->setDefault(true);
    ConnectGuarded(m_okBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    ConnectHelpButton(help, this);

    // The list and the picture share the top half by halves; the editor takes the rest.
    auto *top = new QHBoxLayout;
    top->addWidget(listBox, 1);
    top->addWidget(buildGraphicGroup(), 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_okBtn);
    bottom->addWidget(help);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top, 2);
    main->addWidget(m_groupBoxDetails, 3);
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
        const QString graphicCaption = quotedCaption(QStringLiteral("Graphic for "), list.Description(i));
        m_groupBoxDetails->setTitle(caption);
        GroupBoxGraphic->setTitle(graphicCaption);
        m_richEdit->setToolTip(caption);
        ImageReturnAddress->setToolTip(graphicCaption);
        StringsToRichEdit(*m_richEdit, current->Lines());
        EditGraphicFile->setText(current->GraphicFile());
        ShowGraphicSize();
        HeightEdited = false;
        WidthEdited = false;
        ShowGraphic();
    } else {
        m_richEdit->Clear();
        m_groupBoxDetails->setTitle(QStringLiteral(" "));
        GroupBoxGraphic->setTitle(QStringLiteral(" "));
        EditGraphicFile->clear();
        ShowGraphic();
        ShowGraphicSize();
    }
    m_richEdit->setEnabled(usable);
    m_renameBtn->setEnabled(usable);
    m_deleteBtn->setEnabled(usable);
    m_defaultBtn->setEnabled(usable);
    ShowingDetails = false;
    // A picture that could not be read is said, not dropped in silence; the name stays.
    if (usable && isVisible() && !current->LoadError().isEmpty())
        MessageDlg(current->LoadError(), TMsgDlgType::Error, mbOK, 0);
}

void TDlgReturnAddresses::richEditChanged()
{
    // The text belongs to the current entry; with none there is nothing to keep.
    TReturnAddress *current = m_store.CurrentReturnAddress();
    if (ShowingDetails || !current)
        return;
    RichEditToStrings(current->Lines(), *m_richEdit);
    m_store.CurrentEdited();
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
    UpdateToolbar();
    return exec();
}

void TDlgReturnAddresses::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Fonts installed meanwhile, and a Measure changed in the options.
    const QString font = FontComboBox->FontName();
    FontComboBox->LoadFonts();
    FontComboBox->SetFontName(font);
    UpdateRulers();
    ShowGraphic();
    ShowGraphicSize();
    UpdateToolbar();
    // A picture that could not be read is said once the window stands.
    QTimer::singleShot(0, this, [this] {
        RunGuarded([this] {
            const TReturnAddress *current = m_store.CurrentReturnAddress();
            if (isVisible() && current && !current->LoadError().isEmpty())
                MessageDlg(current->LoadError(), TMsgDlgType::Error, mbOK, 0);
        });
    });
}

void TDlgReturnAddresses::listClicked()
{
    if (m_refilling)
        return;
    m_store.SelectReturnAddress(m_listAddresses->currentRow());
}

bool TDlgReturnAddresses::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((watched == m_listAddresses && type == QEvent::KeyRelease)
        || (watched == m_listAddresses->viewport() && type == QEvent::MouseButtonRelease))
        listClicked();
    // Enter in a box applies it; it does not close the window.
    if (type == QEvent::KeyPress
        && (watched == EditGraphicWidth || watched == EditGraphicHeight || watched == ComboBoxFontSize
            || watched == FontComboBox || watched == ColorBoxFont)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunGuarded([this, watched] {
                if (watched == ComboBoxFontSize)
                    ApplyFontSize();
                else if (watched == EditGraphicWidth || watched == EditGraphicHeight)
                    applySizeEdit(watched == EditGraphicWidth);
            });
            return true;
        }
    }
    if (watched == EditGraphicFile && type == QEvent::MouseButtonRelease && EditGraphicFile->isEnabled()) {
        RunGuarded([this] { BtnBrowseClick(); });
        return true;
    }
    // Pasting by key takes the same road as the command: formatting cleared, tabs converted.
    if (watched == m_richEdit && type == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
        RunGuarded([this] { ActionEditPasteExecute(); });
        return true;
    }
    // Files dropped on the text make the picture, as anywhere on the window.
    if (watched == m_richEdit->viewport()
        && (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (drop->mimeData()->hasUrls()) {
            if (type == QEvent::Drop)
                dropEvent(drop);
            else
                drop->acceptProposedAction();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TDlgReturnAddresses::done(int result)
{
    SaveFormPlacement(this, placementSection);
    RunGuarded([this] { SaveToolbarLayout(); });
    // The text typed here reaches the file now, not only when the program ends.
    try {
        m_store.SaveReturnAddressList();
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
    QDialog::done(result);
}
