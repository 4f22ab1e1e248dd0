#include "platform/CaseFolders.h"

#include <QDir>
#include <QFileInfo>

QString ResolveNameNoCase(const QString &Folder, const QString &Name)
{
    QDir dir(Folder);
    const QString exact = dir.filePath(Name);
    if (QFileInfo::exists(exact))
        return exact;
    if (!dir.exists())
        return exact;
    // Sorted so that the choice among several case variants is stable.
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(Name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return exact;
}

QString ForceDirectoriesNoCase(const QString &Base, const QString &Relative, bool *ok)
{
    if (ok)
        *ok = true;
    QString path = Base;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QStringList parts = Relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String("..")) {
            if (ok)
                *ok = false;
            return Base;
        }
    }
    if (!path.isEmpty() && !QFileInfo(path).isDir() && !QDir().mkpath(path)) {
        if (ok)
            *ok = false;
    }
    for (const QString &part : parts) {
        QString next = ResolveNameNoCase(path.isEmpty() ? QStringLiteral(".") : path, part);
        if (path.isEmpty())
            next = part;
        QFileInfo info(next);
        if (!info.isDir()) {
            // An existing file of that name (any case) is not a folder: make ours beside it.
            if (info.exists())
                next = QDir(path).filePath(part);
            if (!QDir().mkdir(next) && !QFileInfo(next).isDir()) {
                if (ok)
                    *ok = false;
            }
        }
        path = next;
    }
    return path;
}
