#include "foundation/QmShortcut.h"

#include "platform/ShellLink.h"

bool ReadShortcut(const QString &linkFile, QString &target, QString &workingFolder, QString &description)
{
    target.clear();
    workingFolder.clear();
    description.clear();
    ShellLinkData link;
    // A link without a target resolves to nothing.
    if (!ReadShellLinkFile(linkFile, link) || link.Target.isEmpty())
        return false;
    target = link.Target;
    workingFolder = link.WorkingDirectory;
    description = link.Description;
    return true;
}

bool CreateShortcut(const QString &linkFile, const QString &target, const QString &workingFolder,
                    const QString &description, QString *error)
{
    ShellLinkData link;
    link.Target = target;
    link.WorkingDirectory = workingFolder;
    if (link.WorkingDirectory.isEmpty()) {
        // The target's folder, with its closing separator.
        qsizetype cut = std::max(target.lastIndexOf(QLatin1Char('/')), target.lastIndexOf(QLatin1Char('\\')));
        if (cut < 0 && target.size() >= 2 && target[1] == QLatin1Char(':'))
            cut = 1;
        link.WorkingDirectory = target.left(cut + 1);
    }
    link.Description = description;
    return WriteShellLinkFile(linkFile, link, error);
}
