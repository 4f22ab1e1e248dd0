// Every writer of the program under a failing disk: the error is reported in
// words, the old file stays byte for byte, and no temporary file is left.

#include "engine/QmStream.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"
#include "platform/Graphics.h"
#include "platform/IniFiles.h"
#include "platform/PdfSpooler.h"
#include "platform/RichEdit.h"
#include "platform/ShellLink.h"
#include "support/RichTextTestApp.h"
#include "support/SaveFaults.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>

namespace {

TBitmap Noise(int Width, int Height)
{
    TBitmap bitmap(Width, Height, TPixelFormat::pf24bit);
    for (int y = 0; y < Height; ++y) {
        uint8_t *row = bitmap.ScanLine(y);
        for (int x = 0; x < Width * 3; ++x)
            row[x] = uint8_t((x * 37 + y * 101) % 251);
    }
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    return bitmap;
}

struct Writer
{
    const char *name;
    // Saves over Path; the error in words, or an empty string when it says nothing.
    std::function<std::optional<QString>(const QString &Path)> save;
};

QString Caught(const std::function<void()> &Save)
{
    try {
        Save();
    } catch (const Exception &e) {
        return e.Message();
    }
    return QString();
}

QList<Writer> Writers()
{
    return {
        {"envelope document",
         [](const QString &path) -> std::optional<QString> {
             return Caught([&] {
                 TCompositeStampFileStream stream(path, TCompositeFileMode::fmCreate);
                 stream.WriteFileHeader();
                 stream.WriteBlock(QStringLiteral("Destination"), QByteArray(3000, 'd'));
                 stream.Commit();
             });
         }},
        {"settings",
         [](const QString &path) -> std::optional<QString> {
             return Caught([&] {
                 TIniFile ini(path);
                 ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QString(3000, QLatin1Char('v')));
             });
         }},
        {"rich text",
         [](const QString &path) -> std::optional<QString> {
             RichEdit edit;
             edit.SetText(QString(3000, QLatin1Char('r')));
             return Caught([&] { edit.SaveToFile(path); });
         }},
        {"printed document",
         [](const QString &path) -> std::optional<QString> {
             QByteArray pdf(3000, 'p');
             QBuffer buffer(&pdf);
             buffer.open(QIODevice::ReadOnly);
             QString error;
             return WritePdfFile(path, buffer, error) ? QString() : error;
         }},
        {"shortcut",
         [](const QString &path) -> std::optional<QString> {
             ShellLinkData link;
             link.Target = QStringLiteral("/home/user/") + QString(500, QLatin1Char('t'));
             // Says only that it failed.
             return WriteShellLinkFile(path, link) ? std::optional<QString>(QString()) : std::nullopt;
         }},
        {"bitmap",
         [](const QString &path) -> std::optional<QString> {
             TBitmap bitmap = Noise(64, 64);
             return Caught([&] { bitmap.SaveToFile(path); });
         }},
        {"GIF picture",
         [](const QString &path) -> std::optional<QString> {
             TBitmap bitmap = Noise(64, 64);
             TGIFImage image;
             image.Assign(&bitmap);
             return Caught([&] { image.SaveToFile(path); });
         }},
        {"GIF part",
         [](const QString &path) -> std::optional<QString> {
             TBitmap bitmap = Noise(64, 64);
             TGIFImage image;
             image.Assign(&bitmap);
             return Caught([&] { image.Images()->SubImages(0)->SaveToFile(path); });
         }},
    };
}

TEST(SaveFaults, EveryWriterKeepsTheOldFileOnAFullDisk)
{
    EnsureRichTextTestApp();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("old.file"));
    const QByteArray old = QByteArray("the old file\n").repeated(300);
    const QString full = QStringLiteral("There is not enough space on the disk to save \"%1\".").arg(path);
    const QString tooLarge =
        QStringLiteral(
            "\"%1\" cannot be saved because it would be larger than the largest file allowed here.")
            .arg(path);

    for (const Writer &writer : Writers()) {
        SCOPED_TRACE(writer.name);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        // The writer works and really writes more than the limit below.
        const std::optional<QString> fine = writer.save(path);
        ASSERT_EQ(fine, QString());
        ASSERT_GT(FileBytes(path).size(), 100);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        const auto check = [&](const char *how, const QString &why) {
            SCOPED_TRACE(how);
            const std::optional<QString> error = writer.save(path);
            if (error) {
                EXPECT_EQ(*error, why);
            }
            EXPECT_EQ(FileBytes(path), old);
            EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("old.file")});
        };
        {
            ScopedSaveFault fault(SaveStep::Write, ENOSPC);
            check("write", full);
        }
        {
            ScopedSaveFault fault(SaveStep::Sync, ENOSPC);
            check("sync", full);
        }
        {
            ScopedFileSizeLimit limit(100);
            check("file size limit", tooLarge);
        }
    }
}

} // namespace
