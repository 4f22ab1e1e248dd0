#include "platform/AtomicSave.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kBufferSize = 64 * 1024;

QMutex g_hookLock;
SaveFaultHook g_hook;

int InjectedFault(SaveStep step, const QString &fileName)
{
    QMutexLocker lock(&g_hookLock);
    return g_hook ? g_hook(step, fileName) : 0;
}

QString Quoted(const QString &fileName)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(fileName) + QLatin1Char('"');
}

// ".<name>.plk<pid>-XXXXXX" beside the target, within the length a name may have:
// the pid tells a later start whether the save that left it is still running.
const QRegularExpression &TemporaryPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..*\\.plk([0-9]{1,10})-[A-Za-z0-9]{6}$"));
    return pattern;
}

QByteArray TemporaryName(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = target.left(slash + 1);
    const QByteArray owner = ".plk" + QByteArray::number(qint64(::getpid())) + '-';
    QByteArray base = target.mid(slash + 1);
    base.truncate(NAME_MAX - 8 - owner.size());
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(6, 'x');
    for (char &c : suffix)
        c = kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))];
    return folder + '.' + base + owner + suffix;
}

} // namespace

QString SaveErrorText(const QString &fileName, int code)
{
    const QString name = Quoted(fileName);
    switch (code) {
    case EFBIG:
        return QStringLiteral(
                   "%1 cannot be saved because it would be larger than the largest file allowed here.")
            .arg(name);
    case ENOSPC:
    case EDQUOT: return QStringLiteral("There is not enough space on the disk to save %1.").arg(name);
    case EROFS: return QStringLiteral("%1 cannot be saved because the disk is read-only.").arg(name);
    case EACCES:
    case EPERM: return QStringLiteral("You do not have permission to save %1 in its folder.").arg(name);
    case ENOENT: return QStringLiteral("%1 cannot be saved because its folder does not exist.").arg(name);
    case ENOTDIR:
        return QStringLiteral("%1 cannot be saved because a part of its folder path is not a folder.")
            .arg(name);
    case EISDIR: return QStringLiteral("%1 cannot be saved because it is a folder.").arg(name);
    case ENAMETOOLONG: return QStringLiteral("%1 cannot be saved because its name is too long.").arg(name);
    case EIO: return QStringLiteral("The disk reported an error while saving %1.").arg(name);
    case EMFILE:
    case ENFILE: return QStringLiteral("%1 cannot be saved because too many files are open.").arg(name);
    default:
        return QStringLiteral("%1 cannot be saved: %2.")
            .arg(name, QString::fromLocal8Bit(std::strerror(code)));
    }
}

void SetSaveFaultHook(SaveFaultHook hook)
{
    QMutexLocker lock(&g_hookLock);
    g_hook = std::move(hook);
}

AtomicSaveFile::AtomicSaveFile(const QString &fileName) : m_fileName(fileName) {}

AtomicSaveFile::~AtomicSaveFile()
{
    discard();
}

bool AtomicSaveFile::fail(int code, const QString &text)
{
    if (m_errorCode == 0) {
        m_errorCode = code;
        m_errorText = text.isEmpty() ? SaveErrorText(m_fileName, code) : text;
        setErrorString(m_errorText);
    }
    return false;
}

bool AtomicSaveFile::open(OpenMode mode)
{
    if (isOpen() || m_fd >= 0) {
        qWarning("AtomicSaveFile::open: already open");
        return false;
    }
    if ((mode & ~(WriteOnly | Truncate | Unbuffered)) != 0 || !(mode & WriteOnly)) {
        qWarning("AtomicSaveFile::open: only WriteOnly is supported");
        return false;
    }
    m_errorCode = 0;
    m_errorText.clear();
    m_target = EncodeFileName(m_fileName);
    struct stat sb;
    if (m_target.isEmpty())
        return fail(ENOENT);
    if (::lstat(m_target.constData(), &sb) == 0 && S_ISLNK(sb.st_mode)) {
        // The link stays; the file it leads to is replaced.
        const QFileInfo link(m_fileName);
        const QString resolved = link.canonicalFilePath();
        m_target = QFile::encodeName(resolved.isEmpty() ? link.symLinkTarget() : resolved);
    }
    m_keepMode = false;
    if (::stat(m_target.constData(), &sb) == 0) {
        if (S_ISDIR(sb.st_mode))
            return fail(EISDIR);
        if (!S_ISREG(sb.st_mode))
            return fail(EINVAL, QStringLiteral("%1 cannot be saved because it is not a regular file.")
                                    .arg(Quoted(m_fileName)));
        // Read-only is the owner's write bit, whoever runs the program.
        if (!(sb.st_mode & S_IWUSR))
            return fail(
                EACCES,
                QStringLiteral("%1 cannot be saved because it is read-only.").arg(Quoted(m_fileName)));
        m_keepMode = true;
        m_mode = sb.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail(errno);
    }

    if (const int injected = InjectedFault(SaveStep::Create, m_fileName))
        return fail(injected);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = TemporaryName(m_target);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = name;
            break;
        }
        if (errno != EEXIST)
            return fail(errno);
    }
    if (m_fd < 0)
        return fail(EEXIST);
    if (m_keepMode)
        (void)::fchmod(m_fd, m_mode); // a file system without modes keeps its own
    m_buffer.clear();
    m_bufferStart = 0;
    m_size = 0;
    return QIODevice::open(WriteOnly | Unbuffered);
}

bool AtomicSaveFile::writeRaw(const char *data, qint64 size)
{
    if (const int injected = InjectedFault(SaveStep::Write, m_fileName))
        return fail(injected);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            return fail(EIO);
        data += n;
        size -= n;
    }
    return true;
}

bool AtomicSaveFile::flushBuffer()
{
    if (m_buffer.isEmpty())
        return m_errorCode == 0;
    const bool ok = m_errorCode == 0 && writeRaw(m_buffer.constData(), m_buffer.size());
    m_bufferStart += m_buffer.size();
    m_buffer.clear();
    return ok;
}

qint64 AtomicSaveFile::writeData(const char *data, qint64 size)
{
    if (m_fd < 0 || m_errorCode != 0)
        return -1;
    if (m_buffer.size() + size > kBufferSize) {
        if (!flushBuffer())
            return -1;
        if (size >= kBufferSize) {
            if (!writeRaw(data, size))
                return -1;
            m_bufferStart += size;
            m_size = std::max(m_size, m_bufferStart);
            return size;
        }
    }
    m_buffer.append(data, size);
    m_size = std::max(m_size, m_bufferStart + m_buffer.size());
    return size;
}

qint64 AtomicSaveFile::readData(char *, qint64)
{
    return -1;
}

bool AtomicSaveFile::seek(qint64 pos)
{
    if (m_fd < 0 || pos < 0 || !flushBuffer())
        return false;
    if (::lseek(m_fd, pos, SEEK_SET) < 0)
        return fail(errno);
    m_bufferStart = pos;
    return QIODevice::seek(pos);
}

bool AtomicSaveFile::commit()
{
    if (m_fd < 0) {
        if (m_errorCode == 0)
            fail(EBADF, QStringLiteral("%1 was not open for saving.").arg(Quoted(m_fileName)));
        return false;
    }
    bool ok = flushBuffer();
    if (ok) {
        if (const int injected = InjectedFault(SaveStep::Sync, m_fileName))
            ok = fail(injected);
        else if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            ok = fail(errno);
    }
    const int fd = m_fd;
    m_fd = -1;
    // Network file systems may report a full disk only here.
    if (::close(fd) != 0 && ok && errno != EINTR)
        ok = fail(errno);
    if (ok) {
        if (const int injected = InjectedFault(SaveStep::Rename, m_fileName))
            ok = fail(injected);
        else if (::rename(m_temporary.constData(), m_target.constData()) != 0)
            ok = fail(errno);
    }
    if (ok) {
        m_temporary.clear();
        // The rename itself reaches the disk with its folder.
        const qsizetype slash = m_target.lastIndexOf('/');
        const QByteArray folder = slash > 0 ? m_target.left(slash) : QByteArray(slash == 0 ? "/" : ".");
        const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            (void)::fsync(dirFd);
            ::close(dirFd);
        }
    }
    discard();
    return ok;
}

void AtomicSaveFile::close()
{
    discard();
}

void AtomicSaveFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
    m_buffer.clear();
    if (isOpen()) {
        QIODevice::close();
        setErrorString(m_errorText); // closing forgets it
    }
}

bool SaveFileAtomically(const QString &fileName, QByteArrayView data, QString &error)
{
    AtomicSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(data.data(), data.size()) == data.size()
        && file.commit())
        return true;
    error = file.errorString();
    return false;
}

void IgnoreFileSizeSignal()
{
    // A write past the file-size limit then fails with EFBIG, which a save reports.
    std::signal(SIGXFSZ, SIG_IGN);
}

int RemoveAbandonedSaveFiles(const QString &folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = TemporaryPattern().match(name);
        if (!match.hasMatch())
            continue;
        const qint64 owner = match.captured(1).toLongLong();
        // Only a save whose process is gone; kill(0) asks without sending anything.
        if (owner <= 0 || owner > INT_MAX || owner == qint64(::getpid()) || ::kill(pid_t(owner), 0) == 0
            || errno != ESRCH)
            continue;
        struct stat sb;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        if (::lstat(path.constData(), &sb) == 0 && S_ISREG(sb.st_mode) && ::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}
