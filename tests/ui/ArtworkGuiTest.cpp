#include "ui/Artwork.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPalette>
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

// A theme of one folder whose icons are the given pictures.
void MakeTheme(const QString &Root, const QList<std::pair<const char *, QImage>> &Icons)
{
    const QString theme = Root + QStringLiteral("/plain");
    ASSERT_TRUE(QDir().mkpath(theme + QStringLiteral("/24x24/actions")));
    QFile index(theme + QStringLiteral("/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=plain\nDirectories=24x24/actions\n\n"
                "[24x24/actions]\nSize=24\nType=Fixed\n");
    index.close();
    for (const auto &[name, image] : Icons)
        ASSERT_TRUE(image.save(theme + QStringLiteral("/24x24/actions/%1.png").arg(QLatin1String(name))));
    QIcon::setThemeSearchPaths({Root});
    QIcon::setThemeName(QStringLiteral("plain"));
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
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    MakeTheme(dir.path(), {{"document-open", red}});

    EXPECT_EQ(ToolIcon(QStringLiteral("open")).pixmap(24, 24).toImage().pixelColor(12, 12), QColor(Qt::red));
    // The theme has no print icon, and our own pictures never come from it.
    EXPECT_NE(ToolIcon(QStringLiteral("print")).pixmap(24, 24).toImage().pixelColor(12, 12), QColor(Qt::red));
    EXPECT_FALSE(ToolIcon(QStringLiteral("envelopes")).isNull());
    QIcon::setThemeName(QString());
}

} // namespace

TEST(ArtworkGuiTest, IconsStandOutOnADarkPalette)
{
    App();
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QString());
    const QPalette light = QApplication::palette();
    const QIcon madeBefore = ToolIcon(QStringLiteral("bold"));
    QPalette dark(QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, QColor(239, 240, 241));
    dark.setColor(QPalette::WindowText, QColor(239, 240, 241));
    QApplication::setPalette(dark);
    const QColor button = dark.color(QPalette::Button);

    // The glyphs and the strokes that stand on the button itself; dimmed, still seen.
    for (const char *name :
         {"bold", "italic", "underline", "find", "lookup", "cut", "undo", "import", "delete"}) {
        const QIcon icon = ToolIcon(QString::fromLatin1(name));
        EXPECT_GE(LegibleShare(icon, QIcon::Normal, button, 3), 0.5) << name;
        EXPECT_GE(LegibleShare(icon, QIcon::Disabled, button, 1.5), 0.5) << name;
    }
    EXPECT_GE(LegibleShare(madeBefore, QIcon::Normal, button, 3), 0.5);

    // A theme's glyphs drawn dark for light buttons give way to ours on dark ones.
    QTemporaryDir dir;
    QImage glyph(24, 24, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter(&glyph).fillRect(QRect(6, 4, 12, 16), QColor(0x2e, 0x34, 0x36));
    MakeTheme(dir.path(), {{"format-text-bold", glyph}, {"edit-find", glyph}});
    EXPECT_GE(LegibleShare(ToolIcon(QStringLiteral("bold")), QIcon::Normal, button, 3), 0.5);
    EXPECT_GE(LegibleShare(ToolIcon(QStringLiteral("find")), QIcon::Normal, button, 3), 0.5);
    QApplication::setPalette(light);
    EXPECT_EQ(ToolIcon(QStringLiteral("bold")).pixmap(24, 24).toImage().pixelColor(12, 12),
              QColor(0x2e, 0x34, 0x36));
    QIcon::setThemeName(QString());
}
