#include "ui/main/Oldfiles.h"

#include "foundation/QmIniFile.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QApplication &App()
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

QStringList Texts(const QMenu &menu)
{
    QStringList texts;
    for (QAction *action : menu.actions())
        texts << (action->isSeparator() ? QString("-") : action->text());
    return texts;
}

} // namespace

TEST(OldFilesMenu, EntriesFollowTheBreakAndOpenTheirFile)
{
    App();
    QTemporaryDir dir;
    TZambRegistryIniFile store("Plikora", dir.path());
    TOldFileList list(&store);
    QMenu menu;
    menu.addAction("&Open...");
    menu.addAction("E&xit");
    QAction *fileBreak = menu.addSeparator();

    QStringList clicked;
    const auto onClick = [&](QAction *sender) { clicked << TOldFileList::GetFilename(sender); };
    list.UpdateMenu(&menu, fileBreak, onClick, &menu);
    EXPECT_EQ(Texts(menu), QStringList({"&Open...", "E&xit", "-"}));

    const QString longName = "/home/u/" + QString(300, 'x') + "/R&D Letter.env";
    list.OpenedFile("/home/u/a.env");
    list.OpenedFile(longName);
    list.UpdateMenu(&menu, fileBreak, onClick, &menu);
    list.UpdateMenu(&menu, fileBreak, onClick, &menu); // rebuilt, not added twice
    EXPECT_EQ(Texts(menu), QStringList({"&Open...", "E&xit", "-", TOldFileList::MenuCaption(1, longName),
                                        "&2 /home/u/a.env"}));
    EXPECT_EQ(menu.actions().at(3)->objectName(), "OldFile1");
    EXPECT_EQ(menu.actions().at(4)->objectName(), "OldFile2");

    // The click runs while its own entry is rebuilt away.
    QAction *first = menu.actions().at(3);
    QObject::connect(first, &QAction::triggered, [&] { list.UpdateMenu(&menu, fileBreak, onClick, &menu); });
    first->trigger();
    menu.actions().at(4)->trigger();
    EXPECT_EQ(clicked, QStringList({longName, "/home/u/a.env"})); // whole, no 255-character cap
    QApplication::processEvents();

    EXPECT_EQ(TOldFileList::GetFilename(&menu), "");
    EXPECT_EQ(TOldFileList::GetFilename(nullptr), "");
}
