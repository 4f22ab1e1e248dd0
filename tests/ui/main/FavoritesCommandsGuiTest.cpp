#include "engine/DefinitionStore.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "platform/HelpService.h"
#include "platform/PdfSpooler.h"
#include "platform/RichEdit.h"
#include "platform/UrlOpener.h"
#include "support/MainFormHooks.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedFileDialogService.h"
#include "support/ScriptedMessageService.h"
#include "ui/CustomizeToolbar.h"
#include "ui/favorites/FavoriteMenu.h"
#include "ui/favorites/FavoritesAdd.h"
#include "ui/main/About.h"
#include "ui/main/MainForm.h"
#include "ui/main/Oldfiles.h"
#include "ui/main/StampSplash.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// The units and the main window, as the program starts and ends them.
class Session
{
public:
    explicit Session(const QString &Folder)
    {
        StartWindowsDefaultFolders();
        StartQmIniFile(Folder + "/plikora");
        StartUnique();
        StartQmPrinter(std::make_unique<PdfSpooler>());
        StartOldfiles();
        SetApplicationTitle("Plikora");
        definitions = new DefinitionStore;
        returnAddresses = new ReturnAddressStore;
        form = new TFormStampMain(*definitions, *returnAddresses, CountingHooks());
    }
    ~Session()
    {
        delete form;
        delete returnAddresses;
        delete definitions;
        FreeCustomizeToolbarsDialog();
        FreeFavoritesAddForm();
        StopOldfiles();
        StopQmPrinter();
        StopUnique();
        StopQmIniFile();
        StopWindowsDefaultFolders();
    }
    DefinitionStore *definitions;
    ReturnAddressStore *returnAddresses;
    TFormStampMain *form;
};

struct Follower : TToolbarFollower
{
    void FollowToolbars(const TMirroredToolbars &Shown) override { shown = Shown; }
    void SaveToolbarLayout() override { ++saved; }
    TMirroredToolbars shown;
    int saved = 0;
};

struct RecordingOpener : TUrlOpener
{
    RecordingOpener() { SetUrlOpener(this); }
    ~RecordingOpener() override { SetUrlOpener(nullptr); }
    bool Open(const QString &url) override
    {
        opened << url;
        return works;
    }
    QStringList opened;
    bool works = true;
};

struct RecordingHelp : THelpService
{
    RecordingHelp() { SetHelpService(this); }
    ~RecordingHelp() override { SetHelpService(nullptr); }
    bool WinHelp(int command, int data) override
    {
        calls << qMakePair(command, data);
        return true;
    }
    QList<QPair<int, int>> calls;
};

struct WindowCommandsTest : ::testing::Test
{
    void SetUp() override
    {
        EnsureRichTextTestApp();
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
    ScriptedMessageService messages;
};

Qt::CheckState State(TDlgCustomizeToolbars *dialog, const QString &caption)
{
    QTreeWidgetItem *box = dialog->Box(caption);
    return box ? box->checkState(0) : Qt::PartiallyChecked;
}

} // namespace

TEST_F(WindowCommandsTest, ChoiceAppliesKeepsAcrossRunsAndDefaultsRestore)
{
    Follower follower;
    SetToolbarFollower(&follower);
    {
        Session s(dir.path());
        TFormStampMain &form = *s.form;
        TDlgCustomizeToolbars *dialog = GetCustomizeToolbarsDialog();
        QTimer::singleShot(0, dialog, [dialog] {
            EXPECT_EQ(State(dialog, "Edit Toolbar"), Qt::Checked);
            dialog->Box("Cut")->setCheckState(0, Qt::Unchecked);
            EXPECT_EQ(State(dialog, "Edit Toolbar"), Qt::PartiallyChecked);
            // Unchecking a toolbar unchecks its buttons.
            dialog->Box("Options Toolbar")->setCheckState(0, Qt::Unchecked);
            EXPECT_EQ(State(dialog, "Help"), Qt::Unchecked);
            dialog->Box("Selection Toolbar")->setCheckState(0, Qt::Unchecked);
            dialog->accept();
        });
        ASSERT_TRUE(ExecuteCustomizeToolbars(dialog));
        EXPECT_FALSE(form.ToolBarEdit->isHidden());
        EXPECT_FALSE(form.ToolBarButton("Cut")->isVisible());
        EXPECT_TRUE(form.ToolBarButton("Copy")->isVisible());
        // The menu keeps its item.
        EXPECT_TRUE(form.ActionEditCut->isVisible());
        EXPECT_TRUE(form.ToolBarOptions->isHidden());
        EXPECT_TRUE(form.ToolBarSelection->isHidden());
        // A partly checked toolbar shows in the other window too.
        EXPECT_TRUE(follower.shown.Edit);
        EXPECT_FALSE(follower.shown.Cut);
        EXPECT_TRUE(follower.shown.Copy && follower.shown.File && follower.shown.Format);
        EXPECT_EQ(follower.saved, 1);

        // Cancel changes nothing.
        QTimer::singleShot(0, dialog, [dialog] {
            dialog->Box("File Toolbar")->setCheckState(0, Qt::Unchecked);
            dialog->reject();
        });
        EXPECT_FALSE(ExecuteCustomizeToolbars(dialog));
        EXPECT_FALSE(form.ToolBarFile->isHidden());
        EXPECT_EQ(follower.saved, 1);
    }
    {
        Session s(dir.path());
        TFormStampMain &form = *s.form;
        EXPECT_FALSE(form.ToolBarButton("Cut")->isVisible());
        EXPECT_TRUE(form.ToolBarOptions->isHidden());
        EXPECT_TRUE(form.ToolBarSelection->isHidden());
        TDlgCustomizeToolbars *dialog = GetCustomizeToolbarsDialog();
        dialog->ReadToolbarChecks();
        EXPECT_EQ(State(dialog, "Edit Toolbar"), Qt::PartiallyChecked);
        EXPECT_FALSE(dialog->Box("Cut")->icon(0).isNull());
        EXPECT_EQ(State(dialog, "Options Toolbar"), Qt::Unchecked);
        EXPECT_EQ(State(dialog, "Selection Toolbar"), Qt::Unchecked);
        // Clicking a partly checked toolbar checks all its buttons.
        dialog->Box("Edit Toolbar")->setCheckState(0, Qt::Checked);
        EXPECT_EQ(State(dialog, "Cut"), Qt::Checked);

        dialog->BtnDefaultsClick();
        EXPECT_TRUE(form.ToolBarButton("Cut")->isVisible());
        EXPECT_FALSE(form.ToolBarOptions->isHidden());
        EXPECT_EQ(State(dialog, "Options Toolbar"), Qt::Checked);
        EXPECT_EQ(State(dialog, "Selection Toolbar"), Qt::Checked);
    }
    SetToolbarFollower(nullptr);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(WindowCommandsTest, ReturnAddressWindowFollowsAndKeepsTheChoice)
{
    for (int run = 0; run < 2; ++run) {
        Session s(dir.path());
        TDlgReturnAddresses window(*s.returnAddresses);
        if (run == 0) {
            TDlgCustomizeToolbars *dialog = GetCustomizeToolbarsDialog();
            QTimer::singleShot(0, dialog, [dialog] {
                dialog->Box("Cut")->setCheckState(0, Qt::Unchecked);
                dialog->Box("Find")->setCheckState(0, Qt::Unchecked);
                dialog->accept();
            });
            ASSERT_TRUE(ExecuteCustomizeToolbars(dialog));
        }
        // A partly checked toolbar still shows here.
        EXPECT_FALSE(window.ToolBarEdit->isHidden()) << run;
        EXPECT_FALSE(window.ActionEditCut->isVisible()) << run;
        EXPECT_TRUE(window.ActionEditCopy->isVisible()) << run;
    }
}

TEST_F(WindowCommandsTest, AboutShowsVersionAndHelpTopics)
{
    RecordingHelp help;
    TDlgAbout *about = GetAboutBox();
    QTimer::singleShot(0, about, [about] {
        EXPECT_EQ(about->LabelVersionInfo->text(), "Version 9.0.27");
        EXPECT_FALSE(about->ImageLogo->pixmap().isNull());
        about->BtnLicense->click();
        about->BtnHelp->click();
        about->BtnOK->click();
    });
    ShowAboutBox(about);
    ReleaseAboutBox();
    EXPECT_EQ(help.calls, (QList<QPair<int, int>>{{HELP_CONTEXT, 9991}, {HELP_CONTEXT, 9994}}));
}

TEST_F(WindowCommandsTest, FavoritesAddAfterASaveAndOpenAfterTheSaveQuestion)
{
    ScriptedFileDialogService files;
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    form.RichEditDestination->SetText("Jane Doe\r\n1 Elm St");
    form.RichEditDestination->SetModified(true);
    // Untitled: the user is asked to save first; not saving adds nothing.
    form.ActionFavoritesAddExecute();
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].type, TMsgDlgType::Information);
    EXPECT_EQ(messages.shown[1].type, TMsgDlgType::Warning);
    files.answers << ScriptedFileDialogService::Choose(dir.path() + "/jane.env");
    QTimer::singleShot(0, [] { GetFavoritesAddForm()->accept(); });
    form.ActionFavoritesAddExecute();
    EXPECT_TRUE(QFile::exists(form.Prefs().FavoritesPath + "/Jane Doe.LNK"));

    ASSERT_TRUE(form.NewEnvelope());
    form.RichEditDestination->SetText("Someone else");
    form.RichEditDestination->SetModified(true);
    emit form.MenuFavorites->aboutToShow();
    ASSERT_EQ(form.MenuFavorites->actions().size(), 4);
    QAction *favorite = form.MenuFavorites->actions().at(3);
    EXPECT_EQ(favorite->text(), "Jane Doe");
    messages.shown.clear();
    messages.answers << mrCancel << mrNo;
    favorite->trigger();
    EXPECT_TRUE(form.FileName.isEmpty());
    favorite->trigger();
    EXPECT_EQ(form.FileName, dir.path() + "/jane.env");
    EXPECT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].type, TMsgDlgType::Confirmation);

    // Organize hands the folder to the desktop and says when that fails.
    RecordingOpener opener;
    form.ActionFavoritesOrganizeExecute();
    opener.works = false;
    form.ActionFavoritesOrganizeExecute();
    EXPECT_EQ(opener.opened, QStringList({form.Prefs().FavoritesPath, form.Prefs().FavoritesPath}));
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_EQ(messages.shown[2].type, TMsgDlgType::Warning);
}
