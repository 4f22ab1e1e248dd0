#include "ui/main/MainForm.h"

#include "platform/Exception.h"
#include "platform/RichEdit.h"

// Other programs drive the window through these, between the user's own commands.

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
    for (const QString &line : Lines)
        RichEditDestination->AddLine(line);
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
    BringToFront();
    const bool modified = RichEditDestination->Modified();
    RichEditDestination->AddLine(Address);
    if (!modified)
        RichEditDestination->SetModified(false);
    UpdateMenu();
}
