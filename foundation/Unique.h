#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// Numbers unique to the program: each is larger than every number handed out
// before in this run and in any earlier run that ended before this run's start
// second. They name the printer-setup sections ("IniId_" + number) and the
// picture files of the clip-art import.

// Start of the time-stamp calendar.
extern int BaseYear;
// The last number handed out.
extern qint64 Counter;

// Seconds since the start of BaseYear in a calendar whose months all have 31 days
// (not a true second count, but it grows with the time).
qint64 UniqueTimeStamp(const QDateTime &Time);

// Sets Counter to the time stamp of Clock (local time now when none is given).
void StartUnique(const std::function<QDateTime()> &Clock = {});
void StopUnique();

// Adds 1 to Counter and returns it; a number whose "IniId_" section already exists
// in IniFile (when the store is open) is passed over.
qint64 NextUnique();

// <temporary folder>/Qm<number><Ext> (Ext with its dot, ".jpg"). The file is
// created, empty, so that nobody else can take the name; a number whose file
// exists already is passed over. Throws Exception when no file can be created.
QString UniqueTempFileName(const QString &Ext);
// <Folder>/Qm<number><Ext>, created the same way. An empty Folder is refused
// (Exception) rather than putting the file at the root of the file system.
QString UniqueFileName(const QString &Ext, const QString &Folder);
