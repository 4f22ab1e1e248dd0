#include "integrations/automation/EnvelopeAutomation.h"

#include "foundation/StampIncludes.h"
#include "platform/Exception.h"
#include "ui/main/MainForm.h"

#include "DDEsystemAdaptor.h"
#include "IEnvelopeAdaptor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <functional>

namespace {

// Runs Action as a request from outside the window and answers the call once it
// has run: with an error carrying the message when it throws. Refused while the
// window is busy.
void RunCall(QDBusContext &Context, TFormStampMain &Form, std::function<void()> Action)
{
    if (!Context.calledFromDBus()) {
        Action();
        return;
    }
    const QString busy = Form.BusyWith();
    if (!busy.isEmpty()) {
        Context.sendErrorReply(QLatin1String(kErrorBusy), busy + QStringLiteral(" Try again then."));
        return;
    }
    Context.setDelayedReply(true);
    Form.RunOutsideRequest(
        [call = Context.message(), connection = Context.connection(), Action = std::move(Action)]() mutable {
            QDBusMessage reply;
            try {
                Action();
                reply = call.createReply();
            } catch (const ERequestCancelled &e) {
                reply = call.createErrorReply(QLatin1String(kErrorCancelled), e.Message());
            } catch (const Exception &e) {
                reply = call.createErrorReply(QLatin1String(kErrorFailed), e.Message());
            } catch (const std::exception &e) {
                reply = call.createErrorReply(QLatin1String(kErrorFailed), QString::fromUtf8(e.what()));
            }
            if (call.isReplyRequired())
                connection.send(reply);
        });
}

} // namespace

TEnvelope::TEnvelope(TFormStampMain &Form, QObject *parent) : QObject(parent), m_form(Form)
{
    new IEnvelopeAdaptor(this);
    new IEnvelopeEventsAdaptor(this);
}

double TEnvelope::Version() const
{
    // Kept as the single-precision value it always was.
    return static_cast<float>(ProgramVersion.Major + ProgramVersion.Minor / 10.0);
}

void TEnvelope::OpenEnvelope(const QString &FileName)
{
    RunCall(*this, m_form, [this, FileName] { m_form.AutomationOpenEnvelope(FileName); });
}

void TEnvelope::PrintEnvelope()
{
    RunCall(*this, m_form, [this] { m_form.AutomationPrintEnvelope(); });
}

void TEnvelope::NewEnvelope()
{
    RunCall(*this, m_form, [this] { m_form.AutomationNewEnvelope(); });
}

void TEnvelope::InsertAddress(const QString &Address)
{
    RunCall(*this, m_form, [this, Address] { m_form.AutomationInsertAddress(Address); });
}

void TEnvelope::PasteAddress()
{
    RunCall(*this, m_form, [this] { m_form.AutomationPasteAddress(); });
}

TDDEsystem::TDDEsystem(TFormStampMain &Form, QObject *parent) : QObject(parent), m_form(Form)
{
    new DDEsystemAdaptor(this);
}

void TDDEsystem::ExecuteMacro(const QStringList &lines)
{
    RunCall(*this, m_form, [this, lines] { m_form.DDEsystemExecuteMacro(lines); });
}

void TDDEsystem::Poke(const QString &item, const QStringList &lines)
{
    if (item.compare(QLatin1String("DDELoadAddress"), Qt::CaseInsensitive) != 0) {
        const QString message = QStringLiteral("There is no item \"%1\".").arg(item);
        if (calledFromDBus())
            sendErrorReply(QLatin1String(kErrorFailed), message);
        else
            throw Exception(message);
        return;
    }
    RunCall(*this, m_form, [this, lines] { m_form.DDELoadAddressPokeData(lines); });
}

TAutomationServer::TAutomationServer(TFormStampMain &Form) : m_envelope(Form), m_ddeSystem(Form) {}

TAutomationServer::~TAutomationServer()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_ownsName)
        bus.unregisterService(QLatin1String(kBusName));
    if (m_registered) {
        bus.unregisterObject(QLatin1String(kEnvelopePath));
        bus.unregisterObject(QLatin1String(kDDEsystemPath));
    }
}

bool TAutomationServer::Start(QString &Error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Error = QStringLiteral("There is no session bus: %1").arg(bus.lastError().message());
        return false;
    }
    // The objects first, so that a caller who finds the name finds them too.
    if (!m_registered) {
        if (!bus.registerObject(QLatin1String(kEnvelopePath), &m_envelope, QDBusConnection::ExportAdaptors)
            || !bus.registerObject(QLatin1String(kDDEsystemPath), &m_ddeSystem,
                                   QDBusConnection::ExportAdaptors)) {
            bus.unregisterObject(QLatin1String(kEnvelopePath));
            Error = QStringLiteral("The automation objects could not be registered on the session bus.");
            return false;
        }
        m_registered = true;
    }
    const auto reply =
        bus.interface()->registerService(QLatin1String(kBusName), QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_nameTaken = reply.isValid();
        Error = m_nameTaken
                    ? QStringLiteral("Another program serves %1 on the session bus: programs that drive "
                                     "Plikora reach it, not this window.")
                          .arg(QLatin1String(kBusName))
                    : reply.error().message();
        return false;
    }
    m_ownsName = true;
    return true;
}
