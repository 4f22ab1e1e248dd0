#include "foundation/QmWindows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWindow>

#include <gtest/gtest.h>

#include <climits>

namespace {

class QmWindowsGuiTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test";
        static char *argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }
    void SetUp() override { RegIni = new TZambRegistryIniFile(QStringLiteral("Plikora"), dir.path()); }
    void TearDown() override
    {
        delete RegIni;
        RegIni = nullptr;
    }

    struct Window
    {
        QMainWindow main;
        QToolBar *file;
        QToolBar *edit;
        Window()
        {
            file = main.addToolBar(QStringLiteral("File"));
            edit = main.addToolBar(QStringLiteral("Edit"));
            main.setGeometry(100, 120, 500, 300);
        }
        void Show()
        {
            main.show();
            QElapsedTimer t;
            t.start();
            while (!(main.windowHandle() && main.windowHandle()->isExposed()) && t.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            EXPECT_TRUE(main.windowHandle() && main.windowHandle()->isExposed());
            QCoreApplication::processEvents();
        }
    };

    QTemporaryDir dir;
};

TEST_F(QmWindowsGuiTest, FirstStartKeepsTheFormsPlaces)
{
    Window w;
    const QRect before = w.main.geometry();
    LoadFormPlacement(&w.main, QStringLiteral("MainWindow"));
    LoadControlPlacement(w.file, QStringLiteral("MainWindowFileToolBar"));
    w.Show();
    EXPECT_EQ(w.main.size(), before.size());
    EXPECT_TRUE(w.file->isVisible());
    EXPECT_FALSE(w.main.isMaximized() || w.main.isMinimized());
    EXPECT_FALSE(RegIni->SectionExists(QStringLiteral("MainWindow")));
}

TEST_F(QmWindowsGuiTest, SaveLoadSaveGivesTheSameValues)
{
    TWindowRect first;
    {
        Window w;
        w.Show();
        w.main.move(40, 50);
        w.main.resize(640, 410);
        QCoreApplication::processEvents();
        w.edit->hide();
        SaveFormPlacement(&w.main, QStringLiteral("MainWindow"));
        SaveControlPlacement(w.edit, QStringLiteral("MainWindowEditToolBar"));
        SaveControlPlacement(w.file, QStringLiteral("MainWindowFileToolBar"));
        first = FrameRectOf(&w.main);
        // The test platform draws a frame, so the frame and the client differ here.
        EXPECT_GT(w.main.frameGeometry().width(), w.main.width());
        EXPECT_EQ(first.Right - first.Left, w.main.frameGeometry().width());
        EXPECT_FALSE(
            RegIni->ReadBool(QStringLiteral("MainWindowEditToolBar"), QStringLiteral("Visible"), true));
        EXPECT_FALSE(
            RegIni->ReadBool(QStringLiteral("MainWindowEditToolBar"), QStringLiteral("Maximized"), true));
    }
    {
        // Loaded before the window is shown, as the program does.
        Window w;
        LoadFormPlacement(&w.main, QStringLiteral("MainWindow"));
        LoadControlPlacement(w.file, QStringLiteral("MainWindowFileToolBar"));
        LoadControlPlacement(w.edit, QStringLiteral("MainWindowEditToolBar"));
        w.Show();
        EXPECT_TRUE(w.file->isVisible());
        EXPECT_FALSE(w.edit->isVisible());
        SaveFormPlacement(&w.main, QStringLiteral("MainWindow"));
        TWindowRect again;
        bool mi = true, ma = true;
        RegIni->ReadWindowPlacement(QStringLiteral("MainWindow"), again, mi, ma);
        EXPECT_EQ(again, first);
        EXPECT_FALSE(mi || ma);
    }
}

TEST_F(QmWindowsGuiTest, PlacementLeavesTheWindowsContentsAlone)
{
    // A window placed before it has a frame gets a helper that waits for the
    // frame; saving or placing again must drop only that helper.
    RegIni->WriteWindowPlacement(QStringLiteral("MainWindow"), TWindowRect{20, 30, 520, 430}, false, false);
    QWidget form;
    auto *child = new QWidget(&form);
    QPointer<QWidget> watched(child);
    LoadFormPlacement(&form, QStringLiteral("MainWindow"));
    LoadFormPlacement(&form, QStringLiteral("MainWindow"));
    SaveFormPlacement(&form, QStringLiteral("MainWindow"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched);
}

TEST_F(QmWindowsGuiTest, DamagedOrExtremeRectanglesAreNotApplied)
{
    RegIni->WriteWindowPlacement(QStringLiteral("Flat"), TWindowRect{10, 10, 5, 400}, false, false);
    RegIni->WriteWindowPlacement(QStringLiteral("Huge"), TWindowRect{0, 0, 2000000000, 2000000000}, false,
                                 true);
    Window w;
    const QSize before = w.main.size();
    LoadFormPlacement(&w.main, QStringLiteral("Flat"));
    EXPECT_EQ(w.main.size(), before);
    LoadFormPlacement(&w.main, QStringLiteral("Huge"));
    EXPECT_LE(w.main.width(), 16384);
    EXPECT_TRUE(w.main.windowState() & Qt::WindowMaximized);

    // A place on no screen (one that is gone, or damaged values) leaves the window where it was.
    for (const TWindowRect &r : {TWindowRect{5000, 4000, 5700, 4500}, TWindowRect{-900, 10, -100, 400},
                                 TWindowRect{INT_MAX - 700, INT_MAX - 500, INT_MAX, INT_MAX},
                                 TWindowRect{INT_MIN, 0, INT_MAX, 500}}) {
        RegIni->WriteWindowPlacement(QStringLiteral("Gone"), r, false, false);
        Window other;
        const QRect place = other.main.geometry();
        LoadFormPlacement(&other.main, QStringLiteral("Gone"));
        EXPECT_EQ(other.main.geometry(), place) << r.Left << ", " << r.Top;
    }

    // A toolbar stored across all numbers gets a size it can have, and is read back as one.
    Window bars;
    RestoreToolbarRows(&bars.main, {TToolbarPlace{bars.file, TWindowRect{INT_MIN, 0, INT_MAX, 30}, true}});
    const TWindowRect read = FrameRectOf(bars.file);
    EXPECT_GT(read.Right, read.Left);
    EXPECT_LE(qint64(read.Right) - read.Left, 16384);
}

TEST_F(QmWindowsGuiTest, DialogPositionAndFrameArithmetic)
{
    QWidget dialog;
    dialog.move(30, 40);
    LoadDialogPosition(&dialog, QStringLiteral("FindDialog"));
    EXPECT_EQ(dialog.pos(), QPoint(30, 40));
    RegIni->WritePoint(QStringLiteral("FindDialog"), QPoint(300, 200));
    LoadDialogPosition(&dialog, QStringLiteral("FindDialog"));
    EXPECT_EQ(dialog.pos(), QPoint(300, 200));
    dialog.move(7, 8);
    SaveDialogPosition(&dialog, QStringLiteral("FindDialog"));
    EXPECT_EQ(RegIni->ReadInteger(QStringLiteral("FindDialog"), QStringLiteral("X"), 0), 7);
    RegIni->WritePoint(QStringLiteral("GoneDialog"), QPoint(INT_MAX, 5000));
    LoadDialogPosition(&dialog, QStringLiteral("GoneDialog"));
    EXPECT_EQ(dialog.pos(), QPoint(7, 8));

    EXPECT_EQ(ClientGeometryFor(TWindowRect{10, 20, 110, 220}, QMargins(4, 30, 4, 4)),
              QRect(14, 50, 92, 166));
    // Without a registry store nothing is read or written.
    delete RegIni;
    RegIni = nullptr;
    SaveDialogPosition(&dialog, QStringLiteral("FindDialog"));
    LoadDialogPosition(&dialog, QStringLiteral("FindDialog"));
    EXPECT_EQ(dialog.pos(), QPoint(7, 8));
}

} // namespace
