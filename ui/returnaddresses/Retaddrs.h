#pragma once

#include "ui/CustomizeToolbar.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QPushButton;
class QToolBar;
class ReturnAddressStore;
class RichEdit;
class TColorBox;
class TFontComboBox;
class TRuler;

// What the editor reads of the preferences and of the main window's document.
struct TReturnEditorContext
{
    bool ConvertTabsToCrlf = false;
    QString ClipArtPath;
    // The envelope document's name, empty while untitled.
    QString DocumentFileName;
};

// The return addresses manager: shows and edits the return addresses of the
// store, and makes the one chosen in its list current. main creates it at
// start-up right after the envelope definitions manager and deletes it at
// shutdown. The list is saved after Add, Rename and Delete and whenever the
// window closes.
//
// Its editor changes the current entry's text and picture at once; the store
// tells the main window after each change.
class TDlgReturnAddresses : public QDialog, public TToolbarFollower
{

public:
    explicit TDlgReturnAddresses(ReturnAddressStore &Store, QWidget *parent = nullptr);
    ~TDlgReturnAddresses() override;

    // Shows the window modally; every change is applied at once.
    int Execute();

    void ShowReturnAddressDetails();

    void AddBtnClick();
    void RenameBtnClick();
    void DeleteBtnClick();
    void DefaultBtnClick();

    // The editor's toolbars and commands.
    void UpdateToolbar();
    void UpdateRulers();
    void ApplyFontSize();
    void ActionFileOpenExecute();
    void ActionFileSaveExecute();
    void ActionEditPasteExecute();

    // The picture.
    void ShowGraphic();
    void ShowGraphicSize();
    void GraphicChanged();
    void BtnBrowseClick();
    void BtnReloadClick();
    void BtnClearClick();
    void BtnEditClick();
    void BtnChooseClipArtClick();
    // Files dropped on the window (local paths): the first becomes the picture.
    void DropFiles(const QStringList &Files);

    // Toolbar layout: placement in RegIni, button visibility in IniFile.
    void SaveToolbarLayout() override;
    void LoadToolbarLayout();
    // The toolbar customisation's choice for this window's File, Edit and Format toolbars.
    void FollowToolbars(const TMirroredToolbars &Shown) override;
    void ArrangeToolbars();
    // Restore Toolbar Defaults: every toolbar and button shown, in the first arrangement.
    void RestoreToolbarDefaults();

    // Where the editor's preferences come from: the program's preferences and
    // DocumentFileName by default.
    std::function<TReturnEditorContext()> Context;
    // The main window's envelope document (empty while untitled); set by whoever
    // makes both windows.
    std::function<QString()> DocumentFileName;

    QListWidget *ListAddresses() const { return m_listAddresses; }
    RichEdit *RichEditAddress() const { return m_richEdit; }
    QPushButton *AddBtn() const { return m_addBtn; }
    QPushButton *RenameBtn() const { return m_renameBtn; }
    QPushButton *DeleteBtn() const { return m_deleteBtn; }
    QPushButton *DefaultBtn() const { return m_defaultBtn; }
    QGroupBox *GroupBoxDetails() const { return m_groupBoxDetails; }

    // Components of the editor.
    QMainWindow *ControlBar = nullptr;
    QToolBar *ToolBarFile = nullptr;
    QToolBar *ToolBarEdit = nullptr;
    QToolBar *ToolBarFormat = nullptr;
    QAction *ActionFileOpen = nullptr;
    QAction *ActionFileSave = nullptr;
    QAction *ActionEditUndo = nullptr;
    QAction *ActionEditCut = nullptr;
    QAction *ActionEditCopy = nullptr;
    QAction *ActionEditPaste = nullptr;
    QAction *ActionEditDelete = nullptr;
    QAction *ActionEditClear = nullptr;
    QAction *ActionEditSelectAll = nullptr;
    QAction *ActionFormatBold = nullptr;
    QAction *ActionFormatItalics = nullptr;
    QAction *ActionFormatUnderline = nullptr;
    TFontComboBox *FontComboBox = nullptr;
    QComboBox *ComboBoxFontSize = nullptr;
    TColorBox *ColorBoxFont = nullptr;
    QMenu *PopupMenuText = nullptr;
    QMenu *PopupMenuGraphic = nullptr;
    QMenu *PopupMenuToolbar = nullptr;
    TRuler *RulerHorizontal = nullptr;
    TRuler *RulerVertical = nullptr;
    QGroupBox *GroupBoxGraphic = nullptr;
    QFrame *PanelImage = nullptr;
    QLabel *ImageReturnAddress = nullptr;
    QLineEdit *EditGraphicFile = nullptr;
    QLineEdit *EditGraphicWidth = nullptr;
    QLineEdit *EditGraphicHeight = nullptr;
    QLabel *LabelUnits = nullptr;
    QPushButton *BtnBrowse = nullptr;
    QPushButton *BtnChooseClipArt = nullptr;
    QPushButton *BtnReload = nullptr;
    QPushButton *BtnClear = nullptr;
    QPushButton *BtnEdit = nullptr;

protected:
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildControls();
    QWidget *buildEditor(QWidget *parent);
    QGroupBox *buildGraphicGroup();
    void buildActions();
    void buildToolBars();
    void setEditorHelpContexts();
    void showList();
    void showCurrent();
    void listClicked();
    void richEditChanged();
    void applySizeEdit(bool width);
    void fontSizeChosen();
    void restoreToolBars(bool placementStored);
    void showPreferences();
    TReturnEditorContext context() const;

    ReturnAddressStore &m_store;
    bool ShowingDetails = false;
    bool UpdatingToolbar = false;
    bool FontSizeTyped = false;
    bool WidthEdited = false;
    bool HeightEdited = false;
    bool m_refilling = false;
    // Pop-up menu items that follow an action's enabled state.
    QList<std::pair<QAction *, QAction *>> m_menuTwins;
    QListWidget *m_listAddresses = nullptr;
    RichEdit *m_richEdit = nullptr;
    QPushButton *m_addBtn = nullptr;
    QPushButton *m_renameBtn = nullptr;
    QPushButton *m_deleteBtn = nullptr;
    QPushButton *m_defaultBtn = nullptr;
    QPushButton *m_okBtn = nullptr;
    QGroupBox *m_groupBoxDetails = nullptr;
};

extern TDlgReturnAddresses *DlgReturnAddresses;

// The clip-art gallery the editor offers, installed at start-up by the
// integrations layer (none until then).
class TClipArtGallery
{
public:
    virtual ~TClipArtGallery() = default;
    // 0 none, 1 the clip-art picker, 2 a separate organizer program.
    virtual int Kind() const = 0;
    // Lets the user pick a clip and writes it to FileName as JPEG; true when written.
    virtual bool Choose(const QString &FileName) = 0;
    // Starts the organizer program; false when it cannot be started.
    virtual bool LaunchOrganizer() = 0;
};
TClipArtGallery *ClipArtGallery();
// Not owned; nullptr removes it.
void SetClipArtGallery(TClipArtGallery *Gallery);
