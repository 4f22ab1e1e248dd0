#pragma once

#include <QByteArray>
#include <QString>

class QUrl;

// File names as the system keeps them: bytes, UTF-8 text on this desktop. A name
// whose bytes are not all UTF-8 still opens and saves: each byte that is not part
// of a UTF-8 character is kept as the lone surrogate U+DC80 + byte, so the name
// goes back to the same bytes. (Qt's own conversion turns such bytes into U+FFFD,
// which names another file.) Every open, stat and save of a name from outside
// goes through EncodeFileName.
QString DecodeFileName(const QByteArray &Bytes);
QByteArray EncodeFileName(const QString &Name);

// Whether the name holds such bytes, and so cannot be written into a text file.
bool HasRawFileNameBytes(const QString &Name);

// The local file that a file: URL names (a dropped file), bytes kept as above.
QString LocalFileName(const QUrl &Url);
