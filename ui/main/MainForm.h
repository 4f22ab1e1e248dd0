#pragma once

#include "engine/PreferenceStore.h"
#include "engine/PrintAddresses.h"
#include "platform/Exception.h"
#include "ui/CustomizeToolbar.h"
#include "ui/WindowOpeners.h"
#include "ui/main/QmParams.h"

#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>

class DefinitionStore;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class ReturnAddressStore;
class RichEdit;
class TFormStampMain;
class TAddressPrintList;
class TEnvelopeData;
class TFontAttributes;
class QPlainTextEdit;
class TColorBox;
class TFindDialog;
class TFontComboBox;
class TReturnAddress;

// The last contact folder the contact import used.
struct TOutlookFolderID
{
    QString EntryID;
    QString StoreID;
};

// The job that prints the envelopes of a request; replaceable so that a test can
// watch what a request asks for.
using TPrintEnvelopesJob = std::function<TPrintOutcome(
    TAddressPrintList &List, int Copies, bool TestEnvelope, TReturnAddress *ReturnAddress,
    TEnvelopeData *Envelope, const QString &Title, int BarCodePlacement, bool PrintTriFoldLines)>;

// What the layer above the window does for it: the contact import and the ZIP code
// lookup. The program passes the real ones; window tests pass doubles.
struct TMainFormHooks
{
    std::function<void(TFormStampMain &Form)> ImportContacts;
    std::function<void(RichEdit &Destination)> LookupZipCode;
};

// A request from another program that the person called off (Cancel in a question
// or in the print dialog): nothing failed, but nothing was done either.
class ERequestCancelled : public Exception
{
public:
    using Exception::Exception;
};

// The main window: the envelope being addressed (destination, attention line,
// return address and envelope definition), its documents and its print requests.
// Its two selection boxes show the stores' lists and current entries.
// The most text (line breaks counted) one call from another program may add to the
// destination: far more than any list of addresses, far less than what would hold the
// window for long.
inline constexpr qsizetype kMaxAutomationText = qsizetype(2) << 20;

class TFormStampMain : public QMainWindow, public TToolbarLeader
{
    Q_OBJECT
public:
    TFormStampMain(DefinitionStore &Definitions, ReturnAddressStore &ReturnAddresses, TMainFormHooks Hooks,
                   TWindowOpeners Openers, QWidget *parent = nullptr);
    ~TFormStampMain() override;

    // State.
    QString FileName;
    bool ReadOnly = false;
    bool TestEnvelope = false;
    bool Resizing = false;
    int ActiveBox = 1; // 0 return address, 1 destination, 2 attention, 3 none
    bool Updating = false;
    bool FontSizeTyped = false;
    bool HasAttentionLine = false;
    bool Imported = false;
    bool ContactListsCreated = false;
    std::unique_ptr<TAddressPrintList> PrintList;
    bool FirstRun = false;
    TOutlookFolderID ContactFolderID;
    // The preferences in use (the program's PreferenceStore).
    static const TPreferences &Prefs() { return Preferences().Values(); }

    // Components.
    QFrame *PanelEnvelope = nullptr;
    QLabel *ImageReturnAddress = nullptr;
    QLabel *ImageZipBarCode = nullptr;
    QLabel *ImageStamp = nullptr;
    QLabel *ImageFacingMark = nullptr;
    RichEdit *RichEditReturn = nullptr;
    RichEdit *RichEditDestination = nullptr;
    RichEdit *RichEditAttention = nullptr;
    QComboBox *ComboBoxEnvelope = nullptr;
    QComboBox *ComboBoxReturnAddress = nullptr;
    TFontComboBox *FontComboBox = nullptr;
    QComboBox *ComboBoxFontSize = nullptr;
    TColorBox *ColorBoxFont = nullptr;
    QLabel *StatusPanels[3] = {};
    QMenu *MenuFile = nullptr;
    QMenu *MenuEdit = nullptr;
    QMenu *MenuFormat = nullptr;
    QMenu *MenuFavorites = nullptr;
    QMenu *MenuHelp = nullptr;
    // The pop-up menu of the three envelope boxes, and of the toolbar area.
    QMenu *PopupMenuEnvelope = nullptr;
    QMenu *PopupMenuToolbar = nullptr;
    QAction *FileOldFileBreak = nullptr;
    // The separator after which the favourites follow in their menu.
    QAction *FavoritesBreak = nullptr;
    QToolBar *ToolBarFile = nullptr;
    QToolBar *ToolBarEdit = nullptr;
    QToolBar *ToolBarSelection = nullptr;
    QToolBar *ToolBarFormat = nullptr;
    QToolBar *ToolBarOptions = nullptr;

    // The action list: menus, toolbars and the pop-up menu share these.
    QAction *ActionFileNew = nullptr;
    QAction *ActionFileOpen = nullptr;
    QAction *ActionFileSave = nullptr;
    QAction *ActionFileSaveAs = nullptr;
    QAction *ActionFileClose = nullptr;
    QAction *ActionFileImportOutlook = nullptr;
    QAction *ActionFilePrintEnvelope = nullptr;
    QAction *ActionFilePrintEnvelopeNow = nullptr;
    QAction *ActionFileExit = nullptr;
    QAction *ActionEditUndo = nullptr;
    QAction *ActionEditCut = nullptr;
    QAction *ActionEditCopy = nullptr;
    QAction *ActionEditPaste = nullptr;
    QAction *ActionEditPasteAsText = nullptr;
    QAction *ActionEditPasteAsNew = nullptr;
    QAction *ActionEditDelete = nullptr;
    QAction *ActionEditClear = nullptr;
    QAction *ActionEditSelectAll = nullptr;
    QAction *ActionEditFind = nullptr;
    QAction *ActionEditReplace = nullptr;
    QAction *ActionEditLookup = nullptr;
    // The pop-up menu's own caption for the lookup.
    QAction *PopupEditLookup = nullptr;
    QAction *ActionFormatBold = nullptr;
    QAction *ActionFormatItalics = nullptr;
    QAction *ActionFormatUnderline = nullptr;
    QAction *ActionFormatCurrentFont = nullptr;
    QAction *ActionFormatDefaultFont = nullptr;
    QAction *ActionFormatReturnAddresses = nullptr;
    QAction *ActionFormatEnvelopes = nullptr;
    QAction *ActionFormatOptions = nullptr;
    QAction *ActionFormatCustomizeToolbar = nullptr;
    QAction *ActionFormatRestoreToolbarDefaults = nullptr;
    QAction *ActionFavoritesAdd = nullptr;
    QAction *ActionFavoritesOrganize = nullptr;
    QAction *ActionHelpMain = nullptr;
    QAction *ActionHelpWebSite = nullptr;
    // Help menu items.
    QAction *HelpContents = nullptr;
    QAction *HelpOverview = nullptr;
    QAction *HelpSearch = nullptr;
    QAction *HelpInstallation = nullptr;
    QAction *HelpWarranty = nullptr;
    QAction *HelpLicense = nullptr;
    QAction *HelpAbout = nullptr;

    // Start-up and shutdown.
    void SetCommandLine(const TCommandLine &CommandLine) { m_commandLine = CommandLine; }
    const TCommandLine &CommandLine() const { return m_commandLine; }
    void ProcessCommandLine();
    // Fonts again; the command line on the first call only.
    void FormActivate();
    // The first-run definition when the envelope list was empty; once.
    void FormShow();
    bool QueryDiscard();
    bool IsEnvelopeModified() const;
    void SaveWindowState();
    void LoadToolbarLayout();
    void SaveToolbarLayout() override;
    void DefaultToolbarArrangement();
    // The default rows of toolbars for a window Width wide, wrapped where they do not fit.
    QList<QList<QToolBar *>> DefaultToolbarRows(int Width) const;
    // The size of the first window: room for every toolbar row on the screen.
    QSize FirstSize() const;
    void ActionFormatRestoreToolbarDefaultsExecute();
    // The toolbar button stored under Key ("New", "Find", "Toolbar", ...), or null.
    QAction *ToolBarButton(const QString &Key) const override;
    QToolBar *ToolBarNamed(const QString &Name) const override;
    QAction *RestoreToolbarDefaultsAction() const override { return ActionFormatRestoreToolbarDefaults; }
    void RestoreToolbarDefaults() override { ActionFormatRestoreToolbarDefaultsExecute(); }
    bool IsMetric() const { return Prefs().Measure == 1; }

    // Documents.
    bool NewEnvelope();
    // True when the file was loaded.
    bool OpenEnvelopeFile(QObject *Sender, const QString &Name, bool ReadOnlyWanted);
    void ActionFileNewExecute();
    void ActionFileOpenExecute();
    // True when the envelope was written.
    bool ActionFileSaveExecute();
    bool ActionFileSaveAsExecute();
    void FileOpenOldClick(QAction *Sender);
    // Files dropped on the window (local paths).
    void DropFiles(const QStringList &Files);
    QString GetFileName() const { return FileName; }
    QString GetSuggestedFileName() const;
    bool HasAttentionMarker() const;
    void MoveAttentionMarkerLine();
    void DeleteAttentionMarkerLine();
    void ComboBoxEnvelopeChange();
    void ComboBoxReturnAddressChange();
    void RefillEnvelopeCombo();
    void RefillReturnAddressCombo();
    void FillReturnBox();
    void ApplyReturnAddress();
    // Draws the current return address's picture into its place; an animated
    // picture asks for this again after every frame.
    void ShowReturnPicture();
    // Says in the status line, once, that the current return address's picture could not be read.
    void ReportReturnPictureError();
    void RichEditDestinationChange();
    // The panel in the "EnvelopeColor" of the moment: a desktop colour follows the desktop's palette.
    void ApplyEnvelopeColor();
    void UpdateMenu();
    void UpdateStampImage();
    // The stamp for StampPrice into Bitmap; a price beyond the pictures leaves it unchanged.
    void SetStampPicture(QPixmap &Bitmap) const;
    // The envelope picture's layout; runs on every resize of the window or the panel.
    void FormResize();
    // The three text boxes lay their lines out in the widths they print in.
    void ApplyPaperWidths();

    // Editing, on the focused box (ActiveBox).
    RichEdit *FocusedBox() const;
    void RichEditFocusNone();
    void ActionEditUndoExecute();
    void ActionEditCutExecute();
    void ActionEditCopyExecute();
    void ActionEditPasteExecute();
    void ActionEditPasteAsTextExecute();
    void ActionEditPasteAsNewExecute();
    void ActionEditDeleteExecute();
    void ActionEditClearExecute();
    void ActionEditSelectAllExecute();
    void ActionEditFindExecute();
    // One search of the find dialog; true when a match was selected.
    bool FindDialogFind();
    void ActionEditLookupExecute();

    // Format controls.
    void ActionFormatBoldExecute();
    void ActionFormatItalicsExecute();
    void ActionFormatUnderlineExecute();
    void FontComboBoxChange();
    void ColorBoxFontChange();
    void ComboBoxFontSizeChange();
    void ApplyFontSize();
    void ActionFormatCurrentFontExecute();
    void ActionFormatDefaultFontExecute();
    void StoreReturnFormatting();
    void ActionFormatOptionsExecute();
    void ActionFormatCustomizeToolbarExecute();

    // Contacts and favourites.
    void ActionFileImportOutlookExecute();
    void ActionFavoritesAddExecute();
    void ActionFavoritesOrganizeExecute();
    // A favourite menu item was chosen.
    void ActionFavoritesSelectExecute(QAction *Sender, const QString &FavoriteFile);
    // Rebuilds the favourites after the menu's first three items.
    void MenuFavoritesPopup();

    // Help.
    void ActionHelpWebSiteExecute();
    void HelpAboutClick();

    // Print requests.
    TPrintOutcome PrintEnvelope(bool PrintNow);
    void ActionFilePrintEnvelopeExecute() { PrintEnvelope(false); }
    void ActionFilePrintEnvelopeNowExecute() { PrintEnvelope(true); }
    void EnablePrintControls(bool Enabled);
    bool PrintRequestRunning() const { return m_printRequests > 0; }
    // A request from outside the window (a dropped file): runs now, or, while a
    // print request, a modal dialog or another such request runs, after it ends, in
    // the order the requests came. Never inside a dialog's event loop.
    void RunOutsideRequest(std::function<void()> Request);
    // What keeps a request from running now (a dialog, a print); empty when nothing does.
    // Another program's call is refused then rather than kept waiting past its time.
    QString BusyWith() const;
    // The exit status of a run that printed from the command line: 0 once it printed.
    int CommandLineResult() const { return m_commandLineResult; }
    void SetPrintEnvelopesJob(TPrintEnvelopesJob Job) { m_printJob = std::move(Job); }

    // Other programs (over the session bus). The macro lines "new" and "print", compared
    // without case; other lines are ignored. Throws as the automation routines do.
    void DDEsystemExecuteMacro(const QStringList &Msg);
    // Lines poked into the item "DDELoadAddress": appended to the destination.
    void DDELoadAddressPokeData(const QStringList &Lines);
    // The automation object's routines; each first brings the window to the front.
    // Each throws Exception when it failed (with what the window said) and
    // ERequestCancelled when the person called it off. A poke, an insert or a paste of
    // more than kMaxAutomationText characters throws Exception and adds nothing.
    void AutomationOpenEnvelope(const QString &FileName);
    void AutomationPrintEnvelope();
    void AutomationNewEnvelope();
    void AutomationPasteAddress();
    void AutomationInsertAddress(const QString &Address);

    // Shows the preferences in the window (colour, borders, font samples, stamp, bar code);
    // follows every change of them.
    void ApplyPreferences();

    // The default text attributes of registry section "EnvelopeFont" applied to a box.
    void ApplyEnvelopeFont(RichEdit &Box) const;

protected:
    void closeEvent(QCloseEvent *Event) override;
    void showEvent(QShowEvent *Event) override;
    bool event(QEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void dragEnterEvent(QDragEnterEvent *Event) override;
    void dropEvent(QDropEvent *Event) override;

private:
    class PreferenceReader;
    void CreateActions();
    void CreateEditActions();
    void CreateMenus();
    void CreateToolBars();
    // Tab order and access keys: the window used without a mouse.
    void SetUpKeyboard();
    // The toolbars' lists and boxes and the status bar.
    void CreateBarControls();
    void CreatePanel();
    void SetHelpContexts();
    void SetCaption();
    void FileOpened();
    void PurgeEnvelopeIniSections();
    void RunQueuedRequests();
    bool OutsideRequestsWait() const;
    void BringToFront();
    // The print request with its dialog for another program: throws unless it printed.
    void PrintForCaller();
    // The print request of "/p": a refusal that no box may wait on goes to standard error.
    TPrintOutcome PrintForCommandLine();
    // A definition whose layout starts off its paper: says so and returns true. A person
    // may then open the definitions manager; for another program or the command line
    // the reason is kept in m_printRefusal, and no box is shown.
    // Refuses, and says why, a layout off its paper; with the selected addresses known,
    // also texts that run past their room or are more than an envelope holds.
    bool LayoutRefused(bool WithTexts);
    bool LoadEnvelopeDocument(const QString &Name);
    // False when the user stopped a long load: the envelope is then as it was.
    bool LoadTextDocument(const QString &Name);
    void SaveEnvelopeDocument(const QString &Name);
    QList<QToolBar *> ToolBars() const;

    DefinitionStore &m_definitions;
    ReturnAddressStore &m_returnAddresses;
    TCommandLine m_commandLine;
    bool m_commandLineDone = false;
    int m_commandLineResult = 0;
    bool m_returnPictureQueued = false;
    QString m_reportedPictureError;
    bool m_shown = false;
    int m_printRequests = 0;
    // A print request for another program or the command line: no box waits for a person.
    bool m_printForCaller = false;
    QString m_printRefusal;
    QList<std::function<void()>> m_queuedRequests;
    bool m_outsideRequestRunning = false;
    QTimer *m_outsideRequestTimer = nullptr;
    QStringList m_openHistory;
    QStringList m_saveHistory;
    TPrintEnvelopesJob m_printJob;
    TMainFormHooks m_hooks;
    TWindowOpeners m_openers;
    std::unique_ptr<PreferenceReader> m_preferences;
    TFindDialog *m_findDialog = nullptr;
    // The actions whose shortcuts win over the envelope boxes' own keys.
    QList<QAction *> m_shortcutActions;
};

extern TFormStampMain *FormStampMain;
