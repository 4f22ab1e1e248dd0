#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

// The window whose toolbars the dialog shows and hides (the main window).
class TToolbarLeader
{
public:
    virtual ~TToolbarLeader() = default;
    // The toolbar of that object name ("ToolBarFile", "ToolBarEdit", ...), or null.
    virtual QToolBar *ToolBarNamed(const QString &Name) const = 0;
    // The toolbar button stored under Key ("New", "Find", "Toolbar", ...), or null.
    virtual QAction *ToolBarButton(const QString &Key) const = 0;
    virtual void SaveToolbarLayout() = 0;
    // Restore Toolbar Defaults, which resets the follower's toolbars too.
    virtual QAction *RestoreToolbarDefaultsAction() const = 0;
    virtual void RestoreToolbarDefaults() = 0;
};

// The leader in use (not owned); nullptr when there is none.
void SetToolbarLeader(TToolbarLeader *Leader);
TToolbarLeader *ToolbarLeader();

// A disabled tool button keeps a right click to itself; this passes it on to its toolbar,
// so that the toolbar pop-up menu comes up over every button.
void PassToolbarRightClicks(QToolBar *ToolBar);

// What another window's File, Edit and Format toolbars show after the user's choice.
struct TMirroredToolbars
{
    bool File = true;
    bool Open = true;
    bool Save = true;
    bool Edit = true;
    bool Undo = true;
    bool Cut = true;
    bool Copy = true;
    bool Paste = true;
    bool Format = true;
};

// A window whose toolbars follow the main window's choice (the return addresses
// window): it shows what it is given and keeps its layout when asked.
class TToolbarFollower
{
public:
    virtual ~TToolbarFollower() = default;
    virtual void FollowToolbars(const TMirroredToolbars &Shown) = 0;
    virtual void SaveToolbarLayout() = 0;
};

// The follower in use (not owned); nullptr when there is none.
void SetToolbarFollower(TToolbarFollower *Follower);
TToolbarFollower *ToolbarFollower();

// Which of the leader's toolbars and buttons show: one box per toolbar, with
// one box per button beneath it. A toolbar's box is checked when all its buttons
// show, unchecked when none does, partly checked otherwise; checking or unchecking
// it does the same to all its buttons.
class TDlgCustomizeToolbars : public QDialog
{
public:
    explicit TDlgCustomizeToolbars(QWidget *parent = nullptr);

    // Takes the boxes' states from the leader.
    void ReadToolbarChecks();
    // Shows and hides the leader's toolbars and buttons, and the follower's.
    void ApplyToolbarChecks();
    // Restore Toolbar Defaults at once (it stays even when the dialog is cancelled).
    void BtnDefaultsClick();

    // The box captioned Caption ("Edit Toolbar", "Find"), or null.
    QTreeWidgetItem *Box(const QString &Caption) const;
    QTreeWidget *TreeToolbars;

protected:
    void showEvent(QShowEvent *event) override;
};

TDlgCustomizeToolbars *GetCustomizeToolbarsDialog();
// Frees the dialog (shutdown and tests).
void FreeCustomizeToolbarsDialog();
// Reads the boxes, shows the dialog and on OK applies the choice and saves both
// windows' toolbar layouts. True on OK.
bool ExecuteCustomizeToolbars(TDlgCustomizeToolbars *Dialog);
