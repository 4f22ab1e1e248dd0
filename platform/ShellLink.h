#pragma once

#include <QByteArray>
#include <QString>

// The shell-link (.LNK) file format: a header, an optional item-id list, the
// link information (local base path or network share, and a path suffix), the
// counted strings (description, relative path, working folder, arguments, icon)
// and extra data blocks.
struct ShellLinkData
{
    QString Target;
    QString WorkingDirectory;
    QString Description;
    QString RelativePath;
    QString Arguments;
    // What the item-id list names, when the link information does not say.
    QString ItemsTarget;
};

// Reads a shell link. False when the data is not one or is damaged; every field
// read is checked against the data's bounds. The target comes from the link
// information, else from the environment-variable block; a relative path alone is
// reported in RelativePath; failing both, the file-system items of the item-id list
// give it (a known folder of Windows as the user's folder of the same kind; an
// item naming a place this desktop lacks leaves the target empty).
bool ReadShellLink(const QByteArray &data, ShellLinkData &link);

// Reads a link file; a target that only a relative path gives is resolved against
// the link file's folder, or taken from the item-id list when nothing is there.
bool ReadShellLinkFile(const QString &fileName, ShellLinkData &link);

// The bytes of a link with Unicode strings and a local base path.
QByteArray WriteShellLink(const ShellLinkData &link);

// Writes a link file through a temporary file renamed over the old one; when it
// fails, error (if given) says why.
bool WriteShellLinkFile(const QString &fileName, const ShellLinkData &link, QString *error = nullptr);
