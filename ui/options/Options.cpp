#include "ui/options/Options.h"

#include "engine/PreferenceStore.h"
#include "foundation/ColorBox.h"
#include "foundation/QmComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmWindows.h"
#include "foundation/StampIncludes.h"
#include "foundation/WindowsDefaultFolders.h"
#include "platform/FileDialogService.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "ui/options/SelectFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

TDlgOptions *dialogInstance = nullptr;

const QString kOptions = QStringLiteral("Options");
const QString kGraphicEditor = QStringLiteral("GraphicEditor");

QString defaultPictureEditor()
{
    QString editor;
    GetDefaultPictureEditor(editor);
    return editor;
}

QCheckBox *checkBox(const QString &Caption, const QString &Hint, int HelpContext, QWidget *parent)
{
    auto *box = new QCheckBox(Caption, parent);
    box->setToolTip(Hint);
    SetHelpContext(box, HelpContext);
    return box;
}

} // namespace

TRadioGroup::TRadioGroup(const QString &Title, const QStringList &Items, QWidget *parent)
    : QGroupBox(Title, parent)
{
    auto *layout = new QVBoxLayout(this);
    for (const QString &item : Items) {
        auto *radio = new QRadioButton(item, this);
        m_items.append(radio);
        layout->addWidget(radio);
    }
}

int TRadioGroup::ItemIndex() const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i)->isChecked())
            return i;
    }
    return -1;
}

void TRadioGroup::SetItemIndex(int Index)
{
    if (Index >= 0 && Index < m_items.size())
        m_items.at(Index)->setChecked(true);
}

int BarCodeFromItem(int Item)
{
    switch (Item) {
    case 0: return 0;
    case 1: return 3;
    case 2: return 1;
    default: return 2;
    }
}

int ItemFromBarCode(int BarCode)
{
    switch (BarCode) {
    case 0: return 0;
    case 3: return 1;
    case 1: return 2;
    default: return 3;
    }
}

int MeasureFromItem(int Item)
{
    return Item == 1 ? 1 : 0;
}

int ItemFromMeasure(int Measure)
{
    return Measure == 1 ? 1 : 0;
}

TDlgOptions::TDlgOptions(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Plikora Options"));
    // Opened again, it comes back where it was left, not lower by its title bar.
    KeepPlace(this);
    PageControl = new QTabWidget(this);

    // Settings.
    TabSheetSettings = new QWidget;
    auto *general = new QGroupBox(QStringLiteral("General Options"), TabSheetSettings);
    CheckBoxShowHints =
        checkBox(QStringLiteral("Show pop-up &hints"),
                 QStringLiteral("Check this box to view pop-up hints like this one."), 20117, general);
    CheckBoxShowBorders = checkBox(
        QStringLiteral("Show text bo&x borders"),
        QStringLiteral("Check this box to show a border around the destination and return addresses."), 20118,
        general);
    CheckBoxShowFonts = checkBox(QStringLiteral("Show font sa&mples"),
                                 QStringLiteral("Check this box to show font samples."), 20119, general);
    CheckBoxPostalMargins = checkBox(
        QStringLiteral("Enforce mar&gins"),
        QStringLiteral(
            "Check this box to restrict the margin sizings to those approved by the Postal Service."),
        20120, general);
    CheckBoxConvertTabs = checkBox(
        QStringLiteral("Convert ta&b to new line"),
        QStringLiteral("Check this box to convert tab characters to new line characters."), 20121, general);
    auto *generalLayout = new QVBoxLayout(general);
    for (QCheckBox *box : {CheckBoxShowHints, CheckBoxShowBorders, CheckBoxShowFonts, CheckBoxPostalMargins,
                           CheckBoxConvertTabs})
        generalLayout->addWidget(box);

    RadioGroupBarCode =
        new TRadioGroup(QStringLiteral("POSTNET Bar Code"),
                        {QStringLiteral("Print &above address"), QStringLiteral("Print belo&w address"),
                         QStringLiteral("Print on bottom &edge of envelope"), QStringLiteral("Do&n't print")},
                        TabSheetSettings);
    SetHelpContext(RadioGroupBarCode, 20129);
    CheckBoxFacingMark = checkBox(
        QStringLiteral("Print Facing Mar&k near stamp"),
        QStringLiteral(
            "Check this box to print the Facing Mark bar codes in the upper right corner near the stamp."),
        20128, TabSheetSettings);

    auto *openSave = new QGroupBox(QStringLiteral("Open/Save Options"), TabSheetSettings);
    CheckBoxClearAttention =
        checkBox(QStringLiteral("C&lear attention line"),
                 QStringLiteral("Check this box to clear the attention line when a new address is opened."),
                 20122, openSave);
    CheckBoxSaveAttention = checkBox(
        QStringLiteral("Sa&ve attention line"),
        QStringLiteral("Check this box to save the attention line with the address."), 20123, openSave);
    CheckBoxRememberReturnAddress = checkBox(
        QStringLiteral("Remember Re&turn Address"),
        QStringLiteral("Check this box to remember the return address to use for each destination address"),
        20125, openSave);
    CheckBoxRememberEnvelope = checkBox(
        QStringLiteral("Remember Envel&ope"),
        QStringLiteral("Check this box to remember the envelope to use for each destination address"), 20124,
        openSave);
    auto *openSaveLayout = new QVBoxLayout(openSave);
    for (QCheckBox *box : {CheckBoxClearAttention, CheckBoxSaveAttention, CheckBoxRememberReturnAddress,
                           CheckBoxRememberEnvelope})
        openSaveLayout->addWidget(box);

    auto *colorGroup = new QGroupBox(QStringLiteral("Envelope Colo&r"), TabSheetSettings);
    ColorBoxEnvelope = new TColorBox(TColorList::Envelope, colorGroup);
    SetHelpContext(ColorBoxEnvelope, 20126);
    (new QVBoxLayout(colorGroup))->addWidget(ColorBoxEnvelope);

    RadioGroupMeasure =
        new TRadioGroup(QStringLiteral("Units of Measure"),
                        {QStringLiteral("&Inches"), QStringLiteral("&Centimeters")}, TabSheetSettings);
    SetHelpContext(RadioGroupMeasure, 20127);

    auto *stampGroup = new QGroupBox(QStringLiteral("Stamp &Price"), TabSheetSettings);
    ComboBoxStampPrice = new QComboBox(stampGroup);
    ComboBoxStampPrice->addItems({QStringLiteral("37"), QStringLiteral("38"), QStringLiteral("39")});
    ComboBoxStampPrice->setToolTip(QStringLiteral("Enter the price of a stamp"));
    SetHelpContext(ComboBoxStampPrice, 20130);
    (new QVBoxLayout(stampGroup))->addWidget(ComboBoxStampPrice);

    auto *settings = new QGridLayout(TabSheetSettings);
    settings->addWidget(general, 0, 0);
    settings->addWidget(openSave, 0, 1);
    settings->addWidget(RadioGroupBarCode, 1, 0, 2, 1);
    settings->addWidget(colorGroup, 1, 1);
    settings->addWidget(RadioGroupMeasure, 2, 1);
    settings->addWidget(CheckBoxFacingMark, 3, 0);
    settings->addWidget(stampGroup, 3, 1);
    PageControl->addTab(TabSheetSettings, QStringLiteral("&Settings"));

    // File Locations.
    TabSheetFileLocations = new QWidget;
    SetHelpContext(TabSheetFileLocations, 20116);
    auto *files = new QGridLayout(TabSheetFileLocations);
    int row = 0;
    const auto location = [&](const QString &Label, const QString &Hint, int HelpContext,
                              QPushButton *&Button) {
        auto *edit = new QLineEdit(TabSheetFileLocations);
        edit->setReadOnly(true);
        edit->setToolTip(Hint);
        edit->installEventFilter(this);
        SetHelpContext(edit, HelpContext);
        auto *label = new QLabel(Label, TabSheetFileLocations);
        label->setBuddy(edit);
        Button = new QPushButton(QStringLiteral("Browse..."), TabSheetFileLocations);
        Button->setAutoDefault(false);
        Button->setToolTip(Hint);
        SetHelpContext(Button, HelpContext);
        ConnectGuarded(Button, &QPushButton::clicked, this, [this, edit] { Browse(edit); });
        files->addWidget(label, row++, 0, 1, 2);
        files->addWidget(edit, row, 0);
        files->addWidget(Button, row++, 1);
        return edit;
    };
    EditDefaultEnvelopePath =
        location(QStringLiteral("Default &Envelope Folder"),
                 QStringLiteral("Default folder for envelope files"), 20131, ButtonBrowseEnvelopePath);
    EditGraphicEditor =
        location(QStringLiteral("&Graphic Editor"), QStringLiteral("Path to a graphic editor program"), 20132,
                 ButtonBrowseGraphicEditor);
    ButtonBrowseGraphicEditor->setToolTip(
        QStringLiteral("Click here to select a program to edit graphic files"));
    EditFavoritesPath =
        location(QStringLiteral("Fa&vorites Folder"), QStringLiteral("Folder to store envelope favorites"),
                 20133, ButtonBrowseFavorites);
    EditClipArtPath = location(QStringLiteral("C&lipart Folder"),
                               QStringLiteral("Folder to store clipart files"), 20134, ButtonBrowseClipArt);
    files->setColumnStretch(0, 1);
    files->setRowStretch(row, 1);
    PageControl->addTab(TabSheetFileLocations, QStringLiteral("&File Locations"));

    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonHelp = new QPushButton(QStringLiteral("Help"), this);
    ButtonHelp->setAutoDefault(false);
    ButtonDefaults = new QPushButton(QStringLiteral("&Defaults"), this);
    ButtonDefaults->setAutoDefault(false);
    ButtonDefaults->setToolTip(QStringLiteral("Restore all default options"));
    SetHelpContext(ButtonDefaults, 20135);
    ConnectGuarded(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    ConnectGuarded(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    ConnectHelpButton(ButtonHelp, this);
    ConnectGuarded(ButtonDefaults, &QPushButton::clicked, this, &TDlgOptions::RestoreDefaults);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {ButtonOK, ButtonCancel, ButtonHelp, ButtonDefaults})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SetHelpContext(this, 20115);

    EditGraphicEditor->setText(RegIni ? RegIni->ReadString(kOptions, kGraphicEditor, defaultPictureEditor())
                                      : defaultPictureEditor());
}

qint32 TDlgOptions::SelectedColor() const
{
    return ColorBoxEnvelope->Selected();
}

void TDlgOptions::SetSelectedColor(qint32 Color)
{
    // A colour of the user's own is kept as it is.
    ColorBoxEnvelope->SetSelected(Color);
}

void TDlgOptions::LoadFrom()
{
    const TPreferences &p = Preferences().Values();
    CheckBoxShowHints->setChecked(p.ShowHints);
    CheckBoxShowBorders->setChecked(p.ShowBorders);
    CheckBoxClearAttention->setChecked(p.ClearAttention);
    CheckBoxSaveAttention->setChecked(p.SaveAttention);
    CheckBoxRememberReturnAddress->setChecked(p.RememberReturnAddress);
    CheckBoxRememberEnvelope->setChecked(p.RememberEnvelope);
    CheckBoxPostalMargins->setChecked(p.PostalMargins);
    CheckBoxConvertTabs->setChecked(p.ConvertTabsToCrlf);
    CheckBoxFacingMark->setChecked(p.FacingMark);
    CheckBoxShowFonts->setChecked(p.ShowFonts);
    SetComboItemIndex(ComboBoxStampPrice, p.StampPrice - 37);
    RadioGroupBarCode->SetItemIndex(ItemFromBarCode(p.PrintBarCode));
    RadioGroupMeasure->SetItemIndex(ItemFromMeasure(p.Measure));
    SetSelectedColor(p.EnvelopeColor);
    EditDefaultEnvelopePath->setText(p.DefaultEnvelopePath);
    EditFavoritesPath->setText(p.FavoritesPath);
    EditClipArtPath->setText(p.ClipArtPath);
}

void TDlgOptions::ApplyTo()
{
    TPreferences p = Preferences().Values();
    p.ShowHints = CheckBoxShowHints->isChecked();
    p.ShowBorders = CheckBoxShowBorders->isChecked();
    p.ClearAttention = CheckBoxClearAttention->isChecked();
    p.SaveAttention = CheckBoxSaveAttention->isChecked();
    p.RememberReturnAddress = CheckBoxRememberReturnAddress->isChecked();
    p.RememberEnvelope = CheckBoxRememberEnvelope->isChecked();
    p.PostalMargins = CheckBoxPostalMargins->isChecked();
    p.ConvertTabsToCrlf = CheckBoxConvertTabs->isChecked();
    p.FacingMark = CheckBoxFacingMark->isChecked();
    p.EnvelopeColor = SelectedColor();
    p.ShowFonts = CheckBoxShowFonts->isChecked();
    p.PrintBarCode = BarCodeFromItem(RadioGroupBarCode->ItemIndex());
    p.Measure = MeasureFromItem(RadioGroupMeasure->ItemIndex());
    p.StampPrice = ComboBoxStampPrice->currentIndex() + 37;
    p.ClipArtPath = EditClipArtPath->text();
    p.FavoritesPath = EditFavoritesPath->text();
    p.DefaultEnvelopePath = EditDefaultEnvelopePath->text();
    if (RegIni) {
        TIniUpdate update(*RegIni);
        PreferenceStore::Write(p);
        // What the edit shows is what the return-address editor will start.
        RegIni->WriteString(kOptions, kGraphicEditor, EditGraphicEditor->text());
        update.Commit();
    }
    Preferences().Set(p);
}

bool TDlgOptions::ExecuteOptions()
{
    LoadFrom();
    if (exec() != QDialog::Accepted)
        return false;
    ApplyTo();
    return true;
}

void TDlgOptions::RestoreDefaults()
{
    if (PageControl->currentWidget() == TabSheetSettings) {
        for (QCheckBox *box : {CheckBoxShowHints, CheckBoxShowBorders, CheckBoxClearAttention,
                               CheckBoxSaveAttention, CheckBoxRememberReturnAddress, CheckBoxRememberEnvelope,
                               CheckBoxShowFonts, CheckBoxPostalMargins})
            box->setChecked(true);
        CheckBoxFacingMark->setChecked(false);
        ComboBoxStampPrice->setCurrentIndex(1);
        RadioGroupBarCode->SetItemIndex(0);
        RadioGroupMeasure->SetItemIndex(0);
        SetSelectedColor(clBtnFace);
    } else if (PageControl->currentWidget() == TabSheetFileLocations) {
        EditDefaultEnvelopePath->setText(WinDefaultFolders.Personal);
        EditGraphicEditor->setText(defaultPictureEditor());
        EditFavoritesPath->setText(PreferenceStore::DefaultFavoritesFolder());
        EditClipArtPath->setText(PreferenceStore::DefaultClipArtFolder());
    }
}

void TDlgOptions::Browse(QLineEdit *Edit)
{
    if (Edit == EditGraphicEditor)
        BrowseGraphicEditor();
    else
        BrowseOptionsFolder(Edit);
}

void TDlgOptions::BrowseGraphicEditor()
{
    TFileDialogRequest request;
    request.Title = QStringLiteral("Select Graphic Editor");
    request.Filter = QStringLiteral("Programs|*");
    request.FileName = EditGraphicEditor->text();
    request.InitialDir =
        request.FileName.isEmpty() ? QStringLiteral("/usr/bin") : QFileInfo(request.FileName).absolutePath();
    request.FileMustExist = true;
    request.HelpContext = 20015;
    const TFileDialogAnswer answer = FileDialogService().Execute(request);
    if (!answer.Accepted)
        return;
    if (RegIni)
        RegIni->WriteString(kOptions, kGraphicEditor, answer.FileName);
    EditGraphicEditor->setText(answer.FileName);
}

void TDlgOptions::BrowseOptionsFolder(QLineEdit *Edit)
{
    QString caption;
    QString key;
    if (Edit == EditDefaultEnvelopePath) {
        caption = QStringLiteral("Select Data Folder");
        key = QStringLiteral("DefaultEnvelopePath");
    } else if (Edit == EditFavoritesPath) {
        caption = QStringLiteral("Select Favorites Folder");
        key = QStringLiteral("FavoritesPath");
    } else {
        caption = QStringLiteral("Select Clip Art Folder");
        key = QStringLiteral("ClipArtPath");
    }
    TDlgSelectFolder *dialog = GetSelectFolderDialog();
    dialog->SetFolder(Edit->text());
    dialog->setWindowTitle(caption);
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QString folder = dialog->GetFolder();
    if (RegIni)
        RegIni->WriteString(kOptions, key, folder);
    Edit->setText(folder);
}

bool TDlgOptions::eventFilter(QObject *Watched, QEvent *Event)
{
    auto *edit = qobject_cast<QLineEdit *>(Watched);
    if (edit && edit->parent() == TabSheetFileLocations) {
        if (Event->type() == QEvent::MouseButtonDblClick) {
            Browse(edit);
            return true;
        }
        if (Event->type() == QEvent::KeyPress) {
            // A typed character opens the browse; keys that move about do not.
            const auto *key = static_cast<QKeyEvent *>(Event);
            if (!key->text().isEmpty() && key->text().at(0).isPrint()) {
                Browse(edit);
                return true;
            }
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

TDlgOptions *GetOptionsDialog()
{
    if (!dialogInstance)
        dialogInstance = new TDlgOptions;
    return dialogInstance;
}

void FreeOptionsDialog()
{
    delete dialogInstance;
    dialogInstance = nullptr;
}
