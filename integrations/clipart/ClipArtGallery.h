#pragma once

#include <QString>

#include <cstdint>

// Which clip-art gallery the program offers, found once at start-up:
// 0 none, 1 the clip-art library read by our own picker, 2 a separate clip
// organizer program.
extern uint8_t ClipArtGalleryKind;

// Where the galleries are looked for; tests give their own.
struct TClipArtProbe
{
    // The folder of the Open Clip Art Library (Debian's openclipart-svg and
    // openclipart-png packages).
    QString LibraryFolder = QStringLiteral("/usr/share/openclipart");
    // A clip organizer program; none exists on this system.
    QString OrganizerProgram;
};

// The library folder found at start-up ("" without one).
const QString &ClipArtLibraryFolder();

// Finds the gallery and offers it to the return-address editor.
void StartClipArt(const TClipArtProbe &Probe = TClipArtProbe());
void StopClipArt();

// Starts the organizer program, detached; false unless the kind is 2 and the
// program started.
bool LaunchClipOrganizer();
