#include "foundation/Unique.h"
#include "foundation/QmIniFile.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QDateTime At(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

class UniqueTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        delete IniFile;
        IniFile = nullptr;
        StopUnique();
    }
    QTemporaryDir dir;
};

TEST_F(UniqueTest, TimeStampCalendar)
{
    StartUnique([] { return At(2024, 3, 15, 12, 34, 56); });
    EXPECT_EQ(Counter, 1163680496);
    EXPECT_EQ(NextUnique(), 1163680497);
    EXPECT_EQ(NextUnique(), 1163680498);

    StartUnique([] { return At(1988, 1, 1, 0, 0, 1); });
    EXPECT_EQ(NextUnique(), 2);

    // Past the 32-bit range the numbers go on growing.
    StartUnique([] { return At(2060, 12, 31, 23, 59, 59); });
    EXPECT_GT(Counter, qint64(INT_MAX));
    const qint64 next = NextUnique();
    EXPECT_EQ(next, Counter);

    // A clock stuck on the counter's start value does not hang the start.
    StartUnique([] { return At(1988, 1, 1, 0, 0, 0); });
    EXPECT_EQ(Counter, 0);
}

TEST_F(UniqueTest, SkipsNumbersWhoseSectionExists)
{
    IniFile = new TZambIniFile(dir.filePath(QStringLiteral("u.INI")));
    StartUnique([] { return At(2024, 3, 15, 12, 34, 56); });
    IniFile->WriteInteger(QStringLiteral("IniId_1163680497"), QStringLiteral("CustomWidth"), 1);
    IniFile->WriteInteger(QStringLiteral("iniid_1163680498"), QStringLiteral("CustomWidth"), 1);
    EXPECT_EQ(NextUnique(), 1163680499);
}

TEST_F(UniqueTest, FileNamesAreCreatedExclusively)
{
    StartUnique([] { return At(2024, 3, 15, 12, 34, 56); });
    const QString folder = dir.path();
    // The next number's file and a planted link are both passed over and left alone.
    QFile taken(folder + QStringLiteral("/Qm1163680497.jpg"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("keep");
    taken.close();
    ASSERT_TRUE(
        QFile::link(folder + QStringLiteral("/target"), folder + QStringLiteral("/Qm1163680498.jpg")));

    const QString name = UniqueFileName(QStringLiteral(".jpg"), folder);
    EXPECT_EQ(name, folder + QStringLiteral("/Qm1163680499.jpg"));
    EXPECT_TRUE(QFileInfo(name).isFile());
    EXPECT_EQ(QFileInfo(name).size(), 0);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/target")));
    taken.open(QIODevice::ReadOnly);
    EXPECT_EQ(taken.readAll(), QByteArray("keep"));

    // A trailing separator is not doubled.
    EXPECT_EQ(UniqueFileName(QStringLiteral(".jpg"), folder + QLatin1Char('/')),
              folder + QStringLiteral("/Qm1163680500.jpg"));
    EXPECT_THROW(UniqueFileName(QStringLiteral(".jpg"), QString()), Exception);
    EXPECT_THROW(UniqueFileName(QStringLiteral(".jpg"), folder + QStringLiteral("/no/such")),
                 Exception); // uses 501

    const QString temp = UniqueTempFileName(QStringLiteral(".tmp"));
    EXPECT_EQ(temp, QDir::tempPath() + QStringLiteral("/Qm1163680502.tmp"));
    EXPECT_TRUE(QFile::remove(temp));
}

} // namespace
