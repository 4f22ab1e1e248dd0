#include "CupsTestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <cups/cups.h>

QString CupsDir()
{
    return qEnvironmentVariable("PLIKORA_CUPS_DIR");
}

int WaitForLastJob(const QString &queue)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
        cups_job_t *jobs = nullptr;
        const int n =
            cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
        int id = 0;
        bool done = false;
        for (int i = 0; i < n; ++i) {
            if (jobs[i].id > id) {
                id = jobs[i].id;
                done = jobs[i].state >= IPP_JSTATE_CANCELED;
            }
        }
        cupsFreeJobs(n, jobs);
        if (id > 0 && done)
            return id;
        QThread::msleep(50);
    }
    return 0;
}

QStringList JobAttributes(const QString &queue, int jobId)
{
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/printers/%1").arg(queue).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/jobs/");
    QStringList list;
    for (ipp_attribute_t *a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        if (!ippGetName(a))
            continue;
        char value[2048];
        ippAttributeString(a, value, sizeof value);
        list.append(QString::fromUtf8(ippGetName(a)) + QLatin1Char('=') + QString::fromUtf8(value));
    }
    ippDelete(response);
    return list;
}

namespace {

bool ControlScheduler(const char *command)
{
    const QString control = qEnvironmentVariable("PLIKORA_CUPS_CONTROL");
    return !control.isEmpty() && QProcess::execute(control, {QString::fromLatin1(command)}) == 0;
}

} // namespace

bool StopScheduler()
{
    return ControlScheduler("stop");
}

bool StartScheduler()
{
    return ControlScheduler("start");
}

bool AddQueue(const QString &name, const QStringList &driver)
{
    QProcess lpadmin;
    lpadmin.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    lpadmin.start(QStringLiteral("lpadmin"),
                  QStringList{QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                              QStringLiteral("file://%1/out/%2.prn").arg(CupsDir(), name)}
                      + driver);
    return lpadmin.waitForFinished(60000) && lpadmin.exitStatus() == QProcess::NormalExit
           && lpadmin.exitCode() == 0;
}
