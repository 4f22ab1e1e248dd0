// The return-address editor: the text box, its toolbars and pop-up menus, the
// text and format commands, and the toolbars' layout kept between runs.
#include "ui/returnaddresses/Retaddrs.h"

#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmWindows.h"
#include "foundation/Ruler.h"
#include "platform/Exception.h"
#include "platform/FileDialogService.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"
#include "platform/Rounding.h"
#include "ui/Artwork.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString fileSection = QStringLiteral("ReturnAddressWindowFileToolBar");
const QString editSection = QStringLiteral("ReturnAddressWindowEditToolBar");
const QString formatSection = QStringLiteral("ReturnAddressWindowFormatToolBar");

const QString openFilter = QStringLiteral("Plikora files (ENV)|*.ENV|Text files (TXT)|*.TXT|"
                                          "Rich Text files (RTF)|*.RTF|All files (*.*)|*.*");
const QString saveFilter = QStringLiteral("Plikora files (ENV)|*.ENV|Rich Text files (RTF)|*.RTF");

// The buttons whose visibility is kept, by key, with their toolbar's section.
struct KeptButton
{
    QString Section;
    QString Key;
    QAction *Action;
};

QColor ColorOfWindows(qint32 value)
{
    if (value == clDefault)
        return QColor();
    const quint32 c = quint32(value);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

qint32 WindowsOfColor(const QColor &color)
{
    if (!color.isValid())
        return clDefault;
    return qint32(color.red() | (color.green() << 8) | (color.blue() << 16));
}

QString FolderOf(const QString &fileName)
{
    return fileName.isEmpty() ? QString() : QFileInfo(fileName).absolutePath();
}

} // namespace

QWidget *TDlgReturnAddresses::buildEditor(QWidget *parent)
{
    // The toolbars dock and move within their own bar above the text, as in a main window.
    ControlBar = new QMainWindow(parent);
    ControlBar->setWindowFlags(Qt::Widget); // a main window is always made a window first
    ControlBar->setObjectName(QStringLiteral("ControlBar"));
    auto *area = new QWidget(ControlBar);
    m_richEdit = new RichEdit(area);
    m_richEdit->setObjectName(QStringLiteral("RichEditDetails"));
    m_richEdit->setFrameShape(QFrame::NoFrame);
    m_richEdit->setLineWrapMode(QTextEdit::NoWrap);
    m_richEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_richEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_richEdit->SetHideSelection(false);
    m_richEdit->setFont(QFont(QStringLiteral("Arial"), 10));
    m_richEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    m_richEdit->installEventFilter(this);
    m_richEdit->viewport()->installEventFilter(this);
    ConnectGuarded(m_richEdit, &QTextEdit::textChanged, this, [this] { richEditChanged(); });
    ConnectGuarded(m_richEdit, &QTextEdit::selectionChanged, this, [this] { UpdateToolbar(); });
    ConnectGuarded(m_richEdit, &QTextEdit::cursorPositionChanged, this, [this] { UpdateToolbar(); });
    ConnectGuarded(m_richEdit, &QTextEdit::undoAvailable, this, [this] { UpdateToolbar(); });
    auto *grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    RulerHorizontal = new TRuler(area);
    RulerHorizontal->setObjectName(QStringLiteral("RulerHorizontal"));
    RulerHorizontal->setFixedHeight(16);
    RulerVertical = new TRuler(area);
    RulerVertical->setObjectName(QStringLiteral("RulerVertical"));
    RulerVertical->SetRuler(rtVertical);
    RulerVertical->setFixedWidth(22);
    grid->addWidget(RulerHorizontal, 0, 1);
    grid->addWidget(RulerVertical, 1, 0);
    grid->addWidget(m_richEdit, 1, 1);
    ControlBar->setCentralWidget(area);

    buildActions();
    buildToolBars();
    ConnectGuarded(m_richEdit, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint &at) { PopupMenuText->exec(m_richEdit->mapToGlobal(at)); });
    return ControlBar;
}

void TDlgReturnAddresses::buildActions()
{
    const auto make = [this](const QString &text, const QString &icon, const QString &tip,
                             const std::function<void()> &handler) {
        auto *action = new QAction(text, this);
        if (!icon.isEmpty())
            action->setIcon(ToolIcon(icon));
        action->setToolTip(tip);
        action->setStatusTip(tip);
        ConnectGuarded(action, &QAction::triggered, this, [handler] { handler(); });
        return action;
    };
    ActionFileOpen =
        make(QStringLiteral("&Open..."), QStringLiteral("open"),
             QStringLiteral("Open a file as the return address"), [this] { ActionFileOpenExecute(); });
    ActionFileSave =
        make(QStringLiteral("&Save..."), QStringLiteral("save"),
             QStringLiteral("Save the return address as rich text"), [this] { ActionFileSaveExecute(); });
    const auto undo = [this] {
        m_richEdit->Undo();
        UpdateToolbar();
    };
    const auto cut = [this] {
        m_richEdit->cut();
        UpdateToolbar();
    };
    const auto copy = [this] {
        m_richEdit->copy();
        UpdateToolbar();
    };
    const auto paste = [this] { ActionEditPasteExecute(); };
    ActionEditUndo = make(QStringLiteral("&Undo"), QStringLiteral("undo"), QStringLiteral("Undo"), undo);
    ActionEditCut = make(QStringLiteral("Cu&t"), QStringLiteral("cut"), QStringLiteral("Cut"), cut);
    ActionEditCopy = make(QStringLiteral("&Copy"), QStringLiteral("copy"), QStringLiteral("Copy"), copy);
    ActionEditPaste = make(QStringLiteral("&Paste"), QStringLiteral("paste"), QStringLiteral("Paste"), paste);
    ActionEditDelete =
        make(QStringLiteral("&Delete"), {}, QStringLiteral("Delete the selected text"), [this] {
            m_richEdit->SetSelText(QString());
            UpdateToolbar();
        });
    ActionEditClear =
        make(QStringLiteral("C&lear"), {}, QStringLiteral("Clear the entire return address"), [this] {
            m_richEdit->SelectAllText();
            m_richEdit->SetSelText(QString());
            UpdateToolbar();
        });
    ActionEditSelectAll =
        make(QStringLiteral("Select &All"), {}, QStringLiteral("Select the whole return address"),
             [this] { m_richEdit->SelectAllText(); });

    const auto style = [this](const QString &text, const QString &icon, RichStyle s) {
        auto *action = new QAction(ToolIcon(icon), text, this);
        action->setToolTip(text);
        action->setCheckable(true);
        ConnectGuarded(action, &QAction::triggered, this, [this, s](bool down) {
            if (UpdatingToolbar)
                return;
            m_richEdit->SetSelStyle(s, down);
            UpdateToolbar();
        });
        return action;
    };
    ActionFormatBold = style(QStringLiteral("Bold"), QStringLiteral("bold"), RichStyle::Bold);
    ActionFormatItalics = style(QStringLiteral("Italic"), QStringLiteral("italic"), RichStyle::Italic);
    ActionFormatUnderline =
        style(QStringLiteral("Underline"), QStringLiteral("underline"), RichStyle::Underline);

    // The pop-up menu holds its own items, so that a button hidden on a toolbar stays in the menu.
    PopupMenuText = new QMenu(this);
    const auto item = [this](QAction *like, const QKeySequence &key) {
        auto *action = PopupMenuText->addAction(like->text());
        action->setShortcut(key);
        action->setShortcutVisibleInContextMenu(true);
        action->setStatusTip(like->statusTip());
        ConnectGuarded(action, &QAction::triggered, like, &QAction::trigger);
        m_menuTwins.append(std::make_pair(like, action));
    };
    item(ActionEditUndo, QKeySequence(Qt::CTRL | Qt::Key_Z));
    PopupMenuText->addSeparator();
    item(ActionEditCut, QKeySequence(Qt::CTRL | Qt::Key_X));
    item(ActionEditCopy, QKeySequence(Qt::CTRL | Qt::Key_C));
    item(ActionEditPaste, QKeySequence(Qt::CTRL | Qt::Key_V));
    PopupMenuText->addAction(ActionEditDelete);
    PopupMenuText->addSeparator();
    PopupMenuText->addAction(ActionEditClear);
    PopupMenuText->addAction(ActionEditSelectAll);
}

void TDlgReturnAddresses::buildToolBars()
{
    const auto bar = [this](const QString &name, const QString &title) {
        auto *toolBar = new QToolBar(title, ControlBar);
        toolBar->setObjectName(name);
        toolBar->setIconSize(QSize(24, 24));
        // They move within the bar above the text only, where their places are kept.
        toolBar->setAllowedAreas(Qt::TopToolBarArea);
        toolBar->setFloatable(false);
        ControlBar->addToolBar(Qt::TopToolBarArea, toolBar);
        return toolBar;
    };
    const auto button = [](QToolBar *toolBar, QAction *action, const QString &name) {
        toolBar->addAction(action);
        toolBar->widgetForAction(action)->setObjectName(name);
    };
    ToolBarFile = bar(QStringLiteral("ToolBarFile"), QStringLiteral("File"));
    button(ToolBarFile, ActionFileOpen, QStringLiteral("ToolButtonFileOpen"));
    button(ToolBarFile, ActionFileSave, QStringLiteral("ToolButtonFileSave"));
    ToolBarEdit = bar(QStringLiteral("ToolBarEdit"), QStringLiteral("Edit"));
    button(ToolBarEdit, ActionEditUndo, QStringLiteral("ToolButtonEditUndo"));
    button(ToolBarEdit, ActionEditCut, QStringLiteral("ToolButtonEditCut"));
    button(ToolBarEdit, ActionEditCopy, QStringLiteral("ToolButtonEditCopy"));
    button(ToolBarEdit, ActionEditPaste, QStringLiteral("ToolButtonEditPaste"));
    ToolBarFormat = bar(QStringLiteral("ToolBarFormat"), QStringLiteral("Format"));
    FontComboBox = new TFontComboBox(ToolBarFormat);
    FontComboBox->setObjectName(QStringLiteral("FontComboBox"));
    FontComboBox->setMinimumContentsLength(12);
    ToolBarFormat->addWidget(FontComboBox);
    button(ToolBarFormat, ActionFormatBold, QStringLiteral("ToolButtonFormatBold"));
    button(ToolBarFormat, ActionFormatItalics, QStringLiteral("ToolButtonFormatItalic"));
    button(ToolBarFormat, ActionFormatUnderline, QStringLiteral("ToolButtonFormatUnderline"));
    for (QAction *action : {ActionFormatBold, ActionFormatItalics, ActionFormatUnderline}) {
        QWidget *w = ToolBarFormat->widgetForAction(action);
        QFont font = w->font();
        font.setBold(action == ActionFormatBold);
        font.setItalic(action == ActionFormatItalics);
        font.setUnderline(action == ActionFormatUnderline);
        w->setFont(font);
    }
    ComboBoxFontSize = new QComboBox(ToolBarFormat);
    ComboBoxFontSize->setObjectName(QStringLiteral("ComboBoxFontSize"));
    ComboBoxFontSize->setEditable(true);
    ComboBoxFontSize->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxFontSize->setMaxVisibleItems(12);
    ComboBoxFontSize->addItems(
        {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "30", "32", "34", "36"});
    ComboBoxFontSize->setMinimumContentsLength(3);
    // "2" is a size of its own, not the start of "20".
    ComboBoxFontSize->setCompleter(nullptr);
    ToolBarFormat->addWidget(ComboBoxFontSize);
    ColorBoxFont = new TColorBox(TColorList::Font, ToolBarFormat);
    ColorBoxFont->setObjectName(QStringLiteral("ColorBoxFont"));
    ToolBarFormat->addWidget(ColorBoxFont);
    for (QToolBar *toolBar : {ToolBarFile, ToolBarEdit, ToolBarFormat})
        PassToolbarRightClicks(toolBar);
    // Enter in a box applies it; the boxes, not their line edits, get the keys.
    for (QWidget *box : {static_cast<QWidget *>(FontComboBox), static_cast<QWidget *>(ComboBoxFontSize),
                         static_cast<QWidget *>(ColorBoxFont)})
        box->installEventFilter(this);

    ConnectGuarded(FontComboBox, &QComboBox::activated, this, [this] {
        if (!UpdatingToolbar && !FontComboBox->FontName().isEmpty())
            m_richEdit->SetSelFontName(FontComboBox->FontName());
    });
    ConnectGuarded(ColorBoxFont, &QComboBox::activated, this, [this] {
        if (!UpdatingToolbar)
            m_richEdit->SetSelColor(ColorOfWindows(ColorBoxFont->Selected()));
    });
    // A size is taken when chosen from the list, on Enter and when the box is
    // left, never halfway through typing it.
    ConnectGuarded(ComboBoxFontSize, &QComboBox::activated, this, [this] {
        FontSizeTyped = true;
        ApplyFontSize();
    });
    ConnectGuarded(ComboBoxFontSize->lineEdit(), &QLineEdit::textEdited, this, [this] {
        if (!UpdatingToolbar)
            FontSizeTyped = true;
    });
    ConnectGuarded(ComboBoxFontSize->lineEdit(), &QLineEdit::editingFinished, this,
                   [this] { ApplyFontSize(); });

    PopupMenuToolbar = new QMenu(this);
    ControlBar->setContextMenuPolicy(Qt::CustomContextMenu);
    ConnectGuarded(ControlBar, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        // The toolbars' area only: the text and the rulers below have none.
        if (ControlBar->centralWidget()->geometry().contains(at))
            return;
        PopupMenuToolbar->clear();
        ConnectGuarded(PopupMenuToolbar->addAction(QStringLiteral("&Customize Toolbar...")),
                       &QAction::triggered, this,
                       [] { ExecuteCustomizeToolbars(GetCustomizeToolbarsDialog()); });
        if (TToolbarLeader *leader = ToolbarLeader())
            PopupMenuToolbar->addAction(leader->RestoreToolbarDefaultsAction());
        PopupMenuToolbar->exec(ControlBar->mapToGlobal(at));
    });
}

void TDlgReturnAddresses::setEditorHelpContexts()
{
    SetHelpContext(ToolBarEdit, 20048);
    SetHelpContext(ToolBarFormat, 20060);
    SetHelpContext(FontComboBox, 20064);
    SetHelpContext(ComboBoxFontSize, 20065);
    SetHelpContext(ColorBoxFont, 20066);
    SetHelpContext(EditGraphicFile, 20079);
    SetHelpContext(EditGraphicWidth, 20080);
    SetHelpContext(EditGraphicHeight, 20081);
    SetHelpContext(BtnChooseClipArt, 20082);
    SetHelpContext(BtnBrowse, 20083);
    SetHelpContext(BtnReload, 20084);
    SetHelpContext(BtnClear, 20085);
    SetHelpContext(BtnEdit, 20086);
    SetHelpContext(PanelImage, 20087);
    SetHelpContext(m_richEdit, 20088);
    const std::pair<QAction *, int> actions[] = {
        {ActionEditUndo, 20049},        {ActionEditCut, 20050},    {ActionEditCopy, 20051},
        {ActionEditPaste, 20052},       {ActionEditDelete, 20055}, {ActionEditSelectAll, 20056},
        {ActionEditClear, 20057},       {ActionFormatBold, 20061}, {ActionFormatItalics, 20062},
        {ActionFormatUnderline, 20063},
    };
    for (const auto &[action, context] : actions)
        action->setProperty("helpContext", context);
    for (QToolBar *toolBar : {ToolBarFile, ToolBarEdit, ToolBarFormat})
        for (QAction *action : toolBar->actions())
            if (QWidget *w = toolBar->widgetForAction(action); w && action->property("helpContext").isValid())
                SetHelpContext(w, action->property("helpContext").toInt());
}

void TDlgReturnAddresses::UpdateToolbar()
{
    if (!ActionFormatBold)
        return;
    UpdatingToolbar = true;
    UpdateStyleButton(*ActionFormatBold, *m_richEdit, RichStyle::Bold, RichConsistent::Bold);
    UpdateStyleButton(*ActionFormatItalics, *m_richEdit, RichStyle::Italic, RichConsistent::Italic);
    UpdateStyleButton(*ActionFormatUnderline, *m_richEdit, RichStyle::Underline, RichConsistent::Underline);
    const TTextAttributes attributes = m_richEdit->SelAttributes();
    if (attributes.IsConsistent(RichConsistent::Face))
        FontComboBox->ShowFace(attributes.Name);
    else
        FontComboBox->setCurrentIndex(-1);
    ComboBoxFontSize->setEnabled(true);
    ComboBoxFontSize->setEditText(attributes.IsConsistent(RichConsistent::Size)
                                      ? QString::number(RoundHalfEven(attributes.Size))
                                      : QString());
    ColorBoxFont->SetSelected(
        attributes.IsConsistent(RichConsistent::Color) ? WindowsOfColor(attributes.Color) : clDefault);
    const bool selected = m_richEdit->SelLength() > 0;
    const bool text = m_richEdit->LineCount() >= 1;
    ActionEditPaste->setEnabled(m_richEdit->isEnabled() && m_richEdit->CanPaste());
    ActionEditUndo->setEnabled(m_richEdit->isEnabled() && m_richEdit->CanUndo());
    ActionEditCut->setEnabled(selected);
    ActionEditCopy->setEnabled(selected);
    ActionEditDelete->setEnabled(selected);
    ActionEditClear->setEnabled(text);
    ActionEditSelectAll->setEnabled(text);
    for (const auto &[action, twin] : m_menuTwins)
        twin->setEnabled(action->isEnabled());
    const int kind = ClipArtGallery() ? ClipArtGallery()->Kind() : 0;
    BtnChooseClipArt->setEnabled(kind == 1 || kind == 2);
    UpdatingToolbar = false;
}

void TDlgReturnAddresses::ApplyFontSize()
{
    if (!FontSizeTyped || UpdatingToolbar)
        return;
    // Only a whole number is a size; anything else changes nothing and is no error.
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,9}$"));
    const QString text = ComboBoxFontSize->currentText().trimmed();
    if (!whole.match(text).hasMatch())
        return;
    int size = text.toInt();
    if (size == 0)
        return;
    size = std::clamp(size, 4, 72);
    ComboBoxFontSize->setEditText(QString::number(size));
    m_richEdit->SetSelSize(size);
    FontSizeTyped = false;
}

void TDlgReturnAddresses::ActionEditPasteExecute()
{
    if (!m_richEdit->Paste())
        return;
    ClearParagraphFormatting(*m_richEdit);
    if (context().ConvertTabsToCrlf)
        ReplaceTabsByLineBreaks(*m_richEdit);
    UpdateToolbar();
}

void TDlgReturnAddresses::ActionFileOpenExecute()
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Open;
    request.Title = QStringLiteral("Open Plikora File");
    request.Filter = openFilter;
    request.DefaultExt = QStringLiteral("ENV");
    request.InitialDir = FolderOf(context().DocumentFileName);
    request.FileMustExist = true;
    request.HelpContext = 20017;
    const TFileDialogAnswer answer = FileDialogService().Execute(request);
    if (!answer.Accepted)
        return;
    try {
        m_richEdit->LoadFromFile(answer.FileName);
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
        return;
    }
    ClearParagraphFormatting(*m_richEdit);
    if (context().ConvertTabsToCrlf)
        ReplaceTabsByLineBreaks(*m_richEdit);
    m_richEdit->SetSelStart(0);
    UpdateToolbar();
}

void TDlgReturnAddresses::ActionFileSaveExecute()
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Filter = saveFilter;
    // The text is saved as rich text whatever the name: its own extension is the default.
    request.DefaultExt = QStringLiteral("RTF");
    request.InitialDir = FolderOf(context().DocumentFileName);
    request.OverwritePrompt = true;
    request.HelpContext = 20017;
    const TFileDialogAnswer answer = FileDialogService().Execute(request);
    if (!answer.Accepted)
        return;
    try {
        // Rich text whatever the name says: this is the return address, not an envelope.
        m_richEdit->SaveToFile(WithDefaultExt(answer.FileName, SaveExtension(request, answer)));
    } catch (const Exception &error) {
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
}

void TDlgReturnAddresses::UpdateRulers()
{
    if (!RulerHorizontal || !RulerVertical)
        return;
    const int measure = ReturnAddressEnvironment().Measure();
    const int ppi = ReturnAddressEnvironment().ScreenPixelsPerInch();
    for (TRuler *ruler : {RulerHorizontal, RulerVertical}) {
        if (measure == 0) {
            ruler->SetPixelsPerUnit(ppi);
            ruler->SetTicksPerUnit(8);
        } else if (measure == 1) {
            ruler->SetPixelsPerUnit(int(RoundHalfEven(ppi / 2.54)));
            ruler->SetTicksPerUnit(10);
        }
    }
}

TReturnEditorContext TDlgReturnAddresses::context() const
{
    return Context ? Context() : TReturnEditorContext{};
}

// Toolbar layout ----------------------------------------------------------------

namespace {

QList<KeptButton> KeptButtons(const TDlgReturnAddresses &w)
{
    return {{fileSection, QStringLiteral("Open"), w.ActionFileOpen},
            {fileSection, QStringLiteral("Save"), w.ActionFileSave},
            {editSection, QStringLiteral("Undo"), w.ActionEditUndo},
            {editSection, QStringLiteral("Cut"), w.ActionEditCut},
            {editSection, QStringLiteral("Copy"), w.ActionEditCopy},
            {editSection, QStringLiteral("Paste"), w.ActionEditPaste}};
}

} // namespace

void TDlgReturnAddresses::SaveToolbarLayout()
{
    if (RegIni) {
        TIniUpdate update(*RegIni);
        SaveControlPlacement(ToolBarFile, fileSection);
        SaveControlPlacement(ToolBarEdit, editSection);
        SaveControlPlacement(ToolBarFormat, formatSection);
        update.Commit();
    }
    if (IniFile) {
        TIniUpdate update(*IniFile);
        for (const KeptButton &b : KeptButtons(*this))
            IniFile->WriteBool(b.Section, b.Key, b.Action->isVisible());
        update.Commit();
    }
}

void TDlgReturnAddresses::LoadToolbarLayout()
{
    const bool stored = RegIni && RegIni->SectionExists(fileSection);
    // The buttons as they were left, from the first showing on.
    if (IniFile)
        for (const KeptButton &b : KeptButtons(*this))
            b.Action->setVisible(IniFile->ReadBool(b.Section, b.Key, true));
    restoreToolBars(stored);
    if (!stored) {
        ArrangeToolbars();
        ArrangeToolbars();
    }
}

void TDlgReturnAddresses::RestoreToolbarDefaults()
{
    if (RegIni) {
        TIniUpdate update(*RegIni);
        for (const QString &section : {fileSection, editSection, formatSection})
            RegIni->EraseSection(section);
        update.Commit();
    }
    if (IniFile) {
        TIniUpdate update(*IniFile);
        for (const QString &section : {fileSection, editSection})
            IniFile->EraseSection(section);
        update.Commit();
    }
    LoadToolbarLayout();
    ArrangeToolbars();
    ArrangeToolbars();
}

void TDlgReturnAddresses::restoreToolBars(bool placementStored)
{
    if (!RegIni)
        return;
    QList<TToolbarPlace> places;
    for (const auto &[toolBar, section] :
         {std::pair{ToolBarFile, fileSection}, std::pair{ToolBarEdit, editSection},
          std::pair{ToolBarFormat, formatSection}}) {
        TToolbarPlace place{toolBar, {0, 0, 0, 0}, true};
        bool minimized = false;
        bool maximized = false;
        RegIni->ReadWindowPlacement(section, place.Rect, minimized, maximized);
        place.Visible = RegIni->ReadBool(section, QStringLiteral("Visible"), true);
        places.append(place);
    }
    if (placementStored)
        RestoreToolbarRows(ControlBar, places);
    for (const TToolbarPlace &place : places)
        place.Bar->setVisible(place.Visible);
}

void TDlgReturnAddresses::FollowToolbars(const TMirroredToolbars &Shown)
{
    ToolBarFile->setVisible(Shown.File);
    ActionFileOpen->setVisible(Shown.Open);
    ActionFileSave->setVisible(Shown.Save);
    ToolBarEdit->setVisible(Shown.Edit);
    ActionEditUndo->setVisible(Shown.Undo);
    ActionEditCut->setVisible(Shown.Cut);
    ActionEditCopy->setVisible(Shown.Copy);
    ActionEditPaste->setVisible(Shown.Paste);
    ToolBarFormat->setVisible(Shown.Format);
}

void TDlgReturnAddresses::ArrangeToolbars()
{
    const bool shown[] = {!ToolBarFile->isHidden(), !ToolBarEdit->isHidden(), !ToolBarFormat->isHidden()};
    for (QToolBar *toolBar : {ToolBarFile, ToolBarEdit, ToolBarFormat})
        ControlBar->removeToolBar(toolBar);
    int i = 0;
    for (QToolBar *toolBar : {ToolBarFile, ToolBarEdit, ToolBarFormat}) {
        ControlBar->addToolBar(Qt::TopToolBarArea, toolBar);
        toolBar->setVisible(shown[i++]);
    }
}
