#include "ui/CustomizeToolbar.h"

#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

TDlgCustomizeToolbars *dialogInstance = nullptr;
TToolbarFollower *follower = nullptr;
TToolbarLeader *leader = nullptr;

struct Button
{
    const char *Caption;
    const char *Key; // the button's key in the main window's toolbar layout
};

struct Group
{
    const char *Caption;
    const char *Bar; // the toolbar's object name
    QList<Button> Buttons;
};

const QList<Group> &Groups()
{
    static const QList<Group> groups = {
        {"File Toolbar",
         "ToolBarFile",
         {{"New", "New"}, {"Open", "Open"}, {"Save", "Save"}, {"Print", "Print"}, {"Import", "Import"}}},
        {"Edit Toolbar",
         "ToolBarEdit",
         {{"Undo", "Undo"},
          {"Cut", "Cut"},
          {"Copy", "Copy"},
          {"Paste", "Paste"},
          {"Paste As New", "PasteAsNew"},
          {"Paste As Text", "PasteAsText"},
          {"Delete", "Delete"},
          {"Lookup", "Lookup"},
          {"Find", "Find"}}},
        {"Format Toolbar", "ToolBarFormat", {}},
        {"Selection Toolbar", "ToolBarSelection", {}},
        {"Options Toolbar",
         "ToolBarOptions",
         {{"Plikora Options", "Options"}, {"Customize Toolbar", "Toolbar"}, {"Help", "Help"}}},
    };
    return groups;
}

bool Checked(const QTreeWidgetItem *Box)
{
    return Box && Box->checkState(0) == Qt::Checked;
}

// A toolbar shows while any of its buttons does.
bool Shown(const QTreeWidgetItem *Box)
{
    return Box && Box->checkState(0) != Qt::Unchecked;
}

QToolBar *LeaderBar(const Group &G)
{
    return leader ? leader->ToolBarNamed(QString::fromLatin1(G.Bar)) : nullptr;
}

class TRightClickPasser : public QObject
{
public:
    explicit TRightClickPasser(QToolBar *ToolBar) : QObject(ToolBar), m_toolBar(ToolBar) {}

    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        auto *button = qobject_cast<QWidget *>(Watched);
        if (Event->type() != QEvent::ContextMenu || !button || button->isEnabled())
            return false;
        const auto *click = static_cast<QContextMenuEvent *>(Event);
        QContextMenuEvent passed(click->reason(), m_toolBar->mapFromGlobal(click->globalPos()),
                                 click->globalPos(), click->modifiers());
        QCoreApplication::sendEvent(m_toolBar, &passed);
        return true;
    }

private:
    QToolBar *m_toolBar;
};

} // namespace

void PassToolbarRightClicks(QToolBar *ToolBar)
{
    auto *passer = new TRightClickPasser(ToolBar);
    for (QToolButton *button : ToolBar->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly))
        button->installEventFilter(passer);
}

void SetToolbarLeader(TToolbarLeader *Leader)
{
    leader = Leader;
}

TToolbarLeader *ToolbarLeader()
{
    return leader;
}

void SetToolbarFollower(TToolbarFollower *Follower)
{
    follower = Follower;
}

TToolbarFollower *ToolbarFollower()
{
    return follower;
}

TDlgCustomizeToolbars::TDlgCustomizeToolbars(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgCustomizeToolbars"));
    setWindowTitle(QStringLiteral("Customize Plikora Toolbars"));
    auto *group =
        new QGroupBox(QStringLiteral("Check the toolbars and buttons that should be displayed"), this);
    TreeToolbars = new QTreeWidget(group);
    TreeToolbars->setHeaderHidden(true);
    TreeToolbars->setRootIsDecorated(false);
    TreeToolbars->setItemsExpandable(false);
    TreeToolbars->setIconSize(QSize(16, 16));
    for (const Group &g : Groups()) {
        auto *bar = new QTreeWidgetItem(TreeToolbars, {QString::fromLatin1(g.Caption)});
        bar->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable
                      | (g.Buttons.isEmpty() ? Qt::NoItemFlags : Qt::ItemIsAutoTristate));
        bar->setCheckState(0, Qt::Checked);
        for (const Button &b : g.Buttons) {
            auto *button = new QTreeWidgetItem(bar, {QString::fromLatin1(b.Caption)});
            button->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            button->setData(0, Qt::UserRole, QString::fromLatin1(b.Key));
            button->setCheckState(0, Qt::Checked);
        }
    }
    TreeToolbars->expandAll();
    TreeToolbars->setMinimumSize(300, 420);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(TreeToolbars);

    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    QPushButton *defaults = buttons->addButton(QStringLiteral("&Default"), QDialogButtonBox::ResetRole);
    defaults->setToolTip(QStringLiteral("Restore the default toolbar settings"));
    ConnectGuarded(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    ConnectGuarded(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ConnectHelpButton(buttons->button(QDialogButtonBox::Help), this);
    ConnectGuarded(defaults, &QPushButton::clicked, this, [this] { BtnDefaultsClick(); });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);

    SetHelpContext(this, 20136);
    SetHelpContext(group, 20137);
    SetHelpContext(TreeToolbars, 20137);
    SetHelpContext(defaults, 20138);
}

QTreeWidgetItem *TDlgCustomizeToolbars::Box(const QString &Caption) const
{
    const QList<QTreeWidgetItem *> found =
        TreeToolbars->findItems(Caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

void TDlgCustomizeToolbars::ReadToolbarChecks()
{
    if (!leader)
        return;
    for (int i = 0; i < Groups().size(); ++i) {
        const Group &g = Groups()[i];
        QTreeWidgetItem *bar = TreeToolbars->topLevelItem(i);
        QToolBar *toolBar = LeaderBar(g);
        if (!toolBar)
            continue;
        const bool barShown = !toolBar->isHidden();
        // A hidden toolbar shows none of its buttons, whatever they are set to.
        if (g.Buttons.isEmpty())
            bar->setCheckState(0, barShown ? Qt::Checked : Qt::Unchecked);
        for (int k = 0; k < bar->childCount(); ++k) {
            QTreeWidgetItem *box = bar->child(k);
            QAction *action = leader->ToolBarButton(box->data(0, Qt::UserRole).toString());
            const auto *tool =
                action ? qobject_cast<QToolButton *>(toolBar->widgetForAction(action)) : nullptr;
            box->setIcon(0, tool ? tool->icon() : QIcon());
            box->setCheckState(0, barShown && (!action || action->isVisible()) ? Qt::Checked : Qt::Unchecked);
        }
    }
}

void TDlgCustomizeToolbars::ApplyToolbarChecks()
{
    if (!leader)
        return;
    for (int i = 0; i < Groups().size(); ++i) {
        const Group &g = Groups()[i];
        const QTreeWidgetItem *bar = TreeToolbars->topLevelItem(i);
        if (QToolBar *toolBar = LeaderBar(g))
            toolBar->setVisible(Shown(bar));
        for (int k = 0; k < bar->childCount(); ++k) {
            const QTreeWidgetItem *box = bar->child(k);
            if (QAction *action = leader->ToolBarButton(box->data(0, Qt::UserRole).toString()))
                action->setVisible(Checked(box));
        }
    }
    if (follower) {
        TMirroredToolbars shown;
        shown.File = Shown(Box(QStringLiteral("File Toolbar")));
        shown.Open = Checked(Box(QStringLiteral("Open")));
        shown.Save = Checked(Box(QStringLiteral("Save")));
        shown.Edit = Shown(Box(QStringLiteral("Edit Toolbar")));
        shown.Undo = Checked(Box(QStringLiteral("Undo")));
        shown.Cut = Checked(Box(QStringLiteral("Cut")));
        shown.Copy = Checked(Box(QStringLiteral("Copy")));
        shown.Paste = Checked(Box(QStringLiteral("Paste")));
        shown.Format = Checked(Box(QStringLiteral("Format Toolbar")));
        follower->FollowToolbars(shown);
    }
}

void TDlgCustomizeToolbars::BtnDefaultsClick()
{
    if (leader)
        leader->RestoreToolbarDefaults();
    ReadToolbarChecks();
}

void TDlgCustomizeToolbars::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    TreeToolbars->setFocus();
}

TDlgCustomizeToolbars *GetCustomizeToolbarsDialog()
{
    if (!dialogInstance)
        dialogInstance = new TDlgCustomizeToolbars;
    return dialogInstance;
}

void FreeCustomizeToolbarsDialog()
{
    delete dialogInstance;
    dialogInstance = nullptr;
}

bool ExecuteCustomizeToolbars(TDlgCustomizeToolbars *Dialog)
{
    Dialog->ReadToolbarChecks();
    if (Dialog->exec() != QDialog::Accepted)
        return false;
    Dialog->ApplyToolbarChecks();
    if (leader)
        leader->SaveToolbarLayout();
    if (follower)
        follower->SaveToolbarLayout();
    return true;
}
