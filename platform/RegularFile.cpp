#include "platform/RegularFile.h"

#include "platform/FileNames.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TFileKind KindOf(mode_t Mode)
{
    if (S_ISREG(Mode))
        return TFileKind::Regular;
    if (S_ISDIR(Mode))
        return TFileKind::Folder;
    if (S_ISFIFO(Mode))
        return TFileKind::Pipe;
    if (S_ISCHR(Mode) || S_ISBLK(Mode))
        return TFileKind::Device;
    return TFileKind::Other;
}

QString CannotOpen(const QString &FileName, const QString &Why)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, Why);
}

QString TooLarge(const QString &FileName, qint64 Size, qint64 MaxBytes)
{
    return CannotOpen(FileName, QStringLiteral("The file is too large (%1 MB; at most %2 MB).")
                                    .arg((Size + (1 << 20) - 1) >> 20)
                                    .arg(MaxBytes >> 20));
}

} // namespace

TFileKind FileKind(const QString &FileName)
{
    struct stat sb;
    if (::stat(EncodeFileName(FileName).constData(), &sb) != 0)
        return TFileKind::Missing;
    return KindOf(sb.st_mode);
}

QString NotRegularFileMessage(const QString &FileName, TFileKind Kind)
{
    switch (Kind) {
    case TFileKind::Missing:
    case TFileKind::Regular: return QString();
    case TFileKind::Folder: return CannotOpen(FileName, QStringLiteral("It is a folder, not a file."));
    case TFileKind::Pipe: return CannotOpen(FileName, QStringLiteral("It is a pipe, not a file."));
    case TFileKind::Device: return CannotOpen(FileName, QStringLiteral("It is a device, not a file."));
    case TFileKind::Other: break;
    }
    return CannotOpen(FileName, QStringLiteral("It is not a regular file."));
}

bool OpenRegularFile(QFile &File, qint64 MaxBytes, QString &Error)
{
    const QString name = File.fileName();
    // Refused before opening: opening some devices already does something.
    const TFileKind kind = FileKind(name);
    if (kind != TFileKind::Regular && kind != TFileKind::Missing) {
        Error = NotRegularFileMessage(name, kind);
        return false;
    }
    // Non-blocking, so that a pipe put in its place meanwhile cannot hang the open.
    const int fd = ::open(EncodeFileName(name).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        Error = CannotOpen(name, qt_error_string(errno));
        return false;
    }
    struct stat sb;
    if (::fstat(fd, &sb) != 0 || KindOf(sb.st_mode) != TFileKind::Regular) {
        Error = NotRegularFileMessage(name, KindOf(sb.st_mode));
        ::close(fd);
        return false;
    }
    if (sb.st_size > MaxBytes) {
        Error = TooLarge(name, sb.st_size, MaxBytes);
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!File.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        Error = CannotOpen(name, File.errorString());
        ::close(fd);
        return false;
    }
    return true;
}

bool ReadRegularFile(const QString &FileName, qint64 MaxBytes, QByteArray &Data, QString &Error)
{
    Data.clear();
    QFile file(FileName);
    if (!OpenRegularFile(file, MaxBytes, Error))
        return false;
    // In pieces, so that a file that grows while it is read still stops at the limit.
    qint64 have = 0;
    for (;;) {
        const qint64 want = qMin<qint64>(qint64(1) << 20, MaxBytes + 1 - have);
        Data.resize(qsizetype(have + want));
        const qint64 got = file.read(Data.data() + have, want);
        if (got < 0) {
            Error = QStringLiteral("Cannot read file \"%1\". %2").arg(FileName, file.errorString());
            Data.clear();
            return false;
        }
        if (got == 0)
            break;
        have += got;
        if (have > MaxBytes) {
            Error = TooLarge(FileName, have, MaxBytes);
            Data.clear();
            return false;
        }
    }
    Data.resize(qsizetype(have));
    return true;
}
