#pragma once

#include <QString>
#include <QStringList>

// Mapping between the device-mode codes (paper and bin numbers with their
// Windows meanings) and the PWG media names and CUPS media-source keywords.

// The PWG media name of a paper number, or an empty text when none fits.
QString PwgMediaForPaper(int paperNumber);
// The paper number of a PWG media name (by name, then by its size), or 0.
int PaperForPwgMedia(const QString &media);
// Display name of a medium: ours for the known numbers, else a tidied PWG name.
QString PaperDisplayName(int paperNumber, const QString &media);
// Whether a medium is an envelope: by its number, or by its name when no
// table knows the number.
bool IsEnvelopePaper(int paperNumber, const QString &media);

// The CUPS media-source keyword of a bin number, or an empty text.
QString SourceForBin(int binNumber);
// The bin number of a media-source keyword, or 0.
int BinForSource(const QString &keyword);
// Display name of a media source.
QString BinDisplayName(int binNumber, const QString &keyword);

// Size in hundredths of a millimetre encoded in a PWG self-describing name
// ("na_number-10_4.125x9.5in", "iso_a4_210x297mm"); false when it has none.
bool PwgMediaSize(const QString &media, int &widthHmm, int &lengthHmm);

// print-quality enum (3 draft, 4 normal, 5 high) for a negative quality code.
int IppQualityForCode(int code);
