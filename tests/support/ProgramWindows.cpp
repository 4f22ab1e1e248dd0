#include "support/ProgramWindows.h"

#include "support/MainFormHooks.h"

#include "engine/DefinitionStore.h"
#include "engine/EnvPrint.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "integrations/clipart/SelectClipArt.h"
#include "integrations/contacts/ContactForms.h"
#include "platform/PdfSpooler.h"
#include "ui/CustomizeToolbar.h"
#include "ui/definitions/Envsizes.h"
#include "ui/definitions/Newenvl.h"
#include "ui/favorites/FavoritesAdd.h"
#include "ui/main/About.h"
#include "ui/main/FindDialog.h"
#include "ui/main/MainForm.h"
#include "ui/main/Oldfiles.h"
#include "ui/options/Options.h"
#include "ui/options/SelectFolder.h"
#include "ui/printing/Prntprog.h"
#include "ui/returnaddresses/Newretad.h"
#include "ui/returnaddresses/Retaddrs.h"

TProgramWindows::TProgramWindows(const QString &Folder)
{
    StartWindowsDefaultFolders();
    StartQmIniFile(Folder + "/plikora");
    {
        TIniUpdate update(*IniFile);
        IniFile->WriteInteger("Envelopes", "Count", 1);
        IniFile->WriteInteger("Envelopes", "Default", 1);
        IniFile->WriteString("Envelopes", "Envelope1", "#10 Business");
        IniFile->WriteString("Envelopes", "Envelope1_FullPrinterName", PdfSpooler::PrinterName());
        IniFile->WriteInteger("ReturnAddresses", "Count", 1);
        IniFile->WriteInteger("ReturnAddresses", "Default", 1);
        IniFile->WriteString("ReturnAddresses", "Description1", "Home");
        IniFile->WriteStrings("ReturnAddresses", "Address1",
                              {"Ann Example", "1 Elm St", "Springfield, IL 62704"});
        update.Commit();
    }
    StartUnique();
    StartQmPrinter(std::make_unique<PdfSpooler>());
    StartOldfiles();
    SetApplicationTitle("Plikora");
    m_definitions = new DefinitionStore;
    m_returnAddresses = new ReturnAddressStore;
    m_form = new TFormStampMain(*m_definitions, *m_returnAddresses, CountingHooks());
    new TDlgEnvelopeSizes(*m_definitions, m_form);
    new TDlgReturnAddresses(*m_returnAddresses, m_form);
    m_form->FirstRun = m_definitions->LoadEnvelopeList();
    m_returnAddresses->LoadReturnAddressList();

    // The kept dialogs are the form's children, so that they go with it.
    m_windows = {
        {"main", m_form},
        {"print", GetEnvelopePrintDialog()},
        {"envelopes", DlgEnvelopeSizes},
        {"newenvelope", new TDlgNewEnvelopeSize(m_form)},
        {"returnaddresses", DlgReturnAddresses},
        {"newreturnaddress", new TDlgNewReturnAddress(m_form)},
        {"options", new TDlgOptions(m_form)},
        {"selectfolder", new TDlgSelectFolder(m_form)},
        {"toolbars", new TDlgCustomizeToolbars(m_form)},
        {"find", new TFindDialog(m_form)},
        {"favorites", new TFormFavoritesAdd(m_form)},
        {"contacts", new TFormSelectContact(m_form)},
        {"contactformat", new TFormFormatContactAddress(m_form)},
        {"clipart", new TFormChooseClipArt(m_form)},
        {"about", new TDlgAbout(m_form)},
    };
}

TProgramWindows::~TProgramWindows()
{
    delete DlgReturnAddresses;
    delete DlgEnvelopeSizes;
    delete m_form;
    delete m_returnAddresses;
    delete m_definitions;
    FreeEnvelopePrintDialog();
    FreePrintStatusForm();
    StopOldfiles();
    StopQmPrinter();
    StopUnique();
    StopQmIniFile();
    StopWindowsDefaultFolders();
}
