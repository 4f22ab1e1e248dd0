// Every reader of files named from outside refuses pipes and devices at once,
// instead of blocking on the pipe or reading /dev/zero until memory runs out.
#include "engine/QmStream.h"
#include "gif/GIFImage.h"
#include "platform/Graphics.h"
#include "platform/JpegImage.h"
#include "platform/RichEdit.h"
#include "platform/ShellLink.h"
#include "support/RichTextTestApp.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Watchdog
{
    Watchdog() { ::alarm(60); }
    ~Watchdog() { ::alarm(0); }
};

TEST(OutsideFiles, PipesAndDevicesAreRefusedByEveryReader)
{
    EnsureRichTextTestApp();
    RegisterGIFFormat();
    RegisterJPEGFormat();
    Watchdog watchdog;
    QTemporaryDir dir;
    for (const QString &ext : {QStringLiteral("env"), QStringLiteral("txt"), QStringLiteral("bmp"),
                               QStringLiteral("gif"), QStringLiteral("jpg"), QStringLiteral("lnk")}) {
        const QString fifo = dir.filePath("fifo." + ext);
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString zero = dir.filePath("zero." + ext);
        ASSERT_TRUE(QFile::link("/dev/zero", zero));
    }
    for (const QString &kind : {QStringLiteral("fifo"), QStringLiteral("zero")}) {
        SCOPED_TRACE(kind.toStdString());
        const QString name = dir.filePath(kind);
        EXPECT_THROW(TCompositeStampFileStream(name + ".env", TCompositeFileMode::fmOpenRead),
                     ECompositeFileError);
        const QString why = kind == "fifo" ? "It is a pipe, not a file." : "It is a device, not a file.";
        RichEdit edit;
        try {
            edit.LoadFromFile(name + ".txt");
            ADD_FAILURE() << "read a text document";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.Message().endsWith(why)) << e.Message().toStdString();
        }
        for (const char *ext : {".bmp", ".gif", ".jpg"}) {
            TPicture picture;
            try {
                picture.LoadFromFile(name + ext);
                ADD_FAILURE() << "read a picture " << ext;
            } catch (const EInvalidGraphic &e) {
                EXPECT_TRUE(e.Message().endsWith(why)) << e.Message().toStdString();
            }
        }
        ShellLinkData link;
        EXPECT_FALSE(ReadShellLinkFile(name + ".lnk", link));
    }
}

} // namespace
