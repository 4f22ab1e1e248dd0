#include "engine/DefinitionStore.h"
#include "engine/EnvPrint.h"
#include "engine/PreferenceStore.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "gif/GIFImage.h"
#include "integrations/WindowOpeners.h"
#include "integrations/automation/AutomationRegistration.h"
#include "integrations/automation/EnvelopeAutomation.h"
#include "integrations/clipart/ClipArtGallery.h"
#include "integrations/contacts/ContactForms.h"
#include "integrations/contacts/ContactImport.h"
#include "integrations/lookup/LookupAddress.h"
#include "platform/Application.h"
#include "platform/AtomicSave.h"
#include "platform/FileNames.h"
#include "platform/JpegImage.h"
#include "ui/Artwork.h"
#include "ui/CustomizeToolbar.h"
#include "ui/definitions/Envsizes.h"
#include "ui/favorites/FavoritesAdd.h"
#include "ui/main/MainForm.h"
#include "ui/main/Oldfiles.h"
#include "ui/main/QmParams.h"
#include "ui/main/StampSplash.h"
#include "ui/options/Options.h"
#include "ui/options/SelectFolder.h"
#include "ui/printing/Prntprog.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    IgnoreFileSizeSignal();
    QApplication::setWindowIcon(ProgramIcon());

    // Registering with the session bus shows no window.
    QStringList arguments = TApplication::Arguments();
    if (arguments.isEmpty())
        arguments = QCoreApplication::arguments();
    const QString only = arguments.size() == 2 ? arguments.at(1).toLower() : QString();
    if (only == QLatin1String("/regserver") || only == QLatin1String("/unregserver")) {
        QString error;
        const bool done = only == QLatin1String("/regserver")
                              ? RegisterServer(QCoreApplication::applicationFilePath(), error)
                              : UnregisterServer(error);
        if (!done)
            std::fprintf(stderr, "plikora: %s\n", qPrintable(error));
        return done ? 0 : 1;
    }
    // A single-window program: a file opened while it runs goes to the running one.
    const TCommandLine commandLine = ParseCommandLine();
    // When the running one cannot take the file, this one opens it and says why.
    QString handOverFailed;
    if (commandLine.Mode == cmOpen && !HasRawFileNameBytes(commandLine.FileName)) {
        if (HandOverFile(commandLine.FileName, handOverFailed))
            return 0;
        if (!handOverFailed.isEmpty()) {
            handOverFailed += QStringLiteral(" This window opens \"%1\" itself.").arg(commandLine.FileName);
            std::fprintf(stderr, "plikora: %s\n", qPrintable(handOverFailed));
        }
    }

    // The units, in the order they depend on each other.
    StartWindowsDefaultFolders();
    StartQmIniFile(QCoreApplication::applicationFilePath());
    // What an earlier run's interrupted settings writes left behind.
    RemoveAbandonedSaveFiles(QFileInfo(IniFile->FileName()).absolutePath());
    RemoveAbandonedSaveFiles(QFileInfo(RegIni->FileName()).absolutePath());
    StartUnique();
    StartQmPrinter();
    // Picture formats beyond BMP and ICO, for return-address pictures.
    RegisterJPEGFormat();
    RegisterGIFFormat();
    StartOldfiles();
    StartClipArt();

    // The splash shows the title the program started with.
    FormSplash = new TFormSplash;
    FormSplash->show();
    FormSplash->FormActivate();
    FormSplash->repaint();
    QCoreApplication::processEvents();

    SetApplicationTitle(QStringLiteral("Plikora"));
    // No display name: Qt would add it to every window title, which already
    // names the program where it should.
    QApplication::setApplicationName(QStringLiteral("Plikora"));

    int result = 0;
    {
        auto *definitions = new DefinitionStore;
        auto *returnAddresses = new ReturnAddressStore;
        auto *mainForm =
            new TFormStampMain(*definitions, *returnAddresses, {ImportContacts, ActionEditLookupExecute},
                               ProgramWindowOpeners());
        DlgEnvelopeSizes = new TDlgEnvelopeSizes(*definitions, mainForm);
        DlgReturnAddresses = new TDlgReturnAddresses(*returnAddresses, mainForm);
        DlgReturnAddresses->DocumentFileName = [mainForm] { return mainForm->GetFileName(); };
        // Loaded once the main window has dropped the printer setups no
        // definition uses, and with every window following the stores.
        mainForm->FirstRun = definitions->LoadEnvelopeList();
        returnAddresses->LoadReturnAddressList();

        FormSplash->hide();
        FormSplash->deleteLater();
        FormSplash = nullptr;

        // A run that prints and closes serves no one: a file handed to it would be lost.
        std::unique_ptr<TAutomationServer> server;
        if (commandLine.Mode != cmPrint) {
            server = std::make_unique<TAutomationServer>(*mainForm);
            QString error;
            // Without a bus the program still works; only one started to serve it says so.
            // A name someone else holds leaves this window out of reach: that is said.
            if (!server->Start(error) && (only == QLatin1String("-embedding") || server->NameTaken()))
                std::fprintf(stderr, "plikora: %s\n", qPrintable(error));
            if (server->NameTaken())
                handOverFailed = handOverFailed.isEmpty() ? error : handOverFailed + QLatin1Char(' ') + error;
        }

        if (!handOverFailed.isEmpty())
            mainForm->StatusPanels[2]->setText(QLatin1Char(' ') + handOverFailed);
        mainForm->show();
        result = QApplication::exec();
        if (result == 0)
            result = mainForm->CommandLineResult();
        server.reset();

        delete DlgReturnAddresses;
        DlgReturnAddresses = nullptr;
        delete DlgEnvelopeSizes;
        DlgEnvelopeSizes = nullptr;
        delete mainForm;
        // Each store saves its list when freed.
        delete returnAddresses;
        delete definitions;
    }
    FreeContactForms();
    FreeCustomizeToolbarsDialog();
    FreeFavoritesAddForm();
    FreeOptionsDialog();
    FreeSelectFolderDialog();
    FreeEnvelopePrintDialog();
    FreePrintStatusForm();
    FreePreferences();
    StopClipArt();
    StopOldfiles();
    UnregisterGIFFormat();
    UnregisterJPEGFormat();
    StopQmPrinter();
    StopUnique();
    StopQmIniFile();
    StopWindowsDefaultFolders();
    return result;
}
