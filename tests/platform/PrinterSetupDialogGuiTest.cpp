#include "platform/PrinterSetupDialog.h"
#include "support/FakeSpooler.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QApplication &App()
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

} // namespace

TEST(PrinterSetupDialog, CommitsOnlyOnOk)
{
    App();
    PrinterCaps caps = FakeSpooler::OfficeCaps();
    DevMode dm;
    FillDefaultDevMode(QStringLiteral("Office"), caps, dm);
    const DevMode original = dm;

    auto answer = [](bool ok) {
        QTimer::singleShot(0, [ok] {
            auto *dialog = qobject_cast<PrinterSetupDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_EQ(dialog->paperBox->count(), 4);
            EXPECT_TRUE(dialog->portraitButton->isChecked());
            dialog->paperBox->setCurrentIndex(2);
            dialog->sourceBox->setCurrentIndex(3);
            dialog->landscapeButton->setChecked(true);
            ok ? dialog->accept() : dialog->reject();
        });
    };
    answer(false);
    EXPECT_FALSE(RunPrinterSetupDialog(nullptr, QStringLiteral("Office"), caps, dm));
    EXPECT_EQ(dm, original);

    answer(true);
    EXPECT_TRUE(RunPrinterSetupDialog(nullptr, QStringLiteral("Office"), caps, dm));
    EXPECT_EQ(dm.PaperSize(), DMPAPER_ENV_10);
    EXPECT_EQ(dm.DefaultSource(), DMBIN_ENVELOPE);
    EXPECT_EQ(dm.Orientation(), DMORIENT_LANDSCAPE);
}

// A printer that reports no paper sizes offers none and says where the size is given.
TEST(PrinterSetupDialog, APrinterWithoutPaperSizesSaysSo)
{
    App();
    PrinterCaps caps = FakeSpooler::OfficeCaps();
    caps.papers.clear();
    DevMode dm;
    FillDefaultDevMode(QStringLiteral("Raw"), caps, dm);
    PrinterSetupDialog dialog(QStringLiteral("Raw"), caps, dm);
    EXPECT_FALSE(dialog.paperBox->isEnabled());
    EXPECT_FALSE(dialog.paperBox->currentText().contains("0.0"));
    const auto *note = dialog.findChild<QLabel *>(QStringLiteral("NoPaperSizes"));
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->text().startsWith("The printer reports no paper sizes."));
}
