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
#include "ui/definitions/Newenvl.h"
#include "ui/main/Oldfiles.h"
#include "ui/main/QmParams.h"
#include "ui/printing/Prntprog.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

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

// The printers the Add Envelope Definition dialog offers as it opens, and what it says.
QStringList OfferedPrinters(QString *said = nullptr)
{
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    QStringList offered;
    QTimer::singleShot(0, dialog, [&] {
        for (int i = 0; i < dialog->ComboBoxPrinters()->count(); ++i)
            offered << dialog->ComboBoxPrinters()->itemText(i);
        if (said)
            *said = dialog->LabelServiceDown()->isVisible() ? dialog->LabelServiceDown()->text() : QString();
        dialog->reject();
    });
    dialog->ExecuteAddEnvelope(true, QStringLiteral("New"));
    return offered;
}

// Prints the file as "plikora /p" does, pressing Print should the dialog come up; the exit status.
int PrintFromCommandLine(TFormStampMain &form, const QString &file)
{
    form.SetCommandLine(ParseCommandLine({QStringLiteral("/p"), file}));
    QTimer::singleShot(0, [] {
        if (GetEnvelopePrintDialog()->isVisible())
            GetEnvelopePrintDialog()->PrintBtnClick();
    });
    form.ProcessCommandLine();
    return form.CommandLineResult();
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
        IniFile->WriteInteger("Envelopes", "Count", 4);
        IniFile->WriteInteger("Envelopes", "Default", 1);
        IniFile->WriteString("Envelopes", "Envelope1", "Office #10");
        IniFile->WriteString("Envelopes", "Envelope1_FullPrinterName", "PlikoraTest");
        IniFile->WriteString("Envelopes", "Envelope2", "Other #10");
        IniFile->WriteString("Envelopes", "Envelope2_FullPrinterName", "PlikoraOther");
        IniFile->WriteString("Envelopes", "Envelope3", "Raw paper");
        IniFile->WriteString("Envelopes", "Envelope3_FullPrinterName", "PlikoraRaw");
        IniFile->WriteString("Envelopes", "Envelope4", "Refusing #10");
        IniFile->WriteString("Envelopes", "Envelope4_FullPrinterName", "PlikoraRefusing");
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

        // Gone again while it runs, then back; a new definition's printers are looked up
        // as its dialog opens, and the service being down is said there too.
        ASSERT_TRUE(StopScheduler());
        form.ActionFilePrintEnvelopeNowExecute();
        EXPECT_EQ(Messages(messages), QStringList{Down.arg("PlikoraOther")});
        QString said;
        EXPECT_EQ(OfferedPrinters(&said), QStringList{"Print to PDF"});
        EXPECT_EQ(said, PrintServiceDownText(QString()));
        ASSERT_TRUE(StartScheduler());
        messages.shown.clear();
        form.ActionFilePrintEnvelopeNowExecute();
        EXPECT_EQ(Messages(messages), QStringList());
        EXPECT_GT(WaitForLastJob("PlikoraOther"), 0);
        EXPECT_EQ(Jobs("PlikoraOther"), 2);

        // A queue that refuses jobs and one without any paper size: the command line says
        // so and ends with 1, and nothing is printed.
        const QString plikoraPpd = QStringLiteral(PLIKORA_TEST_DATA "/plikora-test.ppd");
        ASSERT_TRUE(AddQueue("PlikoraRefusing", {"-P", plikoraPpd}));
        ASSERT_EQ(QProcess::execute("cupsreject", {"PlikoraRefusing"}), 0);
        ASSERT_TRUE(AddQueue("PlikoraRaw", {"-m", "raw"}));
        EXPECT_TRUE(OfferedPrinters(&said).contains("PlikoraRefusing"));
        EXPECT_EQ(said, QString());
        const QString file = CupsDir() + "/one.txt";
        QFile text(file);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("Cy Dee\r\n1 Main St\r\nTown, XX 12345\r\n");
        text.close();
        form.ComboBoxEnvelope->setCurrentIndex(3);
        form.ComboBoxEnvelopeChange();
        messages.shown.clear();
        EXPECT_EQ(PrintFromCommandLine(form, file), 1);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(messages.shown[0].message.startsWith("The printer \"PlikoraRefusing\" refused the job"))
            << messages.shown[0].message.toStdString();
        EXPECT_EQ(Jobs("PlikoraRefusing"), 0);

        form.ComboBoxEnvelope->setCurrentIndex(2);
        form.ComboBoxEnvelopeChange();
        messages.shown.clear();
        EXPECT_EQ(PrintFromCommandLine(form, file), 1);
        EXPECT_EQ(form.PrintEnvelope(true), TPrintOutcome::NotPrinted);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(messages.shown[0].message.startsWith(
            "The envelope definition \"Raw paper\" has no paper size: choose a paper, or give a custom size"))
            << messages.shown[0].message.toStdString();
        EXPECT_EQ(Jobs("PlikoraRaw"), 0);
    }
    FreeNewEnvelopeSizeDialog();
    FreeEnvelopePrintDialog();
    FreePrintStatusForm();
    StopOldfiles();
    StopQmPrinter();
    StopUnique();
    StopQmIniFile();
    StopWindowsDefaultFolders();
}
