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
};

// Reads a shell link. False when the data is not one or is damaged; every field
// read is checked against the data's bounds. The target comes from the link
// information, else from the environment-variable block; a relative path alone is
// reported in RelativePath; failing both, the file-system items of the item-id list
// give it.
bool ReadShellLink(const QByteArray &data, ShellLinkData &link);

// Reads a link file; a target that only a relative path gives is resolved against
// the link file's folder.
bool ReadShellLinkFile(const QString &fileName, ShellLinkData &link);

// The bytes of a link with Unicode strings and a local base path.
QByteArray WriteShellLink(const ShellLinkData &link);

// Writes a link file through a temporary file renamed over the old one.
bool WriteShellLinkFile(const QString &fileName, const ShellLinkData &link);
