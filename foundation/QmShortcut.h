#pragma once

#include <QString>

// Reads a shortcut file. False, with the three strings empty, when the file is
// not a shortcut or names no target.
bool ReadShortcut(const QString &linkFile, QString &target, QString &workingFolder, QString &description);

// Writes a shortcut file; an empty working folder becomes the target's folder.
// True when the file was written; otherwise error (if given) says why.
bool CreateShortcut(const QString &linkFile, const QString &target, const QString &workingFolder,
                    const QString &description, QString *error = nullptr);
