#include "platform/ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString overrideFolder;
}

void SetProgramDataFolder(const QString &folder)
{
    overrideFolder = folder;
}

QString ProgramDataFile(const QString &name)
{
    if (!overrideFolder.isEmpty())
        return QDir(overrideFolder).filePath(name);
    const QString programDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    const QString beside = QDir(programDir).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir(programDir).filePath(QStringLiteral("../share/plikora/") + name);
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return beside;
}
