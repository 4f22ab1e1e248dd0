#include "engine/EnvPrint.h"

#include "engine/PrintAddresses.h"
#include "platform/RichEdit.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedMessageService.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

TEST(PrintValues, CopiesAndRangeMessages)
{
    struct Case
    {
        QString copies, from, to;
        TPrintValuesCheck::Result outcome;
        QString message;
    };
    const Case cases[] = {
        {"1", "1", "5", TPrintValuesCheck::Ok, ""},
        {" 99 ", "1", "5", TPrintValuesCheck::Ok, ""},
        {"0", "1", "5", TPrintValuesCheck::CopiesOutOfRange,
         "You selected 0 copies, but only 1 to 99 can be printed."},
        {"100", "1", "5", TPrintValuesCheck::CopiesOutOfRange,
         "You selected 100 copies, but only 1 to 99 can be printed."},
        {"abc", "1", "5", TPrintValuesCheck::NotAnInteger, "'abc' is not a valid integer value"},
        {"2", "1", "", TPrintValuesCheck::NotAnInteger, "'' is not a valid integer value"},
        {"2", "1", "6", TPrintValuesCheck::RangeOutOfBounds, "You can only print from page 1 to page 5."},
        {"2", "0", "3", TPrintValuesCheck::RangeOutOfBounds, "You can only print from page 1 to page 5."},
        {"2", "4", "2", TPrintValuesCheck::Ok, ""}, // From after To passes and selects nothing
        {"0", "0", "9", TPrintValuesCheck::CopiesOutOfRange,
         "You selected 0 copies, but only 1 to 99 can be printed."}, // copies first
    };
    for (const Case &c : cases) {
        const TPrintValuesCheck check = CheckPrintValues(c.copies, c.from, c.to, 1, 5);
        EXPECT_EQ(check.Outcome, c.outcome) << c.copies.toStdString() << " " << c.to.toStdString();
        EXPECT_EQ(check.Message, c.message);
    }
    int v = 7;
    EXPECT_FALSE(TextToInteger("1e3", v));
    EXPECT_FALSE(TextToInteger("-", v));
    EXPECT_FALSE(TextToInteger("99999999999", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(TextToInteger("-4", v));
    EXPECT_EQ(v, -4);
}

namespace {

struct DialogFixture : ::testing::Test
{
    void SetUp() override
    {
        EnsureRichTextTestApp();
        destination = std::make_unique<RichEdit>();
        destination->SetText(
            "A One\r\n1 St\r\n\r\nB Two\r\n2 St\r\n\r\nC Three\r\n3 St\r\n\r\nD Four\r\n4 St\r\n\r\nE Five");
        list = std::make_unique<TAddressPrintList>(destination.get(), nullptr, nullptr);
        list->Refresh(false);
        dialog = std::make_unique<TDlgEnvelopePrint>();
        dialog->PrintList = list.get();
        dialog->Options = poWarning | poPageNums;
        dialog->MaxPage = dialog->ToPage = list->Count();
        QStringList captions;
        list->GetCaptions(captions);
        dialog->SetAddressCaptions(captions);
        list->SelectAll(true);
        dialog->UpdateSelectionCount();
    }

    std::unique_ptr<RichEdit> destination;
    std::unique_ptr<TAddressPrintList> list;
    std::unique_ptr<TDlgEnvelopePrint> dialog;
    ScriptedMessageService messages;
};

} // namespace

TEST_F(DialogFixture, PrintButtonKeepsTheDialogOpenOnBadValues)
{
    ASSERT_EQ(list->Count(), 5);
    dialog->Prepare();
    dialog->EditCopies->setText("100");
    dialog->PrintBtnClick();
    dialog->EditCopies->setText("3");
    dialog->EditTo->setText("6");
    dialog->PrintBtnClick();
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].message, "You selected 100 copies, but only 1 to 99 can be printed.");
    EXPECT_EQ(messages.shown[0].type, TMsgDlgType::Error);
    EXPECT_EQ(messages.shown[1].message, "You can only print from page 1 to page 5.");
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    // Executed and answered: the values come back.
    QTimer::singleShot(0, [this] {
        dialog->EditCopies->setText("3");
        dialog->EditFrom->setText("2");
        dialog->EditTo->setText("4");
        dialog->CheckBoxTest->setChecked(true);
        dialog->PrintBtnClick();
    });
    dialog->Copies = 1;
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Copies, 3);
    EXPECT_EQ(dialog->FromPage, 2);
    EXPECT_EQ(dialog->ToPage, 4);
    EXPECT_EQ(dialog->PrintRange, 2);
    EXPECT_TRUE(dialog->TestEnvelope);
    EXPECT_EQ(list->SelectedCount(), 3);
}

TEST_F(DialogFixture, CheckListAndRadioButtonsSelectAddresses)
{
    dialog->Prepare();
    EXPECT_EQ(dialog->RadioButtonSelection->text(), "&Selected addresses (5)");
    EXPECT_FALSE(dialog->RadioButtonSelection->isEnabled());

    dialog->RadioButtonNone->setChecked(true);
    dialog->RadioButtonNoneClick();
    EXPECT_EQ(dialog->RadioButtonSelection->text(), "&Selected addresses");

    dialog->CheckListBoxAddresses->item(1)->setCheckState(Qt::Checked);
    dialog->CheckListBoxAddresses->item(3)->setCheckState(Qt::Checked);
    EXPECT_TRUE(dialog->RadioButtonSelection->isChecked());
    EXPECT_TRUE(dialog->RadioButtonSelection->isEnabled());
    EXPECT_EQ(dialog->RadioButtonSelection->text(), "&Selected addresses (2)");
    EXPECT_TRUE(list->GetAddress(1).Selected);
    EXPECT_TRUE(list->GetAddress(3).Selected);
    dialog->CheckListBoxAddresses->item(1)->setCheckState(Qt::Unchecked);
    dialog->CheckListBoxAddresses->item(3)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(dialog->RadioButtonSelection->text(), "&Selected addresses");

    // Typing a range picks the range button and selects it; while filling, typing does nothing.
    dialog->EditTo->setText("3");
    EXPECT_TRUE(dialog->RadioButtonFromTo->isChecked());
    EXPECT_EQ(list->SelectedCount(), 3);
    dialog->Updating = true;
    dialog->EditFrom->setText("3");
    dialog->Updating = false;
    EXPECT_EQ(list->SelectedCount(), 3);
}
