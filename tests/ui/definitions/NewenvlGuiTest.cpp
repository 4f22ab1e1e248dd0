#include "ui/definitions/Newenvl.h"

#include "foundation/QmPrinter.h"
#include "foundation/QmWindows.h"
#include "platform/ProgramFiles.h"
#include "support/FakeSpooler.h"
#include "ui/ManagerTestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QStringList models{"(generic)", "Brand Model 40", "Brand Model 4", "Other Laser"};

TEST(PrinterModelMatch, TheFirstModelThatBeginsWithThePrinterNameWins)
{
    EXPECT_EQ(MatchPrinterModel("Brand Model 4 on LPT1", models), 1);
    EXPECT_EQ(MatchPrinterModel("BRAND model 4", models), 1);
    EXPECT_EQ(MatchPrinterModel("Other", models), 3);
    EXPECT_EQ(MatchPrinterModel("Unknown Printer", models), 0);
    EXPECT_EQ(MatchPrinterModel("", models), 0);
    EXPECT_EQ(MatchPrinterModel("Brand Model 4", QStringList{"(generic)"}), 0);
}

TEST(PrinterModelMatch, AQueueNameThatMatchesNothingTriesTheMakeAndModel)
{
    EXPECT_EQ(MatchPrinterModel("office_queue", "Other Laser Pro, driverless", models), 0);
    EXPECT_EQ(MatchPrinterModel("office_queue", "other laser", models), 3);
    // The name wins when it matches.
    EXPECT_EQ(MatchPrinterModel("Brand Model 4", "Other Laser", models), 1);
    EXPECT_EQ(MatchPrinterModel("office_queue", "  ", models), 0);
}

TEST(PrinterModels, FileOrderAfterGenericAndOnlyGenericWithoutAFile)
{
    QTemporaryDir dir;
    EXPECT_EQ(ReadPrinterModels(dir.filePath("missing.ini")), QStringList{"(generic)"});
    QFile file(dir.filePath("DefaultEnvelopes.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Envelopes]\nCount=3\nEnvelope2_PrinterName=Zeta\nEnvelope1_PrinterName=Alpha\n"
               "Envelope3_Other=1\n");
    file.close();
    // Order by number, not by key order; a model without a name reads "(generic)".
    EXPECT_EQ(ReadPrinterModels(file.fileName()), (QStringList{"(generic)", "Alpha", "Zeta", "(generic)"}));
}

class NewenvlGuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ManagerTestApp();
        auto spooler = std::make_unique<FakeSpooler>();
        spooler->AddPrinter("Other Laser");
        spooler->AddPrinter("Brand Model 4");
        spooler->SetDefault("Brand Model 4");
        StartQmPrinter(std::move(spooler));
        QFile file(dir.filePath("DefaultEnvelopes.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Envelopes]\nCount=3\nEnvelope1_PrinterName=Brand Model 40\n"
                   "Envelope2_PrinterName=Brand Model 4\nEnvelope3_PrinterName=Other Laser\n");
        file.close();
        SetProgramDataFolder(dir.path());
        TDlgNewEnvelopeSize::MakeAndModelOf = nullptr;
    }
    void TearDown() override
    {
        FreeNewEnvelopeSizeDialog();
        SetProgramDataFolder(QString());
        StopQmPrinter();
    }

    QTemporaryDir dir;
};

TEST_F(NewenvlGuiTest, AddPreselectsTheDefaultPrinterAndItsModel)
{
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    int shownModel = -1;
    QString shownPrinter;
    WhenModalShows([&] {
        shownPrinter = dialog->ComboBoxPrinters()->currentText();
        shownModel = dialog->SelectedModelIndex();
        dialog->ComboBoxPrinters()->setCurrentIndex(0);
        emit dialog->ComboBoxPrinters()->activated(0);
        dialog->accept();
    });
    EXPECT_EQ(dialog->ExecuteAddEnvelope(true, "<enter envelope name here>"), QDialog::Accepted);
    EXPECT_EQ(shownPrinter, "Brand Model 4");
    EXPECT_EQ(shownModel, 1);
    // Choosing another printer picks its model.
    EXPECT_EQ(dialog->SelectedPrinterIndex(), 0);
    EXPECT_EQ(dialog->SelectedModelIndex(), 3);
    EXPECT_EQ(dialog->Description(), "<enter envelope name here>");
}

TEST_F(NewenvlGuiTest, ModesShowAndHideTheirControls)
{
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    WhenModalShows([&] { dialog->reject(); });
    dialog->ExecuteAddEnvelope(false, "#10 Business");
    EXPECT_TRUE(dialog->CancelBtn()->isHidden());

    bool cancelShown = false;
    bool printersEnabled = true;
    bool modelsShown = true;
    int shownWidth = 0;
    WhenModalShows([&] {
        shownWidth = dialog->width();
        cancelShown = dialog->CancelBtn()->isVisible();
        printersEnabled = dialog->ComboBoxPrinters()->isEnabled();
        modelsShown =
            dialog->ComboBoxDefaults()->isVisible() || dialog->RadioGroupEnvelopeType()->isVisible();
        dialog->reject();
    });
    EXPECT_EQ(dialog->ExecuteRenameEnvelope("Old", "Other Laser"), QDialog::Rejected);
    EXPECT_TRUE(cancelShown);
    EXPECT_GE(shownWidth, CaptionWidth(dialog)); // the caption is not cut in the title bar
    EXPECT_FALSE(printersEnabled);
    EXPECT_FALSE(modelsShown);
    EXPECT_EQ(dialog->LabelPrinters()->text(), "Selected Printer");
    EXPECT_EQ(dialog->ComboBoxPrinters()->count(), 1);

    WhenModalShows([&] {
        printersEnabled = dialog->ComboBoxPrinters()->isEnabled();
        modelsShown =
            dialog->ComboBoxDefaults()->isVisible() && dialog->RadioGroupEnvelopeType()->isVisible();
        dialog->accept();
    });
    dialog->ExecuteAddEnvelope(true, "x");
    EXPECT_TRUE(printersEnabled);
    EXPECT_TRUE(modelsShown);
    EXPECT_EQ(dialog->ComboBoxPrinters()->count(), 2);
    EXPECT_EQ(dialog->ComboBoxDefaults()->count(), 4);
}

TEST_F(NewenvlGuiTest, TheEnvelopeTypeStaysChosenForTheNextUse)
{
    TDlgNewEnvelopeSize *dialog = GetNewEnvelopeSizeDialog();
    WhenModalShows([&] {
        dialog->RadioLetter()->setChecked(true);
        dialog->accept();
    });
    dialog->ExecuteAddEnvelope(true, "x");
    WhenModalShows([&] { dialog->accept(); });
    dialog->ExecuteAddEnvelope(true, "y");
    EXPECT_EQ(dialog->EnvelopeType(), 1);
}

} // namespace
