#include "integrations/automation/AutomationRegistration.h"

#include "integrations/automation/EnvelopeAutomation.h"
#include "platform/AtomicSave.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString ServiceFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/dbus-1/services/") + QLatin1String(kBusName) + QStringLiteral(".service");
}

QByteArray ServiceFileContents(const QString &Program)
{
    if (Program.contains(QLatin1Char('\n')) || Program.contains(QLatin1Char('\r')))
        return {};
    // The bus splits the line as a shell would: inside double quotes these four
    // are the characters a backslash must protect.
    QString quoted;
    for (QChar c : Program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\') || c == QLatin1Char('$') || c == QLatin1Char('`'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return "[D-BUS Service]\nName=" + QByteArray(kBusName) + "\nExec=\"" + quoted.toUtf8()
           + "\" -embedding\n";
}

bool RegisterServer(const QString &Program, QString &Error)
{
    const QByteArray contents = ServiceFileContents(Program);
    if (contents.isEmpty()) {
        Error =
            QStringLiteral("The program's path \"%1\" cannot be written to an activation file.").arg(Program);
        return false;
    }
    const QString name = ServiceFileName();
    if (!QDir().mkpath(QFileInfo(name).absolutePath())) {
        Error = QStringLiteral("Cannot create the folder \"%1\".").arg(QFileInfo(name).absolutePath());
        return false;
    }
    AtomicSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        Error = file.errorString();
        return false;
    }
    file.write(contents);
    if (!file.commit()) {
        Error = file.errorString();
        return false;
    }
    return true;
}

bool UnregisterServer(QString &Error)
{
    QFile file(ServiceFileName());
    if (!QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isSymLink())
        return true;
    if (!file.remove()) {
        Error = QStringLiteral("Cannot remove \"%1\": %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

bool HandOverFile(const QString &FileName)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString service = QLatin1String(kBusName);
    const auto running = bus.interface()->isServiceRegistered(service);
    if (!running.isValid() || !running.value())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QLatin1String(kEnvelopePath),
                                       QLatin1String(kEnvelopeInterface), QStringLiteral("OpenEnvelope"));
    call << QFileInfo(FileName).absoluteFilePath();
    // Not waited for: the running program may first ask the user about its envelope.
    call.setAutoStartService(false);
    if (!bus.send(call))
        return false;
    // Messages leave in order: once the bus has answered this, the call has gone out.
    bus.interface()->isServiceRegistered(service);
    return true;
}
