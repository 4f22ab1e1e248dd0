#pragma once

#include <QString>

// Folder names on Windows compare without regard to case; the stores keep that
// habit so that "plikora" and "Plikora" name one folder here too.

// Returns Folder/Name, using an existing entry of Folder whose name differs from
// Name only in letter case when no exact match exists (the exact match wins).
QString ResolveNameNoCase(const QString &Folder, const QString &Name);

// Creates Base/Relative folder by folder ("/"-separated), reusing at each level an
// existing folder whose name differs only in case. Returns the path found or made,
// without a trailing slash; false in *ok when a folder could not be made. Empty,
// "." and ".." components are refused (ok false, Base returned).
QString ForceDirectoriesNoCase(const QString &Base, const QString &Relative, bool *ok = nullptr);
