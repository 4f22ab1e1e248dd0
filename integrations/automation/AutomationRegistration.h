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
// as the automation object's OpenEnvelope does. False when no program serves the
// bus name (or there is no bus), so that this one opens the file itself.
bool HandOverFile(const QString &FileName);
