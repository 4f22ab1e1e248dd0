#pragma once

#include <QString>

// Full path of a data file that lies "beside the program": next to the
// executable when it is there (a build folder), else in the installed data
// folder (<prefix>/share/plikora). Returns the path beside the executable
// when neither exists, so that a caller reading it finds an absent file.
QString ProgramDataFile(const QString &name);

// Makes ProgramDataFile look in Folder only (tests); an empty Folder undoes it.
void SetProgramDataFolder(const QString &folder);
