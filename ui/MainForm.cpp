#include "ui/MainForm.h"

#include "engine/DefinitionStore.h"
#include "engine/EnvDim.h"
#include "engine/EnvDocument.h"
#include "engine/EnvPrint.h"
#include "engine/PrintAddresses.h"
#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmShortcut.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "foundation/WindowsDefaultFolders.h"
#include "platform/FileDialogService.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "ui/Artwork.h"
#include "ui/Envsizes.h"
#include "ui/Oldfiles.h"
#include "ui/Retaddrs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>

TFormStampMain *FormStampMain = nullptr;

namespace {

const QString kProgramTitle = QStringLiteral("Plikora");
const QString kOptions = QStringLiteral("Options");
const QString kEnvelopeFont = QStringLiteral("EnvelopeFont");
const QString kPrintTitle = QStringLiteral("Plikora Envelope");
const QString kOpenFilter = QStringLiteral(
    "Plikora files (ENV)|*.ENV|Text files (TXT)|*.TXT|Rich Text Files (RTF)|*.RTF|All files (*.*)|*.*");
const QString kSaveFilter = QStringLiteral("Plikora file (ENV)|*.ENV|Rich Text File (RTF)|*.RTF");
const QString kReadOnlySave = QStringLiteral("File \"%1\" is marked read-only. Save changes in a new file.");

// Read-only is the owner's write bit, whoever runs the program.
bool FileIsReadOnly(const QString &Name)
{
    return !QFileInfo(Name).permissions().testFlag(QFileDevice::WriteOwner);
}

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
class TFormStampMain::Preferences : public TEnvelopePreferences, public TReturnAddressEnvironment
{
public:
    explicit Preferences(TFormStampMain &Form) : m_form(Form) {}
    int Measure() const override { return m_form.Measure; }
    bool PostalMargins() const override { return m_form.PostalMargins; }
    bool FacingMark() const override { return m_form.FacingMark; }
    int ScreenPixelsPerInch() const override
    {
        const QScreen *screen = m_form.screen() ? m_form.screen() : QGuiApplication::primaryScreen();
        return screen ? qRound(screen->logicalDotsPerInch()) : 96;
    }

private:
    TFormStampMain &m_form;
};

QString MakeDataSubFolder(const QString &Name)
{
    QString folder = GetDataFolder() + Name;
    AppendBackslash(folder);
    QDir().mkpath(folder);
    return folder;
}

QColor ColorFromWindows(qint32 Color)
{
    const quint32 c = quint32(Color);
    if ((c & 0xFF000000u) == 0xFF000000u || (c & 0xFF000000u) == 0x80000000u) {
        // A system colour: the few the program uses, from the desktop's palette.
        const QPalette palette = QApplication::palette();
        switch (c & 0xFFu) {
        case 5:  // window
            return palette.color(QPalette::Base);
        case 8:  // window text
            return palette.color(QPalette::Text);
        default:  // button face and the rest
            return palette.color(QPalette::Button);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

bool HasAnyLetter(const QString &Text)
{
    for (const QChar c : Text) {
        if (c.isLetter())
            return true;
    }
    // Letters outside the basic plane come as surrogate pairs.
    for (int i = 0; i + 1 < Text.size(); ++i) {
        if (Text.at(i).isHighSurrogate() && QChar::isLetter(QChar::surrogateToUcs4(Text.at(i), Text.at(i + 1))))
            return true;
    }
    return false;
}

TFormStampMain::TFormStampMain(DefinitionStore &Definitions, ReturnAddressStore &ReturnAddresses, QWidget *parent)
    : QMainWindow(parent), m_definitions(Definitions), m_returnAddresses(ReturnAddresses),
      m_preferences(std::make_unique<Preferences>(*this))
{
    FormStampMain = this;
    setObjectName(QStringLiteral("FormStampMain"));
    setWindowTitle(kProgramTitle);
    setWindowIcon(ProgramIcon());
    resize(720, 480);
    m_commandLine = ::ParseCommandLine();
    m_printJob = [](TAddressPrintList &List, int Copies, bool Test, TReturnAddress *ReturnAddress,
                    TEnvelopeData *Envelope, const QString &Title, int BarCodePlacement, bool TriFold) {
        return List.PrintEnvelopes(Copies, Test, ReturnAddress, Envelope, Title, BarCodePlacement, TriFold);
    };

    CreateActions();
    CreatePanel();
    CreateMenus();
    CreateToolBars();

    // The printer object starts on the system's default printer.
    if (TZambPrinter *printer = PrinterInstance())
        printer->SetPrinterIndex(-1);
    PrintList = std::make_unique<TAddressPrintList>(RichEditDestination, RichEditReturn, RichEditAttention);
    FontSizeTyped = false;
    ActiveBox = 1;
    RichEditDestination->Clear();

    LoadFormPlacement(this, QStringLiteral("MainWindow"));
    LoadToolbarLayout();
    setAcceptDrops(true);

    if (RegIni) {
        ContactFolderID.EntryID = RegIni->ReadString(QStringLiteral("Outlook"), QStringLiteral("ContactFolderEntryID"), {});
        ContactFolderID.StoreID = RegIni->ReadString(QStringLiteral("Outlook"), QStringLiteral("ContactFolderStoreID"), {});
    }
    ReadPreferences();

    if (OldFileList) {
        OldFileList->UpdateMenu(MenuFile, FileOldFileBreak, [this](QAction *a) { FileOpenOldClick(a); }, this);
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
    ConnectGuarded(&m_definitions, &DefinitionStore::currentChanged, this,
                   [this] { SetComboItemIndex(ComboBoxEnvelope, m_definitions.CurrentIndex()); });
    ConnectGuarded(&m_returnAddresses, &ReturnAddressStore::listChanged, this,
                   &TFormStampMain::RefillReturnAddressCombo);
    ConnectGuarded(&m_returnAddresses, &ReturnAddressStore::currentChanged, this, [this] {
        SetComboItemIndex(ComboBoxReturnAddress, m_returnAddresses.CurrentIndex());
        FillReturnBox();
        ApplyReturnAddress();
    });
    RefillEnvelopeCombo();
    RefillReturnAddressCombo();
    ApplyReturnAddress();
    qApp->installEventFilter(this);
    UpdateMenu();
}

TFormStampMain::~TFormStampMain()
{
    try {
        SaveWindowState();
    } catch (const std::exception &) {
        // Closing the window has said it already.
    }
    SetReturnAddressEnvironment(nullptr);
    SetEnvelopePreferences(nullptr);
    PrintList.reset();
    if (FormStampMain == this)
        FormStampMain = nullptr;
}

void TFormStampMain::CreateActions()
{
    const auto make = [this](const QString &text, const QString &icon, const QKeySequence &key,
                             void (TFormStampMain::*handler)()) {
        auto *action = new QAction(text, this);
        if (!icon.isEmpty())
            action->setIcon(ToolIcon(icon));
        if (!key.isEmpty())
            action->setShortcut(key);
        ConnectGuarded(action, &QAction::triggered, this, handler);
        return action;
    };
    ActionFileNew = make(QStringLiteral("&New"), QStringLiteral("new"), QKeySequence(Qt::CTRL | Qt::Key_N),
                         &TFormStampMain::ActionFileNewExecute);
    ActionFileNew->setStatusTip(QStringLiteral("Start a new envelope"));
    ActionFileClose = make(QStringLiteral("&Close"), {}, {}, &TFormStampMain::ActionFileNewExecute);
    ActionFileOpen = make(QStringLiteral("&Open"), QStringLiteral("open"), QKeySequence(Qt::CTRL | Qt::Key_O),
                          &TFormStampMain::ActionFileOpenExecute);
    ActionFileSave = new QAction(ToolIcon(QStringLiteral("save")), QStringLiteral("&Save"), this);
    ActionFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    ConnectGuarded(ActionFileSave, &QAction::triggered, this, [this] { ActionFileSaveExecute(); });
    ActionFileSaveAs = new QAction(QStringLiteral("Save &As..."), this);
    ActionFileSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    ConnectGuarded(ActionFileSaveAs, &QAction::triggered, this, [this] { ActionFileSaveAsExecute(); });
    // Ctrl+P belongs to the menu's Print Envelope... alone.
    ActionFilePrintEnvelope = make(QStringLiteral("&Print Envelope..."), QStringLiteral("print"),
                                   QKeySequence(Qt::CTRL | Qt::Key_P), &TFormStampMain::ActionFilePrintEnvelopeExecute);
    ActionFilePrintEnvelopeNow = make(QStringLiteral("&Print Envelope"), QStringLiteral("print"), {},
                                      &TFormStampMain::ActionFilePrintEnvelopeNowExecute);
    ActionFileExit = new QAction(QStringLiteral("E&xit"), this);
    ActionFileExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    ConnectGuarded(ActionFileExit, &QAction::triggered, this, &QWidget::close);

    const auto editOnFocused = [this](void (QTextEdit::*op)(), bool writes) {
        return [this, op, writes] {
            RichEdit *box = ActiveBox == 0 ? RichEditReturn
                            : ActiveBox == 1 ? RichEditDestination
                            : ActiveBox == 2 ? RichEditAttention
                                             : nullptr;
            if (!box || (writes && box == RichEditReturn))
                return;
            (box->*op)();
        };
    };
    ActionEditUndo = new QAction(ToolIcon(QStringLiteral("undo")), QStringLiteral("&Undo"), this);
    ConnectGuarded(ActionEditUndo, &QAction::triggered, this, editOnFocused(&QTextEdit::undo, false));
    ActionEditCut = new QAction(ToolIcon(QStringLiteral("cut")), QStringLiteral("Cu&t"), this);
    ConnectGuarded(ActionEditCut, &QAction::triggered, this, editOnFocused(&QTextEdit::cut, true));
    ActionEditCopy = new QAction(ToolIcon(QStringLiteral("copy")), QStringLiteral("&Copy"), this);
    ConnectGuarded(ActionEditCopy, &QAction::triggered, this, editOnFocused(&QTextEdit::copy, false));
    ActionEditPaste = new QAction(ToolIcon(QStringLiteral("paste")), QStringLiteral("&Paste"), this);
    ConnectGuarded(ActionEditPaste, &QAction::triggered, this, [this] {
        RichEdit *box = ActiveBox == 1 ? RichEditDestination : ActiveBox == 2 ? RichEditAttention : nullptr;
        if (!box)
            return;
        box->paste();
        ClearParagraphFormatting(*box);
        if (box == RichEditDestination && ConvertTabsToCrlf)
            ReplaceTabsByLineBreaks(*box);
    });

    ActionFormatReturnAddresses = new QAction(ToolIcon(QStringLiteral("returnaddresses")),
                                              QStringLiteral("&Return Addresses..."), this);
    ConnectGuarded(ActionFormatReturnAddresses, &QAction::triggered, this, [this] {
        if (DlgReturnAddresses)
            DlgReturnAddresses->Execute();
        FillReturnBox();
    });
    ActionFormatEnvelopes = new QAction(ToolIcon(QStringLiteral("envelopes")), QStringLiteral("&Envelope Sizes..."), this);
    ConnectGuarded(ActionFormatEnvelopes, &QAction::triggered, this, [] {
        if (DlgEnvelopeSizes)
            DlgEnvelopeSizes->Execute(false);
    });
    ActionFormatRestoreToolbarDefaults = make(QStringLiteral("Restore Toolbar &Defaults"), {}, {},
                                              &TFormStampMain::ActionFormatRestoreToolbarDefaultsExecute);
    ActionHelpMain = new QAction(ToolIcon(QStringLiteral("help")), QStringLiteral("Help"), this);
    ConnectGuarded(ActionHelpMain, &QAction::triggered, this,
                   [] { HelpService().WinHelp(HELP_CONTEXT, 20020); });
}

void TFormStampMain::CreateMenus()
{
    MenuFile = menuBar()->addMenu(QStringLiteral("&File"));
    MenuFile->addAction(ActionFileNew);
    MenuFile->addAction(ActionFileOpen);
    MenuFile->addAction(ActionFileSave);
    MenuFile->addAction(ActionFileSaveAs);
    MenuFile->addAction(ActionFileClose);
    MenuFile->addSeparator();
    MenuFile->addAction(ActionFilePrintEnvelope);
    MenuFile->addSeparator();
    MenuFile->addAction(ActionFileExit);
    FileOldFileBreak = MenuFile->addSeparator();
    FileOldFileBreak->setObjectName(QStringLiteral("FileOldFileBreak"));
    MenuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    MenuEdit->addAction(ActionEditUndo);
    MenuEdit->addSeparator();
    MenuEdit->addAction(ActionEditCut);
    MenuEdit->addAction(ActionEditCopy);
    MenuEdit->addAction(ActionEditPaste);
    MenuFormat = menuBar()->addMenu(QStringLiteral("F&ormat"));
    MenuFormat->addAction(ActionFormatReturnAddresses);
    MenuFormat->addAction(ActionFormatEnvelopes);
    MenuFormat->addSeparator();
    MenuFormat->addAction(ActionFormatRestoreToolbarDefaults);
    MenuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    MenuHelp->addAction(ActionHelpMain);
    for (QMenu *menu : {MenuFile, MenuEdit, MenuFormat, MenuHelp})
        ConnectGuarded(menu, &QMenu::aboutToShow, this, &TFormStampMain::UpdateMenu);
}

void TFormStampMain::CreateToolBars()
{
    const auto bar = [this](const QString &name, const QString &title) {
        auto *toolBar = new QToolBar(title, this);
        toolBar->setObjectName(name);
        toolBar->setIconSize(QSize(24, 24));
        return toolBar;
    };
    const auto button = [](QToolBar *toolBar, QAction *action, const QString &key) {
        toolBar->addAction(action);
        toolBar->widgetForAction(action)->setObjectName(key);
    };
    ToolBarFile = bar(QStringLiteral("ToolBarFile"), QStringLiteral("File"));
    button(ToolBarFile, ActionFileNew, QStringLiteral("New"));
    button(ToolBarFile, ActionFileOpen, QStringLiteral("Open"));
    button(ToolBarFile, ActionFileSave, QStringLiteral("Save"));
    button(ToolBarFile, ActionFilePrintEnvelopeNow, QStringLiteral("Print"));
    ToolBarEdit = bar(QStringLiteral("ToolBarEdit"), QStringLiteral("Edit"));
    button(ToolBarEdit, ActionEditUndo, QStringLiteral("Undo"));
    button(ToolBarEdit, ActionEditCut, QStringLiteral("Cut"));
    button(ToolBarEdit, ActionEditCopy, QStringLiteral("Copy"));
    button(ToolBarEdit, ActionEditPaste, QStringLiteral("Paste"));
    ToolBarSelection = bar(QStringLiteral("ToolBarSelection"), QStringLiteral("Selection"));
    ToolBarSelection->addAction(ActionFormatReturnAddresses);
    ToolBarSelection->addWidget(ComboBoxReturnAddress);
    ToolBarSelection->addAction(ActionFormatEnvelopes);
    ToolBarSelection->addWidget(ComboBoxEnvelope);
    ToolBarFormat = bar(QStringLiteral("ToolBarFormat"), QStringLiteral("Format"));
    ToolBarFormat->addWidget(FontComboBox);
    ToolBarOptions = bar(QStringLiteral("ToolBarOptions"), QStringLiteral("Options"));
    button(ToolBarOptions, ActionHelpMain, QStringLiteral("Help"));
    for (QToolBar *toolBar : ToolBars())
        addToolBar(Qt::TopToolBarArea, toolBar);
}

void TFormStampMain::CreatePanel()
{
    PanelEnvelope = new QFrame(this);
    PanelEnvelope->setObjectName(QStringLiteral("PanelEnvelope"));
    PanelEnvelope->setFrameShape(QFrame::Panel);
    PanelEnvelope->setFrameShadow(QFrame::Sunken);
    PanelEnvelope->setLineWidth(2);
    PanelEnvelope->setAutoFillBackground(true);
    ImageReturnAddress = new QLabel(PanelEnvelope);
    ImageReturnAddress->setToolTip(QStringLiteral("Graphic (double click to change)"));
    ImageReturnAddress->setScaledContents(true);
    ImageReturnAddress->setFixedSize(78, 78);
    ImageReturnAddress->hide();
    ImageStamp = new QLabel(PanelEnvelope);
    ImageStamp->setFixedSize(65, 65);
    ImageStamp->setAlignment(Qt::AlignCenter);

    const auto box = [this](const QString &name, const QString &hint, int pixelHeight) {
        auto *edit = new RichEdit(PanelEnvelope);
        edit->setObjectName(name);
        edit->setToolTip(hint);
        edit->setLineWrapMode(QTextEdit::NoWrap);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(pixelHeight);
        edit->setFont(font);
        edit->installEventFilter(this);
        edit->viewport()->installEventFilter(this);
        return edit;
    };
    RichEditReturn = box(QStringLiteral("RichEditReturn"), QStringLiteral("Return Address (right click for options)"), 15);
    RichEditReturn->setReadOnly(true);
    RichEditReturn->setFocusPolicy(Qt::ClickFocus);
    RichEditDestination = box(QStringLiteral("RichEditDestination"),
                              QStringLiteral("Destination Address (right click for options)"), 16);
    RichEditAttention = box(QStringLiteral("RichEditAttention"), QStringLiteral("Attention Line (right click for options)"), 15);
    RichEditAttention->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEditAttention->setFixedHeight(30);
    ConnectGuarded(RichEditDestination, &QTextEdit::textChanged, this,
                   &TFormStampMain::RichEditDestinationChange);
    ConnectGuarded(RichEditAttention, &QTextEdit::textChanged, this, &TFormStampMain::UpdateMenu);

    auto *grid = new QGridLayout(PanelEnvelope);
    grid->setContentsMargins(7, 7, 7, 7);
    auto *returnRow = new QHBoxLayout;
    returnRow->addWidget(ImageReturnAddress, 0, Qt::AlignTop);
    returnRow->addWidget(RichEditReturn, 1);
    grid->addLayout(returnRow, 0, 0, 1, 2);
    grid->addWidget(ImageStamp, 0, 2, Qt::AlignTop | Qt::AlignRight);
    grid->addWidget(RichEditDestination, 1, 1, 1, 2);
    grid->addWidget(RichEditAttention, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(0, 2);
    grid->setRowStretch(1, 3);
    setCentralWidget(PanelEnvelope);

    ComboBoxEnvelope = new QComboBox(this);
    ComboBoxEnvelope->setObjectName(QStringLiteral("ComboBoxEnvelope"));
    ComboBoxEnvelope->setMinimumContentsLength(16);
    ComboBoxReturnAddress = new QComboBox(this);
    ComboBoxReturnAddress->setObjectName(QStringLiteral("ComboBoxReturnAddress"));
    ComboBoxReturnAddress->setMinimumContentsLength(16);
    // Only the user's choice runs the handler: refills and the managers' selection do not.
    ConnectGuarded(ComboBoxEnvelope, &QComboBox::activated, this, &TFormStampMain::ComboBoxEnvelopeChange);
    ConnectGuarded(ComboBoxReturnAddress, &QComboBox::activated, this,
                   &TFormStampMain::ComboBoxReturnAddressChange);
    FontComboBox = new TFontComboBox(this);

    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(this);
        if (i < 2) {
            StatusPanels[i]->setAlignment(Qt::AlignCenter);
            StatusPanels[i]->setFixedWidth(i == 0 ? 75 : 150);
            statusBar()->addWidget(StatusPanels[i]);
        } else {
            statusBar()->addWidget(StatusPanels[i], 1);
        }
    }
    StatusPanels[2]->setText(QStringLiteral(" Welcome to Plikora!"));
}

QList<QToolBar *> TFormStampMain::ToolBars() const
{
    return {ToolBarFile, ToolBarEdit, ToolBarSelection, ToolBarFormat, ToolBarOptions};
}

void TFormStampMain::ReadPreferences()
{
    if (!RegIni)
        return;
    const TZambRegistryIniFile &reg = *RegIni;
    EnvelopeColor = reg.ReadColor(kOptions, QStringLiteral("EnvelopeColor"), qint32(0xFF00000F));
    QPalette pal = PanelEnvelope->palette();
    pal.setColor(QPalette::Window, ColorFromWindows(EnvelopeColor));
    PanelEnvelope->setPalette(pal);
    const int barCode = reg.ReadInteger(kOptions, QStringLiteral("PrintBarCode"), 0);
    if (barCode >= 0 && barCode <= 3)
        PrintBarCode = barCode;
    const int measure = reg.ReadInteger(kOptions, QStringLiteral("Measure"), 0);
    if (measure == 0 || measure == 1)
        Measure = measure;
    ClearAttention = reg.ReadBool(kOptions, QStringLiteral("ClearAttention"), true);
    SaveAttention = reg.ReadBool(kOptions, QStringLiteral("SaveAttention"), false);
    RememberReturnAddress = reg.ReadBool(kOptions, QStringLiteral("RememberReturnAddress"), true);
    RememberEnvelope = reg.ReadBool(kOptions, QStringLiteral("RememberEnvelope"), true);
    PostalMargins = reg.ReadBool(kOptions, QStringLiteral("PostalMargins"), true);
    PrintTriFoldLines = reg.ReadBool(kOptions, QStringLiteral("PrintTriFoldLines"), true);
    ConvertTabsToCrlf = reg.ReadBool(kOptions, QStringLiteral("ConvertTabsToCrlf"), false);
    FacingMark = reg.ReadBool(kOptions, QStringLiteral("FacingMark"), true);
    StampPrice = reg.ReadInteger(kOptions, QStringLiteral("StampPrice"), 37);
    const QString clipArt = DefaultClipArtFolder();
    ClipArtPath = reg.ReadString(kOptions, QStringLiteral("ClipArtPath"), clipArt);
    if (!QFileInfo(ClipArtPath).isDir())
        ClipArtPath = clipArt;
    const QString favorites = DefaultFavoritesFolder();
    FavoritesPath = reg.ReadString(kOptions, QStringLiteral("FavoritesPath"), favorites);
    if (!QFileInfo(FavoritesPath).isDir())
        FavoritesPath = favorites;
    DefaultEnvelopePath = reg.ReadString(kOptions, QStringLiteral("DefaultEnvelopePath"), WinDefaultFolders.Personal);
    if (!DefaultEnvelopePath.isEmpty() && !QFileInfo(DefaultEnvelopePath).isDir())
        DefaultEnvelopePath.clear();
    ShowHints = reg.ReadBool(kOptions, QStringLiteral("ShowHints"), true);
    ShowFonts = reg.ReadBool(kOptions, QStringLiteral("ShowFonts"), true);
    FontComboBox->SetShowStyle(ShowFonts ? ssFontSample : ssFontName);
    ShowBorders = reg.ReadBool(kOptions, QStringLiteral("ShowBorders"), true);
    ApplyBorders();
}

void TFormStampMain::ApplyBorders()
{
    for (RichEdit *box : {RichEditDestination, RichEditReturn, RichEditAttention})
        box->setFrameShape(ShowBorders ? QFrame::StyledPanel : QFrame::NoFrame);
}

bool TFormStampMain::event(QEvent *Event)
{
    if (Event->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &TFormStampMain::FormActivate);
    else if (Event->type() == QEvent::StatusTip)
        StatusPanels[2]->setText(QLatin1Char(' ') + static_cast<QStatusTipEvent *>(Event)->tip());
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
    if (DlgEnvelopeSizes && DlgEnvelopeSizes->CreateFirstEnvelope())
        DlgEnvelopeSizes->Execute(true);
}

void TFormStampMain::ProcessCommandLine()
{
    switch (m_commandLine.Mode) {
    case cmOpen:
        OpenEnvelopeFile(this, m_commandLine.FileName, false);
        break;
    case cmPrint:
        // A file that cannot be opened prints nothing; the program closes all the same.
        if (OpenEnvelopeFile(this, m_commandLine.FileName, true))
            ActionFilePrintEnvelopeExecute();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

bool TFormStampMain::IsEnvelopeModified() const
{
    bool modified = RichEditDestination->Modified();
    if (SaveAttention || HasAttentionLine)
        modified = modified || RichEditAttention->Modified();
    // Nothing but blanks, digits and signs is not worth a question.
    return modified && HasAnyLetter(RichEditDestination->Text());
}

bool TFormStampMain::QueryDiscard()
{
    if (!IsEnvelopeModified())
        return true;
    const QString name = FileName.isEmpty() ? QStringLiteral("Untitled") : FileName;
    switch (MessageDlg(QStringLiteral("Save changes to envelope file \"%1\"?").arg(name), TMsgDlgType::Confirmation,
                       mbYesNoCancel, 0)) {
    case mrYes:
        // Only a save that happened lets the caller go on.
        return ActionFileSaveExecute();
    case mrNo:
        return true;
    default:
        return false;
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

namespace {

struct ToolBarSection
{
    QString Section;
    QStringList Buttons;
};

QList<ToolBarSection> ToolBarSections()
{
    return {
        {QStringLiteral("MainWindowFileToolBar"), {"New", "Open", "Save", "Print", "Import"}},
        {QStringLiteral("MainWindowEditToolBar"),
         {"Undo", "Cut", "Copy", "Paste", "PasteAsNew", "PasteAsText", "Delete", "Lookup", "Find"}},
        {QStringLiteral("MainWindowSelectionToolBar"), {}},
        {QStringLiteral("MainWindowFormatToolBar"), {}},
        {QStringLiteral("MainWindowOptionsToolbar"), {"Options", "Toolbar", "Help"}},
    };
}

// The action of a toolbar whose button carries the key name, or null.
QAction *ButtonAction(QToolBar *ToolBar, const QString &Key)
{
    for (QAction *action : ToolBar->actions()) {
        QWidget *w = ToolBar->widgetForAction(action);
        if (w && w->objectName() == Key)
            return action;
    }
    return nullptr;
}

} // namespace

void TFormStampMain::LoadToolbarLayout()
{
    if (!RegIni)
        return;
    const QList<ToolBarSection> sections = ToolBarSections();
    const bool stored = RegIni->SectionExists(sections[0].Section);
    const QList<QToolBar *> bars = ToolBars();
    // The rows and order the stored bounds give; the main window lays the bars out.
    struct Place
    {
        QToolBar *Bar;
        TWindowRect Rect;
    };
    QList<Place> places;
    for (int i = 0; i < bars.size(); ++i) {
        QToolBar *toolBar = bars[i];
        TWindowRect rect{0, 0, 0, 0};
        bool minimized = false;
        bool maximized = false;
        RegIni->ReadWindowPlacement(sections[i].Section, rect, minimized, maximized);
        toolBar->setVisible(RegIni->ReadBool(sections[i].Section, QStringLiteral("Visible"), true));
        for (const QString &key : sections[i].Buttons) {
            if (QAction *action = ButtonAction(toolBar, key))
                action->setVisible(RegIni->ReadBool(sections[i].Section, key, true));
        }
        places.append({toolBar, rect});
    }
    if (!stored) {
        DefaultToolbarArrangement();
        DefaultToolbarArrangement();
        return;
    }
    std::stable_sort(places.begin(), places.end(), [](const Place &a, const Place &b) {
        return a.Rect.Top != b.Rect.Top ? a.Rect.Top < b.Rect.Top : a.Rect.Left < b.Rect.Left;
    });
    for (const Place &place : places)
        removeToolBar(place.Bar);
    int row = places.isEmpty() ? 0 : places.first().Rect.Top;
    for (const Place &place : places) {
        if (place.Rect.Top != row) {
            addToolBarBreak(Qt::TopToolBarArea);
            row = place.Rect.Top;
        }
        addToolBar(Qt::TopToolBarArea, place.Bar);
        place.Bar->setVisible(RegIni->ReadBool(
            ToolBarSections()[int(bars.indexOf(place.Bar))].Section, QStringLiteral("Visible"), true));
    }
}

void TFormStampMain::SaveToolbarLayout()
{
    if (!RegIni)
        return;
    const QList<ToolBarSection> sections = ToolBarSections();
    const QList<QToolBar *> bars = ToolBars();
    TIniUpdate update(*RegIni);
    for (int i = 0; i < bars.size(); ++i) {
        SaveControlPlacement(bars[i], sections[i].Section);
        for (const QString &key : sections[i].Buttons) {
            if (QAction *action = ButtonAction(bars[i], key))
                RegIni->WriteBool(sections[i].Section, key, action->isVisible());
        }
    }
    update.Commit();
}

void TFormStampMain::DefaultToolbarArrangement()
{
    for (QToolBar *toolBar : ToolBars())
        removeToolBar(toolBar);
    addToolBar(Qt::TopToolBarArea, ToolBarFile);
    addToolBar(Qt::TopToolBarArea, ToolBarEdit);
    addToolBar(Qt::TopToolBarArea, ToolBarSelection);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, ToolBarFormat);
    addToolBar(Qt::TopToolBarArea, ToolBarOptions);
    const QList<ToolBarSection> sections = ToolBarSections();
    const QList<QToolBar *> bars = ToolBars();
    for (int i = 0; i < bars.size(); ++i)
        bars[i]->setVisible(!RegIni || RegIni->ReadBool(sections[i].Section, QStringLiteral("Visible"), true));
}

void TFormStampMain::ActionFormatRestoreToolbarDefaultsExecute()
{
    if (!RegIni)
        return;
    for (const QString &section : {QStringLiteral("MainWindowFileToolBar"), QStringLiteral("MainWindowEditToolBar"),
                                   QStringLiteral("MainWindowFormatToolBar"), QStringLiteral("MainWindowSelectionToolBar"),
                                   QStringLiteral("MainWindowOptionsToolbar")})
        RegIni->EraseSection(section);
    LoadToolbarLayout();
    DefaultToolbarArrangement();
    DefaultToolbarArrangement();
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
    // Each definition has keys of its own there: a larger count is not ours.
    QStringList keys;
    IniFile->ReadSection(envelopes, keys);
    const int count = qMin(IniFile->ReadInteger(envelopes, QStringLiteral("Count"), 0), int(keys.size()));
    for (int k = 1; k <= count && !purge.isEmpty(); ++k) {
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

QString TFormStampMain::DefaultClipArtFolder()
{
    return MakeDataSubFolder(QStringLiteral("ClipArt"));
}

QString TFormStampMain::DefaultFavoritesFolder()
{
    return MakeDataSubFolder(QStringLiteral("Favorites"));
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
    SetHelpContext(ToolBarOptions, 20067);
    const QList<QPair<QAction *, int>> actions = {
        {ActionFileNew, 20035},        {ActionFileOpen, 20036},       {ActionFileSave, 20037},
        {ActionFileSaveAs, 20038},     {ActionFilePrintEnvelope, 20039}, {ActionFileClose, 20040},
        {ActionFileExit, 20042},       {ActionFormatReturnAddresses, 20044}, {ActionFormatEnvelopes, 20046},
        {ActionEditUndo, 20049},       {ActionEditCut, 20050},        {ActionEditCopy, 20051},
        {ActionEditPaste, 20052},      {ActionHelpMain, 20068},
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

void TFormStampMain::UpdateStampImage()
{
    const QPixmap stamp = StampPicture(std::max(0, StampPrice - 37));
    // A price beyond the pictures leaves the stamp as it was.
    if (!stamp.isNull())
        ImageStamp->setPixmap(stamp);
}

void TFormStampMain::RichEditDestinationChange()
{
    UpdateMenu();
}

void TFormStampMain::UpdateMenu()
{
    Updating = true;
    const bool hasText = RichEditDestination->TextLength() > 0;
    ActionFileSave->setEnabled(hasText && !ReadOnly);
    for (QAction *action : {ActionFileSaveAs, ActionFileClose, ActionFilePrintEnvelope, ActionFilePrintEnvelopeNow})
        action->setEnabled(hasText && (m_printRequests == 0 || (action != ActionFilePrintEnvelope
                                                                 && action != ActionFilePrintEnvelopeNow)));
    StatusPanels[0]->setText(IsEnvelopeModified() ? QStringLiteral(" Modified")
                             : Imported           ? QStringLiteral(" Imported")
                                                  : QString());
    const QString boxNames[] = {QStringLiteral("Return Address"), QStringLiteral("Destination Address"),
                                QStringLiteral("Attention Line")};
    StatusPanels[1]->setText(ActiveBox >= 0 && ActiveBox <= 2 ? boxNames[ActiveBox] : QStringLiteral(" "));
    Updating = false;
}

bool TFormStampMain::eventFilter(QObject *Watched, QEvent *Event)
{
    // The "ShowHints" preference: no pop-up hints anywhere in the program.
    if (Event->type() == QEvent::ToolTip && !ShowHints)
        return true;
    const auto boxOf = [this](QObject *o) -> int {
        for (int i = 0; i < 3; ++i) {
            RichEdit *box = i == 0 ? RichEditReturn : i == 1 ? RichEditDestination : RichEditAttention;
            if (o == box || o == box->viewport())
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
        default:
            break;
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
            files << url.toLocalFile();
    }
    Event->acceptProposedAction();
    if (!files.isEmpty())
        QTimer::singleShot(0, this, [this, files] { RunOutsideRequest([this, files] { DropFiles(files); }); });
}

void TFormStampMain::DropFiles(const QStringList &Files)
{
    if (Files.isEmpty())
        return;
    show();
    if (Files.size() > 1)
        MessageDlg(QStringLiteral("%1 files were selected, but Plikora will only open the first one.").arg(Files.size()),
                   TMsgDlgType::Information, mbOK, 20016);
    const QString name = Files.first();
    if (QueryDiscard())
        OpenEnvelopeFile(this, name, false);
    activateWindow();
    raise();
}

// Documents --------------------------------------------------------------------

void TFormStampMain::SetCaption()
{
    if (FileName.isEmpty())
        setWindowTitle(kProgramTitle);
    else
        setWindowTitle(kProgramTitle + QStringLiteral(" - ") + FileName
                       + (ReadOnly ? QStringLiteral(" (read-only)") : QString()));
}

bool TFormStampMain::NewEnvelope()
{
    if (!QueryDiscard())
        return false;
    RichEditDestination->Clear();
    ApplyEnvelopeFont(*RichEditDestination);
    if (ClearAttention) {
        RichEditAttention->Clear();
        ApplyEnvelopeFont(*RichEditAttention);
    }
    RichEditDestination->SetModified(false);
    RichEditAttention->SetModified(false);
    FileName.clear();
    Imported = false;
    setWindowTitle(kProgramTitle);
    RichEditDestinationChange();
    UpdateMenu();
    return true;
}

void TFormStampMain::ActionFileNewExecute()
{
    NewEnvelope();
}

void TFormStampMain::FileOpened()
{
    if (!OldFileList)
        return;
    try {
        OldFileList->OpenedFile(FileName);
    } catch (const std::exception &e) {
        // The list is a convenience; the opened file (and a print of it) goes on.
        ShowException(e);
    }
    OldFileList->UpdateMenu(MenuFile, FileOldFileBreak, [this](QAction *a) { FileOpenOldClick(a); }, this);
    OldFileList->UpdateOtherList(m_saveHistory);
    OldFileList->UpdateOtherList(m_openHistory);
}

bool TFormStampMain::OpenEnvelopeFile(QObject *Sender, const QString &Name, bool ReadOnlyWanted)
{
    Q_UNUSED(Sender);
    QString target = Name;
    QString workingFolder;
    QString description;
    QString linkTarget;
    if (QFileInfo(Name).isFile() && ReadShortcut(Name, linkTarget, workingFolder, description))
        target = linkTarget;
    if (!QFileInfo(target).isFile()) {
        MessageDlg(QStringLiteral("Cannot find file \"%1\".").arg(target), TMsgDlgType::Warning, mbOK, 0);
        return false;
    }
    const bool envelope = QFileInfo(target).suffix().toLower() == QLatin1String("env");
    try {
        const bool readOnly = FileIsReadOnly(target) || ReadOnlyWanted;
        if (!(envelope && LoadEnvelopeDocument(target)))
            LoadTextDocument(target);
        FileName = target;
        ReadOnly = readOnly;
        Imported = false;
        SetCaption();
    } catch (const Exception &e) {
        MessageDlg(e.Message(), TMsgDlgType::Error, mbOK, 0);
        return false;
    }
    FileOpened();
    UpdateMenu();
    return true;
}

// Reads the whole document first, so that a damaged file changes nothing.
// False when the file is not an envelope document (no signature).
bool TFormStampMain::LoadEnvelopeDocument(const QString &Name)
{
    const std::optional<TEnvelopeDocument> read = ReadEnvelopeDocument(Name);
    if (!read)
        return false;
    const TEnvelopeDocument &doc = *read;
    {
        const RichEditUpdate update(*RichEditDestination);
        ApplyEnvelopeFont(*RichEditDestination);
        if (doc.Destination) {
            RichEditDestination->StreamIn(*doc.Destination);
            RichEditDestination->SetSelStart(0);
        }
    }
    if (doc.Destination) {
        RichEditDestination->SetModified(false);
        RichEditDestinationChange();
    }
    if (doc.Attention) {
        {
            const RichEditUpdate update(*RichEditAttention);
            RichEditAttention->StreamIn(*doc.Attention);
            RichEditAttention->SetSelStart(0);
        }
        RichEditAttention->SetModified(false);
    }
    const auto choose = [](QComboBox *combo, const QString &text) {
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
                const QSignalBlocker block(combo);
                combo->setCurrentIndex(i);
                return true;
            }
        }
        return false;
    };
    const QString shownName = Name;
    if (doc.Envelope && choose(ComboBoxEnvelope, *doc.Envelope))
        m_definitions.SelectEnvelope(ComboBoxEnvelope->currentIndex());
    if (doc.ReturnAddress && choose(ComboBoxReturnAddress, *doc.ReturnAddress))
        m_returnAddresses.SelectReturnAddress(ComboBoxReturnAddress->currentIndex());
    if (doc.Unknown)
        MessageDlg(QStringLiteral("Plikora found some unexpected information in file \"%1\". This file may have been "
                                  "modified by a program other than Plikora. Check the information loaded into Plikora.")
                       .arg(shownName),
                   TMsgDlgType::Warning, mbOK, 20017);
    RichEditDestination->SetModified(false);
    return true;
}

void TFormStampMain::LoadTextDocument(const QString &Name)
{
    {
        // The box and its users see one change, not one for every piece of text.
        const RichEditUpdate update(*RichEditDestination);
        ApplyEnvelopeFont(*RichEditDestination);
        RichEditDestination->LoadFromFile(Name);
        RichEditDestination->SetSelStart(0);
        ClearParagraphFormatting(*RichEditDestination);
        if (ConvertTabsToCrlf)
            ReplaceTabsByLineBreaks(*RichEditDestination);
    }
    RichEditDestination->SetModified(false);
    HasAttentionLine = HasAttentionMarker();
    RichEditDestinationChange();
    if (ClearAttention || HasAttentionLine) {
        RichEditAttention->Clear();
        ApplyEnvelopeFont(*RichEditAttention);
        RichEditAttention->SetModified(false);
    }
    if (HasAttentionLine)
        MoveAttentionMarkerLine();
}

bool TFormStampMain::HasAttentionMarker() const
{
    // The first line starts the first paragraph: no need to split the whole text.
    return RichEditDestination->document()->firstBlock().text().startsWith(QLatin1String("@attn@"));
}

void TFormStampMain::DeleteAttentionMarkerLine()
{
    if (!HasAttentionMarker())
        return;
    RichEditDestination->DeleteLine(0);
    RichEditDestination->SetModified(false);
    RichEditDestination->SetSelStart(0);
    RichEditDestination->SetSelLength(0);
}

void TFormStampMain::MoveAttentionMarkerLine()
{
    if (!HasAttentionMarker())
        return;
    const QString line = RichEditDestination->Lines().first();
    DeleteAttentionMarkerLine();
    RichEditAttention->Clear();
    RichEditAttention->SetSelStart(0);
    RichEditAttention->SetSelLength(0);
    RichEditAttention->SetSelText(line.mid(6, 255));
    RichEditAttention->SetModified(false);
}

QString TFormStampMain::GetSuggestedFileName() const
{
    const QStringList lines = RichEditDestination->Lines();
    QString name = lines.isEmpty() ? QString() : lines.first();
    RemoveInvalidFileNameChars(name);
    return name;
}

void TFormStampMain::SaveEnvelopeDocument(const QString &Name)
{
    if (QFileInfo(Name).suffix().toLower() != QLatin1String("env")) {
        RichEditDestination->SaveToFile(Name);
        return;
    }
    TEnvelopeDocument doc;
    doc.Destination = RichEditDestination->StreamOut();
    const bool attention = HasAttentionLine || SaveAttention;
    if (attention)
        doc.Attention = RichEditAttention->StreamOut();
    if (RememberEnvelope)
        doc.Envelope = ComboBoxEnvelope->currentText();
    if (RememberReturnAddress)
        doc.ReturnAddress = ComboBoxReturnAddress->currentText();
    WriteEnvelopeDocument(Name, doc);
    if (attention)
        RichEditAttention->SetModified(false);
}

bool TFormStampMain::ActionFileSaveExecute()
{
    if (FileName.isEmpty())
        return ActionFileSaveAsExecute();
    if (ReadOnly) {
        MessageDlg(kReadOnlySave.arg(FileName), TMsgDlgType::Information, mbOK, 0);
        FileName.clear();
        return ActionFileSaveAsExecute();
    }
    try {
        SaveEnvelopeDocument(FileName);
    } catch (const Exception &e) {
        MessageDlg(e.Message(), TMsgDlgType::Error, mbOK, 0);
        return false;
    }
    RichEditDestination->SetModified(false);
    Imported = false;
    UpdateMenu();
    return true;
}

bool TFormStampMain::ActionFileSaveAsExecute()
{
    for (;;) {
        const bool untitled = FileName.isEmpty();
        TFileDialogRequest request;
        request.Kind = TFileDialogKind::Save;
        request.InitialDir = QFileInfo(FileName).absolutePath();
        if (untitled) {
            request.InitialDir = DefaultEnvelopePath;
            FileName = GetSuggestedFileName();
        }
        request.FileName = QFileInfo(FileName).fileName();
        request.DefaultExt = QStringLiteral("ENV");
        request.Filter = kSaveFilter;
        request.OverwritePrompt = true;
        request.HelpContext = 20017;
        request.History = m_saveHistory;
        const TFileDialogAnswer answer = FileDialogService().Execute(request);
        if (!answer.Accepted) {
            if (untitled)
                FileName.clear();
            return false;
        }
        const QString chosen = WithDefaultExt(answer.FileName, request.DefaultExt);
        if (QFileInfo::exists(chosen) && FileIsReadOnly(chosen)) {
            MessageDlg(kReadOnlySave.arg(chosen), TMsgDlgType::Warning, mbOK, 0);
            if (untitled)
                FileName.clear();
            continue;
        }
        const QString previous = FileName;
        const bool previousReadOnly = ReadOnly;
        FileName = chosen;
        ReadOnly = false;
        if (!ActionFileSaveExecute()) {
            // The envelope stays under its old name, unsaved.
            FileName = untitled ? QString() : previous;
            ReadOnly = previousReadOnly;
            SetCaption();
            return false;
        }
        SetCaption();
        FileOpened();
        return true;
    }
}

void TFormStampMain::ActionFileOpenExecute()
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Open;
    request.InitialDir = QFileInfo(FileName).absolutePath();
    if (FileName.isEmpty())
        request.InitialDir = DefaultEnvelopePath;
    request.FileName = QFileInfo(FileName).fileName();
    if (!QueryDiscard())
        return;
    request.DefaultExt = QStringLiteral("ENV");
    request.Filter = kOpenFilter;
    request.Title = QStringLiteral("Open Plikora File");
    request.FileMustExist = true;
    request.ShowReadOnly = true;
    request.HelpContext = 20017;
    request.History = m_openHistory;
    const TFileDialogAnswer answer = FileDialogService().Execute(request);
    if (answer.Accepted)
        OpenEnvelopeFile(this, answer.FileName, answer.ReadOnly);
}

void TFormStampMain::FileOpenOldClick(QAction *Sender)
{
    const QString name = TOldFileList::GetFilename(Sender);
    if (QueryDiscard())
        OpenEnvelopeFile(Sender, name, false);
}

// Current definition and return address ---------------------------------------

void TFormStampMain::ComboBoxEnvelopeChange()
{
    m_definitions.SelectEnvelope(ComboBoxEnvelope->currentIndex());
    if (RememberEnvelope && !FileName.isEmpty()) {
        RichEditDestination->SetModified(true);
        UpdateMenu();
    }
}

void TFormStampMain::ComboBoxReturnAddressChange()
{
    m_returnAddresses.SelectReturnAddress(ComboBoxReturnAddress->currentIndex());
    if (RememberReturnAddress && !FileName.isEmpty()) {
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
    UpdateMenu();
}

void TFormStampMain::ShowReturnPicture()
{
    const TReturnAddress *address = m_returnAddresses.CurrentReturnAddress();
    TGraphic *graphic = address ? address->Picture().Graphic() : nullptr;
    if (address && address->FileExists() && graphic && !graphic->Empty()) {
        const QSize size(std::max(1, address->GraphicWidthPixels()), std::max(1, address->GraphicHeightPixels()));
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

void TFormStampMain::PrintEnvelope(bool PrintNow)
{
    if (PrintRequestRunning())
        return;
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

    TDlgEnvelopePrint *dialog = GetEnvelopePrintDialog();
    dialog->EnvelopeName = [this] { return ComboBoxEnvelope->currentText(); };
    dialog->HasCurrentEnvelope = [this] { return m_definitions.HasCurrentEnvelope(); };
    dialog->OpenEnvelopeManager = [] {
        if (DlgEnvelopeSizes)
            DlgEnvelopeSizes->Execute(false);
    };
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
        return;
    TestEnvelope = PrintNow ? false : dialog->TestEnvelope;
    if (m_printJob
        && m_printJob(*PrintList, dialog->Copies, TestEnvelope, m_returnAddresses.CurrentReturnAddress(),
                      m_definitions.CurrentEnvelope(), kPrintTitle, PrintBarCode, PrintTriFoldLines)
               == TPrintOutcome::Cancelled)
        StatusPanels[2]->setText(QStringLiteral(" Printing was cancelled."));
}

void TFormStampMain::RunOutsideRequest(std::function<void()> Request)
{
    if (PrintRequestRunning() || !m_queuedRequests.isEmpty()) {
        m_queuedRequests.append(std::move(Request));
        return;
    }
    Request();
}

void TFormStampMain::RunQueuedRequests()
{
    while (!PrintRequestRunning() && !m_queuedRequests.isEmpty()) {
        const std::function<void()> request = m_queuedRequests.takeFirst();
        request();
    }
}
