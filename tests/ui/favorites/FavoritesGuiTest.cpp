#include "foundation/QmShortcut.h"
#include "support/RichTextTestApp.h"
#include "support/SaveFaults.h"
#include "support/ScriptedMessageService.h"
#include "ui/favorites/FavoriteMenu.h"
#include "ui/favorites/FavoritesAdd.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct FavoritesTest : ::testing::Test
{
    void SetUp() override
    {
        EnsureRichTextTestApp();
        ASSERT_TRUE(dir.isValid());
    }
    QString Path(const QString &name) const { return dir.path() + "/" + name; }
    QTemporaryDir dir;
    ScriptedMessageService messages;
};

// The menu as captions, sub-menus as "caption[...]".
QStringList Tree(const QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        out << (a->menu() ? a->text() + "[" + Tree(a->menu()).join(",") + "]" : a->text());
    return out;
}

} // namespace

TEST_F(FavoritesTest, MenuListsShortcutTreeFoldersFirst)
{
    const QString root = Path("Favorites");
    ASSERT_TRUE(QDir().mkpath(root + "/Work"));
    ASSERT_TRUE(QDir().mkpath(root + "/Old.Files"));
    ASSERT_TRUE(QDir().mkpath(root + "/.trash"));
    QFile(Path("a.env")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(CreateShortcut(root + "/Work/a.LNK", Path("a.env"), {}, {}));
    ASSERT_TRUE(CreateShortcut(root + "/b.lnk", Path("a.env"), {}, {}));
    ASSERT_TRUE(CreateShortcut(root + "/A&B.env.LNK", Path("a.env"), {}, {}));
    ASSERT_TRUE(CreateShortcut(root + "/gone.LNK", Path("missing.env"), {}, {}));
    ASSERT_TRUE(CreateShortcut(root + "/.hidden.LNK", Path("a.env"), {}, {}));
    QFile(root + "/notes.txt").open(QIODevice::WriteOnly);
    // A link back up the tree must not make it endless.
    ASSERT_TRUE(QFile::link(root, root + "/Work/Loop"));

    QMenu menu;
    for (const char *kept : {"Add", "Organize"})
        menu.addAction(kept);
    menu.addSeparator();
    QStringList chosen;
    const TFavoritesMenuStyle style{{}, {}, [&](TFavoritesMenuItem *item) { chosen << item->FileName; }};
    for (int pass = 0; pass < 2; ++pass) {
        ClearFavoritesMenu(&menu, 3, root, style);
        EXPECT_EQ(Tree(&menu),
                  QStringList({"Add", "Organize", "", "Old[]", "Work[a]", "A&&B.env", "b", "gone"}));
    }
    menu.actions().at(6)->trigger();
    menu.actions().at(4)->menu()->actions().at(0)->trigger();
    EXPECT_EQ(chosen, QStringList({root + "/b.lnk", root + "/Work/a.LNK"}));

    ClearFavoritesMenu(&menu, 3, Path("nowhere"), style);
    EXPECT_EQ(menu.actions().size(), 3);

    // A favorites folder that is a link to a whole file system is listed only so far.
    const QString wide = Path("wide");
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(QDir().mkpath(wide + QStringLiteral("/%1").arg(i, 3, 10, QLatin1Char('0'))));
    ASSERT_TRUE(QDir().mkpath(wide + "/000" + QString("/d").repeated(20)));
    ASSERT_TRUE(QFile::link(wide, Path("linked")));
    ClearFavoritesMenu(&menu, 3, Path("linked"), style);
    int depth = 0;
    for (const QMenu *sub = menu.actions().at(3)->menu(); sub; ++depth)
        sub = sub->actions().isEmpty() ? nullptr : sub->actions().at(0)->menu();
    EXPECT_EQ(depth, 8);
    EXPECT_EQ(menu.actions().size() - 3 + depth - 1, 256);
}

TEST_F(FavoritesTest, AddingWritesAShortcutNamedAfterTheDescription)
{
    const QString root = Path("Favorites");
    const QString target = Path("Smith.env");
    // The folder is made when missing; a shortcut of the same name in another case is replaced.
    ASSERT_TRUE(CreateFavorite(root, Path("old.env"), "Smith 52"));
    ASSERT_TRUE(QFile::rename(root + "/Smith 52.LNK", root + "/smith 52.lnk"));
    ASSERT_TRUE(CreateFavorite(root, target, "Smith: 5/2"));
    EXPECT_EQ(QDir(root).entryList(QDir::Files), QStringList({"smith 52.lnk"}));
    QString linked, folder, description;
    ASSERT_TRUE(ReadShortcut(root + "/smith 52.lnk", linked, folder, description));
    EXPECT_EQ(linked, target);

    // Through the form: the proposed description is offered, Cancel makes nothing.
    TFormFavoritesAdd *form = GetFavoritesAddForm();
    QTimer::singleShot(0, form, [form] {
        EXPECT_EQ(form->EditFileName->text(), "/x/Jones.env");
        form->EditDescription->setText("Jones");
        form->accept();
    });
    EXPECT_TRUE(AddFavorite(form, root, "/x/Jones.env", "Mr Jones"));
    QTimer::singleShot(0, form, [form] { form->reject(); });
    EXPECT_FALSE(AddFavorite(form, root, "/x/Brown.env", "Brown"));
    EXPECT_EQ(QDir(root).entryList(QDir::Files), QStringList({"Jones.LNK", "smith 52.lnk"}));
    FreeFavoritesAddForm();
    EXPECT_TRUE(messages.shown.isEmpty());

    // Nothing left of the description, or a folder that cannot be made: said, and no file.
    EXPECT_FALSE(CreateFavorite(root, target, " :/?. "));
    QFile(Path("file")).open(QIODevice::WriteOnly);
    EXPECT_FALSE(CreateFavorite(Path("file"), target, "Smith"));
    {
        ScopedSaveFault fault(SaveStep::Create, EROFS);
        EXPECT_FALSE(CreateFavorite(root, target, "Smith"));
    }
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_TRUE(messages.shown[0].message.startsWith("Could not create shortcut. "));
    EXPECT_EQ(messages.shown[1].type, TMsgDlgType::Error);
    EXPECT_TRUE(messages.shown[1].message.contains(Path("file"))) << messages.shown[1].message.toStdString();
    EXPECT_TRUE(messages.shown[2].message.contains("read-only")) << messages.shown[2].message.toStdString();
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}
