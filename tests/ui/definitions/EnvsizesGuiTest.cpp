#include "ui/definitions/Envsizes.h"
#include "ui/definitions/EnvsizesPages.h"
#include "ui/definitions/EnvsizesSample.h"
#include "ui/definitions/Newenvl.h"
#include "ui/definitions/SendPrinterInfo.h"

#include "engine/PreferenceStore.h"
#include "engine/PrintAddresses.h"
#include "engine/RetAddr.h"
#include "platform/RichEdit.h"
#include "ui/printing/Prntprog.h"

#include "foundation/Measurements.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "platform/PdfSpooler.h"
#include "platform/ProgramFiles.h"
#include "platform/UrlOpener.h"
#include "support/FakeSpooler.h"
#include "support/PrintTestSupport.h"
#include "support/ScriptedMessageService.h"
#include "ui/ManagerTestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

const QString envelopes = QStringLiteral("Envelopes");

class TestPreferences : public TEnvelopePreferences
{
public:
    int measure = 0;
    bool postal = true;
    int Measure() const override { return measure; }
    bool PostalMargins() const override { return postal; }
    bool FacingMark() const override { return true; }
};

class EnvsizesGuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ManagerTestApp();
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(dir.isValid());
        StartUnique();
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
        TDlgNewEnvelopeSize::MakeAndModelOf = nullptr;
        definitions = std::make_unique<DefinitionStore>();
        hostPtr = std::make_unique<FollowingCombos>();
        hostPtr->Follow(*definitions);
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        SetEnvelopePreferences(nullptr);
        delete manager;
        definitions.reset();
        FreeNewEnvelopeSizeDialog();
        FreePrintStatusForm();
        StopQmPrinter();
        SetProgramDataFolder(QString());
        delete IniFile;
        IniFile = nullptr;
        StopUnique();
    }

    FakeSpooler &fakePrinters(const QStringList &names)
    {
        auto spooler = std::make_unique<FakeSpooler>();
        FakeSpooler &fake = *spooler;
        for (const QString &name : names)
            fake.AddPrinter(name);
        fake.SetDefault(names.value(0));
        StartQmPrinter(std::move(spooler));
        return fake;
    }
    void setupAnswers(bool ok)
    {
        PrinterInstance()->SetSetupDialog([this, ok](const QString &, const PrinterCaps &, DevMode &) {
            ++setupDialogs;
            return ok;
        });
    }
    void store(const QStringList &descriptions, int storedDefault, const QString &printer = "Office Laser")
    {
        IniFile->WriteInteger(envelopes, QStringLiteral("Count"), int(descriptions.size()));
        IniFile->WriteInteger(envelopes, QStringLiteral("Default"), storedDefault);
        for (int n = 1; n <= descriptions.size(); ++n) {
            const QString name = QStringLiteral("Envelope%1").arg(n);
            IniFile->WriteString(envelopes, name, descriptions.at(n - 1));
            IniFile->WriteString(envelopes, name + QStringLiteral("_FullPrinterName"), printer);
            IniFile->WriteInteger(envelopes, name + QStringLiteral("_ReturnLeft"), n);
        }
    }
    // Answers the next definition dialog with this description and OK or Cancel.
    void answerDialog(const QString &description, bool ok, int envelopeType = 0)
    {
        WhenModalShows([=, this] {
            TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
            seenCancelButton = dialog->CancelBtn()->isVisible();
            seenTitle = dialog->windowTitle();
            dialog->EditEnvelopeSize()->setText(description);
            (envelopeType == 1 ? dialog->RadioLetter() : dialog->RadioEnvelope())->setChecked(true);
            if (ok)
                dialog->accept();
            else
                dialog->reject();
        });
    }
    // The manager over the stored list, as the program starts it.
    void open()
    {
        manager = new TDlgEnvelopeSizes(*definitions);
        firstRun = definitions->LoadEnvelopeList();
    }
    void select(int row)
    {
        manager->ListEnvelopes()->setCurrentRow(row);
        definitions->SelectEnvelope(row);
    }
    QString storedDefault() const
    {
        const int n = IniFile->ReadInteger(envelopes, QStringLiteral("Default"), 0);
        return IniFile->ReadString(envelopes, QStringLiteral("Envelope%1").arg(n), QStringLiteral("?"));
    }
    QStringList listTexts() const
    {
        QStringList texts;
        for (int i = 0; i < manager->ListEnvelopes()->count(); ++i)
            texts << manager->ListEnvelopes()->item(i)->text();
        return texts;
    }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    std::unique_ptr<DefinitionStore> definitions;
    std::unique_ptr<FollowingCombos> hostPtr;
    TDlgEnvelopeSizes *manager = nullptr;
    bool firstRun = false;
    int setupDialogs = 0;
    bool seenCancelButton = false;
    QString seenTitle;
};

TEST_F(EnvsizesGuiTest, LoadSelectsTheDefaultAndFillsTheMainWindow)
{
    fakePrinters({"Office Laser"});
    store({"#10 Business", "DL", "Monarch"}, 3);
    open();
    EXPECT_EQ(listTexts(), (QStringList{"#10 Business", "DL", "Monarch"}));
    ASSERT_TRUE(definitions->HasCurrentEnvelope());
    EXPECT_EQ(definitions->CurrentEnvelope(), definitions->List().Object(2));
    EXPECT_EQ(hostPtr->envelopeCombo.currentIndex(), 2);
    EXPECT_EQ(manager->ListEnvelopes()->currentRow(), 2);
    EXPECT_FALSE(firstRun);
    EXPECT_TRUE(manager->ListEnvelopes()->item(2)->font().bold());
    EXPECT_FALSE(manager->ListEnvelopes()->item(0)->font().bold());
    EXPECT_EQ(manager->GroupBoxDetails()->title(), "Setup for \"Monarch\"");
}

TEST_F(EnvsizesGuiTest, AnEmptyListMarksTheFirstRun)
{
    fakePrinters({"Office Laser"});
    open();
    EXPECT_TRUE(firstRun);
    EXPECT_FALSE(definitions->HasCurrentEnvelope());
    EXPECT_FALSE(manager->RenameBtn()->isEnabled());
    EXPECT_FALSE(manager->DeleteBtn()->isEnabled());
    EXPECT_TRUE(manager->AddBtn()->isEnabled());
}

TEST_F(EnvsizesGuiTest, AGonePrinterLeavesNoCurrentDefinitionButCanBeDeleted)
{
    fakePrinters({"Office Laser"});
    store({"Old"}, 1, "Vanished Printer");
    open();
    EXPECT_FALSE(definitions->HasCurrentEnvelope());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].message.contains("Vanished Printer"));
    EXPECT_TRUE(manager->ListEnvelopes()->item(0)->font().strikeOut());
    EXPECT_FALSE(manager->RenameBtn()->isEnabled());
    EXPECT_FALSE(manager->SetupBtn()->isEnabled());
    EXPECT_TRUE(manager->DeleteBtn()->isEnabled());
    messages.answers = {mrYes};
    manager->DeleteBtnClick();
    EXPECT_TRUE(definitions->List().IsEmpty());
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Count", -1), 0);
}

TEST_F(EnvsizesGuiTest, AddRenameDeleteKeepTheStoredDefault)
{
    fakePrinters({"Office Laser", "Desk Inkjet"});
    setupAnswers(false);
    store({"m", "x"}, 2);
    open();

    answerDialog("a", true);
    manager->AddBtnClick();
    EXPECT_EQ(seenTitle, "Add Envelope Definition");
    EXPECT_TRUE(seenCancelButton);
    EXPECT_EQ(listTexts(), (QStringList{"a", "m", "x"}));
    EXPECT_EQ(storedDefault(), "x");
    // The new definition is current, stored under its sorted key with its own setup.
    EXPECT_EQ(definitions->CurrentEnvelope(), definitions->List().Object(0));
    EXPECT_EQ(definitions->CurrentEnvelope()->Name, "Envelope1");
    EXPECT_NE(definitions->CurrentEnvelope()->IniId, 0);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_IniId", 0), definitions->CurrentEnvelope()->IniId);
    EXPECT_TRUE(
        IniFile->SectionExists(QStringLiteral("IniId_%1").arg(definitions->CurrentEnvelope()->IniId)));
    EXPECT_EQ(hostPtr->envelopeCombo.count(), 3);
    EXPECT_EQ(hostPtr->envelopeCombo.currentIndex(), 0);
    EXPECT_EQ(setupDialogs, 1);

    // Renaming the default across another entry keeps it the default.
    select(2);
    answerDialog("b", true);
    manager->RenameBtnClick();
    EXPECT_EQ(seenTitle, "Rename Envelope Definition");
    EXPECT_EQ(listTexts(), (QStringList{"a", "b", "m"}));
    EXPECT_EQ(definitions->List().DefaultIndex(), 1);
    EXPECT_EQ(storedDefault(), "b");
    EXPECT_EQ(definitions->List().Object(1)->ReturnLeft(), 2);

    // Renaming another entry across the default.
    select(0);
    answerDialog("z", true);
    manager->RenameBtnClick();
    EXPECT_EQ(listTexts(), (QStringList{"b", "m", "z"}));
    EXPECT_EQ(storedDefault(), "b");

    // A cancelled rename changes nothing.
    answerDialog("q", false);
    manager->RenameBtnClick();
    EXPECT_EQ(listTexts(), (QStringList{"b", "m", "z"}));

    // Deleting before the default keeps it; No keeps everything.
    select(0);
    messages.answers = {mrNo};
    manager->DeleteBtnClick();
    EXPECT_EQ(definitions->List().Count(), 3);
    EXPECT_EQ(messages.shown.last().message, "Do you want to delete envelope \"b\"");
    EXPECT_EQ(messages.shown.last().helpContext, 20096);
    messages.answers = {mrYes};
    select(1);
    const int erasedId = definitions->List().Object(1)->IniId;
    manager->DeleteBtnClick();
    EXPECT_EQ(listTexts(), (QStringList{"b", "z"}));
    EXPECT_EQ(storedDefault(), "b");
    EXPECT_FALSE(erasedId != 0 && IniFile->SectionExists(QStringLiteral("IniId_%1").arg(erasedId)));
    EXPECT_EQ(definitions->CurrentEnvelope(), definitions->List().Object(0));

    // Deleting the default makes the first entry the default.
    messages.answers = {mrYes};
    select(0);
    manager->DeleteBtnClick();
    EXPECT_EQ(storedDefault(), "z");
    messages.answers = {mrYes};
    manager->DeleteBtnClick();
    EXPECT_TRUE(definitions->List().IsEmpty());
    EXPECT_FALSE(definitions->HasCurrentEnvelope());
    EXPECT_FALSE(manager->DeleteBtn()->isEnabled());
    EXPECT_EQ(hostPtr->envelopeCombo.count(), 0);

    // Adding to the emptied list makes the new entry the default.
    answerDialog("fresh", true);
    manager->AddBtnClick();
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Default", 0), 1);
    EXPECT_TRUE(manager->ListEnvelopes()->item(0)->font().bold());
}

TEST_F(EnvsizesGuiTest, DefaultIsStoredAtShutdown)
{
    fakePrinters({"Office Laser"});
    store({"a", "b"}, 1);
    open();
    select(1);
    manager->DefaultBtnClick();
    EXPECT_TRUE(manager->ListEnvelopes()->item(1)->font().bold());
    EXPECT_EQ(storedDefault(), "a");
    delete manager;
    manager = nullptr;
    definitions.reset();
    EXPECT_EQ(storedDefault(), "b");
}

TEST_F(EnvsizesGuiTest, SetupResetsTheLayoutOnlyForAnotherPaperOrOrientation)
{
    fakePrinters({"Office Laser"});
    store({"a"}, 1);
    open();
    ASSERT_TRUE(definitions->HasCurrentEnvelope());
    TEnvelopeData &data = *definitions->CurrentEnvelope();
    data.SetReturnLeft(77);
    // Cancelled, or confirmed with another bin only: the typed distances stay.
    setupAnswers(false);
    manager->SetupBtnClick();
    EXPECT_EQ(data.ReturnLeft(), 77);
    PrinterInstance()->SetSetupDialog([](const QString &, const PrinterCaps &caps, DevMode &dm) {
        dm.SetDefaultSource(int16_t(caps.bins.last().number));
        return true;
    });
    manager->SetupBtnClick();
    EXPECT_EQ(data.ReturnLeft(), 77);
    EXPECT_TRUE(manager->StatusBar()->currentMessage().contains("kept"));
    // Turned: the defaults for the paper as it now lies, and the window says so.
    PrinterInstance()->SetSetupDialog([](const QString &, const PrinterCaps &, DevMode &dm) {
        dm.SetOrientation(dm.Orientation() == DMORIENT_LANDSCAPE ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE);
        return true;
    });
    manager->SetupBtnClick();
    EXPECT_EQ(data.ReturnLeft(), 0);
    EXPECT_TRUE(manager->StatusBar()->currentMessage().contains("reset"));
}

TEST_F(EnvsizesGuiTest, LetterFoldedInThirdsAndModelDefaults)
{
    QTemporaryDir data;
    QFile models(data.filePath("DefaultEnvelopes.ini"));
    ASSERT_TRUE(models.open(QIODevice::WriteOnly));
    models.write("[Envelopes]\nCount=1\nEnvelope1_PrinterName=Office Laser 5000\nEnvelope1_ReturnLeft=42\n"
                 "Envelope1_PaperSize=20\n");
    models.close();
    SetProgramDataFolder(data.path());
    fakePrinters({"Office Laser"});
    setupAnswers(true);
    open();

    // The model's layout holds at once, through the setup that completes the add.
    answerDialog("From model", true);
    manager->AddBtnClick();
    EXPECT_EQ(GetNewEnvelopeSizeDialog()->SelectedModelIndex(), 1);
    EXPECT_EQ(setupDialogs, 1);
    EXPECT_EQ(definitions->CurrentEnvelope()->ReturnLeft(), 42);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_ReturnLeft", 0), 42);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_Fields", 0), 0x1A0F);

    answerDialog("Letter", true, 1);
    manager->AddBtnClick();
    ASSERT_TRUE(definitions->HasCurrentEnvelope());
    EXPECT_EQ(definitions->CurrentEnvelope()->PaperSize, 1);
    EXPECT_EQ(definitions->CurrentEnvelope()->TriFoldFromTop(), 350);
}

TEST_F(EnvsizesGuiTest, FirstRunOnTheBuiltInPdfPrinterMakesADefinitionThatPrints)
{
    const QString output = dir.filePath("envelope.pdf");
    StartQmPrinter(std::make_unique<PdfSpooler>([output](const QString &) { return output; }));
    setupAnswers(true);
    open();
    ASSERT_TRUE(firstRun);

    WhenModalShows([this] {
        TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
        seenCancelButton = dialog->CancelBtn()->isVisible();
        seenTitle = dialog->EditEnvelopeSize()->text();
        dialog->accept();
    });
    ASSERT_TRUE(manager->CreateFirstEnvelope());
    ASSERT_GE(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].helpContext, 20018);
    EXPECT_FALSE(seenCancelButton);
    EXPECT_EQ(seenTitle, "#10 Business");

    EXPECT_EQ(listTexts(), QStringList{"#10 Business"});
    ASSERT_TRUE(definitions->HasCurrentEnvelope());
    EXPECT_EQ(definitions->CurrentEnvelope()->FullPrinterName, PdfSpooler::PrinterName());
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Count", 0), 1);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Default", 0), 1);
    const int id = IniFile->ReadInteger(envelopes, "Envelope1_IniId", 0);
    EXPECT_NE(id, 0);
    EXPECT_TRUE(IniFile->SectionExists(QStringLiteral("IniId_%1").arg(id)));
    EXPECT_EQ(hostPtr->envelopeCombo.currentIndex(), 0);
    // The stored definition holds what its printer setup filled in: a landscape #10.
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_Fields", 0), 0x1A0F);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_Orientation", 0), DMORIENT_LANDSCAPE);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_PaperSize", 0), DMPAPER_ENV_10);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_PaperLength", 0), 2413);
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Envelope1_PaperWidth", 0), 1048);

    // The manager then opens with the printer settings, and an envelope prints.
    WhenModalShows([this] { manager->accept(); });
    EXPECT_EQ(manager->Execute(true), QDialog::Accepted);
    EXPECT_EQ(setupDialogs, 1);

    RichEdit destination;
    RichEdit returnBox;
    RichEdit attention;
    destination.SetText("Jane Doe\n1600 Main St\nSpringfield IL 98765");
    returnBox.SetText("Sender Name\n12 Long Road\nHometown ST 12345");
    TReturnAddress returnAddress;
    TAddressPrintList list(&destination, &returnBox, &attention);
    list.Refresh(true);
    EXPECT_EQ(list.PrintEnvelopes(1, false, &returnAddress, definitions->CurrentEnvelope(),
                                  "Plikora Envelope", 0, false, GetPrintStatusForm()),
              TPrintOutcome::Printed);
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    const PdfFacts facts = PdfInfo(pdf);
    ASSERT_TRUE(facts.ok);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_EQ(facts.title, "Plikora Envelope");
    // A landscape #10 envelope.
    EXPECT_NEAR(facts.width, 684, 1);
    EXPECT_NEAR(facts.height, 297, 1);
    const QList<PdfWord> words = PdfWords(pdf, 1);
    auto word = [&](const QString &text) {
        auto it = std::find_if(words.begin(), words.end(), [&](const PdfWord &w) { return w.text == text; });
        return it == words.end() ? PdfWord{text, -1, -1, -1, -1} : *it;
    };
    // The return address is inset by the quarter inch the printer cannot reach.
    EXPECT_NEAR(word("Sender").xMin, 18, 2);
    EXPECT_GT(word("Sender").yMin, 17);
    EXPECT_NEAR(word("Jane").xMin, (0.25 + 3.8) * 72, 3);
    // Nothing overlaps: the return lines, the destination and the facing mark
    // (from 7.25 in across, 0.625 in tall below the inset) keep apart.
    const PdfWord mark{"mark", 7.25 * 72, 18, 7.55 * 72, 18 + 0.625 * 72};
    auto overlap = [](const PdfWord &a, const PdfWord &b) {
        return a.xMin < b.xMax && b.xMin < a.xMax && a.yMin < b.yMax && b.yMin < a.yMax;
    };
    for (const char *d : {"Jane", "Doe", "1600", "Main", "St", "Springfield", "IL", "98765"}) {
        const PdfWord w = word(d);
        ASSERT_GE(w.xMin, 0) << d;
        EXPECT_FALSE(overlap(w, mark)) << d;
        for (const char *r : {"Sender", "Name", "12", "Long", "Road", "Hometown", "ST", "12345"})
            EXPECT_FALSE(overlap(w, word(r))) << d << " " << r;
    }
}

TEST_F(EnvsizesGuiTest, APrinterFailingDuringFirstRunCreatesNothing)
{
    // No printer at all: the printer object cannot select one.
    fakePrinters({});
    open();
    WhenModalShows([] { GetNewEnvelopeSizeDialog()->accept(); });
    EXPECT_FALSE(manager->CreateFirstEnvelope());
    EXPECT_TRUE(definitions->List().IsEmpty());
    EXPECT_FALSE(definitions->HasCurrentEnvelope());
    EXPECT_EQ(IniFile->ReadInteger(envelopes, "Count", 0), 0);
    EXPECT_EQ(messages.shown.last().type, TMsgDlgType::Error);
}

TEST_F(EnvsizesGuiTest, ShowingTheWindowKeepsItsSize)
{
    fakePrinters({"Office Laser"});
    store({"a"}, 1);
    open();
    const int width = manager->width();
    for (int i = 0; i < 2; ++i) {
        WhenModalShows([this] { manager->accept(); });
        manager->Execute(false);
    }
    EXPECT_EQ(manager->width(), width);
    // A stamp price without a picture of its own leaves the sample's stamp shown.
    const TPreferences original = Preferences().Values();
    TPreferences prices = original;
    for (const int price : {36, 40}) {
        prices.StampPrice = price;
        Preferences().Set(prices);
        manager->LoadSampleStamp();
        EXPECT_FALSE(manager->Sample()->ImageStamp()->pixmap().isNull()) << price;
    }
    Preferences().Set(original);
}

TEST_F(EnvsizesGuiTest, TheFirstSizeShowsEveryTabAndRowWhole)
{
    fakePrinters({"Office Laser"});
    store({"a"}, 1);
    open();
    manager->show();
    TEnvelopePages &pages = *manager->Pages();
    QTabBar &tabs = *pages.tabBar();
    for (int i = 0; i < tabs.count(); ++i)
        EXPECT_TRUE(tabs.rect().contains(tabs.tabRect(i))) << i;
    for (QTableWidget *grid : {pages.StringGridEnvelopeIndents(), pages.StringGridPrinterSetup(),
                               pages.StringGridPrinterDiagnostics()}) {
        pages.setCurrentWidget(grid->parentWidget());
        QCoreApplication::processEvents();
        EXPECT_EQ(grid->verticalScrollBar()->maximum(), 0) << grid->rowCount();
    }
}

TEST_F(EnvsizesGuiTest, AmpersandsShowInCaptions)
{
    fakePrinters({"Office Laser"});
    store({"A&B"}, 1);
    open();
    EXPECT_EQ(manager->GroupBoxDetails()->title(), "Setup for \"A&&B\"");
}

TEST_F(EnvsizesGuiTest, TheIndentsGridAndCustomSizeKeepTypedValues)
{
    TestPreferences preferences;
    SetEnvelopePreferences(&preferences);
    fakePrinters({"Office Laser"});
    store({"a"}, 1);
    open();
    TEnvelopeData &data = *definitions->CurrentEnvelope();
    TEnvelopePages &pages = *manager->Pages();
    QTableWidget &grid = *pages.StringGridEnvelopeIndents();
    const auto type = [&](int row, const QString &text) {
        grid.item(row, 1)->setText(text);
        return grid.item(row, 1)->text();
    };

    preferences.measure = 1;
    manager->ShowEnvelopeDetails();
    EXPECT_EQ(grid.item(0, 1)->text(), "Value (cm)");
    EXPECT_EQ(pages.LabelUnits()->text(), "(CM)");
    EXPECT_EQ(type(1, "2.54"), "2.54");
    EXPECT_EQ(data.ReturnLeft(), 100);

    preferences.measure = 0;
    manager->ShowEnvelopeDetails();
    EXPECT_EQ(type(4, "9"), "2.75"); // the postal limit
    EXPECT_EQ(data.DestinationBottom(), 275);
    EXPECT_EQ(type(8, "9"), "5.00");
    EXPECT_EQ(data.TriFoldFromTop(), 500);
    EXPECT_EQ(type(2, "99999"), "5.00");
    EXPECT_EQ(data.ReturnLeft(), 100); // the other rows kept
    EXPECT_FALSE(grid.item(1, 0)->flags() & Qt::ItemIsEditable);

    // What is not a length is refused by name; the cell shows the stored value again.
    const QString destinationLeft = grid.item(3, 1)->text();
    EXPECT_EQ(type(3, "4,25"), destinationLeft);
    EXPECT_EQ(type(3, ""), destinationLeft);
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].message.startsWith("Destination from left: \"4,25\" is not a length."));

    // A custom size, limited by the printer, stored with the setup at once; one
    // larger than the letter paper it is printed on is refused.
    pages.RadioButtonCustom()->click();
    ASSERT_TRUE(pages.EditCustomWidth()->isEnabled());
    const QString setup = QStringLiteral("IniId_%1").arg(data.IniId);
    const auto enterSize = [&](const QString &width, const QString &height) {
        pages.EditCustomWidth()->setText(width);
        pages.EditCustomHeight()->setText(height);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(pages.EditCustomWidth(), &enter);
        QCoreApplication::processEvents();
    };
    const int heightBefore = IniFile->ReadInteger(setup, "CustomHeight", 0);
    enterSize("1", "20");
    EXPECT_TRUE(
        messages.shown.last().message.startsWith("The custom envelope size 3.00 x 16.00 in is larger than "
                                                 "the paper it is printed on (8.50 x 11.00 in)."));
    EXPECT_EQ(IniFile->ReadInteger(setup, "CustomHeight", 0), heightBefore);
    EXPECT_EQ(pages.EditCustomHeight()->text(), LengthText(heightBefore, false, QLocale::c()));
    enterSize("1", "9.5");
    EXPECT_EQ(pages.EditCustomWidth()->text(), "3.00");
    EXPECT_EQ(pages.EditCustomHeight()->text(), "9.50");
    EXPECT_TRUE(IniFile->ReadBool(setup, "CustomSize", false));
    EXPECT_EQ(IniFile->ReadInteger(setup, "CustomWidth", 0), 300);

    // A German user types and sees decimal commas; a point is read too.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    manager->ShowEnvelopeDetails();
    EXPECT_EQ(grid.item(4, 1)->text(), "2,75");
    EXPECT_EQ(type(1, "4,25"), "4,25");
    EXPECT_EQ(data.ReturnLeft(), 425);
    EXPECT_EQ(type(5, "0.5"), "0,50");
    EXPECT_EQ(type(2, "1.234,5"), "5,00");
    enterSize("9,25", "4,1");
    EXPECT_EQ(IniFile->ReadInteger(setup, "CustomWidth", 0), 300);
    EXPECT_EQ(pages.EditCustomHeight()->text(), "9,50");
    enterSize("4,5", "9,5");
    EXPECT_EQ(IniFile->ReadInteger(setup, "CustomWidth", 0), 450);
    EXPECT_EQ(IniFile->ReadInteger(setup, "CustomHeight", 0), 950);
    QLocale::setDefault(QLocale::c());
    manager->ShowEnvelopeDetails();
    pages.RadioButtonPrinter()->click();
    EXPECT_FALSE(IniFile->ReadBool(setup, "CustomSize", true));
    EXPECT_FALSE(pages.EditCustomWidth()->isEnabled());

    // The printer's facts, and nothing shown without a current definition.
    EXPECT_EQ(pages.StringGridPrinterSetup()->item(1, 1)->text(), "Office Laser");
    EXPECT_EQ(pages.EditPaperSize()->text(), pages.StringGridPrinterSetup()->item(2, 1)->text());
    EXPECT_EQ(pages.StringGridPrinterDiagnostics()->rowCount(), 6);
    definitions->SelectEnvelope(-1);
    manager->ShowEnvelopeDetails();
    EXPECT_TRUE(grid.isHidden());
    EXPECT_TRUE(pages.StringGridPrinterSetup()->isHidden());
}

TEST_F(EnvsizesGuiTest, DraggingAMarkerStoresItsPlace)
{
    fakePrinters({"Office Laser"});
    store({"a"}, 1);
    open();
    manager->show();
    TEnvelopeData &data = *definitions->CurrentEnvelope();
    TEnvelopeSample &sample = *manager->Sample();
    QLabel *marker = sample.Marker(TSampleMarker::Destination);
    ASSERT_TRUE(marker->isVisible());
    const QPoint start = marker->pos();
    const int bottom = data.DestinationBottom();

    // Down on the marker, ten pixels up, and up again.
    const QPoint grip(5, 5);
    const auto send = [&](QWidget *to, QEvent::Type type, QPoint inMarker, Qt::MouseButtons buttons) {
        const QPoint global = marker->parentWidget()->mapToGlobal(start + inMarker);
        QMouseEvent event(type, to->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(to, &event);
    };
    send(marker, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    EXPECT_TRUE(marker->isHidden());
    ASSERT_TRUE(sample.PanelMove()->isVisible());
    QWidget *grabber = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : marker;
    send(grabber, QEvent::MouseMove, grip - QPoint(0, 5), Qt::LeftButton);
    EXPECT_EQ(sample.PanelMove()->pos(), start - QPoint(0, 5));
    send(grabber, QEvent::MouseButtonRelease, grip - QPoint(0, 10), Qt::NoButton);

    EXPECT_TRUE(sample.PanelMove()->isHidden());
    EXPECT_TRUE(marker->isVisible());
    const int p = sample.PixelsPerInch();
    EXPECT_NEAR(data.DestinationBottom(), bottom + 10 * 333 / p, 333 / p + 1);
    EXPECT_EQ(manager->Pages()->StringGridEnvelopeIndents()->item(4, 1)->text(),
              data.GetDestinationBottomText());
    EXPECT_NEAR(marker->y(), start.y() - 10, 1);
}

class RecordingOpener : public TUrlOpener
{
public:
    QStringList opened;
    bool Open(const QString &url) override
    {
        opened << url;
        return true;
    }
};

TEST_F(EnvsizesGuiTest, SendWritesThePageOfTheCurrentDefinitions)
{
    QTemporaryDir data;
    QFile page(data.filePath("sendprinterinfo.htm"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<form>\n<p>xxxxx|xxxxx</p>\nno marker\n");
    page.close();
    SetProgramDataFolder(data.path());
    RecordingOpener opener;
    SetUrlOpener(&opener);
    fakePrinters({"Office Laser"});
    store({"Say \"hi\"><script>", "<b>"}, 1);
    open();
    ASSERT_TRUE(definitions->HasCurrentEnvelope());
    definitions->CurrentEnvelope()->SetReturnLeft(77); // not saved yet, and sent

    manager->SendIniBtn()->click();
    SetUrlOpener(nullptr);
    ASSERT_EQ(opener.opened.size(), 1);
    const QUrl url(opener.opened[0]);
    ASSERT_TRUE(url.isLocalFile());
    const QFileInfo written(url.toLocalFile());
    EXPECT_EQ(written.dir().entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
    EXPECT_EQ(QFile(written.path()).permissions() & 0x0077, 0); // nobody else may look in
    QFile result(written.filePath());
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(result.readAll()).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "<form>");
    EXPECT_TRUE(lines[1].startsWith("<p><input type=\"hidden\" name=\"Count\" value=\"2\">"));
    EXPECT_TRUE(lines[1].endsWith("|xxxxx</p>"));
    EXPECT_EQ(lines[2], "no marker");
    EXPECT_EQ(lines[1].count("<input"), 1 + 2 * 16);
    EXPECT_TRUE(lines[1].contains("name=\"Envelope1\" value=\"&lt;b&gt;\">"));
    EXPECT_TRUE(lines[1].contains("value=\"Say &quot;hi&quot;&gt;&lt;script&gt;\">"));
    // In the list's order, as the next save stores them.
    EXPECT_TRUE(lines[1].contains("name=\"Envelope1_ReturnLeft\" value=\"2\">"));
    EXPECT_TRUE(lines[1].contains("name=\"Envelope2_ReturnLeft\" value=\"77\">"));
    EXPECT_FALSE(lines[1].contains("TriFold"));

    // No definitions: the count alone. A missing template opens nothing.
    EXPECT_EQ(PrinterInfoInputs(TDescribedList<TEnvelopeData>()),
              "<input type=\"hidden\" name=\"Count\" value=\"0\">");
    QFile::remove(page.fileName());
    SetUrlOpener(&opener);
    manager->SendIniBtn()->click();
    SetUrlOpener(nullptr);
    EXPECT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(messages.shown.last().type, TMsgDlgType::Error);
}

} // namespace
