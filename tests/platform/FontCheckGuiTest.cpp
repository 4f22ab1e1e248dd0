#include "platform/FontCheck.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>

#include <cstdlib>

namespace {

void StartApp()
{
    static int argc = 1;
    static char name[] = "FontCheckGuiTest";
    static char *argv[] = {name, nullptr};
    if (!QGuiApplication::instance())
        new QGuiApplication(argc, argv);
}

} // namespace

TEST(FontCheck, ArialResolvesToAFaceWithItsWidths)
{
    StartApp();
    EXPECT_LT(ArialWidthError(QFont(QStringLiteral("Arial"))), 0.01) << ArialResolvedFamily().toStdString();
    EXPECT_EQ(ArialFallbackMessage(), QString());
    // The check tells the wider face apart.
    EXPECT_GT(ArialWidthError(QFont(QStringLiteral("DejaVu Sans"))), 0.05);
}

// Font databases are built once per process, so the machine without a face of Arial's widths
// runs in a child of its own.
TEST(FontCheck, SaysWhichFaceIsUsedWhenNoneHasArialsWidths)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString dir = QDir::tempPath() + QStringLiteral("/fontcheck");
    QDir().mkpath(dir);
    QFile conf(dir + QStringLiteral("/fonts.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig>"
                              "<dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>%1/cache</cachedir>"
                              "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include></fontconfig>\n")
                   .arg(dir)
                   .toUtf8());
    conf.close();
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", qPrintable(conf.fileName()), 1);
            StartApp();
            const QString message = ArialFallbackMessage();
            std::exit(message.contains(QStringLiteral("DejaVu Sans")) ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
