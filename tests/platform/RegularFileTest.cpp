#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A pipe that blocks its reader would end the test here instead of at ctest's timeout.
struct Watchdog
{
    Watchdog() { ::alarm(60); }
    ~Watchdog() { ::alarm(0); }
};

TEST(RegularFile, OnlyRegularFilesOfBoundedSizeAreRead)
{
    Watchdog watchdog;
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath("zero.txt");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    const QString text = dir.filePath("a.txt");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("abc");
    }
    // Sparse, so it costs no disk.
    const QString big = dir.filePath("big.txt");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxDocumentBytes + 1));
    }

    EXPECT_EQ(FileKind(fifo), TFileKind::Pipe);
    EXPECT_EQ(FileKind(zero), TFileKind::Device);
    EXPECT_EQ(FileKind(dir.path()), TFileKind::Folder);
    EXPECT_EQ(FileKind(dir.filePath("none")), TFileKind::Missing);
    EXPECT_EQ(FileKind(text), TFileKind::Regular);

    const struct
    {
        QString name;
        QString message;
    } refused[] = {
        {fifo, "Cannot open file \"" + fifo + "\". It is a pipe, not a file."},
        {zero, "Cannot open file \"" + zero + "\". It is a device, not a file."},
        {dir.path(), "Cannot open file \"" + dir.path() + "\". It is a folder, not a file."},
        {big, "Cannot open file \"" + big + "\". The file is too large (65 MB; at most 64 MB)."},
    };
    for (const auto &r : refused) {
        QByteArray data("old");
        QString error;
        EXPECT_FALSE(ReadRegularFile(r.name, kMaxDocumentBytes, data, error)) << r.name.toStdString();
        EXPECT_EQ(error, r.message);
        EXPECT_TRUE(data.isEmpty());
    }
    QString error;
    QByteArray data;
    EXPECT_FALSE(ReadRegularFile(dir.filePath("none"), kMaxDocumentBytes, data, error));
    EXPECT_TRUE(error.startsWith("Cannot open file \"" + dir.filePath("none") + "\". "))
        << error.toStdString();
    EXPECT_FALSE(ReadRegularFile(text, 2, data, error));

    ASSERT_TRUE(ReadRegularFile(text, 3, data, error));
    EXPECT_EQ(data, "abc");
    QFile file(text);
    ASSERT_TRUE(OpenRegularFile(file, kMaxDocumentBytes, error));
    EXPECT_EQ(file.readAll(), "abc");
}

} // namespace
