#pragma once

#include "engine/PrintAddresses.h"
#include "ui/QmParams.h"

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
class TAddressPrintList;
class TEnvelopeData;
class TFontAttributes;
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

// The main window: the envelope being addressed (destination, attention line,
// return address and envelope definition), its documents and its print requests.
// Its two selection boxes show the stores' lists and current entries.
class TFormStampMain : public QMainWindow
{
    Q_OBJECT
public:
    TFormStampMain(DefinitionStore &Definitions, ReturnAddressStore &ReturnAddresses,
                   QWidget *parent = nullptr);
    ~TFormStampMain() override;

    // State.
    QString FileName;
    bool ReadOnly = false;
    bool TestEnvelope = false;
    bool Resizing = false;
    int ActiveBox = 1; // 0 return address, 1 destination, 2 attention, 3 none
    bool Updating = false;
    int Measure = 0; // 0 inches, 1 centimetres
    bool FontSizeTyped = false;
    bool HasAttentionLine = false;
    bool Imported = false;
    bool ContactListsCreated = false;
    std::unique_ptr<TAddressPrintList> PrintList;
    int PrintBarCode = 0;
    bool ClearAttention = true;
    bool SaveAttention = false;
    bool RememberReturnAddress = true;
    bool RememberEnvelope = true;
    bool PostalMargins = true;
    bool ConvertTabsToCrlf = false;
    bool FacingMark = true;
    bool FirstRun = false;
    int StampPrice = 37;
    QString ClipArtPath;
    QString FavoritesPath;
    QString DefaultEnvelopePath;
    bool PrintTriFoldLines = true;
    TOutlookFolderID ContactFolderID;
    // The other preferences read at start-up.
    qint32 EnvelopeColor = qint32(0xFF00000F);
    bool ShowHints = true;
    bool ShowFonts = true;
    bool ShowBorders = true;

    // Components.
    QFrame *PanelEnvelope;
    QLabel *ImageReturnAddress;
    QLabel *ImageStamp;
    RichEdit *RichEditReturn;
    RichEdit *RichEditDestination;
    RichEdit *RichEditAttention;
    QComboBox *ComboBoxEnvelope;
    QComboBox *ComboBoxReturnAddress;
    TFontComboBox *FontComboBox;
    QLabel *StatusPanels[3];
    QMenu *MenuFile;
    QMenu *MenuEdit;
    QMenu *MenuFormat;
    QMenu *MenuHelp;
    QAction *FileOldFileBreak;
    QToolBar *ToolBarFile;
    QToolBar *ToolBarEdit;
    QToolBar *ToolBarSelection;
    QToolBar *ToolBarFormat;
    QToolBar *ToolBarOptions;

    QAction *ActionFileNew;
    QAction *ActionFileOpen;
    QAction *ActionFileSave;
    QAction *ActionFileSaveAs;
    QAction *ActionFileClose;
    QAction *ActionFilePrintEnvelope;
    QAction *ActionFilePrintEnvelopeNow;
    QAction *ActionFileExit;
    QAction *ActionEditUndo;
    QAction *ActionEditCut;
    QAction *ActionEditCopy;
    QAction *ActionEditPaste;
    QAction *ActionFormatReturnAddresses;
    QAction *ActionFormatEnvelopes;
    QAction *ActionFormatRestoreToolbarDefaults;
    QAction *ActionHelpMain;

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
    void SaveToolbarLayout();
    void DefaultToolbarArrangement();
    void ActionFormatRestoreToolbarDefaultsExecute();
    // The toolbar button stored under Key ("New", "Find", "Toolbar", ...), or null.
    QAction *ToolBarButton(const QString &Key) const;
    bool IsMetric() const { return Measure == 1; }
    static QString DefaultClipArtFolder();
    static QString DefaultFavoritesFolder();

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
    void RichEditDestinationChange();
    void UpdateMenu();
    void UpdateStampImage();

    // Print requests.
    void PrintEnvelope(bool PrintNow);
    void ActionFilePrintEnvelopeExecute() { PrintEnvelope(false); }
    void ActionFilePrintEnvelopeNowExecute() { PrintEnvelope(true); }
    void EnablePrintControls(bool Enabled);
    bool PrintRequestRunning() const { return m_printRequests > 0; }
    // A request from outside the window (another program): runs now, or, while a
    // print request, a modal dialog or another such request runs, after it ends, in
    // the order the requests came. Never inside a dialog's event loop.
    void RunOutsideRequest(std::function<void()> Request);
    void SetPrintEnvelopesJob(TPrintEnvelopesJob Job) { m_printJob = std::move(Job); }

    // The contact import lives above the window: the program hands it in at start-up.
    void SetContactImport(std::function<void()> Import) { m_contactImport = std::move(Import); }
    void ActionFileImportOutlookExecute();
    // Other programs (over the session bus). The macro lines "new" and "print", compared
    // without case; other lines are ignored.
    void DDEsystemExecuteMacro(const QStringList &Msg);
    // Lines poked into the item "DDELoadAddress": appended to the destination.
    void DDELoadAddressPokeData(const QStringList &Lines);
    // The automation object's routines; each first brings the window to the front.
    // Throws Exception when the file could not be opened.
    void AutomationOpenEnvelope(const QString &FileName);
    void AutomationPrintEnvelope();
    void AutomationNewEnvelope();
    void AutomationPasteAddress();
    void AutomationInsertAddress(const QString &Address);
    // The ZIP code lookup on the destination, set by the layer that provides it.
    std::function<void(RichEdit &Destination)> ZipCodeLookup;

    // Shows the preference fields in the window (colour, borders, font samples, stamp) and
    // tells every window that follows them; called after the fields changed.
    void ApplyPreferences();

    // The default text attributes of registry section "EnvelopeFont" applied to a box.
    void ApplyEnvelopeFont(RichEdit &Box) const;

signals:
    // The preference fields changed (the options dialog's OK); windows that show
    // lengths, the stamp, the bar code or font samples read them again.
    void preferencesChanged();

protected:
    void closeEvent(QCloseEvent *Event) override;
    void showEvent(QShowEvent *Event) override;
    bool event(QEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void dragEnterEvent(QDragEnterEvent *Event) override;
    void dropEvent(QDropEvent *Event) override;

private:
    class Preferences;
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreatePanel();
    void ReadPreferences();
    void SetHelpContexts();
    void SetCaption();
    void FileOpened();
    void PurgeEnvelopeIniSections();
    void RunQueuedRequests();
    bool OutsideRequestsWait() const;
    void BringToFront();
    bool LoadEnvelopeDocument(const QString &Name);
    void LoadTextDocument(const QString &Name);
    void SaveEnvelopeDocument(const QString &Name);
    QList<QToolBar *> ToolBars() const;

    DefinitionStore &m_definitions;
    ReturnAddressStore &m_returnAddresses;
    TCommandLine m_commandLine;
    bool m_commandLineDone = false;
    bool m_returnPictureQueued = false;
    bool m_shown = false;
    int m_printRequests = 0;
    QList<std::function<void()>> m_queuedRequests;
    bool m_outsideRequestRunning = false;
    QTimer *m_outsideRequestTimer = nullptr;
    QStringList m_openHistory;
    QStringList m_saveHistory;
    TPrintEnvelopesJob m_printJob;
    std::function<void()> m_contactImport;
    std::unique_ptr<Preferences> m_preferences;
};

extern TFormStampMain *FormStampMain;

// The folders of the data folder made on demand: "<data folder>ClipArt/" and "Favorites/".
QString MakeDataSubFolder(const QString &Name);

// A Windows colour value (low byte red; 0xFF0000nn a system colour) as a Qt colour.
QColor ColorFromWindows(qint32 Color);

// Whether an envelope whose destination is Text counts as worth saving: it holds a letter.
bool HasAnyLetter(const QString &Text);
