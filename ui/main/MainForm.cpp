#include "ui/main/MainForm.h"

#include "engine/DefinitionStore.h"
#include "engine/DescribedList.h"
#include "engine/EnvDim.h"
#include "engine/EnvDocument.h"
#include "engine/EnvPrint.h"
#include "engine/LayoutFit.h"
#include "engine/PrintAddresses.h"
#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmShortcut.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "platform/FileDialogService.h"
#include "platform/FileNames.h"
#include "platform/FontCheck.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "ui/Artwork.h"
#include "ui/main/Oldfiles.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <cstdio>

TFormStampMain *FormStampMain = nullptr;

namespace {

const QString kEnvelopeFont = QStringLiteral("EnvelopeFont");
const QString kPrintTitle = QStringLiteral("Plikora Envelope");

TTextAttributes TextAttributesOf(const TFontAttributes &Font)
{
    TTextAttributes a;
    a.Name = Font.Name;
    a.Size = Font.Size > 0 ? Font.Size : 10;
    a.Color = Font.Color == 0 ? QColor() : ColorFromWindows(Font.Color);
    a.Style = (Font.Bold ? unsigned(RichStyle::Bold) : 0u) | (Font.Italic ? unsigned(RichStyle::Italic) : 0u)
              | (Font.Underline ? unsigned(RichStyle::Underline) : 0u)
              | (Font.Strikeout ? unsigned(RichStyle::StrikeOut) : 0u);
    a.Consistent = unsigned(RichConsistent::All);
    return a;
}

} // namespace

// What the envelope definitions and return addresses read of the preferences.
class TFormStampMain::PreferenceReader : public TEnvelopePreferences, public TReturnAddressEnvironment
{
public:
    explicit PreferenceReader(TFormStampMain &Form) : m_form(Form) {}
    int Measure() const override { return Prefs().Measure; }
    bool PostalMargins() const override { return Prefs().PostalMargins; }
    bool FacingMark() const override { return Prefs().FacingMark; }
    int ScreenPixelsPerInch() const override
    {
        const QScreen *screen = m_form.screen() ? m_form.screen() : QGuiApplication::primaryScreen();
        return screen ? qRound(screen->logicalDotsPerInch()) : 96;
    }

private:
    TFormStampMain &m_form;
};

TFormStampMain::TFormStampMain(DefinitionStore &Definitions, ReturnAddressStore &ReturnAddresses,
                               TMainFormHooks Hooks, TWindowOpeners Openers, QWidget *parent)
    : QMainWindow(parent), m_definitions(Definitions), m_returnAddresses(ReturnAddresses),
      m_hooks(std::move(Hooks)), m_openers(std::move(Openers)),
      m_preferences(std::make_unique<PreferenceReader>(*this))
{
    FormStampMain = this;
    setObjectName(QStringLiteral("FormStampMain"));
    SetCaption();
    setWindowIcon(ProgramIcon());
    resize(720, 480);
    m_commandLine = ::ParseCommandLine();
    m_printJob = [this](TAddressPrintList &List, int Copies, bool Test, TReturnAddress *ReturnAddress,
                        TEnvelopeData *Envelope, const QString &Title, int BarCodePlacement, bool TriFold) {
        return List.PrintEnvelopes(Copies, Test, ReturnAddress, Envelope, Title, BarCodePlacement, TriFold,
                                   m_openers.GetPrintStatusForm());
    };

    CreateActions();
    CreatePanel();
    CreateBarControls();
    CreateMenus();
    CreateToolBars();
    SetUpKeyboard();
    SetToolbarLeader(this);

    // The printer object starts on the system's default printer.
    if (TZambPrinter *printer = PrinterInstance())
        printer->SetPrinterIndex(-1);
    PrintList = std::make_unique<TAddressPrintList>(RichEditDestination, RichEditReturn, RichEditAttention);
    FontSizeTyped = false;
    ActiveBox = 1;
    RichEditDestination->Clear();

    const bool placed = RegIni && RegIni->SectionExists(QStringLiteral("MainWindow"));
    const bool toolbarsPlaced = RegIni && RegIni->SectionExists(QStringLiteral("MainWindowFileToolBar"));
    LoadFormPlacement(this, QStringLiteral("MainWindow"));
    LoadToolbarLayout();
    setAcceptDrops(true);

    if (RegIni) {
        ContactFolderID.EntryID =
            RegIni->ReadString(QStringLiteral("Outlook"), QStringLiteral("ContactFolderEntryID"), {});
        ContactFolderID.StoreID =
            RegIni->ReadString(QStringLiteral("Outlook"), QStringLiteral("ContactFolderStoreID"), {});
    }
    ConnectGuarded(&Preferences(), &PreferenceStore::changed, this, &TFormStampMain::ApplyPreferences);
    Preferences().Load();

    if (OldFileList) {
        OldFileList->UpdateMenu(
            MenuFile, FileOldFileBreak, [this](QAction *a) { FileOpenOldClick(a); }, this);
        OldFileList->UpdateOtherList(m_saveHistory);
        OldFileList->UpdateOtherList(m_openHistory);
    }
    ApplyEnvelopeFont(*RichEditDestination);
    ApplyEnvelopeFont(*RichEditAttention);
    PurgeEnvelopeIniSections();
    SetHelpContexts();
    UpdateStampImage();

    SetEnvelopePreferences(m_preferences.get());
    SetReturnAddressEnvironment(m_preferences.get());
    ConnectGuarded(&m_definitions, &DefinitionStore::listChanged, this, &TFormStampMain::RefillEnvelopeCombo);
    ConnectGuarded(&m_definitions, &DefinitionStore::currentChanged, this, [this] {
        SetComboItemIndex(ComboBoxEnvelope, m_definitions.CurrentIndex());
        ApplyPaperWidths();
    });
    ConnectGuarded(&m_returnAddresses, &ReturnAddressStore::listChanged, this,
                   &TFormStampMain::RefillReturnAddressCombo);
    ConnectGuarded(&m_returnAddresses, &ReturnAddressStore::currentChanged, this, [this] {
        SetComboItemIndex(ComboBoxReturnAddress, m_returnAddresses.CurrentIndex());
        FillReturnBox();
        ApplyReturnAddress();
    });
    ConnectGuarded(&m_returnAddresses, &ReturnAddressStore::currentEdited, this, [this] {
        FillReturnBox();
        ApplyReturnAddress();
    });
    RefillEnvelopeCombo();
    RefillReturnAddressCombo();
    ApplyReturnAddress();
    qApp->installEventFilter(this);
    RichEditDestinationChange();
    // The first box to take the keys.
    RichEditDestination->setFocus();
    // The lists are filled now, and so the toolbars as wide as they will show.
    if (!placed) {
        resize(FirstSize());
        if (!toolbarsPlaced)
            DefaultToolbarArrangement();
    }
}

TFormStampMain::~TFormStampMain()
{
    try {
        SaveWindowState();
    } catch (const std::exception &) {
        // Closing the window has said it already.
    }
    if (ToolbarLeader() == this)
        SetToolbarLeader(nullptr);
    SetReturnAddressEnvironment(nullptr);
    SetEnvelopePreferences(nullptr);
    PrintList.reset();
    if (FormStampMain == this)
        FormStampMain = nullptr;
}

void TFormStampMain::ApplyPreferences()
{
    const TPreferences &p = Prefs();
    ApplyEnvelopeColor();
    for (RichEdit *box : {RichEditDestination, RichEditReturn, RichEditAttention})
        box->setFrameShape(p.ShowBorders ? QFrame::StyledPanel : QFrame::NoFrame);
    FontComboBox->SetShowStyle(p.ShowFonts ? ssFontSample : ssFontName);
    UpdateStampImage();
    if (!p.ShowHints)
        QToolTip::hideText();
    // The bar code's place and the colours may have changed.
    RichEditDestinationChange();
    FormResize();
    PanelEnvelope->update();
}

bool TFormStampMain::event(QEvent *Event)
{
    if (Event->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &TFormStampMain::FormActivate);
    else if (Event->type() == QEvent::ApplicationPaletteChange && ToolBarOptions) {
        // The desktop's palette changed (once the window is built): the envelope and its preview follow.
        ApplyEnvelopeColor();
        RichEditDestinationChange();
    } else if (Event->type() == QEvent::StatusTip) {
        // The hint goes into its panel only; the status bar's own message would cover all three.
        StatusPanels[2]->setText(QLatin1Char(' ') + static_cast<QStatusTipEvent *>(Event)->tip());
        return true;
    }
    return QMainWindow::event(Event);
}

void TFormStampMain::showEvent(QShowEvent *Event)
{
    QMainWindow::showEvent(Event);
    if (m_shown)
        return;
    m_shown = true;
    QTimer::singleShot(0, this, &TFormStampMain::FormShow);
    // A desktop that does not activate new windows still gets the command line acted on.
    QTimer::singleShot(0, this, [this] {
        if (!m_commandLineDone)
            FormActivate();
    });
}

void TFormStampMain::FormActivate()
{
    if (!m_commandLineDone) {
        m_commandLineDone = true;
        FontComboBox->LoadFonts();
        ProcessCommandLine();
        return;
    }
    if (!PrintRequestRunning())
        FontComboBox->LoadFonts();
}

void TFormStampMain::FormShow()
{
    if (!FirstRun)
        return;
    FirstRun = false;
    if (m_openers.CreateFirstEnvelope())
        m_openers.ExecuteEnvelopeSizes(true);
}

void TFormStampMain::ProcessCommandLine()
{
    switch (m_commandLine.Mode) {
    case cmOpen: OpenEnvelopeFile(this, m_commandLine.FileName, false); break;
    case cmPrint:
        // A file that cannot be opened prints nothing; the program closes all the same,
        // and its exit status tells a script that nothing was printed.
        m_commandLineResult = 1;
        // Whatever fails on the way has been said; the program ends all the same.
        RunGuarded([this] {
            if (OpenEnvelopeFile(this, m_commandLine.FileName, true)
                && PrintForCommandLine() == TPrintOutcome::Printed)
                m_commandLineResult = 0;
        });
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    default: break;
    }
}

bool TFormStampMain::IsEnvelopeModified() const
{
    bool modified = RichEditDestination->Modified();
    if (Prefs().SaveAttention || HasAttentionLine)
        modified = modified || RichEditAttention->Modified();
    // Nothing but blanks, digits and signs is not worth a question.
    return modified && RichEditDestination->HasLetter();
}

bool TFormStampMain::QueryDiscard()
{
    if (!IsEnvelopeModified())
        return true;
    const QString name = FileName.isEmpty() ? QStringLiteral("Untitled") : FileName;
    switch (MessageDlg(QStringLiteral("Save changes to envelope file \"%1\"?").arg(name),
                       TMsgDlgType::Confirmation, mbYesNoCancel, 0)) {
    case mrYes:
        // Only a save that happened lets the caller go on.
        return ActionFileSaveExecute();
    case mrNo: return true;
    default: return false;
    }
}

void TFormStampMain::closeEvent(QCloseEvent *Event)
{
    if (PrintRequestRunning() || !QueryDiscard()) {
        Event->ignore();
        return;
    }
    try {
        SaveWindowState();
    } catch (const std::exception &e) {
        // The program closes all the same.
        ShowException(e);
    }
    HelpService().WinHelp(HELP_QUIT, 0);
    Event->accept();
}

void TFormStampMain::SaveWindowState()
{
    if (!RegIni)
        return;
    SaveFormPlacement(this, QStringLiteral("MainWindow"));
    SaveToolbarLayout();
}

void TFormStampMain::PurgeEnvelopeIniSections()
{
    if (!IniFile)
        return;
    QStringList sections;
    IniFile->ReadSections(sections);
    QStringList purge;
    for (const QString &s : sections) {
        if (s.left(6) == QLatin1String("IniId_"))
            purge << s;
    }
    const QString envelopes = QStringLiteral("Envelopes");
    // The setups of every stored definition stay, whatever the list's count says.
    for (const int k : StoredEntryNumbers(*IniFile, envelopes, QStringLiteral("Envelope"),
                                          QStringLiteral("Envelope"), QStringLiteral("_FullPrinterName"))) {
        if (purge.isEmpty())
            break;
        const int id = IniFile->ReadInteger(envelopes, QStringLiteral("Envelope%1_IniId").arg(k), 0);
        if (id == 0)
            continue;
        const QString prefix = QStringLiteral("IniId_%1").arg(id);
        purge.removeIf([&](const QString &s) { return s.startsWith(prefix); });
    }
    if (purge.isEmpty())
        return;
    TIniUpdate update(*IniFile);
    for (const QString &s : purge)
        IniFile->EraseSection(s);
    update.Commit();
}

void TFormStampMain::SetHelpContexts()
{
    SetHelpContext(this, 20020);
    SetHelpContext(MenuHelp, 9990);
    SetHelpContext(RichEditReturn, 20022);
    SetHelpContext(RichEditDestination, 20023);
    SetHelpContext(RichEditAttention, 20024);
    SetHelpContext(MenuFile, 20031);
    SetHelpContext(MenuEdit, 20032);
    SetHelpContext(MenuFormat, 20033);
    SetHelpContext(ToolBarFile, 20034);
    SetHelpContext(ToolBarSelection, 20043);
    SetHelpContext(ComboBoxReturnAddress, 20045);
    SetHelpContext(ComboBoxEnvelope, 20047);
    SetHelpContext(ToolBarEdit, 20048);
    SetHelpContext(ToolBarFormat, 20060);
    SetHelpContext(FontComboBox, 20064);
    SetHelpContext(ComboBoxFontSize, 20065);
    SetHelpContext(ColorBoxFont, 20066);
    SetHelpContext(ToolBarOptions, 20067);
    const QList<QPair<QAction *, int>> actions = {
        {ActionFileNew, 20035},
        {ActionFileOpen, 20036},
        {ActionFileSave, 20037},
        {ActionFileSaveAs, 20038},
        {ActionFilePrintEnvelope, 20039},
        {ActionFileClose, 20040},
        {ActionFileExit, 20042},
        {ActionFormatReturnAddresses, 20044},
        {ActionFormatEnvelopes, 20046},
        {ActionEditUndo, 20049},
        {ActionEditCut, 20050},
        {ActionEditCopy, 20051},
        {ActionEditPaste, 20052},
        {ActionHelpMain, 20068},
        {ActionFileImportOutlook, 20041},
        {ActionEditPasteAsNew, 20053},
        {ActionEditPasteAsText, 20054},
        {ActionEditDelete, 20055},
        {ActionEditSelectAll, 20056},
        {ActionEditClear, 20057},
        {ActionEditLookup, 20058},
        {ActionEditFind, 20059},
        {ActionFormatBold, 20061},
        {ActionFormatItalics, 20062},
        {ActionFormatUnderline, 20063},
        {ActionFormatOptions, 20069},
        {ActionFormatCustomizeToolbar, 20070},
        {HelpLicense, 9991},
        {HelpOverview, 9992},
        {HelpWarranty, 9996},
        {HelpInstallation, 9997},
    };
    for (const auto &[action, context] : actions)
        action->setProperty("helpContext", context);
}

void TFormStampMain::ApplyEnvelopeFont(RichEdit &Box) const
{
    if (!RegIni)
        return;
    TFontAttributes font;
    RegIni->ReadTextAttributes(kEnvelopeFont, font);
    Box.SetDefAttributes(TextAttributesOf(font));
}

bool TFormStampMain::eventFilter(QObject *Watched, QEvent *Event)
{
    // The "ShowHints" preference: no pop-up hints anywhere in the program.
    if (Event->type() == QEvent::ToolTip && !Prefs().ShowHints)
        return true;
    if (Watched == PanelEnvelope) {
        // The layout's own moves do not start it again.
        if (Event->type() == QEvent::Resize && !Resizing)
            FormResize();
        return QMainWindow::eventFilter(Watched, Event);
    }
    if (Watched == ImageReturnAddress && Event->type() == QEvent::MouseButtonDblClick) {
        ActionFormatReturnAddresses->trigger();
        return true;
    }
    if ((Watched == ComboBoxEnvelope || Watched == ComboBoxReturnAddress)
        && (Event->type() == QEvent::MouseButtonPress || Event->type() == QEvent::FocusIn)) {
        RichEditFocusNone();
        return QMainWindow::eventFilter(Watched, Event);
    }
    const auto boxOf = [this](QObject *o) -> int {
        for (int i = 0; i < 3; ++i) {
            RichEdit *box = i == 0 ? RichEditReturn : i == 1 ? RichEditDestination : RichEditAttention;
            if (box && (o == box || o == box->viewport()))
                return i;
        }
        return -1;
    };
    const int box = boxOf(Watched);
    if (box >= 0) {
        switch (Event->type()) {
        case QEvent::FocusIn:
            ActiveBox = box;
            UpdateMenu();
            break;
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            // The window's commands win over the box's own keys (Ctrl+A saves as); a
            // disabled command's key does nothing.
            const QKeySequence key(static_cast<QKeyEvent *>(Event)->keyCombination());
            for (QAction *action : m_shortcutActions) {
                if (action->shortcut() == key) {
                    Event->ignore();
                    return true;
                }
            }
            break;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(Event);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(Event);
            if (drop->mimeData()->hasUrls()) {
                dropEvent(drop);
                return true;
            }
            break;
        }
        default: break;
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TFormStampMain::dragEnterEvent(QDragEnterEvent *Event)
{
    if (Event->mimeData()->hasUrls())
        Event->acceptProposedAction();
}

void TFormStampMain::dropEvent(QDropEvent *Event)
{
    QStringList files;
    for (const QUrl &url : Event->mimeData()->urls()) {
        if (url.isLocalFile())
            files << LocalFileName(url);
    }
    Event->acceptProposedAction();
    if (!files.isEmpty())
        QTimer::singleShot(0, this,
                           [this, files] { RunOutsideRequest([this, files] { DropFiles(files); }); });
}

void TFormStampMain::DropFiles(const QStringList &Files)
{
    if (Files.isEmpty())
        return;
    show();
    if (Files.size() > 1)
        MessageDlg(QStringLiteral("%1 files were selected, but Plikora will only open the first one.")
                       .arg(Files.size()),
                   TMsgDlgType::Information, mbOK, 20016);
    const QString name = Files.first();
    if (QueryDiscard())
        OpenEnvelopeFile(this, name, false);
    activateWindow();
    raise();
}

// Current definition and return address ---------------------------------------

void TFormStampMain::ComboBoxEnvelopeChange()
{
    m_definitions.SelectEnvelope(ComboBoxEnvelope->currentIndex());
    if (Prefs().RememberEnvelope && !FileName.isEmpty()) {
        RichEditDestination->SetModified(true);
        UpdateMenu();
    }
}

void TFormStampMain::ComboBoxReturnAddressChange()
{
    m_returnAddresses.SelectReturnAddress(ComboBoxReturnAddress->currentIndex());
    if (Prefs().RememberReturnAddress && !FileName.isEmpty()) {
        RichEditDestination->SetModified(true);
        UpdateMenu();
    }
}

void TFormStampMain::RefillEnvelopeCombo()
{
    const QSignalBlocker block(ComboBoxEnvelope);
    ComboBoxEnvelope->clear();
    ComboBoxEnvelope->addItems(m_definitions.List().Descriptions());
    SetComboItemIndex(ComboBoxEnvelope, m_definitions.CurrentIndex());
}

void TFormStampMain::RefillReturnAddressCombo()
{
    {
        const QSignalBlocker block(ComboBoxReturnAddress);
        ComboBoxReturnAddress->clear();
        ComboBoxReturnAddress->addItems(m_returnAddresses.List().Descriptions());
        SetComboItemIndex(ComboBoxReturnAddress, m_returnAddresses.CurrentIndex());
    }
    FillReturnBox();
}

void TFormStampMain::FillReturnBox()
{
    const TReturnAddress *address = m_returnAddresses.CurrentReturnAddress();
    if (!address) {
        RichEditReturn->Clear();
        RichEditReturn->SetModified(false);
        return;
    }
    StringsToRichEdit(*RichEditReturn, address->Lines());
}

void TFormStampMain::ApplyReturnAddress()
{
    if (TReturnAddress *address = m_returnAddresses.CurrentReturnAddress()) {
        // Frames of an animated picture arrive as changes of the picture. Each
        // address keeps its handler; only the current one's picture is shown.
        TPicture *picture = &address->Picture();
        QPointer<TFormStampMain> form(this);
        picture->OnChange = [form, picture](TPersistent *) {
            if (!form || form->m_returnPictureQueued)
                return;
            const TReturnAddress *current = form->m_returnAddresses.CurrentReturnAddress();
            if (!current || &current->Picture() != picture)
                return;
            form->m_returnPictureQueued = true;
            QTimer::singleShot(0, form, [form] {
                form->m_returnPictureQueued = false;
                form->ShowReturnPicture();
            });
        };
    }
    ShowReturnPicture();
    FormResize();
    ReportReturnPictureError();
    UpdateMenu();
}

void TFormStampMain::ReportReturnPictureError()
{
    const TReturnAddress *address = m_returnAddresses.CurrentReturnAddress();
    if (!address || address->LoadError().isEmpty()) {
        m_reportedPictureError.clear();
        return;
    }
    // Once for each picture that fails, not on every refresh.
    const QString report = address->GraphicFile() + QLatin1Char('\n') + address->LoadError();
    if (report == m_reportedPictureError)
        return;
    m_reportedPictureError = report;
    // The error names the file.
    StatusPanels[2]->setText(QLatin1Char(' ') + address->LoadError());
}

void TFormStampMain::ShowReturnPicture()
{
    const TReturnAddress *address = m_returnAddresses.CurrentReturnAddress();
    TGraphic *graphic = address ? address->Picture().Graphic() : nullptr;
    if (address && address->FileExists() && graphic && !graphic->Empty()) {
        const QSize size(std::max(1, address->GraphicWidthPixels()),
                         std::max(1, address->GraphicHeightPixels()));
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        graphic->Draw(painter, QRect(QPoint(0, 0), size));
        painter.end();
        ImageReturnAddress->setFixedSize(size);
        ImageReturnAddress->setPixmap(pixmap);
        ImageReturnAddress->show();
    } else {
        ImageReturnAddress->hide();
    }
}

// Print requests ----------------------------------------------------------------

void TFormStampMain::EnablePrintControls(bool Enabled)
{
    ImageStamp->setEnabled(Enabled);
    ActionFilePrintEnvelopeNow->setEnabled(Enabled);
    ActionFilePrintEnvelope->setEnabled(Enabled);
}

TPrintOutcome TFormStampMain::PrintEnvelope(bool PrintNow)
{
    if (PrintRequestRunning())
        return TPrintOutcome::NotPrinted;
    ++m_printRequests;
    struct Finish
    {
        TFormStampMain *Form;
        ~Finish()
        {
            Form->TestEnvelope = false;
            Form->EnablePrintControls(true);
            --Form->m_printRequests;
            Form->UpdateMenu();
            QTimer::singleShot(0, Form, &TFormStampMain::RunQueuedRequests);
        }
    } finish{this};
    EnablePrintControls(false);

    // A print service that was down may be back, and printers come and go.
    m_definitions.RefreshPrinters();
    // The chosen envelope's printer could not be looked up: say why, not that there is no envelope.
    if (!m_definitions.HasCurrentEnvelope() && m_definitions.CurrentIndex() >= 0) {
        // A printer that is gone or failed to open has said so as it was looked up.
        if (EnvelopePrinter().PrintServiceDown()) {
            const TEnvelopeData *envelope = m_definitions.List().Object(m_definitions.CurrentIndex());
            MessageDlg(QStringLiteral("The print service is not running, so the printer \"%1\" cannot be "
                                      "reached. Start the print service, then print again.")
                           .arg(envelope->FullPrinterName),
                       TMsgDlgType::Error, mbOK, 0);
        }
        return TPrintOutcome::NotPrinted;
    }

    if (LayoutRefused(false))
        return TPrintOutcome::NotPrinted;

    TDlgEnvelopePrint *dialog = GetEnvelopePrintDialog();
    dialog->EnvelopeName = [this] { return ComboBoxEnvelope->currentText(); };
    dialog->HasCurrentEnvelope = [this] { return m_definitions.HasCurrentEnvelope(); };
    dialog->OpenEnvelopeManager = [this] { m_openers.ExecuteEnvelopeSizes(false); };
    dialog->Copies = 1;
    PrintList->Refresh(false);
    dialog->Options = poWarning;
    if (PrintList->Count() > 1) {
        dialog->Options |= poPageNums;
        dialog->MinPage = 1;
        dialog->FromPage = 1;
        dialog->MaxPage = PrintList->Count();
        dialog->ToPage = PrintList->Count();
    }
    dialog->PrintList = PrintList.get();
    QStringList captions;
    PrintList->GetCaptions(captions);
    dialog->SetAddressCaptions(captions);
    if (RichEditDestination->SelLength() < 1) {
        dialog->PrintRange = 0;
        PrintList->SelectAll(true);
    } else {
        dialog->Options |= poSelection;
        dialog->PrintRange = 1;
        PrintList->SelectRange(PrintList->CaretAddress() - 1, PrintList->SelEndAddress() - 1);
    }
    dialog->UpdateSelectionCount();
    if (!PrintNow && !dialog->Execute())
        return TPrintOutcome::Cancelled;
    // The dialog's Setup may have changed the definition; the addresses to print are known now.
    if (LayoutRefused(true))
        return TPrintOutcome::NotPrinted;
    TestEnvelope = PrintNow ? false : dialog->TestEnvelope;
    if (!m_printJob)
        return TPrintOutcome::Printed;
    TPrintOutcome outcome = TPrintOutcome::NotPrinted;
    try {
        outcome = m_printJob(*PrintList, dialog->Copies, TestEnvelope,
                             m_returnAddresses.CurrentReturnAddress(), m_definitions.CurrentEnvelope(),
                             kPrintTitle, Prefs().PrintBarCode, Prefs().PrintTriFoldLines);
    } catch (const std::exception &e) {
        // A refused job says so here, whoever asked: the person at the window, a script or
        // the command line, which then ends.
        ShowException(e);
        return TPrintOutcome::NotPrinted;
    }
    if (outcome == TPrintOutcome::Cancelled)
        StatusPanels[2]->setText(QStringLiteral(" Printing was cancelled."));
    return outcome;
}

TPrintOutcome TFormStampMain::PrintForCommandLine()
{
    const QScopedValueRollback forCaller(m_printForCaller, true);
    m_printRefusal.clear();
    const TPrintOutcome outcome = PrintEnvelope(false);
    if (!m_printRefusal.isEmpty())
        std::fprintf(stderr, "%s\n", qUtf8Printable(m_printRefusal));
    return outcome;
}

bool TFormStampMain::LayoutRefused(bool WithTexts)
{
    const TEnvelopeData *envelope = m_definitions.CurrentEnvelope();
    TZambPrinter *printer = PrinterInstance();
    if (!envelope || !printer)
        return false;
    QString tooMuch;
    if (WithTexts)
        tooMuch = PrintList->TooMuchToPrint();
    QList<TLayoutPart> outside;
    if (tooMuch.isEmpty()) {
        TLayoutGeometry geometry =
            LayoutGeometry(*printer, *envelope, Prefs().PrintBarCode, Prefs().FacingMark);
        if (WithTexts)
            PrintList->MeasureTexts(geometry, m_returnAddresses.CurrentReturnAddress());
        outside = PartsOutsidePage(geometry);
        if (outside.isEmpty())
            return false;
    }
    const QString text =
        (tooMuch.isEmpty() ? LayoutOutsideText(ComboBoxEnvelope->currentText(), outside) : tooMuch)
        + QStringLiteral(" Nothing was printed.");
    // Another program or a command line waits for the answer; nobody may be there to close a box.
    if (m_printForCaller) {
        m_printRefusal = text;
        return true;
    }
    if (!tooMuch.isEmpty()) {
        MessageDlg(text, TMsgDlgType::Error, mbOK, 0);
        return true;
    }
    if (MessageDlg(text + QStringLiteral("\n\nOpen the envelope definitions manager to change it?"),
                   TMsgDlgType::Warning, mbYes | mbNo, 0)
        == mrYes)
        m_openers.ExecuteEnvelopeSizes(false);
    return true;
}

void TFormStampMain::RunOutsideRequest(std::function<void()> Request)
{
    m_queuedRequests.append(std::move(Request));
    RunQueuedRequests();
}

bool TFormStampMain::OutsideRequestsWait() const
{
    return PrintRequestRunning() || m_outsideRequestRunning || QApplication::activeModalWidget();
}

QString TFormStampMain::BusyWith() const
{
    // The print dialog, or a box of the job, is what the person has to close first.
    if (const QWidget *modal = QApplication::activeModalWidget()) {
        if (modal->windowTitle().isEmpty())
            return QStringLiteral("Plikora is waiting for a dialog to be closed.");
        return QStringLiteral("Plikora is waiting for the window \"%1\" to be closed.")
            .arg(modal->windowTitle());
    }
    if (PrintRequestRunning())
        return QStringLiteral("Plikora is printing.");
    if (m_outsideRequestRunning || !m_queuedRequests.isEmpty())
        return QStringLiteral("Plikora is busy with another request.");
    return {};
}

void TFormStampMain::RunQueuedRequests()
{
    while (!m_queuedRequests.isEmpty()) {
        if (OutsideRequestsWait()) {
            // Nothing tells when a modal dialog closes: look again shortly.
            if (!m_outsideRequestTimer) {
                m_outsideRequestTimer = new QTimer(this);
                m_outsideRequestTimer->setInterval(50);
                connect(m_outsideRequestTimer, &QTimer::timeout, this, &TFormStampMain::RunQueuedRequests);
            }
            m_outsideRequestTimer->start();
            return;
        }
        const std::function<void()> request = m_queuedRequests.takeFirst();
        m_outsideRequestRunning = true;
        try {
            request();
        } catch (const std::exception &e) {
            ShowException(e);
        }
        m_outsideRequestRunning = false;
    }
    if (m_outsideRequestTimer)
        m_outsideRequestTimer->stop();
}
