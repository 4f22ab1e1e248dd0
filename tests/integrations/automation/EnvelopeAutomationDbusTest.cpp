#include "integrations/automation/EnvelopeAutomation.h"
#include "platform/HtmlContent.h"

#include "engine/DefinitionStore.h"
#include "engine/EnvPrint.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "integrations/WindowOpeners.h"
#include "platform/Exception.h"
#include "platform/PdfSpooler.h"
#include "platform/RichEdit.h"
#include "support/MainFormHooks.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedMessageService.h"
#include "ui/main/MainForm.h"
#include "ui/main/Oldfiles.h"
#include "ui/printing/Prntprog.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The main window with one envelope definition, served on the test's private bus.
struct AutomationTest : ::testing::Test
{
    void SetUp() override
    {
        EnsureRichTextTestApp();
        ASSERT_TRUE(dir.isValid());
        StartWindowsDefaultFolders();
        StartQmIniFile(dir.path() + "/plikora");
        {
            TIniUpdate update(*IniFile);
            IniFile->WriteInteger("Envelopes", "Count", 1);
            IniFile->WriteInteger("Envelopes", "Default", 1);
            IniFile->WriteString("Envelopes", "Envelope1", "#10 Business");
            IniFile->WriteString("Envelopes", "Envelope1_FullPrinterName", PdfSpooler::PrinterName());
            update.Commit();
        }
        StartUnique();
        StartQmPrinter(std::make_unique<PdfSpooler>());
        StartOldfiles();
        definitions = std::make_unique<DefinitionStore>();
        returnAddresses = std::make_unique<ReturnAddressStore>();
        form = std::make_unique<TFormStampMain>(*definitions, *returnAddresses, CountingHooks(),
                                                ProgramWindowOpeners());
        definitions->LoadEnvelopeList();
        server = std::make_unique<TAutomationServer>(*form);
        QString error;
        ASSERT_TRUE(server->Start(error)) << error.toStdString();
    }
    void TearDown() override
    {
        server.reset();
        form.reset();
        returnAddresses.reset();
        definitions.reset();
        FreeEnvelopePrintDialog();
        FreePrintStatusForm();
        StopOldfiles();
        StopQmPrinter();
        StopUnique();
        StopQmIniFile();
        StopWindowsDefaultFolders();
    }

    RichEdit &Destination() { return *form->RichEditDestination; }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    std::unique_ptr<DefinitionStore> definitions;
    std::unique_ptr<ReturnAddressStore> returnAddresses;
    std::unique_ptr<TFormStampMain> form;
    std::unique_ptr<TAutomationServer> server;
};

struct Reply
{
    int status = -1;
    QString out;
    QString err;
};

// A gdbus client, started at once; the test's event loop serves it while Finish waits.
class Client
{
public:
    Client(const QString &path, const QString &member, const QStringList &args)
    {
        QStringList call{"call", "--session",     "--dest", kBusName,   "--timeout",
                         "30",   "--object-path", path,     "--method", member};
        process.start("gdbus", call + args);
    }
    ~Client()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    bool Running() const { return process.state() != QProcess::NotRunning; }
    Reply Finish()
    {
        QElapsedTimer clock;
        clock.start();
        while (Running() && clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_FALSE(Running()) << "the client still waits";
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
                QString::fromUtf8(process.readAllStandardError())};
    }

private:
    QProcess process;
};

std::unique_ptr<Client> Envelope(const QString &method, const QStringList &args = {})
{
    return std::make_unique<Client>("/Envelope", "com.morvane.Plikora.IEnvelope." + method, args);
}

std::unique_ptr<Client> Dde(const QString &method, const QStringList &args)
{
    return std::make_unique<Client>("/DDEsystem", "com.morvane.Plikora.DDEsystem." + method, args);
}

void Pump(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Calls Act once, inside the first modal dialog of the given kind that shows.
template <class Dialog> void WhenShown(QObject *context, std::function<void(Dialog *)> Act)
{
    auto *timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, Act] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            Act(dialog);
        }
    });
    timer->start(10);
}

} // namespace

TEST_F(AutomationTest, MacrosAndPokedLines)
{
    Destination().SetText("Ann Typed\n12 Main St\nSpringfield, IL 62704");
    Destination().SetModified(true);
    messages.answers = {mrNo};
    bool printDialog = false;
    WhenShown<TDlgEnvelopePrint>(form.get(), [&](TDlgEnvelopePrint *dialog) {
        printDialog = Destination().TextLength() == 0;
        dialog->reject();
    });
    Reply r = Dde("ExecuteMacro", {"['NEW', 'open', 'Print']"})->Finish();
    // The print dialog was cancelled: the caller hears so.
    EXPECT_TRUE(r.err.contains("Error.Cancelled: Printing was cancelled.")) << r.err.toStdString();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].message.startsWith("Save changes to envelope file")); // then cleared
    EXPECT_TRUE(printDialog);

    Destination().SetText("Ann\n1 Elm St\nTown, XX 12345");
    EXPECT_TRUE(form->ImageZipBarCode->toolTip().startsWith("Postnet Bar Code (12345-"));
    // The blank line keeps the two addresses apart (it used to vanish into the next line).
    r = Dde("Poke", {"ddeloadaddress", "['', 'Bob', 'Albany, NY 12207']"})->Finish();
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(Destination().Lines(),
              QStringList({"Ann", "1 Elm St", "Town, XX 12345", "", "Bob", "Albany, NY 12207"}));
    // The preview follows the last address.
    EXPECT_TRUE(form->ImageZipBarCode->toolTip().startsWith("Postnet Bar Code (12207-"))
        << form->ImageZipBarCode->toolTip().toStdString();

    r = Dde("Poke", {"Other", "['x']"})->Finish();
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("com.morvane.Plikora.Error.Failed")) << r.err.toStdString();
    EXPECT_EQ(Destination().LineCount(), 6);

    // One call adds at most so much, and past it nothing.
    const QString tooLong(kMaxAutomationText - 1, QLatin1Char('x'));
    try {
        form->DDELoadAddressPokeData({tooLong, QStringLiteral("y")});
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().contains("too long")) << e.Message().toStdString();
    }
    EXPECT_THROW(form->AutomationInsertAddress(tooLong + "yz"), Exception);
    EXPECT_EQ(Destination().LineCount(), 6);
}

TEST_F(AutomationTest, EnvelopeMembers)
{
    Reply r =
        Client("/Envelope", "org.freedesktop.DBus.Properties.Get", {kEnvelopeInterface, "Version"}).Finish();
    EXPECT_EQ(r.out, "(<9.0>,)") << r.err.toStdString();

    // An insert on an empty envelope is nothing to save; the lines arrive exactly.
    r = Envelope("InsertAddress", {QString::fromUtf8("'Ann\\r\\n12 Main St\\nSão Paulo\\u2028Brasil'")})
            ->Finish();
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(Destination().Lines(),
              QStringList({"Ann", "12 Main St", QString::fromUtf8("São Paulo"), "Brasil"}));
    EXPECT_FALSE(Destination().Modified());
    EXPECT_EQ(form->StatusPanels[0]->text(), "");
    EXPECT_TRUE(form->isVisible());

    // What the user typed before stays worth saving.
    Destination().SetText("Zed Typed");
    Destination().SetModified(true);
    QGuiApplication::clipboard()->setText("Pasted Line");
    Destination().moveCursor(QTextCursor::End);
    EXPECT_EQ(Envelope("PasteAddress")->Finish().status, 0);
    EXPECT_EQ(Destination().Text(), "Zed TypedPasted Line");
    EXPECT_TRUE(Destination().Modified());
    // A paste is held to the same bound as an insert.
    QGuiApplication::clipboard()->setText(QString(kMaxAutomationText + 1, QLatin1Char('x')));
    r = Envelope("PasteAddress")->Finish();
    EXPECT_TRUE(r.err.contains("Error.Failed: The text is too long")) << r.err.left(200).toStdString();
    EXPECT_EQ(Destination().Text(), "Zed TypedPasted Line");
    // HTML is refused by its length before it is read.
    auto *html = new QMimeData;
    html->setHtml(QString(kMaxHtmlLength + 1, QLatin1Char('x')));
    QGuiApplication::clipboard()->setMimeData(html);
    r = Envelope("PasteAddress")->Finish();
    EXPECT_TRUE(r.err.contains("Error.Failed: The HTML on the clipboard is too long"))
        << r.err.left(200).toStdString();
    EXPECT_EQ(Destination().Text(), "Zed TypedPasted Line");

    // Two clients drive the one window.
    auto one = Envelope("InsertAddress", {"'One'"});
    auto two = Envelope("InsertAddress", {"'Two'"});
    EXPECT_EQ(one->Finish().status, 0);
    EXPECT_EQ(two->Finish().status, 0);
    EXPECT_EQ(Destination().LineCount(), 3);

    // Cancel at the save question opens nothing, and the caller hears so.
    const QString file = dir.path() + "/other.txt";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Other\n");
    f.close();
    messages.answers = {mrCancel};
    r = Envelope("OpenEnvelope", {file})->Finish();
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("com.morvane.Plikora.Error.Cancelled")) << r.err.toStdString();
    EXPECT_TRUE(form->FileName.isEmpty());
    EXPECT_EQ(Destination().LineCount(), 3);
    messages.answers = {mrCancel};
    EXPECT_TRUE(Envelope("NewEnvelope")->Finish().err.contains("Error.Cancelled"));
    EXPECT_EQ(Destination().LineCount(), 3);

    // A file that cannot be opened is the caller's failure too.
    messages.answers = {mrNo, mrOk, mrNo};
    r = Envelope("OpenEnvelope", {dir.path() + "/missing.env"})->Finish();
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("com.morvane.Plikora.Error.Failed")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("missing.env"));

    EXPECT_EQ(Envelope("NewEnvelope")->Finish().status, 0);
    EXPECT_EQ(Destination().TextLength(), 0);

    // A window started while another program holds the name says that callers reach that one.
    server.reset();
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
    ASSERT_TRUE(other.registerService(kBusName));
    TAutomationServer late(*form);
    QString error;
    EXPECT_FALSE(late.Start(error));
    EXPECT_TRUE(late.NameTaken());
    EXPECT_TRUE(error.contains("not this window")) << error.toStdString();
    QDBusConnection::disconnectFromBus("other");
}

TEST_F(AutomationTest, CallsDuringADialogOrAPrintAreRefusedAsBusyAtOnce)
{
    // Not kept until the dialog closes (the caller would have given up by then).
    QDialog modal;
    modal.setWindowTitle("Options");
    Reply during;
    QTimer::singleShot(0, &modal, [&] {
        during = Envelope("InsertAddress", {"'First'"})->Finish();
        modal.reject();
    });
    modal.exec();
    EXPECT_NE(during.status, 0);
    EXPECT_TRUE(during.err.contains("com.morvane.Plikora.Error.Busy")) << during.err.toStdString();
    EXPECT_TRUE(during.err.contains("\"Options\"")) << during.err.toStdString();
    Pump(200);
    EXPECT_EQ(Destination().TextLength(), 0);
    EXPECT_EQ(Envelope("InsertAddress", {"'First'"})->Finish().status, 0);

    // A print request started from outside refuses the next call while its dialog is up;
    // its own cancel is the caller's error.
    Reply insert;
    WhenShown<TDlgEnvelopePrint>(form.get(), [&](TDlgEnvelopePrint *dialog) {
        insert = Envelope("InsertAddress", {"'Second'"})->Finish();
        dialog->reject();
    });
    Reply print = Envelope("PrintEnvelope")->Finish();
    EXPECT_TRUE(insert.err.contains("Error.Busy")) << insert.err.toStdString();
    EXPECT_TRUE(insert.err.contains("\"Print Envelope\"")) << insert.err.toStdString();
    EXPECT_TRUE(print.err.contains("com.morvane.Plikora.Error.Cancelled")) << print.err.toStdString();
    EXPECT_EQ(Destination().Lines(), QStringList({"First"}));

    // A print that failed says what the window said.
    form->SetPrintEnvelopesJob(
        [](TAddressPrintList &, int, bool, TReturnAddress *, TEnvelopeData *, const QString &, int, bool) {
            MessageDlg("The print service is not running.", TMsgDlgType::Error, mbOK, 0);
            return TPrintOutcome::NotPrinted;
        });
    WhenShown<TDlgEnvelopePrint>(form.get(), [](TDlgEnvelopePrint *dialog) { dialog->accept(); });
    print = Envelope("PrintEnvelope")->Finish();
    EXPECT_NE(print.status, 0);
    EXPECT_TRUE(print.err.contains("Error.Failed: The print service is not running."))
        << print.err.toStdString();
    // A job the scheduler refuses: the caller hears it and the window shows it.
    const QString refused = "The printer \"PlikoraTest\" refused the job: Not accepting jobs.";
    form->SetPrintEnvelopesJob([&](TAddressPrintList &, int, bool, TReturnAddress *, TEnvelopeData *,
                                   const QString &, int,
                                   bool) -> TPrintOutcome { throw Exception(refused); });
    messages.shown.clear();
    WhenShown<TDlgEnvelopePrint>(form.get(), [](TDlgEnvelopePrint *dialog) { dialog->accept(); });
    print = Envelope("PrintEnvelope")->Finish();
    EXPECT_TRUE(print.err.contains("Error.Failed: " + refused)) << print.err.toStdString();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].message, refused);
    WhenShown<TDlgEnvelopePrint>(form.get(), [](TDlgEnvelopePrint *dialog) { dialog->reject(); });
    EXPECT_TRUE(Dde("ExecuteMacro", {"['print']"})->Finish().err.contains("Error.Cancelled"));
}
