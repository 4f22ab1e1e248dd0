#include "ui/main/MainForm.h"

#include "platform/Exception.h"
#include "platform/RichEdit.h"

// Other programs drive the window through these, between the user's own commands.

namespace {

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
        if (macro == QLatin1String("new"))
            ActionFileNewExecute();
        else if (macro == QLatin1String("print"))
            ActionFilePrintEnvelopeExecute();
    }
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
    // The window has said why; the caller must not think the file is open.
    if (QueryDiscard() && !OpenEnvelopeFile(this, FileName, false))
        throw Exception(QStringLiteral("Could not open \"%1\".").arg(FileName));
}

void TFormStampMain::AutomationPrintEnvelope()
{
    BringToFront();
    ActionFilePrintEnvelopeExecute();
}

void TFormStampMain::AutomationNewEnvelope()
{
    BringToFront();
    NewEnvelope();
}

// An address put in by another program is not the user's unsaved work, but what
// the user typed before it still is.
void TFormStampMain::AutomationPasteAddress()
{
    BringToFront();
    const bool modified = RichEditDestination->Modified();
    RichEditDestination->paste();
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
