#pragma once

#include <QByteArray>
#include <QString>

// "/regserver" and "/unregserver": the session bus's activation file, so that a
// call to the program's bus name starts it with "-embedding" when it is not running.

// $XDG_DATA_HOME/dbus-1/services/com.morvane.Plikora.service
QString ServiceFileName();
// The file's text for the program at Program (an absolute path); empty when the path
// cannot stand in the file (a line break in it).
QByteArray ServiceFileContents(const QString &Program);
bool RegisterServer(const QString &Program, QString &Error);
// A file that is not there counts as removed.
bool UnregisterServer(QString &Error);

// A second start with a file: hands the file to the running program, which opens it
// as the automation object's OpenEnvelope does. False when no program serves the bus
// name (or there is no bus), so that this one opens the file itself; Why then says
// what kept the running one from taking it (it did not answer within the hand-over
// time, the name's owner is another program, it is busy), empty when none runs.
bool HandOverFile(const QString &FileName, QString &Why);
// How long a second start waits for the running program's answer, in milliseconds.
inline constexpr int kHandOverTimeout = 3000;
