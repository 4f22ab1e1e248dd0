#include "ui/main/MainForm.h"

#include "engine/DefinitionStore.h"
#include "engine/EnvPrint.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "integrations/WindowOpeners.h"
#include "platform/RichEdit.h"
#include "platform/Spooler.h"
#include "support/CupsTestSupport.h"
#include "support/MainFormHooks.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedMessageService.h"
#include "ui/main/Oldfiles.h"
#include "ui/printing/Prntprog.h"

#include <QComboBox>
#include <QTemporaryDir>

#include <cups/cups.h>

#include <gtest/gtest.h>

namespace {

QStringList Messages(const ScriptedMessageService &service)
{
    QStringList texts;
    for (const auto &shown : service.shown)
        texts << shown.message;
    return texts;
}

int Jobs(const QString &queue)
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(n, jobs);
    return n;
}

const QString Down =
    QStringLiteral("The print service is not running, so the printer \"%1\" cannot be reached. "
                   "Start the print service, then print again.");

} // namespace

// The program starts while the scheduler is down; it comes and goes during the run.
TEST(PrintService, APrintAfterTheServiceIsBackPrints)
{
    ASSERT_FALSE(CupsDir().isEmpty()) << "run through tests/with-cupsd.sh";
    EnsureRichTextTestApp();
    QTemporaryDir dir;
    ScriptedMessageService messages;
    StartWindowsDefaultFolders();
    StartQmIniFile(dir.path() + "/plikora");
    StartUnique();
    {
        TIniUpdate update(*IniFile);
        IniFile->WriteInteger("Envelopes", "Count", 2);
        IniFile->WriteInteger("Envelopes", "Default", 1);
        IniFile->WriteString("Envelopes", "Envelope1", "Office #10");
        IniFile->WriteString("Envelopes", "Envelope1_FullPrinterName", "PlikoraTest");
        IniFile->WriteString("Envelopes", "Envelope2", "Other #10");
        IniFile->WriteString("Envelopes", "Envelope2_FullPrinterName", "PlikoraOther");
        IniFile->WriteInteger("ReturnAddresses", "Count", 1);
        IniFile->WriteInteger("ReturnAddresses", "Default", 1);
        IniFile->WriteString("ReturnAddresses", "Description1", "Home");
        IniFile->WriteStrings("ReturnAddresses", "Address1", {"Ann Home", "1 Elm St", "Town, XX 12345"});
        update.Commit();
    }
    ASSERT_TRUE(StopScheduler());
    StartQmPrinter(CreateSystemSpooler());
    StartOldfiles();
    SetApplicationTitle("Plikora");
    {
        DefinitionStore definitions;
        ReturnAddressStore returnAddresses;
        TFormStampMain form(definitions, returnAddresses, CountingHooks(), ProgramWindowOpeners());
        definitions.LoadEnvelopeList();
        returnAddresses.LoadReturnAddressList();
        form.RichEditDestination->SetText("Cy Dee\r\n1 Main St\r\nTown, XX 12345");

        form.ActionFilePrintEnvelopeNowExecute();
        EXPECT_EQ(Messages(messages), QStringList{Down.arg("PlikoraTest")});
        // An envelope chosen while the service is down.
        form.ComboBoxEnvelope->setCurrentIndex(1);
        form.ComboBoxEnvelopeChange();

        ASSERT_TRUE(StartScheduler());
        messages.shown.clear();
        form.ActionFilePrintEnvelopeNowExecute();
        EXPECT_EQ(Messages(messages), QStringList());
        EXPECT_GT(WaitForLastJob("PlikoraOther"), 0);
        EXPECT_EQ(Jobs("PlikoraOther"), 1);

        // Gone again while it runs, then back.
        ASSERT_TRUE(StopScheduler());
        form.ActionFilePrintEnvelopeNowExecute();
        EXPECT_EQ(Messages(messages), QStringList{Down.arg("PlikoraOther")});
        ASSERT_TRUE(StartScheduler());
        messages.shown.clear();
        form.ActionFilePrintEnvelopeNowExecute();
        EXPECT_EQ(Messages(messages), QStringList());
        EXPECT_GT(WaitForLastJob("PlikoraOther"), 0);
        EXPECT_EQ(Jobs("PlikoraOther"), 2);
    }
    FreeEnvelopePrintDialog();
    FreePrintStatusForm();
    StopOldfiles();
    StopQmPrinter();
    StopUnique();
    StopQmIniFile();
    StopWindowsDefaultFolders();
}
