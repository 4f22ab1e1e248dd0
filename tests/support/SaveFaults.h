#pragma once

#include "platform/AtomicSave.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

// Makes one step of every save fail with an errno for its lifetime.
class ScopedSaveFault
{
public:
    ScopedSaveFault(SaveStep Step, int Code)
    {
        SetSaveFaultHook([Step, Code](SaveStep step, const QString &) { return step == Step ? Code : 0; });
    }
    ~ScopedSaveFault() { SetSaveFaultHook({}); }
    ScopedSaveFault(const ScopedSaveFault &) = delete;
    ScopedSaveFault &operator=(const ScopedSaveFault &) = delete;
};

// Files may not grow past Bytes for its lifetime (writes fail with EFBIG, as on a
// full disk, since SIGXFSZ is ignored meanwhile).
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(rlim_t Bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit &) = delete;
    ScopedFileSizeLimit &operator=(const ScopedFileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

inline QByteArray FileBytes(const QString &Path)
{
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every name in a folder, hidden ones (a left temporary file) included.
inline QStringList FolderEntries(const QString &Folder)
{
    return QDir(Folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}
