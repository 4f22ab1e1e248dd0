// The main window's documents: new, open (envelope, text, shortcut, dropped and
// recent files), save and save as.
#include "ui/main/MainForm.h"

#include "engine/DefinitionStore.h"
#include "engine/EnvDocument.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmRichEdit.h"
#include "foundation/QmShortcut.h"
#include "foundation/QmStrings.h"
#include "foundation/QmWindows.h"
#include "foundation/WindowsDefaultFolders.h"
#include "platform/FileDialogService.h"
#include "platform/FileNames.h"
#include "platform/GuardedSlot.h"
#include "platform/MessageService.h"
#include "platform/RegularFile.h"
#include "platform/RichEdit.h"
#include "ui/main/Oldfiles.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QSignalBlocker>
#include <QTextBlock>

#include <sys/stat.h>

namespace {

// Loading tens of megabytes takes seconds in which the window cannot answer: say so.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

const QString kProgramTitle = QStringLiteral("Plikora");
const QString kOpenFilter = QStringLiteral(
    "Plikora files (ENV)|*.ENV|Text files (TXT)|*.TXT|Rich Text Files (RTF)|*.RTF|All files (*.*)|*.*");
const QString kSaveFilter = QStringLiteral("Plikora file (ENV)|*.ENV|Rich Text File (RTF)|*.RTF");
const QString kReadOnlySave = QStringLiteral("File \"%1\" is marked read-only. Save changes in a new file.");

// Read-only is the owner's write bit, whoever runs the program.
bool FileIsReadOnly(const QString &Name)
{
    struct stat sb;
    return ::stat(EncodeFileName(Name).constData(), &sb) != 0 || !(sb.st_mode & S_IWUSR);
}

} // namespace

void TFormStampMain::SetCaption()
{
    if (FileName.isEmpty())
        setWindowTitle(kProgramTitle);
    else
        setWindowTitle(kProgramTitle + QStringLiteral(" - ") + FileName
                       + (ReadOnly ? QStringLiteral(" (read-only)") : QString()));
}

bool TFormStampMain::NewEnvelope()
{
    if (!QueryDiscard())
        return false;
    RichEditDestination->Clear();
    ApplyEnvelopeFont(*RichEditDestination);
    if (Prefs().ClearAttention) {
        RichEditAttention->Clear();
        ApplyEnvelopeFont(*RichEditAttention);
    }
    RichEditDestination->SetModified(false);
    RichEditAttention->SetModified(false);
    FileName.clear();
    Imported = false;
    setWindowTitle(kProgramTitle);
    RichEditDestinationChange();
    UpdateMenu();
    return true;
}

void TFormStampMain::ActionFileNewExecute()
{
    NewEnvelope();
}

void TFormStampMain::ActionFileImportOutlookExecute()
{
    m_hooks.ImportContacts(*this);
}

void TFormStampMain::ActionEditLookupExecute()
{
    m_hooks.LookupZipCode(*RichEditDestination);
}

void TFormStampMain::FileOpened()
{
    if (!OldFileList)
        return;
    try {
        // A name that is not UTF-8 cannot be kept in the settings file as it is.
        if (!HasRawFileNameBytes(FileName))
            OldFileList->OpenedFile(FileName);
    } catch (const std::exception &e) {
        // The list is a convenience; the opened file (and a print of it) goes on.
        ShowException(e);
    }
    OldFileList->UpdateMenu(
        MenuFile, FileOldFileBreak, [this](QAction *a) { FileOpenOldClick(a); }, this);
    OldFileList->UpdateOtherList(m_saveHistory);
    OldFileList->UpdateOtherList(m_openHistory);
}

bool TFormStampMain::OpenEnvelopeFile(QObject *Sender, const QString &Name, bool ReadOnlyWanted)
{
    Q_UNUSED(Sender);
    QString target = Name;
    QString workingFolder;
    QString description;
    QString linkTarget;
    if (FileKind(Name) == TFileKind::Regular && ReadShortcut(Name, linkTarget, workingFolder, description))
        target = linkTarget;
    const TFileKind kind = FileKind(target);
    if (kind == TFileKind::Missing) {
        MessageDlg(QStringLiteral("Cannot find file \"%1\".").arg(target), TMsgDlgType::Warning, mbOK, 0);
        return false;
    }
    if (kind != TFileKind::Regular) {
        MessageDlg(NotRegularFileMessage(target, kind), TMsgDlgType::Warning, mbOK, 0);
        return false;
    }
    const bool envelope = QFileInfo(target).suffix().toLower() == QLatin1String("env");
    try {
        const bool readOnly = FileIsReadOnly(target) || ReadOnlyWanted;
        if (!(envelope && LoadEnvelopeDocument(target)) && !LoadTextDocument(target))
            return false;
        FileName = target;
        ReadOnly = readOnly;
        Imported = false;
        SetCaption();
    } catch (const Exception &e) {
        MessageDlg(e.Message(), TMsgDlgType::Error, mbOK, 0);
        return false;
    }
    FileOpened();
    UpdateMenu();
    return true;
}

// Reads the whole document first, so that a damaged file changes nothing.
// False when the file is not an envelope document (no signature).
bool TFormStampMain::LoadEnvelopeDocument(const QString &Name)
{
    const std::optional<TEnvelopeDocument> read = ReadEnvelopeDocument(Name);
    if (!read)
        return false;
    const TEnvelopeDocument &doc = *read;
    {
        const WaitCursor wait;
        const RichEditUpdate update(*RichEditDestination);
        ApplyEnvelopeFont(*RichEditDestination);
        if (doc.Destination) {
            RichEditDestination->StreamIn(*doc.Destination);
            RichEditDestination->SetSelStart(0);
        }
    }
    if (doc.Destination) {
        RichEditDestination->SetModified(false);
        RichEditDestinationChange();
    }
    if (doc.Attention) {
        {
            const RichEditUpdate update(*RichEditAttention);
            RichEditAttention->StreamIn(*doc.Attention);
            RichEditAttention->SetSelStart(0);
        }
        RichEditAttention->SetModified(false);
    }
    const auto choose = [](QComboBox *combo, const QString &text) {
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
                const QSignalBlocker block(combo);
                combo->setCurrentIndex(i);
                return true;
            }
        }
        return false;
    };
    const QString shownName = Name;
    if (doc.Envelope && choose(ComboBoxEnvelope, *doc.Envelope))
        m_definitions.SelectEnvelope(ComboBoxEnvelope->currentIndex());
    if (doc.ReturnAddress && choose(ComboBoxReturnAddress, *doc.ReturnAddress))
        m_returnAddresses.SelectReturnAddress(ComboBoxReturnAddress->currentIndex());
    if (doc.Unknown)
        MessageDlg(QStringLiteral(
                       "Plikora found some unexpected information in file \"%1\". This file may have been "
                       "modified by a program other than Plikora. Check the information loaded into Plikora.")
                       .arg(shownName),
                   TMsgDlgType::Warning, mbOK, 20017);
    RichEditDestination->SetModified(false);
    return true;
}

bool TFormStampMain::LoadTextDocument(const QString &Name)
{
    {
        const WaitCursor wait;
        ApplyEnvelopeFont(*RichEditDestination);
        // A load that takes more than a second shows how far it got, and Cancel stops it;
        // the text is built aside, so a stopped load leaves the envelope as it was.
        QProgressDialog progress(QStringLiteral("Opening \"%1\"...").arg(QFileInfo(Name).fileName()),
                                 QStringLiteral("Cancel"), 0, 1000, this);
        progress.setWindowTitle(kProgramTitle);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(1000);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        const bool loaded = RichEditDestination->LoadFromFile(Name, [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            return !progress.wasCanceled();
        });
        if (!loaded)
            return false;
        // The box and its users see one change, not one for every paragraph.
        const RichEditUpdate update(*RichEditDestination);
        RichEditDestination->SetSelStart(0);
        ClearParagraphFormatting(*RichEditDestination);
        if (Prefs().ConvertTabsToCrlf)
            ReplaceTabsByLineBreaks(*RichEditDestination);
    }
    RichEditDestination->SetModified(false);
    HasAttentionLine = HasAttentionMarker();
    RichEditDestinationChange();
    if (Prefs().ClearAttention || HasAttentionLine) {
        RichEditAttention->Clear();
        ApplyEnvelopeFont(*RichEditAttention);
        RichEditAttention->SetModified(false);
    }
    if (HasAttentionLine)
        MoveAttentionMarkerLine();
    return true;
}

bool TFormStampMain::HasAttentionMarker() const
{
    // The first line starts the first paragraph: no need to split the whole text.
    return RichEditDestination->document()->firstBlock().text().startsWith(QLatin1String("@attn@"));
}

void TFormStampMain::DeleteAttentionMarkerLine()
{
    if (!HasAttentionMarker())
        return;
    RichEditDestination->DeleteLine(0);
    RichEditDestination->SetModified(false);
    RichEditDestination->SetSelStart(0);
    RichEditDestination->SetSelLength(0);
}

void TFormStampMain::MoveAttentionMarkerLine()
{
    if (!HasAttentionMarker())
        return;
    const QString line = RichEditDestination->Lines().first();
    DeleteAttentionMarkerLine();
    RichEditAttention->Clear();
    RichEditAttention->SetSelStart(0);
    RichEditAttention->SetSelLength(0);
    RichEditAttention->SetSelText(line.mid(6, 255));
    RichEditAttention->SetModified(false);
}

QString TFormStampMain::GetSuggestedFileName() const
{
    const QStringList lines = RichEditDestination->Lines();
    QString name = lines.isEmpty() ? QString() : lines.first();
    RemoveInvalidFileNameChars(name);
    return name;
}

void TFormStampMain::SaveEnvelopeDocument(const QString &Name)
{
    if (QFileInfo(Name).suffix().toLower() != QLatin1String("env")) {
        RichEditDestination->SaveToFile(Name);
        return;
    }
    TEnvelopeDocument doc;
    doc.Destination = RichEditDestination->StreamOut();
    const bool attention = HasAttentionLine || Prefs().SaveAttention;
    if (attention)
        doc.Attention = RichEditAttention->StreamOut();
    if (Prefs().RememberEnvelope)
        doc.Envelope = ComboBoxEnvelope->currentText();
    if (Prefs().RememberReturnAddress)
        doc.ReturnAddress = ComboBoxReturnAddress->currentText();
    WriteEnvelopeDocument(Name, doc);
    if (attention)
        RichEditAttention->SetModified(false);
}

bool TFormStampMain::ActionFileSaveExecute()
{
    if (FileName.isEmpty())
        return ActionFileSaveAsExecute();
    if (ReadOnly) {
        MessageDlg(kReadOnlySave.arg(FileName), TMsgDlgType::Information, mbOK, 0);
        FileName.clear();
        return ActionFileSaveAsExecute();
    }
    try {
        SaveEnvelopeDocument(FileName);
    } catch (const Exception &e) {
        MessageDlg(e.Message(), TMsgDlgType::Error, mbOK, 0);
        return false;
    }
    RichEditDestination->SetModified(false);
    Imported = false;
    UpdateMenu();
    return true;
}

bool TFormStampMain::ActionFileSaveAsExecute()
{
    for (;;) {
        const bool untitled = FileName.isEmpty();
        TFileDialogRequest request;
        request.Kind = TFileDialogKind::Save;
        request.InitialDir = QFileInfo(FileName).absolutePath();
        if (untitled) {
            request.InitialDir = Prefs().DefaultEnvelopePath;
            FileName = GetSuggestedFileName();
        }
        request.FileName = QFileInfo(FileName).fileName();
        request.DefaultExt = QStringLiteral("ENV");
        request.Filter = kSaveFilter;
        request.OverwritePrompt = true;
        request.HelpContext = 20017;
        request.History = m_saveHistory;
        const TFileDialogAnswer answer = FileDialogService().Execute(request);
        if (!answer.Accepted) {
            if (untitled)
                FileName.clear();
            return false;
        }
        const QString chosen = WithDefaultExt(answer.FileName, SaveExtension(request, answer));
        if (QFileInfo::exists(chosen) && FileIsReadOnly(chosen)) {
            MessageDlg(kReadOnlySave.arg(chosen), TMsgDlgType::Warning, mbOK, 0);
            if (untitled)
                FileName.clear();
            continue;
        }
        const QString previous = FileName;
        const bool previousReadOnly = ReadOnly;
        FileName = chosen;
        ReadOnly = false;
        if (!ActionFileSaveExecute()) {
            // The envelope stays under its old name, unsaved.
            FileName = untitled ? QString() : previous;
            ReadOnly = previousReadOnly;
            SetCaption();
            return false;
        }
        SetCaption();
        FileOpened();
        return true;
    }
}

void TFormStampMain::ActionFileOpenExecute()
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Open;
    request.InitialDir = QFileInfo(FileName).absolutePath();
    if (FileName.isEmpty())
        request.InitialDir = Prefs().DefaultEnvelopePath;
    request.FileName = QFileInfo(FileName).fileName();
    if (!QueryDiscard())
        return;
    request.DefaultExt = QStringLiteral("ENV");
    request.Filter = kOpenFilter;
    request.Title = QStringLiteral("Open Plikora File");
    request.FileMustExist = true;
    request.ShowReadOnly = true;
    request.HelpContext = 20017;
    request.History = m_openHistory;
    const TFileDialogAnswer answer = FileDialogService().Execute(request);
    if (answer.Accepted)
        OpenEnvelopeFile(this, answer.FileName, answer.ReadOnly);
}

void TFormStampMain::FileOpenOldClick(QAction *Sender)
{
    const QString name = TOldFileList::GetFilename(Sender);
    if (QueryDiscard())
        OpenEnvelopeFile(Sender, name, false);
}
