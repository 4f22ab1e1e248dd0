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
