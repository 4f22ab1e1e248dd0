#pragma once

#include <QString>
#include <cstdint>

struct TProgramVersion
{
    uint16_t Year;
    uint16_t Month;
    uint16_t Day;
    uint16_t Major;
    uint16_t Minor;
};

inline constexpr TProgramVersion ProgramVersion{2004, 8, 15, 9, 0};

// Every date the program formats or parses uses month, day and four-digit year.
inline const QString ShortDateFormat = QStringLiteral("MM/dd/yyyy");

// The picture editor offered until the user names another: the first of the
// usual desktop paint programs found on the PATH, else the desktop's opener.
void GetDefaultPictureEditor(QString &result);
