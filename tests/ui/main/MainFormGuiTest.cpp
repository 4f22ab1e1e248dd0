#include "ui/main/MainForm.h"

#include "engine/DefinitionStore.h"
#include "engine/EnvDim.h"
#include "engine/EnvDocument.h"
#include "engine/EnvPrint.h"
#include "engine/PrintAddresses.h"
#include "engine/QmStream.h"
#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "gif/GIFImage.h"
#include "integrations/WindowOpeners.h"
#include "platform/Exception.h"
#include "platform/FileNames.h"
#include "platform/FontDialogService.h"
#include "platform/PdfSpooler.h"
#include "platform/RichEdit.h"
#include "platform/Spooler.h"
#include "support/MainFormHooks.h"
#include "support/PrintTestSupport.h"
#include "support/RichTextTestApp.h"
#include "support/SaveFaults.h"
#include "support/ScriptedFileDialogService.h"
#include "support/ScriptedMessageService.h"
#include "ui/Artwork.h"
#include "ui/definitions/Envsizes.h"
#include "ui/definitions/EnvsizesPages.h"
#include "ui/main/FindDialog.h"
#include "ui/main/Oldfiles.h"
#include "ui/options/Options.h"
#include "ui/printing/Prntprog.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextTable>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The program's units and its three windows, as the program starts and ends them.
class Session
{
public:
    explicit Session(const QString &Folder, const TCommandLine &Line = {},
                     std::unique_ptr<Spooler> Printers = std::make_unique<PdfSpooler>())
    {
        StartWindowsDefaultFolders();
        StartQmIniFile(Folder + "/plikora");
        StartUnique();
        StartQmPrinter(std::move(Printers));
        StartOldfiles();
        SetApplicationTitle("Plikora");
        definitions = new DefinitionStore;
        returnAddresses = new ReturnAddressStore;
        form =
            new TFormStampMain(*definitions, *returnAddresses, CountingHooks(&hooks), ProgramWindowOpeners());
        form->SetCommandLine(Line);
        new TDlgEnvelopeSizes(*definitions, form);
        new TDlgReturnAddresses(*returnAddresses, form);
        form->FirstRun = definitions->LoadEnvelopeList();
        returnAddresses->LoadReturnAddressList();
    }
    ~Session()
    {
        delete DlgReturnAddresses;
        delete DlgEnvelopeSizes;
        delete form;
        delete returnAddresses;
        delete definitions;
        FreeEnvelopePrintDialog();
        FreePrintStatusForm();
        StopOldfiles();
        StopQmPrinter();
        StopUnique();
        StopQmIniFile();
        StopWindowsDefaultFolders();
    }
    DefinitionStore *definitions;
    ReturnAddressStore *returnAddresses;
    TFormStampMain *form;
    TMainFormHookCalls hooks;
};

struct MainFormTest : ::testing::Test
{
    void SetUp() override
    {
        EnsureRichTextTestApp();
        ASSERT_TRUE(dir.isValid());
        // Two definitions on the built-in printer and two return addresses.
        QDir().mkpath(dir.path() + "/config/Morvane Software/Plikora");
        StartWindowsDefaultFolders();
        StartQmIniFile(dir.path() + "/plikora");
        {
            TIniUpdate update(*IniFile);
            IniFile->WriteInteger("Envelopes", "Count", 2);
            IniFile->WriteInteger("Envelopes", "Default", 1);
            IniFile->WriteString("Envelopes", "Envelope1", "#10 Business");
            IniFile->WriteString("Envelopes", "Envelope1_FullPrinterName", PdfSpooler::PrinterName());
            IniFile->WriteString("Envelopes", "Envelope2", "DL");
            IniFile->WriteString("Envelopes", "Envelope2_FullPrinterName", PdfSpooler::PrinterName());
            IniFile->WriteInteger("ReturnAddresses", "Count", 2);
            IniFile->WriteInteger("ReturnAddresses", "Default", 1);
            IniFile->WriteString("ReturnAddresses", "Description1", "Home");
            IniFile->WriteStrings("ReturnAddresses", "Address1", {"Ann Home", "1 Elm St", "Town, XX 12345"});
            IniFile->WriteString("ReturnAddresses", "Description2", "Work");
            IniFile->WriteStrings("ReturnAddresses", "Address2", {"Ann Work", "9 Oak Ave", "City, YY 54321"});
            update.Commit();
        }
        StopQmIniFile();
        StopWindowsDefaultFolders();
    }

    QString Path(const QString &name) const { return dir.path() + "/" + name; }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    ScriptedFileDialogService files;
};

QStringList Messages(const ScriptedMessageService &service)
{
    QStringList texts;
    for (const auto &shown : service.shown)
        texts << shown.message;
    return texts;
}

void WriteFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(MainFormTest, EnvelopeDocumentsKeepTextAndChoices)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    ASSERT_EQ(form.ComboBoxEnvelope->count(), 2);
    ASSERT_EQ(form.ComboBoxReturnAddress->count(), 2);

    RichEdit &dest = *form.RichEditDestination;
    dest.SetText(QString::fromUtf8("René Dupré\r\n北京市 东城区\r\nParis, FR 75001"));
    dest.SetSelStart(0);
    dest.SetSelLength(4);
    dest.SetSelStyle(RichStyle::Bold, true);
    dest.SetModified(true);
    form.ComboBoxEnvelope->setCurrentIndex(1);
    form.ComboBoxEnvelopeChange();
    form.ComboBoxReturnAddress->setCurrentIndex(1);
    form.ComboBoxReturnAddressChange();
    EXPECT_EQ(s.returnAddresses->CurrentReturnAddress(), s.returnAddresses->List().Object(1));

    files.answers << ScriptedFileDialogService::Choose(Path("dupre"));
    ASSERT_TRUE(form.ActionFileSaveExecute());
    EXPECT_EQ(form.FileName, Path("dupre.env"));
    EXPECT_EQ(files.requests.at(0).FileName, QString::fromUtf8("René Dupré"));
    EXPECT_EQ(form.windowTitle(), "Plikora - " + Path("dupre.env"));
    EXPECT_FALSE(dest.Modified());
    EXPECT_TRUE(QFile::exists(Path("dupre.env")));

    // Back to a new envelope with the first choices, then open the saved one.
    ASSERT_TRUE(form.NewEnvelope());
    EXPECT_EQ(dest.TextLength(), 0);
    form.ComboBoxEnvelope->setCurrentIndex(0);
    form.ComboBoxEnvelopeChange();
    form.ComboBoxReturnAddress->setCurrentIndex(0);
    form.ComboBoxReturnAddressChange();
    ASSERT_TRUE(form.OpenEnvelopeFile(&form, Path("dupre.env"), false));
    EXPECT_EQ(dest.Lines(), QStringList({QString::fromUtf8("René Dupré"), QString::fromUtf8("北京市 东城区"),
                                         "Paris, FR 75001"}));
    dest.SetSelStart(1);
    dest.SetSelLength(1);
    EXPECT_TRUE(dest.SelAttributes().HasStyle(RichStyle::Bold));
    EXPECT_EQ(form.ComboBoxEnvelope->currentIndex(), 1);
    EXPECT_EQ(form.ComboBoxReturnAddress->currentIndex(), 1);
    EXPECT_EQ(s.definitions->CurrentEnvelope(), s.definitions->List().Object(1));
    EXPECT_EQ(s.returnAddresses->CurrentReturnAddress(), s.returnAddresses->List().Object(1));
    EXPECT_FALSE(form.ReadOnly);
    EXPECT_FALSE(form.IsEnvelopeModified());
    EXPECT_EQ(OldFileList->Strings(0).compare(Path("dupre.env"), Qt::CaseInsensitive), 0);
    EXPECT_TRUE(messages.shown.isEmpty()) << Messages(messages).join("\n").toStdString();
}

TEST_F(MainFormTest, DamagedAndForeignFiles)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;

    // No signature: the whole file is address text.
    WriteFile(Path("plain.env"), "Jo Smith\r\n[Destination=4]\r\nabcd\r\n");
    ASSERT_TRUE(form.OpenEnvelopeFile(&form, Path("plain.env"), false));
    EXPECT_EQ(dest.Lines(), QStringList({"Jo Smith", "[Destination=4]", "abcd"}));

    // An unknown block is skipped with one warning; the blocks around it load.
    {
        TCompositeStampFileStream out(Path("extra.ENV"), TCompositeFileMode::fmCreate);
        out.WriteFileHeader();
        out.WriteBlock("Colour", QByteArray("[Destination=3]\r\nxyz"));
        out.WriteBlock("Destination", QByteArray("Al Lee\r\n5 Rd"));
        out.WriteBlock("Sound", QByteArray("beep"));
        out.Commit();
    }
    ASSERT_TRUE(form.OpenEnvelopeFile(&form, Path("extra.ENV"), false));
    EXPECT_EQ(dest.Lines(), QStringList({"Al Lee", "5 Rd"}));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].message.startsWith("Plikora found some unexpected information in file"));
    EXPECT_EQ(messages.shown[0].helpContext, 20017);
    messages.shown.clear();

    // A text file with the attention marker; a read-only file opens read-only.
    WriteFile(Path("memo.txt"), "@attn@Accounts\r\nBea Bird\r\n7 Lane\r\n");
    QFile::setPermissions(Path("memo.txt"), QFile::ReadOwner | QFile::ReadGroup);
    ASSERT_TRUE(form.OpenEnvelopeFile(&form, Path("memo.txt"), false));
    EXPECT_EQ(dest.Lines(), QStringList({"Bea Bird", "7 Lane"}));
    EXPECT_EQ(form.RichEditAttention->Lines(), QStringList({"Accounts"}));
    EXPECT_TRUE(form.HasAttentionLine);
    EXPECT_TRUE(form.ReadOnly);
    EXPECT_FALSE(form.ActionFileSave->isEnabled());
    EXPECT_EQ(form.windowTitle(), "Plikora - " + Path("memo.txt") + " (read-only)");

    // A failed open changes nothing, the file name included.
    EXPECT_FALSE(form.OpenEnvelopeFile(&form, Path("gone.env"), false));
    EXPECT_EQ(Messages(messages), QStringList({"Cannot find file \"" + Path("gone.env") + "\"."}));
    EXPECT_EQ(form.FileName, Path("memo.txt"));
    EXPECT_EQ(dest.Lines(), QStringList({"Bea Bird", "7 Lane"}));

    // A damaged header: an error, and the envelope stays as it was.
    messages.shown.clear();
    WriteFile(Path("bad.env"), ReadFile(Path("extra.ENV")) + "[Attention=999]\r\nab");
    EXPECT_FALSE(form.OpenEnvelopeFile(&form, Path("bad.env"), false));
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(form.FileName, Path("memo.txt"));
    EXPECT_EQ(dest.Lines(), QStringList({"Bea Bird", "7 Lane"}));

    // Rich text cut short: the same.
    messages.shown.clear();
    WriteFile(Path("cut.rtf"), "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Ann");
    EXPECT_FALSE(form.OpenEnvelopeFile(&form, Path("cut.rtf"), false));
    EXPECT_EQ(Messages(messages),
              QStringList({"The file \"" + Path("cut.rtf")
                           + "\" is damaged: its rich text ends before it is complete."}));
    EXPECT_EQ(form.FileName, Path("memo.txt"));
    EXPECT_EQ(dest.Lines(), QStringList({"Bea Bird", "7 Lane"}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); // the wait cursor goes, also on failures
}

TEST_F(MainFormTest, CutDocumentsOtherFilesAndRawNames)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;
    const auto choose = [&form](int envelope, int returnAddress) {
        form.ComboBoxEnvelope->setCurrentIndex(envelope);
        form.ComboBoxEnvelopeChange();
        form.ComboBoxReturnAddress->setCurrentIndex(returnAddress);
        form.ComboBoxReturnAddressChange();
    };

    // A document with the second envelope and return address; then another envelope is current.
    dest.SetText("Al Lee\r\n5 Rd");
    choose(1, 1);
    files.answers << ScriptedFileDialogService::Choose(Path("whole.env"));
    ASSERT_TRUE(form.ActionFileSaveAsExecute());
    const QByteArray whole = ReadFile(Path("whole.env"));
    ASSERT_TRUE(form.NewEnvelope());
    dest.SetText("Bo Cy");
    choose(0, 0);

    // Cut inside the first line, after the two header lines, inside a header, inside a name.
    for (const qsizetype cut : {qsizetype(12), whole.indexOf("[Destination"), whole.indexOf("[Envelope=") + 4,
                                whole.indexOf("[ReturnAddress=0]\r\n") + 19}) {
        SCOPED_TRACE(cut);
        WriteFile(Path("cut.env"), whole.left(cut));
        messages.shown.clear();
        EXPECT_FALSE(form.OpenEnvelopeFile(&form, Path("cut.env"), false));
        EXPECT_TRUE(
            Messages(messages).value(0).startsWith("The file \"" + Path("cut.env") + "\" is damaged: "))
            << Messages(messages).join("\n").toStdString();
        EXPECT_EQ(dest.Text(), "Bo Cy");
        EXPECT_TRUE(form.FileName.isEmpty());
        EXPECT_EQ(form.ComboBoxEnvelope->currentIndex(), 0);
        EXPECT_EQ(form.ComboBoxReturnAddress->currentIndex(), 0);
        EXPECT_EQ(s.definitions->CurrentEnvelope(), s.definitions->List().Object(0));
    }

    // Folders, pipes and devices are named for what they are.
    ASSERT_TRUE(QDir().mkdir(Path("folder.env")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe.env")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/null", Path("null.txt")));
    messages.shown.clear();
    for (const char *name : {"folder.env", "pipe.env", "null.txt"})
        EXPECT_FALSE(form.OpenEnvelopeFile(&form, Path(name), false));
    EXPECT_EQ(Messages(messages),
              QStringList({"Cannot open file \"" + Path("folder.env") + "\". It is a folder, not a file.",
                           "Cannot open file \"" + Path("pipe.env") + "\". It is a pipe, not a file.",
                           "Cannot open file \"" + Path("null.txt") + "\". It is a device, not a file."}));

    // A name that is not UTF-8 opens, and saves under the same name.
    const QByteArray raw = QFile::encodeName(dir.path()) + "/caf\xe9.txt";
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "Cy Dee\r\n", 8), 8);
    ::close(fd);
    messages.shown.clear();
    ASSERT_TRUE(form.OpenEnvelopeFile(&form, DecodeFileName(raw), false))
        << Messages(messages).join("\n").toStdString();
    EXPECT_EQ(dest.Lines(), QStringList{"Cy Dee"});
    EXPECT_FALSE(form.ReadOnly);
    dest.SetText("Cy Dee\r\n2 Oak Ave");
    dest.SetModified(true);
    ASSERT_TRUE(form.ActionFileSaveExecute()) << Messages(messages).join("\n").toStdString();
    QFile saved;
    ASSERT_TRUE(
        saved.open(::open(raw.constData(), O_RDONLY), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    EXPECT_TRUE(saved.readAll().contains("2 Oak Ave"));
}

TEST_F(MainFormTest, APrintServiceThatIsDownIsSaidOnce)
{
    // The document's envelope is on a printer of the print service, which does not answer.
    StartWindowsDefaultFolders();
    StartQmIniFile(dir.path() + "/plikora");
    IniFile->WriteString("Envelopes", "Envelope1_FullPrinterName", "Office");
    StopQmIniFile();
    StopWindowsDefaultFolders();
    TEnvelopeDocument doc;
    doc.Destination = QByteArray("Cy Dee\r\n1 Main St");
    doc.Envelope = QStringLiteral("#10 Business");
    WriteEnvelopeDocument(Path("one.env"), doc);
    qputenv("CUPS_SERVER", QFile::encodeName(Path("nobody-listens.sock")));
    {
        Session s(dir.path(), ParseCommandLine(QStringList{"/p", Path("one.env")}), CreateSystemSpooler());
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            GetEnvelopePrintDialog()->reject();
            QCoreApplication::exit(1);
        });
        watchdog.start(5000);
        s.form->show();
        EXPECT_EQ(QApplication::exec(), 0);
    }
    qunsetenv("CUPS_SERVER");
    EXPECT_EQ(Messages(messages),
              QStringList({"The print service is not running, so the printer \"Office\" cannot "
                           "be reached. Start the print service, then print again."}));
}

TEST_F(MainFormTest, AskingToSave)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;

    // Digits and blanks only: nothing worth asking about.
    dest.SetText("  12345 ");
    dest.SetModified(true);
    EXPECT_FALSE(form.IsEnvelopeModified());
    // Any script's letters count.
    dest.SetText(QString::fromUtf8("Κώστας"));
    dest.SetModified(true);
    EXPECT_TRUE(form.IsEnvelopeModified());

    // Yes, then a cancelled Save As: the window stays, with its text.
    messages.answers << mrYes;
    QCloseEvent close;
    QCoreApplication::sendEvent(&form, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(messages.shown.at(0).message, "Save changes to envelope file \"Untitled\"?");
    EXPECT_EQ(files.requests.size(), 1);
    EXPECT_EQ(dest.Text(), QString::fromUtf8("Κώστας"));
    EXPECT_TRUE(form.FileName.isEmpty());

    // Yes and a save that cannot be written: still nothing lost.
    messages.answers << mrYes;
    files.answers << ScriptedFileDialogService::Choose(Path("no/such/folder/x.env"));
    EXPECT_FALSE(form.QueryDiscard());
    EXPECT_TRUE(form.FileName.isEmpty());
    EXPECT_TRUE(form.IsEnvelopeModified());

    // Cancel keeps it; No lets it go.
    messages.answers << mrCancel;
    EXPECT_FALSE(form.NewEnvelope());
    messages.answers << mrNo;
    EXPECT_TRUE(form.NewEnvelope());
    EXPECT_EQ(dest.TextLength(), 0);
}

TEST_F(MainFormTest, PrintRequestPreselectsTheSelection)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;
    dest.SetText("A One\r\n1 St\r\n\r\nB Two\r\n2 St\r\n\r\nC Three\r\n3 St\r\n\r\nD Four\r\n4 St");
    // From inside the second address to inside the third.
    dest.SetSelStart(dest.Text().indexOf("Two"));
    dest.SetSelLength(QString("Two\n2 St\n\nC").size());

    struct Call
    {
        int copies;
        bool test;
        QList<bool> selected;
        QString title;
    };
    QList<Call> calls;
    form.SetPrintEnvelopesJob([&](TAddressPrintList &list, int copies, bool test, TReturnAddress *ret,
                                  TEnvelopeData *env, const QString &title, int, bool) {
        EXPECT_EQ(ret, s.returnAddresses->CurrentReturnAddress());
        EXPECT_EQ(env, s.definitions->CurrentEnvelope());
        EXPECT_TRUE(form.PrintRequestRunning());
        EXPECT_FALSE(form.ActionFilePrintEnvelope->isEnabled());
        QList<bool> selected;
        for (int i = 0; i < list.Count(); ++i)
            selected << list.GetAddress(i).Selected;
        calls.append({copies, test, selected, title});
        return calls.size() == 2 ? TPrintOutcome::Cancelled : TPrintOutcome::Printed;
    });

    // A request from outside waits for the print request.
    QStringList order;
    QTimer::singleShot(0, [&] {
        TDlgEnvelopePrint *dialog = GetEnvelopePrintDialog();
        EXPECT_EQ(dialog->PrintRange, 1);
        EXPECT_EQ(dialog->MaxPage, 4);
        EXPECT_EQ(dialog->EditCopies->text(), "1");
        EXPECT_TRUE(dialog->RadioButtonSelection->isChecked());
        form.RunOutsideRequest([&] { order << "outside"; });
        EXPECT_TRUE(order.isEmpty());
        dialog->EditCopies->setText("2");
        dialog->CheckBoxTest->setChecked(true);
        dialog->PrintBtnClick();
    });
    form.ActionFilePrintEnvelopeExecute();
    order << "print";
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].copies, 2);
    EXPECT_TRUE(calls[0].test);
    EXPECT_EQ(calls[0].selected, QList<bool>({false, true, true, false}));
    EXPECT_EQ(calls[0].title, "Plikora Envelope");
    EXPECT_FALSE(form.TestEnvelope);
    EXPECT_TRUE(form.ActionFilePrintEnvelope->isEnabled());
    QCoreApplication::processEvents();
    EXPECT_EQ(order, QStringList({"print", "outside"}));

    // Print Now: no dialog, one copy, never a test; all addresses without a selection.
    dest.SetSelLength(0);
    form.ActionFilePrintEnvelopeNowExecute();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1].copies, 1);
    EXPECT_FALSE(calls[1].test);
    EXPECT_EQ(calls[1].selected, QList<bool>({true, true, true, true}));
    EXPECT_EQ(form.StatusPanels[2]->text().trimmed(), "Printing was cancelled.");

    // Cancelled: nothing printed.
    QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->reject(); });
    form.ActionFilePrintEnvelopeExecute();
    EXPECT_EQ(calls.size(), 2);
    EXPECT_TRUE(form.ActionFilePrintEnvelope->isEnabled());
}

TEST_F(MainFormTest, PrintsOnePagePerAddressAndCopy)
{
    const QString pdf = Path("out.pdf");
    qputenv("PLIKORA_PDF_OUTPUT", pdf.toLocal8Bit());
    {
        Session s(dir.path());
        TFormStampMain &form = *s.form;
        ASSERT_TRUE(s.definitions->CurrentEnvelope());
        ASSERT_TRUE(s.returnAddresses->CurrentReturnAddress());
        form.RichEditDestination->SetText("A One\r\n1 St\r\n\r\nB Two\r\n2 St\r\n\r\nC Three\r\n3 St");
        QTimer::singleShot(0, [] {
            GetEnvelopePrintDialog()->EditCopies->setText("2");
            GetEnvelopePrintDialog()->PrintBtnClick();
        });
        form.ActionFilePrintEnvelopeExecute();

        // "None" prints nothing, and says so.
        QTimer::singleShot(0, [] {
            GetEnvelopePrintDialog()->RadioButtonNone->click();
            GetEnvelopePrintDialog()->PrintBtnClick();
        });
        form.ActionFilePrintEnvelopeExecute();
        EXPECT_EQ(Messages(messages).value(0), "No address is selected, so nothing was printed.");

        // Cancelled after the first page: the page done is in the file.
        qputenv("PLIKORA_PDF_OUTPUT", Path("cancelled.pdf").toLocal8Bit());
        TFormPrintStatus *progress = GetPrintStatusForm();
        QObject::connect(progress->ProgressBar, &QProgressBar::valueChanged, progress, [progress](int value) {
            if (value == 1)
                progress->CancelBtn->click();
        });
        QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->PrintBtnClick(); });
        form.ActionFilePrintEnvelopeExecute();
        EXPECT_EQ(form.StatusPanels[2]->text(), " Printing was cancelled.");
    }
    qunsetenv("PLIKORA_PDF_OUTPUT");
    const PdfFacts facts = PdfInfo(pdf);
    ASSERT_TRUE(facts.ok) << Messages(messages).join("\n").toStdString();
    EXPECT_EQ(facts.pages, 6);
    EXPECT_EQ(facts.title, "Plikora Envelope");
    EXPECT_EQ(PdfInfo(Path("cancelled.pdf")).pages, 1);
}

// An action whose work throws: the message is shown, the request ends cleanly,
// and the window goes on.
TEST_F(MainFormTest, AnActionThatThrowsIsShownAndTheProgramGoesOn)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    form.show();
    form.RichEditDestination->SetText("A One\r\n1 St");
    int calls = 0;
    form.SetPrintEnvelopesJob([&](TAddressPrintList &, int, bool, TReturnAddress *, TEnvelopeData *,
                                  const QString &, int, bool) -> TPrintOutcome {
        if (++calls == 1)
            throw Exception("The printer is on fire.");
        if (calls == 2)
            throw std::runtime_error("out of paper");
        return TPrintOutcome::Printed;
    });
    for (int i = 0; i < 3; ++i) {
        form.ActionFilePrintEnvelopeNow->trigger();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(Messages(messages), QStringList({"The printer is on fire.", "out of paper"}));
    EXPECT_FALSE(form.PrintRequestRunning());
    EXPECT_TRUE(form.ActionFilePrintEnvelopeNow->isEnabled());
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MainFormTest, CommandLinePrintOfAMissingFileStillCloses)
{
    Session s(dir.path(), ParseCommandLine(QStringList{"/p", Path("missing.env")}));
    int printed = 0;
    s.form->SetPrintEnvelopesJob(
        [&](TAddressPrintList &, int, bool, TReturnAddress *, TEnvelopeData *, const QString &, int, bool) {
            ++printed;
            return TPrintOutcome::Printed;
        });
    s.form->show();
    s.form->FormActivate();
    QCoreApplication::processEvents();
    EXPECT_EQ(printed, 0);
    EXPECT_FALSE(s.form->isVisible());
    EXPECT_EQ(Messages(messages), QStringList({"Cannot find file \"" + Path("missing.env") + "\"."}));
    // Later activations do not act on the command line again.
    s.form->FormActivate();
    EXPECT_EQ(messages.shown.size(), 1);
}

// A definition whose layout starts off its paper prints nothing. A person hears what
// lies outside and may open the definitions manager, whose Indents page says the same;
// another program and the command line get the message, with no box to wait on.
TEST_F(MainFormTest, ALayoutOffItsPaperPrintsNothingAndSaysWhy)
{
    StartWindowsDefaultFolders();
    StartQmIniFile(dir.path() + "/plikora");
    {
        TIniUpdate update(*IniFile);
        IniFile->WriteInteger("Envelopes", "Envelope1_DestinationLeft", 2000);
        update.Commit();
    }
    StopQmIniFile();
    StopWindowsDefaultFolders();
    WriteFile(Path("one.txt"), "Cy Dee\r\n1 St\r\n");
    const QString outside =
        "The envelope definition \"#10 Business\" does not fit its paper: the destination "
        "address starts outside the area the printer can print.";
    int printed = 0;
    const auto job = [&](TAddressPrintList &, int, bool, TReturnAddress *, TEnvelopeData *, const QString &,
                         int, bool) {
        ++printed;
        return TPrintOutcome::Printed;
    };
    // Were the print dialog to come up, it would print.
    const auto printIfAsked = [] {
        QTimer::singleShot(0, [] {
            if (GetEnvelopePrintDialog()->isVisible())
                GetEnvelopePrintDialog()->PrintBtnClick();
        });
    };

    Session s(dir.path(), ParseCommandLine(QStringList{"/p", Path("one.txt")}));
    TFormStampMain &form = *s.form;
    form.SetPrintEnvelopesJob(job);
    TPreferences noBarCode = form.Prefs();
    noBarCode.PrintBarCode = 2;
    Preferences().Set(noBarCode);
    printIfAsked();
    form.show();
    form.FormActivate();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.CommandLineResult(), 1);

    printIfAsked();
    try {
        form.AutomationPrintEnvelope();
        ADD_FAILURE() << "printed";
    } catch (const Exception &refused) {
        EXPECT_EQ(refused.Message(), outside + " Nothing was printed.");
    }
    EXPECT_TRUE(messages.shown.isEmpty()) << Messages(messages).join("\n").toStdString();

    // A person is offered the manager; its Indents page gives the same reason.
    form.RichEditDestination->SetText("Cy Dee\r\n1 St");
    messages.answers = {mrNo, mrYes};
    EXPECT_EQ(form.PrintEnvelope(true), TPrintOutcome::NotPrinted);
    QString warning;
    bool hiddenOnceMoved = false;
    QTimer::singleShot(0, [&] {
        const QLabel *label = DlgEnvelopeSizes->Pages()->LabelLayoutWarning();
        warning = label->isHidden() ? QString() : label->text();
        DlgEnvelopeSizes->Pages()->StringGridEnvelopeIndents()->item(3, 1)->setText("1.00");
        hiddenOnceMoved = label->isHidden();
        DlgEnvelopeSizes->reject();
    });
    EXPECT_EQ(form.PrintEnvelope(true), TPrintOutcome::NotPrinted);
    EXPECT_EQ(warning, outside + " Nothing can be printed with it.");
    EXPECT_TRUE(hiddenOnceMoved);
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].message,
              outside + " Nothing was printed.\n\nOpen the envelope definitions manager to change it?");
    EXPECT_EQ(messages.shown[0].buttons, mbYes | mbNo);
    EXPECT_EQ(printed, 0);

    // Where it fits, the print goes on.
    EXPECT_EQ(form.PrintEnvelope(true), TPrintOutcome::Printed);
    EXPECT_EQ(printed, 1);
}

// More than an envelope holds is refused before any page is laid out: the command line
// ends with 1, a script hears why, and nothing goes to the printer.
TEST_F(MainFormTest, AnAddressOfThousandsOfLinesIsRefusedBeforePrinting)
{
    QByteArray lines;
    for (int i = 0; i < 1000; ++i)
        lines += "L\r\n";
    WriteFile(Path("long.txt"), lines);
    int printed = 0;
    Session s(dir.path(), ParseCommandLine(QStringList{"/p", Path("long.txt")}));
    TFormStampMain &form = *s.form;
    form.SetPrintEnvelopesJob(
        [&](TAddressPrintList &, int, bool, TReturnAddress *, TEnvelopeData *, const QString &, int, bool) {
            ++printed;
            return TPrintOutcome::Printed;
        });
    QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->PrintBtnClick(); });
    form.show();
    form.FormActivate();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.CommandLineResult(), 1);
    QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->PrintBtnClick(); });
    try {
        form.AutomationPrintEnvelope();
        ADD_FAILURE() << "printed";
    } catch (const Exception &refused) {
        EXPECT_EQ(
            refused.Message().toStdString(),
            QString(
                "The destination address has %1 lines; one envelope holds at most 200. Nothing was printed.")
                .arg(QLocale().toString(1000))
                .toStdString());
    }
    // One line of more characters than a page holds, and tables in tables.
    form.RichEditDestination->SetText(QString(30000, 'x'));
    QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->PrintBtnClick(); });
    EXPECT_THROW(form.AutomationPrintEnvelope(), Exception);
    form.RichEditDestination->SetText("Cy Dee");
    QTextCursor cursor(form.RichEditDestination->document());
    cursor.movePosition(QTextCursor::End);
    for (int depth = 0; depth < 12; ++depth)
        cursor = cursor.insertTable(1, 1)->cellAt(0, 0).firstCursorPosition();
    cursor.insertText("1 Main St");
    QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->PrintBtnClick(); });
    try {
        form.AutomationPrintEnvelope();
        ADD_FAILURE() << "printed";
    } catch (const Exception &refused) {
        EXPECT_TRUE(refused.Message().contains("tables nested 12 deep")) << refused.Message().toStdString();
    }
    EXPECT_EQ(printed, 0);
}

TEST_F(MainFormTest, SettingsThatCannotBeWrittenAreOneMessageAndThePrintGoesOn)
{
    WriteFile(Path("one.txt"), "Cy Dee\r\n1 St\r\n");
    // Registry.ini is a folder; then no file can be made in the settings folder.
    for (const bool folder : {true, false}) {
        SCOPED_TRACE(folder);
        messages.shown.clear();
        std::optional<ScopedSaveFault> readOnly;
        QString registry;
        int printed = 0;
        {
            Session s(dir.path(), ParseCommandLine(QStringList{"/p", Path("one.txt")}));
            registry = RegIni->FileName();
            if (folder) {
                QFile::remove(registry);
                ASSERT_TRUE(QDir().mkpath(registry));
            } else {
                readOnly.emplace(SaveStep::Create, EACCES);
            }
            s.form->SetPrintEnvelopesJob([&](TAddressPrintList &, int, bool, TReturnAddress *,
                                             TEnvelopeData *, const QString &, int, bool) {
                ++printed;
                return TPrintOutcome::Printed;
            });
            QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->PrintBtnClick(); });
            s.form->show();
            s.form->FormActivate();
            QCoreApplication::processEvents();
            EXPECT_FALSE(s.form->isVisible());
        }
        EXPECT_EQ(printed, 1);
        ASSERT_EQ(messages.shown.size(), 1) << Messages(messages).join("\n").toStdString();
        EXPECT_TRUE(messages.shown[0].message.contains(
            folder ? "\"" + registry + "\" cannot be saved because it is a folder." : QString("permission")))
            << messages.shown[0].message.toStdString();
        if (folder)
            QDir(registry).removeRecursively();
    }
}

TEST_F(MainFormTest, CommandLineOpensAFile)
{
    WriteFile(Path("one.txt"), "Cy Dee\r\n");
    {
        Session s(dir.path(), ParseCommandLine(QStringList{"/o", Path("one.txt")}));
        s.form->FormActivate();
        EXPECT_EQ(s.form->FileName, Path("one.txt"));
        EXPECT_FALSE(s.form->ReadOnly);
    }
    {
        // "/o" alone is a file name.
        Session s(dir.path(), ParseCommandLine(QStringList{"/o"}));
        s.form->FormActivate();
        EXPECT_EQ(Messages(messages), QStringList({"Cannot find file \"/o\"."}));
    }
    {
        Session s(dir.path(), ParseCommandLine(QStringList{"/x", Path("one.txt")}));
        s.form->FormActivate();
        EXPECT_TRUE(s.form->FileName.isEmpty());
    }
}

TEST_F(MainFormTest, PlacementAndChoicesSurviveARestart)
{
    {
        Session s(dir.path());
        s.form->show();
        s.form->setGeometry(60, 70, 700, 500);
        s.form->ComboBoxEnvelope->setCurrentIndex(1);
        s.form->ComboBoxEnvelopeChange();
        s.form->ComboBoxReturnAddress->setCurrentIndex(1);
        s.form->ComboBoxReturnAddressChange();
        // The choices made the defaults are what the next start begins with.
        DlgEnvelopeSizes->DefaultBtnClick();
        DlgReturnAddresses->DefaultBtnClick();
        s.form->close();
    }
    StartWindowsDefaultFolders();
    StartQmIniFile(dir.path() + "/plikora");
    EXPECT_EQ(RegIni->ReadInteger("Options", "Measure", 7), 7); // nothing written that the options own
    EXPECT_TRUE(RegIni->SectionExists("MainWindow"));
    EXPECT_TRUE(RegIni->SectionExists("MainWindowOptionsToolbar"));
    StopQmIniFile();
    StopWindowsDefaultFolders();
    {
        Session s(dir.path());
        s.form->show();
        EXPECT_EQ(s.form->size(), QSize(700, 500));
        EXPECT_EQ(s.form->ComboBoxEnvelope->currentIndex(), 1);
        EXPECT_EQ(s.definitions->CurrentEnvelope(), s.definitions->List().Object(1));
        EXPECT_EQ(s.form->ComboBoxReturnAddress->currentIndex(), 1);
        EXPECT_EQ(s.returnAddresses->CurrentReturnAddress(), s.returnAddresses->List().Object(1));
    }
}

TEST_F(MainFormTest, PreferencesAndStalePrinterSetups)
{
    StartWindowsDefaultFolders();
    StartQmIniFile(dir.path() + "/plikora");
    RegIni->WriteInteger("Options", "PrintBarCode", 7);
    RegIni->WriteInteger("Options", "Measure", 2);
    RegIni->WriteInteger("Options", "StampPrice", 36);
    RegIni->WriteBool("Options", "ClearAttention", false);
    RegIni->WriteString("Options", "FavoritesPath", dir.path() + "/nowhere");
    RegIni->WriteString("Options", "DefaultEnvelopePath", dir.path() + "/nowhere");
    IniFile->WriteInteger("Envelopes", "Envelope1_IniId", 5);
    IniFile->WriteInteger("Envelopes", "Count", 2147483647); // a count of no definitions is not walked
    IniFile->WriteString("IniId_5", "Count", "0");
    IniFile->WriteString("IniId_50", "Count", "0");
    IniFile->WriteString("IniId_7", "Count", "0");
    StopQmIniFile();
    StopWindowsDefaultFolders();

    Session s(dir.path());
    TFormStampMain &form = *s.form;
    EXPECT_EQ(form.Prefs().PrintBarCode, 0);
    EXPECT_EQ(form.Prefs().Measure, 0);
    EXPECT_EQ(form.Prefs().StampPrice, 36);
    EXPECT_FALSE(form.Prefs().ClearAttention);
    EXPECT_TRUE(form.Prefs().SaveAttention == false && form.Prefs().FacingMark
                && form.Prefs().PrintTriFoldLines);
    EXPECT_EQ(form.Prefs().FavoritesPath, PreferenceStore::DefaultFavoritesFolder());
    EXPECT_TRUE(QFileInfo(form.Prefs().FavoritesPath).isDir());
    EXPECT_TRUE(QFileInfo(form.Prefs().ClipArtPath).isDir());
    EXPECT_TRUE(form.Prefs().DefaultEnvelopePath.isEmpty());
    EXPECT_EQ(EnvelopePreferences().Measure(), 0);
    // Sections of numbers no definition uses go; a name that begins with a used one stays.
    EXPECT_TRUE(IniFile->SectionExists("IniId_5"));
    EXPECT_TRUE(IniFile->SectionExists("IniId_50"));
    EXPECT_FALSE(IniFile->SectionExists("IniId_7"));
}

// An animated GIF as the return address's picture plays in its place; another
// address without a picture hides it.
TEST_F(MainFormTest, AnimatedReturnPicturePlays)
{
    RegisterGIFFormat();
    {
        Session s(dir.path());
        TFormStampMain &form = *s.form;
        ASSERT_TRUE(s.returnAddresses->CurrentReturnAddress());
        s.returnAddresses->CurrentReturnAddress()->SetGraphicFile(
            QStringLiteral(PLIKORA_TEST_DATA "/gif-test-suite/gifs/animated_loop.gif"));
        form.ApplyReturnAddress();
        ASSERT_FALSE(form.ImageReturnAddress->isHidden());
        const QImage first = form.ImageReturnAddress->pixmap().toImage();
        ASSERT_FALSE(first.isNull());
        // The second frame comes after 1.2 s.
        QElapsedTimer timer;
        timer.start();
        bool changed = false;
        while (!changed && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            changed = form.ImageReturnAddress->pixmap().toImage() != first;
        }
        EXPECT_TRUE(changed);

        form.ComboBoxReturnAddress->setCurrentIndex(1);
        form.ComboBoxReturnAddressChange();
        EXPECT_TRUE(form.ImageReturnAddress->isHidden());
    }
    // The window is gone; frames still coming must not reach it.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    UnregisterGIFFormat();
}

namespace {

// The box takes the focus as a click would give it.
void Enter(QWidget *Box)
{
    QFocusEvent event(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(Box, &event);
}

class ScriptedFontDialog : public TFontDialogService
{
public:
    ScriptedFontDialog() { SetFontDialogService(this); }
    ~ScriptedFontDialog() override { SetFontDialogService(nullptr); }
    TFontDialogAnswer Execute(const TFontDialogRequest &request) override
    {
        requests.append(request);
        return unchanged ? TFontDialogAnswer{true, request.Font, request.Color} : answer;
    }
    TFontDialogAnswer answer;
    // OK pressed without a change.
    bool unchanged = false;
    QList<TFontDialogRequest> requests;
};

} // namespace

TEST_F(MainFormTest, EditingCommandsActOnTheFocusedBox)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;
    QClipboard *clipboard = QApplication::clipboard();

    // The return address can be copied, never changed.
    Enter(form.RichEditReturn);
    EXPECT_EQ(form.ActiveBox, 0);
    form.RichEditReturn->SelectAllText();
    form.UpdateMenu();
    EXPECT_FALSE(form.ActionEditCut->isEnabled());
    EXPECT_FALSE(form.ActionEditDelete->isEnabled());
    EXPECT_FALSE(form.ActionEditPaste->isEnabled());
    EXPECT_TRUE(form.ActionEditCopy->isEnabled());
    EXPECT_EQ(form.StatusPanels[1]->text(), "Return Address");
    clipboard->setText("pasted");
    form.ActionEditCutExecute();
    form.ActionEditDeleteExecute();
    form.ActionEditPasteExecute();
    EXPECT_EQ(form.RichEditReturn->Lines(), QStringList({"Ann Home", "1 Elm St", "Town, XX 12345"}));
    form.ActionEditCopyExecute();
    EXPECT_TRUE(clipboard->text().startsWith("Ann Home"));

    Enter(&dest);
    dest.SetText("Jane Doe\r\nSpringfield, IL 62704");

    // A typed size applies as typed, up to what rich text holds; without a box it is corrected.
    dest.SelectAllText();
    form.ComboBoxFontSize->setEditText("100");
    EXPECT_EQ(dest.SelAttributes().Size, 100);
    form.ComboBoxFontSize->setEditText("0");
    form.ComboBoxFontSize->setEditText("5000");
    EXPECT_EQ(dest.SelAttributes().Size, 1638);
    form.RichEditFocusNone();
    EXPECT_FALSE(form.ComboBoxFontSize->isEnabled());
    form.ComboBoxFontSize->setEditText("100");
    EXPECT_EQ(form.ComboBoxFontSize->currentText(), "72");
    EXPECT_EQ(dest.SelAttributes().Size, 1638);

    // Paste as Text leaves only plain text on the clipboard; nothing at all when it holds no text.
    Enter(form.RichEditAttention);
    auto *rich = new QMimeData;
    rich->setHtml("<b>Attn</b> Sales");
    rich->setText("Attn Sales");
    clipboard->setMimeData(rich);
    form.ActionEditPasteAsTextExecute();
    EXPECT_EQ(clipboard->mimeData()->formats(), QStringList({"text/plain"}));
    EXPECT_EQ(form.RichEditAttention->Text(), "Attn Sales");
    EXPECT_FALSE(form.RichEditAttention->SelAttributes().HasStyle(RichStyle::Bold));
    auto *picture = new QMimeData;
    picture->setData("image/png", "not text");
    clipboard->setMimeData(picture);
    form.ActionEditPasteAsTextExecute();
    EXPECT_TRUE(clipboard->mimeData()->hasFormat("image/png"));

    // Clearing a modified destination asks first; Cancel keeps it.
    Enter(&dest);
    dest.SetModified(true);
    messages.answers << mrCancel;
    form.ActionEditClearExecute();
    EXPECT_EQ(Messages(messages), QStringList({"Save changes to envelope file \"Untitled\"?"}));
    EXPECT_EQ(dest.LineCount(), 2);

    // A read-only envelope can be saved only under a new name.
    dest.SetModified(false);
    WriteFile(Path("jane.txt"), "Jane Doe\n1 Elm St\n");
    ASSERT_TRUE(form.OpenEnvelopeFile(&form, Path("jane.txt"), true));
    EXPECT_FALSE(form.ActionFileSave->isEnabled());
    EXPECT_TRUE(form.ActionFileSaveAs->isEnabled());

    // The contact import and the ZIP code lookup are the layer above's: the window only calls them.
    messages.shown.clear();
    form.ActionFileImportOutlook->trigger();
    form.ActionEditLookup->trigger();
    EXPECT_EQ(s.hooks.Imports, 1);
    EXPECT_EQ(s.hooks.Lookups, 1);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainFormTest, FindSearchesOnAndWrapsAround)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;
    dest.SetText("Jane Doe\r\nSpringfield, IL 62704\r\nJANE");
    form.ActionEditFindExecute();
    auto *dialog = form.findChild<TFindDialog *>();
    ASSERT_NE(dialog, nullptr);

    // Nothing to look for does nothing.
    EXPECT_FALSE(form.FindDialogFind());
    dialog->SetFindText("Spring");
    ASSERT_TRUE(form.FindDialogFind());
    EXPECT_EQ(dest.SelText(), "Spring");
    const int at = dest.SelStart();
    // The only match, already selected: said so, and it stays selected.
    ASSERT_TRUE(form.FindDialogFind());
    EXPECT_EQ(Messages(messages), QStringList({"Text \"Spring\" not found again."}));
    EXPECT_EQ(dest.SelStart(), at);
    EXPECT_EQ(dest.SelText(), "Spring");

    // From the end the search goes round to the start; case counts when asked.
    dialog->SetFindText("Jane");
    dialog->CheckBoxMatchCase->setChecked(true);
    dest.SetSelStart(dest.TextLength());
    messages.shown.clear();
    ASSERT_TRUE(form.FindDialogFind());
    EXPECT_EQ(dest.SelStart(), 0);
    EXPECT_TRUE(messages.shown.isEmpty());
    dialog->SetFindText("Shelbyville");
    EXPECT_FALSE(form.FindDialogFind());
    EXPECT_EQ(Messages(messages), QStringList({"Text \"Shelbyville\" not found."}));
}

TEST_F(MainFormTest, FontsThroughTheFontDialog)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;
    ScriptedFontDialog fonts;
    dest.SetText("Jane Doe");
    Enter(&dest);
    dest.SelectAllText();

    fonts.answer.Accepted = true;
    fonts.answer.Font = QFont("DejaVu Serif");
    fonts.answer.Font.setPointSize(20);
    fonts.answer.Font.setItalic(true);
    fonts.answer.Color = QColor(0, 0, 255);
    form.ActionFormatCurrentFontExecute();
    const TTextAttributes chosen = dest.SelAttributes();
    EXPECT_EQ(chosen.Name, "DejaVu Serif");
    EXPECT_EQ(chosen.Size, 20);
    EXPECT_TRUE(chosen.HasStyle(RichStyle::Italic));
    EXPECT_EQ(chosen.Color, QColor(0, 0, 255));
    EXPECT_TRUE(form.ActionFormatItalics->isChecked());

    // The default font is kept for the next start and set on both boxes.
    fonts.answer.Font = QFont("DejaVu Sans");
    fonts.answer.Font.setPointSize(14);
    fonts.answer.Font.setBold(true);
    form.ActionFormatDefaultFontExecute();
    TFontAttributes stored;
    RegIni->ReadFont("EnvelopeFont", stored);
    EXPECT_EQ(stored.Name, "DejaVu Sans");
    EXPECT_EQ(stored.Size, 14);
    EXPECT_TRUE(stored.Bold);
    EXPECT_EQ(stored.Color, 0xFF0000);
    EXPECT_EQ(form.RichEditAttention->DefAttributes().Name, "DejaVu Sans");
    EXPECT_TRUE(form.RichEditAttention->DefAttributes().HasStyle(RichStyle::Bold));

    // Cancel changes nothing.
    fonts.answer.Accepted = false;
    form.ActionFormatCurrentFontExecute();
    EXPECT_EQ(dest.SelAttributes().Name, "DejaVu Serif");
    EXPECT_EQ(fonts.requests.size(), 3);

    // Nor does OK without a change: a selection of two styles keeps both, and the stored font stays.
    dest.SetSelStart(0);
    dest.SetSelLength(4);
    dest.SetSelStyle(RichStyle::Bold, true);
    dest.SelectAllText();
    {
        TIniUpdate update(*RegIni);
        RegIni->EraseSection("EnvelopeFont");
        update.Commit();
    }
    fonts.unchanged = true;
    form.ActionFormatCurrentFontExecute();
    form.ActionFormatDefaultFontExecute();
    EXPECT_FALSE(dest.SelAttributes().IsConsistent(RichConsistent::Bold));
    EXPECT_FALSE(RegIni->SectionExists("EnvelopeFont"));
}

TEST_F(MainFormTest, PastesAreOfferedForWhatTheClipboardHolds)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;
    QClipboard *clipboard = QApplication::clipboard();
    Enter(&dest);
    dest.SetText("Jane Doe");
    dest.SetModified(false);
    const QList<QAction *> pastes = {form.ActionEditPaste, form.ActionEditPasteAsText,
                                     form.ActionEditPasteAsNew};

    // A picture is nothing the boxes take: no paste is offered, and none clears the envelope.
    auto *picture = new QMimeData;
    picture->setData("image/png", "not text");
    clipboard->setMimeData(picture);
    for (QAction *paste : pastes)
        EXPECT_FALSE(paste->isEnabled()) << paste->text().toStdString();
    form.ActionEditPasteAsNewExecute();
    form.ActionEditPasteExecute();
    form.AutomationPasteAddress();
    EXPECT_EQ(dest.Text(), "Jane Doe");
    clipboard->setText("John Roe");
    for (QAction *paste : pastes)
        EXPECT_TRUE(paste->isEnabled()) << paste->text().toStdString();

    // HTML alone pastes as text too; after a paste the size box shows the text at the caret.
    auto *html = new QMimeData;
    html->setHtml("<b>Ann</b> Lee");
    clipboard->setMimeData(html);
    for (QAction *paste : pastes)
        EXPECT_TRUE(paste->isEnabled()) << paste->text().toStdString();
    dest.SetSelStart(dest.TextLength());
    form.ActionEditPasteAsTextExecute();
    EXPECT_EQ(dest.Text(), "Jane DoeAnn Lee");
    EXPECT_FALSE(dest.SelAttributes().HasStyle(RichStyle::Bold));
    auto *rtf = new QMimeData;
    rtf->setData("text/rtf",
                 "{\\rtf1{\\fonttbl{\\f0 DejaVu Serif;}{\\f1 DejaVu Sans;}}\\f0\\fs20 A\\f1\\fs28 B}");
    clipboard->setMimeData(rtf);
    form.ActionEditPasteExecute();
    EXPECT_EQ(dest.Text(), "Jane DoeAnn LeeAB");
    EXPECT_EQ(form.ComboBoxFontSize->currentText(), "14");

    // A clipboard that nobody owns hands over no data at all.
    struct Box : RichEdit
    {
        using RichEdit::canInsertFromMimeData;
        using RichEdit::insertFromMimeData;
    } box;
    EXPECT_FALSE(box.canInsertFromMimeData(nullptr));
    box.insertFromMimeData(nullptr);
    EXPECT_EQ(box.TextLength(), 0);
}

TEST_F(MainFormTest, FindAndTheFormatControlsFollowTheText)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    RichEdit &dest = *form.RichEditDestination;
    form.FormActivate();
    Enter(&dest);
    EXPECT_FALSE(form.ActionEditFind->isEnabled());
    dest.SetText("Jane Doe");
    EXPECT_TRUE(form.ActionEditFind->isEnabled());

    // The caret in bold text, then the window activated again: the font box keeps its face.
    dest.SetSelStart(0);
    dest.SetSelLength(4);
    dest.SetSelStyle(RichStyle::Bold, true);
    dest.SetSelStart(2);
    EXPECT_TRUE(form.ActionFormatBold->isChecked());
    const QString face = form.FontComboBox->FontName();
    EXPECT_FALSE(face.isEmpty());
    form.FormActivate();
    EXPECT_EQ(form.FontComboBox->FontName(), face);

    // A plain file loaded, and New: plain, in the same face.
    WriteFile(Path("plain.txt"), "John Roe\n");
    ASSERT_TRUE(form.OpenEnvelopeFile(&form, Path("plain.txt"), false));
    EXPECT_FALSE(form.ActionFormatBold->isChecked());
    EXPECT_EQ(form.FontComboBox->FontName(), face);
    dest.SetText("Jane Doe");
    dest.SetSelStart(0);
    dest.SetSelLength(4);
    dest.SetSelStyle(RichStyle::Bold, true);
    dest.SetModified(false);
    ASSERT_TRUE(form.NewEnvelope());
    EXPECT_FALSE(form.ActionFormatBold->isChecked());
    EXPECT_EQ(form.FontComboBox->FontName(), face);
}

TEST_F(MainFormTest, SaveAsTakesTheChosenFiltersExtension)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    form.RichEditDestination->SetText("Jane Doe");
    files.answers << TFileDialogAnswer{true, Path("two"), false, 1};
    ASSERT_TRUE(form.ActionFileSaveAsExecute());
    EXPECT_EQ(form.FileName, Path("two.rtf"));
    EXPECT_TRUE(ReadFile(Path("two.rtf")).startsWith("{\\rtf"));
    EXPECT_FALSE(QFile::exists(Path("two.env")));
}

// Every number the two settings files hold, at either extreme: the program starts,
// shows the envelope and its options, and prints, with no overflow on the way.
TEST_F(MainFormTest, ExtremeStoredNumbersLoadShowAndPrint)
{
    const QString pdf = Path("out.pdf");
    qputenv("PLIKORA_PDF_OUTPUT", pdf.toLocal8Bit());
    {
        // A first run stores the definitions' setups; these keys it writes only when asked.
        Session s(dir.path());
        for (const char *key : {"PrintBarCode", "Measure", "StampPrice", "EnvelopeColor"})
            RegIni->WriteInteger("Options", key, 0);
        for (const char *key : {"FontHeight", "FontSize", "FontColor"})
            RegIni->WriteInteger("EnvelopeFont", key, 10);
        IniFile->WriteInteger("ReturnAddresses", "Address1GraphicWidth", 100);
        IniFile->WriteInteger("ReturnAddresses", "Address1GraphicHeight", 100);
    }
    QStringList settings;
    for (const int extreme : {INT_MIN, INT_MAX}) {
        SCOPED_TRACE(extreme);
        StartWindowsDefaultFolders();
        StartQmIniFile(dir.path() + "/plikora");
        int changed = 0;
        for (TIniFile *store : {static_cast<TIniFile *>(IniFile), static_cast<TIniFile *>(RegIni)}) {
            TIniUpdate update(*store);
            QStringList sections;
            store->ReadSections(sections);
            for (const QString &section : std::as_const(sections)) {
                QStringList keys;
                store->ReadSection(section, keys);
                for (const QString &key : std::as_const(keys)) {
                    bool number = false;
                    store->ReadString(section, key, QString()).toInt(&number);
                    // Without entries the first run's dialog would start; counts have tests of their own.
                    if (number
                        && !(key == "Count" && (section == "Envelopes" || section == "ReturnAddresses"))) {
                        store->WriteInteger(section, key, extreme);
                        ++changed;
                    }
                }
            }
            update.Commit();
        }
        EXPECT_GT(changed, 60);
        // The settings files outlive the test: the next test starts without them.
        settings = {IniFile->FileName(), RegIni->FileName()};
        StopQmIniFile();
        StopWindowsDefaultFolders();
        {
            Session s(dir.path());
            TFormStampMain &form = *s.form;
            ASSERT_TRUE(s.definitions->CurrentEnvelope());
            form.show();
            form.grab();
            QTimer::singleShot(0, [] { GetOptionsDialog()->ButtonCancel->click(); });
            form.ActionFormatOptionsExecute();
            ScriptedFontDialog fonts;
            form.ActionFormatDefaultFontExecute();
            form.RichEditDestination->SetText("A One\r\n1 Main St\r\nSpringfield IL 62704-1234");
            // Such a layout lies off the paper and is refused; with a layout of its own
            // every other extreme prints.
            messages.shown.clear();
            form.ActionFilePrintEnvelopeExecute();
            EXPECT_TRUE(Messages(messages).value(0).contains("does not fit its paper"))
                << Messages(messages).join("\n").toStdString();
            s.definitions->CurrentEnvelope()->ResetLayout();
            for (int placement : {0, 1, 3}) {
                SCOPED_TRACE(placement);
                TPreferences preferences = form.Prefs();
                preferences.PrintBarCode = placement;
                Preferences().Set(preferences);
                QFile::remove(pdf);
                QTimer::singleShot(0, [] { GetEnvelopePrintDialog()->PrintBtnClick(); });
                messages.shown.clear();
                form.ActionFilePrintEnvelopeExecute();
                // The largest font makes an address no envelope holds: refused, not cut.
                if (extreme == INT_MAX)
                    EXPECT_TRUE(Messages(messages).value(0).contains("does not fit on the envelope"))
                        << Messages(messages).join("\n").toStdString();
                else
                    EXPECT_EQ(PdfInfo(pdf).pages, 1) << Messages(messages).join("\n").toStdString();
            }
        }
    }
    qunsetenv("PLIKORA_PDF_OUTPUT");
    for (const QString &file : std::as_const(settings))
        QFile::remove(file);
}

TEST_F(MainFormTest, TheEnvelopeAndItsPreviewFollowADarkPalette)
{
    Session s(dir.path());
    TFormStampMain &form = *s.form;
    form.RichEditDestination->SetText("Jane Doe\n100 Main St\nSpringfield, IL 62704-1234");
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(49, 54, 59));
    dark.setColor(QPalette::ButtonText, QColor(239, 240, 241));
    QApplication::setPalette(dark);
    QCoreApplication::processEvents();

    // The envelope is in the buttons' colour, as the options have it; the facing mark stands out on it.
    const QColor envelope = form.PanelEnvelope->palette().color(QPalette::Window);
    EXPECT_EQ(envelope, QColor(49, 54, 59));
    const QImage mark = form.ImageFacingMark->pixmap().toImage();
    int inked = 0;
    for (int y = 0; y < mark.height(); ++y)
        for (int x = 0; x < mark.width(); ++x)
            inked += ContrastRatio(mark.pixelColor(x, y), envelope) >= 7 ? 1 : 0;
    EXPECT_GT(inked, 100);
    QApplication::setPalette(light);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.PanelEnvelope->palette().color(QPalette::Window), light.color(QPalette::Button));
}
