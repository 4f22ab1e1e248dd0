#include "platform/AtomicSave.h"

#include "support/SaveFaults.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class AtomicSaveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    QString path() const { return dir.filePath(QStringLiteral("x.env")); }
    // The old file byte for byte, nothing else in the folder.
    void ExpectUntouched() const
    {
        EXPECT_EQ(FileBytes(path()), old);
        EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("x.env")});
    }

    QTemporaryDir dir;
    const QByteArray old = QByteArray("old contents\r\n").repeated(100);
};

TEST_F(AtomicSaveTest, ReplacesTheFileWholeKeepingModeAndLinks)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0640), 0);
    const QByteArray big(300 * 1024, 'b'); // more than one buffer
    QString error;
    ASSERT_TRUE(SaveFileAtomically(path(), big, error)) << error.toStdString();
    EXPECT_EQ(FileBytes(path()), big);
    struct stat sb;
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &sb), 0);
    EXPECT_EQ(sb.st_mode & 0777, 0640u);

    // Many small writes, a seek back to the start, and a link that stays a link.
    const QString link = dir.filePath(QStringLiteral("link.env"));
    ASSERT_TRUE(QFile::link(path(), link));
    {
        AtomicSaveFile file(link);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 100000; ++i)
            ASSERT_EQ(file.write("ab", 2), 2);
        ASSERT_TRUE(file.seek(0));
        file.write("X");
        EXPECT_EQ(file.size(), 200000);
        ASSERT_TRUE(file.commit()) << file.errorString().toStdString();
    }
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(FileBytes(path()), "X" + QByteArray("ab").repeated(100000).mid(1));
    EXPECT_EQ(FolderEntries(dir.path()), QStringList({"link.env", "x.env"}));

    // The longest name a file may have still has room for its temporary file.
    const QString longest = dir.filePath(QString(251, QLatin1Char('n')) + QStringLiteral(".env"));
    ASSERT_TRUE(SaveFileAtomically(longest, "long", error)) << error.toStdString();
    EXPECT_EQ(FileBytes(longest), "long");
    ASSERT_TRUE(QFile::remove(longest));

    // An uncommitted save changes nothing.
    {
        AtomicSaveFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("never");
    }
    EXPECT_EQ(FileBytes(path()).left(1), "X");
    EXPECT_EQ(FolderEntries(dir.path()), QStringList({"link.env", "x.env"}));
}

TEST_F(AtomicSaveTest, EveryFailedStepKeepsTheOldFileAndSaysWhy)
{
    const QString full = QStringLiteral("There is not enough space on the disk to save \"%1\".").arg(path());
    for (SaveStep step : {SaveStep::Create, SaveStep::Write, SaveStep::Sync, SaveStep::Rename}) {
        for (int code : {ENOSPC, EDQUOT}) {
            ScopedSaveFault fault(step, code);
            QString error;
            EXPECT_FALSE(SaveFileAtomically(path(), "new", error));
            EXPECT_EQ(error, full) << int(step) << " " << code;
            ExpectUntouched();
        }
    }
    // Other reasons in words that name the file.
    for (int code : {EROFS, EACCES, ENOENT, ENOTDIR, EIO, ENAMETOOLONG}) {
        ScopedSaveFault fault(SaveStep::Create, code);
        QString error;
        EXPECT_FALSE(SaveFileAtomically(path(), "new", error));
        EXPECT_TRUE(error.contains(QStringLiteral("\"%1\"").arg(path()))
                    && !error.contains(QLatin1String("space")))
            << error.toStdString();
        ExpectUntouched();
    }
    // Once a write failed, later writes do nothing and the commit fails.
    {
        AtomicSaveFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        {
            ScopedSaveFault fault(SaveStep::Write, ENOSPC);
            EXPECT_EQ(file.write(QByteArray(100000, 'a')), -1);
        }
        EXPECT_EQ(file.write("b"), -1);
        EXPECT_FALSE(file.commit());
        EXPECT_EQ(file.errorString(), full);
    }
    ExpectUntouched();
}

TEST_F(AtomicSaveTest, AFileSizeLimitFailsTheSaveAtAnyPoint)
{
    // Short data fails only in the final flush; long data in a write along the way.
    for (qsizetype size : {qsizetype(3000), qsizetype(500 * 1024)}) {
        ScopedFileSizeLimit limit(1000);
        QString error;
        EXPECT_FALSE(SaveFileAtomically(path(), QByteArray(size, 'n'), error));
        // Not a full disk: the file is larger than this process may write.
        EXPECT_EQ(error, QStringLiteral("\"%1\" cannot be saved because it would be larger than the largest "
                                        "file allowed here.")
                             .arg(path()));
        ExpectUntouched();
    }
}

TEST_F(AtomicSaveTest, RefusesWhatIsNotAWritableFile)
{
    QString error;
    // Read-only is the owner's write bit, also for root.
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0444), 0);
    EXPECT_FALSE(SaveFileAtomically(path(), "new", error));
    EXPECT_EQ(error, QStringLiteral("\"%1\" cannot be saved because it is read-only.").arg(path()));
    ExpectUntouched();

    const QString folder = dir.filePath(QStringLiteral("folder.env"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(SaveFileAtomically(folder, "new", error));
    EXPECT_EQ(error, QStringLiteral("\"%1\" cannot be saved because it is a folder.").arg(folder));

    const QString fifo = dir.filePath(QStringLiteral("fifo.env"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(SaveFileAtomically(fifo, "new", error));
    EXPECT_EQ(error, QStringLiteral("\"%1\" cannot be saved because it is not a regular file.").arg(fifo));

    // A file where a folder should be.
    const QString below = path() + QStringLiteral("/y.env");
    EXPECT_FALSE(SaveFileAtomically(below, "new", error));
    EXPECT_EQ(error,
              QStringLiteral("\"%1\" cannot be saved because a part of its folder path is not a folder.")
                  .arg(below));
    EXPECT_EQ(FolderEntries(dir.path()), QStringList({"fifo.env", "folder.env", "x.env"}));
    EXPECT_EQ(FileBytes(path()), old);
}

} // namespace

TEST_F(AtomicSaveTest, AnInterruptedSaveIsClearedAtTheNextStartOnceItsProgramIsGone)
{
    // A program killed in the middle of a save leaves its temporary file.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicSaveFile file(path());
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(100000, 'n'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(FolderEntries(dir.path()).size(), 2);
    // One of a program that still runs (pid 1) stays, and so does anything else.
    const QString running = dir.filePath(QStringLiteral(".x.env.plk1-abcdef"));
    const QString other = dir.filePath(QStringLiteral(".x.env.AbCdEf"));
    for (const QString &name : {running, other}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(RemoveAbandonedSaveFiles(dir.path()), 1);
    EXPECT_EQ(FileBytes(path()), old);
    EXPECT_TRUE(QFile::exists(running));
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_EQ(FolderEntries(dir.path()).size(), 3);
}
