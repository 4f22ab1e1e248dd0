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

bool HandOverFile(const QString &FileName, QString &Why)
{
    Why.clear();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString service = QLatin1String(kBusName);
    const auto running = bus.interface()->isServiceRegistered(service);
    if (!running.isValid() || !running.value())
        return false;
    // A program that holds the name but is stopped, or is not this program, would
    // take the file and open nothing: it must first answer for itself.
    QDBusMessage ping = QDBusMessage::createMethodCall(service, QLatin1String(kEnvelopePath),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    ping << QLatin1String(kEnvelopeInterface) << QStringLiteral("Version");
    ping.setAutoStartService(false);
    const QDBusMessage pong = bus.call(ping, QDBus::Block, kHandOverTimeout);
    if (pong.type() != QDBusMessage::ReplyMessage) {
        Why = pong.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")
                  ? QStringLiteral("The Plikora that is running does not answer.")
                  : QStringLiteral("The program that holds the name %1 is not a Plikora that can open files.")
                        .arg(service);
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QLatin1String(kEnvelopePath),
                                       QLatin1String(kEnvelopeInterface), QStringLiteral("OpenEnvelope"));
    call << QFileInfo(FileName).absoluteFilePath();
    call.setAutoStartService(false);
    const QDBusMessage answer = bus.call(call, QDBus::Block, kHandOverTimeout);
    // No answer yet: it has taken the file and is asking the person about its own envelope.
    // Any other failure it has shown there itself; only a busy one has not seen the file.
    if (answer.type() == QDBusMessage::ErrorMessage && answer.errorName() == QLatin1String(kErrorBusy)) {
        Why = answer.errorMessage();
        return false;
    }
    return true;
}
