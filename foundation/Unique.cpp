#include "foundation/Unique.h"

#include "foundation/QmIniFile.h"
#include "foundation/QmStrings.h"
#include "platform/Exception.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

int BaseYear = 1988;
qint64 Counter = 0;

namespace {

// Enough to step over any number of stale files a folder may plausibly hold.
constexpr int kMaxAttempts = 100000;

QString CreateUniqueFile(const QString &Folder, const QString &Ext, mode_t Mode)
{
    QString folder = Folder;
    AppendBackslash(folder);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const QString name = folder + QStringLiteral("Qm") + QString::number(NextUnique()) + Ext;
        // Exclusive and without following links: an existing name or a planted link is never written through.
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, Mode);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST && errno != ELOOP)
            throw Exception(QStringLiteral("Cannot create the file %1: %2")
                                .arg(name, QString::fromLocal8Bit(std::strerror(errno))));
    }
    throw Exception(QStringLiteral("Cannot find a free file name in %1").arg(Folder));
}

} // namespace

qint64 UniqueTimeStamp(const QDateTime &Time)
{
    const QDate d = Time.date();
    const QTime t = Time.time();
    return (((((qint64(d.year()) - BaseYear) * 12 + d.month() - 1) * 31 + d.day() - 1) * 24 + t.hour()) * 60
            + t.minute())
               * 60
           + t.second();
}

void StartUnique(const std::function<QDateTime()> &Clock)
{
    BaseYear = 1988;
    Counter = 0;
    auto now = [&] { return Clock ? Clock() : QDateTime::currentDateTime(); };
    qint64 stamp = UniqueTimeStamp(now());
    // Wait for the next second when the stamp equals the counter; a stopped clock
    // (only a test's) must not hang the start.
    QElapsedTimer waited;
    waited.start();
    while (stamp == Counter && waited.elapsed() < 2000)
        stamp = UniqueTimeStamp(now());
    Counter = stamp;
}

void StopUnique()
{
    Counter = 0;
}

qint64 NextUnique()
{
    ++Counter;
    while (IniFile && IniFile->SectionExists(QStringLiteral("IniId_") + QString::number(Counter)))
        ++Counter;
    return Counter;
}

QString UniqueTempFileName(const QString &Ext)
{
    return CreateUniqueFile(QDir::tempPath(), Ext, 0600);
}

QString UniqueFileName(const QString &Ext, const QString &Folder)
{
    if (Folder.isEmpty())
        throw Exception(QStringLiteral("No folder given for a new file"));
    return CreateUniqueFile(Folder, Ext, 0666);
}
