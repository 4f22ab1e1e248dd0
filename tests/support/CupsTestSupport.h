#pragma once

#include <QString>
#include <QStringList>

// Helpers of the tests that run against the private scheduler (with-cupsd.sh).

// The folder of the private scheduler; empty outside with-cupsd.sh.
QString CupsDir();
// The newest job of the queue once the scheduler has finished it; 0 after 30 s.
int WaitForLastJob(const QString &queue);
// The job's attributes as "name=value" texts.
QStringList JobAttributes(const QString &queue, int jobId);
// Stops the private scheduler, or starts it again on the same folder; false on failure.
bool StopScheduler();
bool StartScheduler();
// Adds a queue writing to <dir>/out/<name>.prn, with lpadmin's driver arguments
// ("-m", model or "-P", ppd); false on failure.
bool AddQueue(const QString &name, const QStringList &driver);
