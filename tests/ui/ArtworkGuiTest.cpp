#include "ui/Artwork.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void App()
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    // Not destroyed at exit: the icon loader's clean-up runs after the
    // statics it needs are gone.
    if (!qApp)
        new QApplication(argc, argv);
}

TEST(ArtworkGuiTest, StandardCommandsTakeTheThemesIconsAndOursElsewhere)
{
    App();
    // Without a theme every icon is our own drawing.
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QString());
    for (const char *name : {"open", "print", "envelopes"})
        EXPECT_FALSE(ToolIcon(QString::fromLatin1(name)).isNull()) << name;
    EXPECT_TRUE(ToolIcon(QStringLiteral("no such icon")).isNull());

    QTemporaryDir dir;
    const QString theme = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(QDir().mkpath(theme + QStringLiteral("/24x24/actions")));
    QFile index(theme + QStringLiteral("/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=plain\nDirectories=24x24/actions\n\n"
                "[24x24/actions]\nSize=24\nType=Fixed\n");
    index.close();
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(theme + QStringLiteral("/24x24/actions/document-open.png")));
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName(QStringLiteral("plain"));

    EXPECT_EQ(ToolIcon(QStringLiteral("open")).pixmap(24, 24).toImage().pixelColor(12, 12), QColor(Qt::red));
    // The theme has no print icon, and our own pictures never come from it.
    EXPECT_NE(ToolIcon(QStringLiteral("print")).pixmap(24, 24).toImage().pixelColor(12, 12), QColor(Qt::red));
    EXPECT_FALSE(ToolIcon(QStringLiteral("envelopes")).isNull());
    QIcon::setThemeName(QString());
}

} // namespace
