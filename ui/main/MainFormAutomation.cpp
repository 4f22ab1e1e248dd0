#include "ui/main/MainForm.h"

#include "platform/Exception.h"
#include "platform/MessageService.h"
#include "platform/RichEdit.h"

#include <QScopedValueRollback>

// Other programs drive the window through these, between the user's own commands.

namespace {

// Keeps the last error or warning the window showed while it lives, so that the
// caller hears the same reason as the person.
class ShownReasons : public TMessageService
{
public:
    ShownReasons() : m_inner(MessageService()), m_previous(InstalledMessageService())
    {
        SetMessageService(this);
    }
    ~ShownReasons() override { SetMessageService(m_previous); }
    ShownReasons(const ShownReasons &) = delete;
    ShownReasons &operator=(const ShownReasons &) = delete;

    int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override
    {
        if (type == TMsgDlgType::Error || type == TMsgDlgType::Warning)
            m_last = message;
        return m_inner.MessageDlg(message, type, buttons, helpContext);
    }
    QString Last(const QString &Otherwise) const { return m_last.isEmpty() ? Otherwise : m_last; }

private:
    TMessageService &m_inner;
    TMessageService *m_previous;
    QString m_last;
};

void CheckAutomationText(qsizetype Characters)
{
    if (Characters > kMaxAutomationText)
        throw Exception(QStringLiteral("The text is too long: %L1 characters, where one call may add at most "
                                       "%L2 to the destination. Send it in parts, or save it in a file and "
                                       "open that.")
                            .arg(Characters)
                            .arg(kMaxAutomationText));
}

} // namespace

void TFormStampMain::DDEsystemExecuteMacro(const QStringList &Msg)
{
    for (const QString &line : Msg) {
        const QString macro = line.toLower();
        if (macro == QLatin1String("new")) {
            if (!NewEnvelope())
                throw ERequestCancelled(
                    QStringLiteral("A new envelope was cancelled at the question to save."));
        } else if (macro == QLatin1String("print")) {
            PrintForCaller();
        }
    }
}

void TFormStampMain::PrintForCaller()
{
    const ShownReasons reasons;
    const QScopedValueRollback forCaller(m_printForCaller, true);
    m_printRefusal.clear();
    const TPrintOutcome outcome = PrintEnvelope(false);
    if (!m_printRefusal.isEmpty())
        throw Exception(m_printRefusal);
    switch (outcome) {
    case TPrintOutcome::Printed: return;
    case TPrintOutcome::Cancelled: throw ERequestCancelled(QStringLiteral("Printing was cancelled."));
    case TPrintOutcome::NothingSelected:
        throw Exception(reasons.Last(QStringLiteral("No address was chosen to print.")));
    case TPrintOutcome::NotPrinted: break;
    }
    throw Exception(reasons.Last(QStringLiteral("The envelope was not printed.")));
}

void TFormStampMain::DDELoadAddressPokeData(const QStringList &Lines)
{
    qsizetype characters = Lines.size();
    for (const QString &line : Lines)
        characters += line.size();
    CheckAutomationText(characters);
    RichEditDestination->AddLines(Lines);
}

void TFormStampMain::BringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    repaint();
    raise();
    activateWindow();
}

void TFormStampMain::AutomationOpenEnvelope(const QString &FileName)
{
    BringToFront();
    if (!QueryDiscard())
        throw ERequestCancelled(
            QStringLiteral("Opening \"%1\" was cancelled at the question to save the envelope.")
                .arg(FileName));
    // The window has said why; the caller must not think the file is open.
    const ShownReasons reasons;
    if (!OpenEnvelopeFile(this, FileName, false))
        throw Exception(reasons.Last(QStringLiteral("Could not open \"%1\".").arg(FileName)));
}

void TFormStampMain::AutomationPrintEnvelope()
{
    BringToFront();
    PrintForCaller();
}

void TFormStampMain::AutomationNewEnvelope()
{
    BringToFront();
    if (!NewEnvelope())
        throw ERequestCancelled(QStringLiteral("A new envelope was cancelled at the question to save."));
}

// An address put in by another program is not the user's unsaved work, but what
// the user typed before it still is.
void TFormStampMain::AutomationPasteAddress()
{
    const std::optional<QTextDocumentFragment> address = RichEditDestination->ClipboardContent();
    if (address)
        CheckAutomationText(address->toPlainText().size());
    BringToFront();
    const bool modified = RichEditDestination->Modified();
    if (address)
        RichEditDestination->PasteContent(*address);
    if (!modified)
        RichEditDestination->SetModified(false);
    UpdateMenu();
}

void TFormStampMain::AutomationInsertAddress(const QString &Address)
{
    CheckAutomationText(Address.size());
    BringToFront();
    const bool modified = RichEditDestination->Modified();
    RichEditDestination->AddLine(Address);
    if (!modified)
        RichEditDestination->SetModified(false);
    UpdateMenu();
}
