#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

class TFormStampMain;

// The program on the session bus: the name it owns, the conversation "DDEsystem"
// and the automation object "Envelope", each at its own path.
inline constexpr char kBusName[] = "com.morvane.Plikora";
inline constexpr char kDDEsystemPath[] = "/DDEsystem";
inline constexpr char kEnvelopePath[] = "/Envelope";
inline constexpr char kEnvelopeInterface[] = "com.morvane.Plikora.IEnvelope";
// Every failed call answers with one of these errors and a message that says what
// happened: it failed, the person cancelled it, or the window was busy.
inline constexpr char kErrorFailed[] = "com.morvane.Plikora.Error.Failed";
inline constexpr char kErrorCancelled[] = "com.morvane.Plikora.Error.Cancelled";
inline constexpr char kErrorBusy[] = "com.morvane.Plikora.Error.Busy";

// The automation object: no state of its own, every member is one routine of the
// main window. A call that arrives while the window is busy with a dialog or a
// print request is refused at once as busy: kept waiting, it would run after the
// caller had given up, and a caller that tries again would have it done twice. A
// call that itself opens a dialog is answered once that dialog is closed.
class TEnvelope : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(double Version READ Version)
public:
    explicit TEnvelope(TFormStampMain &Form, QObject *parent = nullptr);

    // Major + Minor / 10 of the version record.
    double Version() const;

public Q_SLOTS:
    void OpenEnvelope(const QString &FileName);
    void PrintEnvelope();
    void NewEnvelope();
    void InsertAddress(const QString &Address);
    void PasteAddress();

private:
    TFormStampMain &m_form;
};

// The conversation "DDEsystem": macros and poked data.
class TDDEsystem : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    explicit TDDEsystem(TFormStampMain &Form, QObject *parent = nullptr);

public Q_SLOTS:
    void ExecuteMacro(const QStringList &lines);
    // Item names compare without case; "DDELoadAddress" is the only one.
    void Poke(const QString &item, const QStringList &lines);

private:
    TFormStampMain &m_form;
};

// Serves the two objects on the session bus while it lives.
class TAutomationServer
{
public:
    explicit TAutomationServer(TFormStampMain &Form);
    ~TAutomationServer();
    TAutomationServer(const TAutomationServer &) = delete;
    TAutomationServer &operator=(const TAutomationServer &) = delete;

    // Registers the objects and takes the bus name; false, saying why, when there
    // is no session bus or another program holds the name.
    bool Start(QString &Error);
    // Whether Start failed because another program holds the name: its callers reach that one.
    bool NameTaken() const { return m_nameTaken; }

private:
    TEnvelope m_envelope;
    TDDEsystem m_ddeSystem;
    bool m_registered = false;
    bool m_ownsName = false;
    bool m_nameTaken = false;
};
