#include "integrations/automation/AutomationRegistration.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/types.h>
#include <sys/wait.h>

namespace {

// Runs a program to its end, killed after a deadline; returns its exit code (-1 when killed).
int RunProgram(const QString &program, const QStringList &args, QString *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not end";
        return -1;
    }
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString Gdbus(const QStringList &args)
{
    QString out;
    RunProgram("gdbus", QStringList{"call", "--session", "--timeout", "30"} + args, &out);
    return out;
}

// The pid of the program that owns the bus name, or 0.
qint64 OwnerPid()
{
    const QString out =
        Gdbus({"--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus", "--method",
               "org.freedesktop.DBus.GetConnectionUnixProcessID", "com.morvane.Plikora"});
    return out.startsWith("(uint32 ") ? out.mid(8).chopped(2).toLongLong() : 0;
}

// Ends a program the bus started; it is not our child, so wait for its pid to go.
void Stop(qint64 pid)
{
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    QElapsedTimer clock;
    clock.start();
    while (QFile::exists(QString("/proc/%1").arg(pid)) && clock.elapsed() < 10000)
        QThread::msleep(20);
    if (QFile::exists(QString("/proc/%1").arg(pid)))
        ::kill(static_cast<pid_t>(pid), SIGKILL);
}

} // namespace

TEST(AutomationRegistrationTest, ServiceFileQuotesTheProgram)
{
    EXPECT_EQ(ServiceFileContents("/opt/my \"best\" $apps/plikora"),
              "[D-BUS Service]\nName=com.morvane.Plikora\nExec=\"/opt/my \\\"best\\\" \\$apps/plikora\" "
              "-embedding\n");
    EXPECT_TRUE(ServiceFileContents("/opt/bad\nname").isEmpty());
}

TEST(AutomationRegistrationTest, ActivationAndHandOver)
{
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString program = PLIKORA_PROGRAM;
    const QString config =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Morvane Software/plikora";
    // One definition, so that the program starts without its first-run setup.
    ASSERT_TRUE(QDir().mkpath(config));
    QFile ini(config + "/plikora.INI");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[Envelopes]\nCount=1\nDefault=1\nEnvelope1=#10 Business\nEnvelope1_FullPrinterName=Print to PDF\n");
    ini.close();

    ASSERT_EQ(RunProgram(program, {"/regserver"}), 0);
    QFile service(ServiceFileName());
    ASSERT_TRUE(service.open(QIODevice::ReadOnly));
    EXPECT_TRUE(service.readAll().contains("Exec=\"" + program.toUtf8() + "\" -embedding\n"));

    // A call to the name starts the program as a server.
    EXPECT_EQ(Gdbus({"--dest", "com.morvane.Plikora", "--object-path", "/Envelope", "--method",
                     "org.freedesktop.DBus.Properties.Get", "com.morvane.Plikora.IEnvelope", "Version"}),
              "(<9.0>,)");
    const qint64 pid = OwnerPid();
    ASSERT_GT(pid, 0);
    QFile cmdline(QString("/proc/%1/cmdline").arg(pid));
    ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cmdline.readAll().split('\0').contains("-embedding"));

    // A second start with a file hands it over and leaves; the running one opens it.
    const QString file = QDir::temp().filePath("handed over.txt");
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Ann\n12 Main St\nSpringfield, IL 62704\n");
    text.close();
    EXPECT_EQ(RunProgram(program, {file}), 0);
    QElapsedTimer clock;
    clock.start();
    QByteArray registry;
    while (!registry.contains("handed over.txt") && clock.elapsed() < 30000) {
        QThread::msleep(50);
        QFile f(config + "/Registry.ini");
        registry = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    EXPECT_TRUE(registry.contains(file.toUtf8())) << registry.toStdString();
    EXPECT_EQ(OwnerPid(), pid);
    Stop(pid);

    EXPECT_EQ(RunProgram(program, {"/unregserver"}), 0);
    EXPECT_FALSE(QFile::exists(ServiceFileName()));
    EXPECT_EQ(RunProgram(program, {"/UNREGSERVER"}), 0);
}
