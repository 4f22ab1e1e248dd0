// The main window's action list, its menus, the pop-up menus and the help commands.
#include "ui/main/MainForm.h"

#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmInternet.h"
#include "platform/FontCheck.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"
#include "ui/Artwork.h"
#include "ui/definitions/Envsizes.h"
#include "ui/main/About.h"
#include "ui/options/Options.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace {

QString HomePage()
{
    return QStringLiteral("https://") + WebSiteAddressText() + QLatin1Char('/');
}

} // namespace

void TFormStampMain::CreateActions()
{
    const auto action = [this](const QString &caption, const QString &hint, const QString &icon = {},
                               const QKeySequence &key = {}) {
        auto *a = new QAction(caption, this);
        if (!icon.isEmpty())
            a->setIcon(ToolIcon(icon));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            m_shortcutActions.append(a);
        }
        a->setToolTip(hint);
        a->setStatusTip(hint);
        addAction(a);
        return a;
    };
    const auto on = [this](QAction *a, void (TFormStampMain::*handler)()) {
        ConnectGuarded(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };

    ActionFileNew = action(QStringLiteral("&New"), QStringLiteral("Start a new envelope"),
                           QStringLiteral("new"), ctrl(Qt::Key_N));
    on(ActionFileNew, &TFormStampMain::ActionFileNewExecute);
    ActionFileClose = action(QStringLiteral("&Close"), QStringLiteral("Close the envelope"));
    on(ActionFileClose, &TFormStampMain::ActionFileNewExecute);
    ActionFileOpen = action(QStringLiteral("&Open"), QStringLiteral("Open an envelope file"),
                            QStringLiteral("open"), ctrl(Qt::Key_O));
    on(ActionFileOpen, &TFormStampMain::ActionFileOpenExecute);
    ActionFileSave = action(QStringLiteral("&Save"), QStringLiteral("Save the envelope"),
                            QStringLiteral("save"), ctrl(Qt::Key_S));
    ConnectGuarded(ActionFileSave, &QAction::triggered, this, [this] { ActionFileSaveExecute(); });
    // Ctrl+A saves as, even in the text boxes (see BoxEvent).
    ActionFileSaveAs = action(QStringLiteral("Save &As..."),
                              QStringLiteral("Save the envelope in a new file"), {}, ctrl(Qt::Key_A));
    ConnectGuarded(ActionFileSaveAs, &QAction::triggered, this, [this] { ActionFileSaveAsExecute(); });
    ActionFileImportOutlook =
        action(QStringLiteral("&Import Contact..."),
               QStringLiteral("Import a contact from your address book."), QStringLiteral("import"));
    on(ActionFileImportOutlook, &TFormStampMain::ActionFileImportOutlookExecute);
    // Ctrl+P belongs to the menu's Print Envelope... alone.
    ActionFilePrintEnvelope =
        action(QStringLiteral("&Print Envelope..."), QStringLiteral("Print the envelope"),
               QStringLiteral("print"), ctrl(Qt::Key_P));
    on(ActionFilePrintEnvelope, &TFormStampMain::ActionFilePrintEnvelopeExecute);
    ActionFilePrintEnvelopeNow = action(QStringLiteral("&Print Envelope"),
                                        QStringLiteral("Print the envelope now"), QStringLiteral("print"));
    on(ActionFilePrintEnvelopeNow, &TFormStampMain::ActionFilePrintEnvelopeNowExecute);
    ActionFileExit = action(QStringLiteral("E&xit"), QStringLiteral("Exit Plikora"), {},
                            QKeySequence(Qt::ALT | Qt::Key_F4));
    ConnectGuarded(ActionFileExit, &QAction::triggered, this, &QWidget::close);

    ActionEditUndo = action(QStringLiteral("&Undo"), QStringLiteral("Undo the last change"),
                            QStringLiteral("undo"), ctrl(Qt::Key_Z));
    on(ActionEditUndo, &TFormStampMain::ActionEditUndoExecute);
    ActionEditCut = action(QStringLiteral("Cu&t"), QStringLiteral("Cut the selection to the clipboard"),
                           QStringLiteral("cut"), ctrl(Qt::Key_X));
    on(ActionEditCut, &TFormStampMain::ActionEditCutExecute);
    ActionEditCopy = action(QStringLiteral("&Copy"), QStringLiteral("Copy the selection to the clipboard"),
                            QStringLiteral("copy"), ctrl(Qt::Key_C));
    on(ActionEditCopy, &TFormStampMain::ActionEditCopyExecute);
    ActionEditPaste = action(QStringLiteral("&Paste"), QStringLiteral("Paste from the clipboard"),
                             QStringLiteral("paste"), ctrl(Qt::Key_V));
    on(ActionEditPaste, &TFormStampMain::ActionEditPasteExecute);
    ActionEditPasteAsText =
        action(QStringLiteral("Paste as Text"), QStringLiteral("Paste the clipboard as plain text"),
               QStringLiteral("pasteastext"));
    on(ActionEditPasteAsText, &TFormStampMain::ActionEditPasteAsTextExecute);
    ActionEditPasteAsNew =
        action(QStringLiteral("Paste as New..."), QStringLiteral("Paste the clipboard into a new envelope"),
               QStringLiteral("pasteasnew"));
    on(ActionEditPasteAsNew, &TFormStampMain::ActionEditPasteAsNewExecute);
    ActionEditDelete =
        action(QStringLiteral("&Delete"), QStringLiteral("Delete the selection"), QStringLiteral("delete"));
    on(ActionEditDelete, &TFormStampMain::ActionEditDeleteExecute);
    ActionEditClear = action(QStringLiteral("Clear"), QStringLiteral("Clear the text"));
    on(ActionEditClear, &TFormStampMain::ActionEditClearExecute);
    ActionEditSelectAll = action(QStringLiteral("Select &All"), QStringLiteral("Select all the text"));
    on(ActionEditSelectAll, &TFormStampMain::ActionEditSelectAllExecute);
    ActionEditFind =
        action(QStringLiteral("&Find Text..."), QStringLiteral("Find text in the destination address"),
               QStringLiteral("find"), ctrl(Qt::Key_F));
    on(ActionEditFind, &TFormStampMain::ActionEditFindExecute);
    // It has a caption and a shortcut, and nothing to do.
    ActionEditReplace =
        action(QStringLiteral("R&eplace Text..."), QStringLiteral("Replace text"), {}, ctrl(Qt::Key_H));
    ActionEditLookup = action(QStringLiteral("&Lookup Zip Code"),
                              QStringLiteral("Look up the ZIP code of the selected address"),
                              QStringLiteral("lookup"), ctrl(Qt::Key_L));
    on(ActionEditLookup, &TFormStampMain::ActionEditLookupExecute);
    PopupEditLookup = new QAction(QStringLiteral("Lookup zip code..."), this);
    PopupEditLookup->setStatusTip(ActionEditLookup->statusTip());
    on(PopupEditLookup, &TFormStampMain::ActionEditLookupExecute);

    ActionFormatBold = action(QStringLiteral("Bold"), QStringLiteral("Bold on/off"), QStringLiteral("bold"));
    ActionFormatItalics =
        action(QStringLiteral("Italics"), QStringLiteral("Italics on/off"), QStringLiteral("italic"));
    ActionFormatUnderline =
        action(QStringLiteral("Underline"), QStringLiteral("Underline on/off"), QStringLiteral("underline"));
    for (QAction *a : {ActionFormatBold, ActionFormatItalics, ActionFormatUnderline})
        a->setCheckable(true);
    on(ActionFormatBold, &TFormStampMain::ActionFormatBoldExecute);
    on(ActionFormatItalics, &TFormStampMain::ActionFormatItalicsExecute);
    on(ActionFormatUnderline, &TFormStampMain::ActionFormatUnderlineExecute);
    ActionFormatCurrentFont =
        action(QStringLiteral("&Current Font && Style..."), QStringLiteral("Font for destination address"));
    on(ActionFormatCurrentFont, &TFormStampMain::ActionFormatCurrentFontExecute);
    ActionFormatDefaultFont = action(QStringLiteral("&Default Font && Style..."),
                                     QStringLiteral("Font and style of new envelopes"));
    on(ActionFormatDefaultFont, &TFormStampMain::ActionFormatDefaultFontExecute);
    ActionFormatReturnAddresses =
        action(QStringLiteral("&Return Addresses..."),
               QStringLiteral("Add, change or delete return addresses"), QStringLiteral("returnaddresses"));
    ConnectGuarded(ActionFormatReturnAddresses, &QAction::triggered, this, [this] {
        if (DlgReturnAddresses)
            DlgReturnAddresses->Execute();
        FillReturnBox();
    });
    ActionFormatEnvelopes =
        action(QStringLiteral("&Envelope Sizes..."), QStringLiteral("Add, change or delete envelope sizes"),
               QStringLiteral("envelopes"));
    ConnectGuarded(ActionFormatEnvelopes, &QAction::triggered, this, [] {
        if (DlgEnvelopeSizes)
            DlgEnvelopeSizes->Execute(false);
    });
    ActionFormatOptions = action(QStringLiteral("Plikora &Options..."),
                                 QStringLiteral("Change the Plikora options"), QStringLiteral("options"));
    on(ActionFormatOptions, &TFormStampMain::ActionFormatOptionsExecute);
    ActionFormatCustomizeToolbar =
        action(QStringLiteral("Customize &Toolbar..."),
               QStringLiteral("Choose the toolbars and buttons to show"), QStringLiteral("toolbar"));
    on(ActionFormatCustomizeToolbar, &TFormStampMain::ActionFormatCustomizeToolbarExecute);
    ActionFormatRestoreToolbarDefaults = action(QStringLiteral("Restore Toolbar &Defaults"),
                                                QStringLiteral("Show the toolbars as they were first"));
    on(ActionFormatRestoreToolbarDefaults, &TFormStampMain::ActionFormatRestoreToolbarDefaultsExecute);

    ActionFavoritesAdd = action(QStringLiteral("&Add to Favorites..."),
                                QStringLiteral("Add the envelope file to your favorites"));
    on(ActionFavoritesAdd, &TFormStampMain::ActionFavoritesAddExecute);
    ActionFavoritesOrganize =
        action(QStringLiteral("&Organize Favorites..."), QStringLiteral("Organize your favorites"));
    on(ActionFavoritesOrganize, &TFormStampMain::ActionFavoritesOrganizeExecute);

    ActionHelpMain = action(QStringLiteral("Help"), QStringLiteral("Help"), QStringLiteral("help"));
    ConnectGuarded(ActionHelpMain, &QAction::triggered, this, [this] { ShowHelpFor(this); });
    ActionHelpWebSite = action(QStringLiteral("Web Site..."), QStringLiteral("Visit the Plikora web site"));
    on(ActionHelpWebSite, &TFormStampMain::ActionHelpWebSiteExecute);

    const auto help = [&](const QString &caption, const QKeySequence &key, int command, int context,
                          const QString &hint) {
        QAction *a = action(caption, hint, {}, key);
        ConnectGuarded(a, &QAction::triggered, this,
                       [command, context] { HelpService().WinHelp(command, context); });
        return a;
    };
    HelpContents = action(QStringLiteral("&Contents"), QStringLiteral("Contents of the help"), {},
                          QKeySequence(Qt::CTRL | Qt::Key_F1));
    ConnectGuarded(HelpContents, &QAction::triggered, this, [] { HelpService().WinHelp(HELP_FINDER, 0); });
    HelpOverview = action(QStringLiteral("&Overview"), QStringLiteral("An overview of Plikora"), {},
                          QKeySequence(Qt::ALT | Qt::Key_F1));
    ConnectGuarded(HelpOverview, &QAction::triggered, this,
                   [] { HelpService().WinHelp(HELP_CONTEXT, 9992); });
    HelpSearch = action(QStringLiteral("Topic &Search..."), QStringLiteral("Search the help for a topic"), {},
                        QKeySequence(Qt::SHIFT | Qt::Key_F1));
    ConnectGuarded(HelpSearch, &QAction::triggered, this, [] { HelpService().WinHelp(HELP_COMMAND, 0); });
    HelpInstallation =
        help(QStringLiteral("&Installation"), {}, HELP_CONTEXT, 9997, QStringLiteral("Installing Plikora"));
    HelpWarranty = help(QStringLiteral("&Warranty"), {}, HELP_CONTEXT, 9996, QStringLiteral("The warranty"));
    HelpLicense = help(QStringLiteral("&License"), {}, HELP_CONTEXT, 9991, QStringLiteral("The license"));
    HelpAbout = action(QStringLiteral("&About Plikora..."), QStringLiteral("About Plikora"));
    on(HelpAbout, &TFormStampMain::HelpAboutClick);
}

void TFormStampMain::CreateMenus()
{
    MenuFile = menuBar()->addMenu(QStringLiteral("&File"));
    MenuFile->addActions({ActionFileNew, ActionFileOpen, ActionFileSave, ActionFileSaveAs, ActionFileClose});
    MenuFile->addSeparator();
    MenuFile->addAction(ActionFileImportOutlook);
    MenuFile->addSeparator();
    MenuFile->addAction(ActionFilePrintEnvelope);
    MenuFile->addSeparator();
    MenuFile->addAction(ActionFileExit);
    FileOldFileBreak = MenuFile->addSeparator();
    FileOldFileBreak->setObjectName(QStringLiteral("FileOldFileBreak"));

    MenuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    MenuEdit->addAction(ActionEditUndo);
    MenuEdit->addSeparator();
    MenuEdit->addActions({ActionEditCut, ActionEditCopy, ActionEditPaste, ActionEditPasteAsNew,
                          ActionEditPasteAsText, ActionEditDelete, ActionEditClear});
    MenuEdit->addSeparator();
    MenuEdit->addAction(ActionEditSelectAll);
    MenuEdit->addSeparator();
    MenuEdit->addActions({ActionEditFind, ActionEditLookup});

    MenuFormat = menuBar()->addMenu(QStringLiteral("F&ormat"));
    MenuFormat->addActions({ActionFormatCurrentFont, ActionFormatDefaultFont});
    MenuFormat->addSeparator();
    MenuFormat->addActions({ActionFormatReturnAddresses, ActionFormatEnvelopes});
    MenuFormat->addSeparator();
    MenuFormat->addActions({ActionFormatCustomizeToolbar, ActionFormatOptions});

    MenuFavorites = menuBar()->addMenu(QStringLiteral("F&avorites"));
    MenuFavorites->addActions({ActionFavoritesAdd, ActionFavoritesOrganize});
    FavoritesBreak = MenuFavorites->addSeparator();
    ConnectGuarded(MenuFavorites, &QMenu::aboutToShow, this, &TFormStampMain::MenuFavoritesPopup);

    MenuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    MenuHelp->addActions({HelpContents, HelpOverview, HelpSearch});
    MenuHelp->addSeparator();
    MenuHelp->addActions({HelpInstallation, ActionHelpWebSite, HelpWarranty, HelpLicense});
    MenuHelp->addSeparator();
    MenuHelp->addAction(HelpAbout);
    for (QMenu *menu : {MenuFile, MenuEdit, MenuFormat, MenuHelp})
        ConnectGuarded(menu, &QMenu::aboutToShow, this, &TFormStampMain::UpdateMenu);

    PopupMenuEnvelope = new QMenu(this);
    PopupMenuEnvelope->setObjectName(QStringLiteral("PopupMenuEnvelope"));
    PopupMenuEnvelope->addAction(ActionEditUndo);
    PopupMenuEnvelope->addSeparator();
    PopupMenuEnvelope->addActions(
        {ActionEditCut, ActionEditCopy, ActionEditPaste, ActionEditDelete, ActionEditClear});
    PopupMenuEnvelope->addSeparator();
    PopupMenuEnvelope->addAction(ActionEditSelectAll);
    PopupMenuEnvelope->addSeparator();
    PopupMenuEnvelope->addActions({ActionFormatCurrentFont, ActionFormatReturnAddresses});
    PopupMenuEnvelope->addSeparator();
    PopupMenuEnvelope->addActions({ActionFileOpen, PopupEditLookup});
    ConnectGuarded(PopupMenuEnvelope, &QMenu::aboutToShow, this, &TFormStampMain::UpdateMenu);

    PopupMenuToolbar = new QMenu(this);
    PopupMenuToolbar->setObjectName(QStringLiteral("PopupMenuToolbar"));
    PopupMenuToolbar->addActions({ActionFormatCustomizeToolbar, ActionFormatRestoreToolbarDefaults});
    setContextMenuPolicy(Qt::CustomContextMenu);
    ConnectGuarded(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        // Only the toolbar area: the rest of the window has no menu of its own.
        if (!centralWidget()->geometry().contains(at) && !statusBar()->geometry().contains(at))
            PopupMenuToolbar->popup(mapToGlobal(at));
    });
}

void TFormStampMain::CreateBarControls()
{
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
    for (QComboBox *combo : {ComboBoxEnvelope, ComboBoxReturnAddress})
        combo->installEventFilter(this);

    FontComboBox = new TFontComboBox(this);
    FontComboBox->setObjectName(QStringLiteral("FontComboBox"));
    // Wide enough for a name before the fonts are listed.
    FontComboBox->setMinimumContentsLength(14);
    FontComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ConnectGuarded(FontComboBox, &QComboBox::activated, this, &TFormStampMain::FontComboBoxChange);
    ComboBoxFontSize = new QComboBox(this);
    ComboBoxFontSize->setObjectName(QStringLiteral("ComboBoxFontSize"));
    ComboBoxFontSize->setEditable(true);
    ComboBoxFontSize->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxFontSize->setMaxVisibleItems(12);
    ComboBoxFontSize->setMinimumContentsLength(4);
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36})
        ComboBoxFontSize->addItem(QString::number(size));
    ComboBoxFontSize->setCurrentIndex(-1);
    ConnectGuarded(ComboBoxFontSize, &QComboBox::currentTextChanged, this,
                   &TFormStampMain::ComboBoxFontSizeChange);
    ConnectGuarded(ComboBoxFontSize->lineEdit(), &QLineEdit::returnPressed, this,
                   &TFormStampMain::ApplyFontSize);
    ConnectGuarded(ComboBoxFontSize->lineEdit(), &QLineEdit::editingFinished, this,
                   &TFormStampMain::ComboBoxFontSizeChange);
    ColorBoxFont = new TColorBox(TColorList::Font, this);
    ColorBoxFont->setObjectName(QStringLiteral("ColorBoxFont"));
    ConnectGuarded(ColorBoxFont, &QComboBox::activated, this, &TFormStampMain::ColorBoxFontChange);

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
    // Paste follows what the clipboard holds, whoever put it there.
    ConnectGuarded(QApplication::clipboard(), &QClipboard::dataChanged, this, &TFormStampMain::UpdateMenu);
    // Told once, in place of the greeting: what stands in for a missing Arial.
    const QString fontWarning = ArialFallbackMessage();
    StatusPanels[2]->setText(QLatin1Char(' ')
                             + (fontWarning.isEmpty() ? QStringLiteral("Welcome to Plikora!") : fontWarning));
}

void TFormStampMain::ActionHelpWebSiteExecute()
{
    OpenURL(HomePage());
}

void TFormStampMain::ActionFormatOptionsExecute()
{
    GetOptionsDialog()->ExecuteOptions();
}
