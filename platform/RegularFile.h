#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Outside files are read only when they are regular files of a bounded size: a pipe
// blocks its reader until someone writes, and a device such as /dev/zero never ends.

// Settings, documents and shortcut files.
constexpr qint64 kMaxDocumentBytes = qint64(64) << 20;
// Pictures: an uncompressed 32-bit bitmap at the picture pixel limit still fits.
constexpr qint64 kMaxPictureBytes = qint64(320) << 20;

// What a name stands for, after following symbolic links. Never opens it.
enum class TFileKind { Missing, Regular, Folder, Pipe, Device, Other };
TFileKind FileKind(const QString &FileName);

// "Cannot open file "x". It is a folder, not a file." and the like; empty for a
// regular or missing file.
QString NotRegularFileMessage(const QString &FileName, TFileKind Kind);

// Opens File (named already) read-only when it is a regular file of at most MaxBytes;
// otherwise false, with Error saying why in words. The kind is checked again on the
// opened file, so a name swapped for a pipe meanwhile cannot block the caller. The
// file is opened from a descriptor, so File.fileName() is empty afterwards.
bool OpenRegularFile(QFile &File, qint64 MaxBytes, QString &Error);
// The whole file, through OpenRegularFile.
bool ReadRegularFile(const QString &FileName, qint64 MaxBytes, QByteArray &Data, QString &Error);
