#include "ui/options/Options.h"

#include "engine/DefinitionStore.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Ruler.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "platform/PdfSpooler.h"
#include "platform/RichEdit.h"
#include "support/MainFormHooks.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedFileDialogService.h"
#include "ui/definitions/Envsizes.h"
#include "ui/definitions/EnvsizesPages.h"
#include "ui/definitions/EnvsizesSample.h"
#include "ui/main/MainForm.h"
#include "ui/main/Oldfiles.h"
#include "ui/options/SelectFolder.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kOptions = "Options";

const TPreferences &Prefs()
{
    return Preferences().Values();
}

struct OptionsTest : ::testing::Test
{
    void SetUp() override
    {
        EnsureRichTextTestApp();
        ASSERT_TRUE(dir.isValid());
        StartWindowsDefaultFolders();
        // Settings of this test alone.
        WinDefaultFolders.AppData = dir.path() + "/config";
        StartQmIniFile(dir.path() + "/plikora");
        StartUnique();
        StartQmPrinter(std::make_unique<PdfSpooler>());
        StartOldfiles();
        form = new TFormStampMain(definitions, returnAddresses, CountingHooks());
    }
    void TearDown() override
    {
        FreeOptionsDialog();
        FreeSelectFolderDialog();
        delete form;
        FreePreferences();
        StopOldfiles();
        StopQmPrinter();
        StopUnique();
        StopQmIniFile();
        StopWindowsDefaultFolders();
    }
    QStringList StoredKeys() const
    {
        QStringList keys;
        RegIni->ReadSection(kOptions, keys);
        return keys;
    }
    QString Stored(const QString &key) const { return RegIni->ReadString(kOptions, key, "<missing>"); }

    QTemporaryDir dir;
    ScriptedFileDialogService files;
    DefinitionStore definitions;
    ReturnAddressStore returnAddresses;
    TFormStampMain *form = nullptr;
};

} // namespace

TEST_F(OptionsTest, OkAppliesAndStoresEveryKeyInOrderCancelStoresNothing)
{
    TDlgOptions &dialog = *GetOptionsDialog();
    int changed = 0;
    QObject::connect(&Preferences(), &PreferenceStore::changed, [&] { ++changed; });

    QTimer::singleShot(0, [&] {
        dialog.CheckBoxShowHints->setChecked(false);
        dialog.ButtonCancel->click();
    });
    EXPECT_FALSE(dialog.ExecuteOptions());
    EXPECT_TRUE(StoredKeys().isEmpty());
    EXPECT_TRUE(Prefs().ShowHints);

    // Each bar-code item and stamp price stores its own value, and the next print job takes it.
    int printedPlacement = -1;
    form->SetPrintEnvelopesJob([&](TAddressPrintList &, int, bool, TReturnAddress *, TEnvelopeData *,
                                   const QString &, int Placement, bool) {
        printedPlacement = Placement;
        return TPrintOutcome::Printed;
    });
    form->RichEditDestination->SetText("Jane Doe\r\n1 Elm St\r\nSpringfield IL 62704");
    const int barCodes[] = {0, 3, 1, 2};
    for (int item = 0; item < 4; ++item) {
        dialog.LoadFrom();
        dialog.RadioGroupBarCode->SetItemIndex(item);
        dialog.ComboBoxStampPrice->setCurrentIndex(item % 3);
        dialog.RadioGroupMeasure->SetItemIndex(item % 2);
        dialog.ApplyTo();
        EXPECT_EQ(Prefs().PrintBarCode, barCodes[item]);
        EXPECT_EQ(Stored("PrintBarCode"), QString::number(barCodes[item]));
        EXPECT_EQ(Stored("StampPrice"), QString::number(37 + item % 3));
        EXPECT_EQ(Prefs().Measure, item % 2);
        form->PrintEnvelope(true);
        EXPECT_EQ(printedPlacement, barCodes[item]);
    }
    EXPECT_EQ(changed, 4);

    // The return-address editor is already open when OK is pressed.
    TDlgReturnAddresses editor(returnAddresses);
    editor.show();
    EXPECT_EQ(editor.FontComboBox->ShowStyle(), ssFontSample);
    QTimer::singleShot(0, [&] {
        dialog.CheckBoxShowHints->setChecked(false);
        dialog.CheckBoxShowBorders->setChecked(false);
        dialog.CheckBoxShowFonts->setChecked(false);
        dialog.CheckBoxFacingMark->setChecked(false);
        dialog.ColorBoxEnvelope->setCurrentIndex(dialog.ColorBoxEnvelope->findText("White"));
        dialog.ButtonOK->click();
    });
    EXPECT_TRUE(dialog.ExecuteOptions());
    EXPECT_EQ(StoredKeys(), QStringList({"ShowHints", "ShowBorders", "ClearAttention", "SaveAttention",
                                         "RememberReturnAddress", "RememberEnvelope", "PostalMargins",
                                         "ConvertTabsToCrlf", "FacingMark", "EnvelopeColor", "ShowFonts",
                                         "PrintBarCode", "Measure", "StampPrice", "ClipArtPath",
                                         "FavoritesPath", "DefaultEnvelopePath", "GraphicEditor"}));
    EXPECT_EQ(Stored("ShowHints"), "0");
    EXPECT_EQ(Stored("EnvelopeColor"), QString::number(0xFFFFFF));
    EXPECT_FALSE(Prefs().ShowHints);
    EXPECT_FALSE(Prefs().FacingMark);
    EXPECT_EQ(form->RichEditDestination->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(form->FontComboBox->ShowStyle(), ssFontName);
    EXPECT_EQ(editor.FontComboBox->ShowStyle(), ssFontName);
    EXPECT_EQ(form->PanelEnvelope->palette().color(QPalette::Window), QColor(Qt::white));

    // Hints off hold for every window at once.
    QHelpEvent tip(QEvent::ToolTip, {1, 1}, {1, 1});
    EXPECT_TRUE(static_cast<QObject *>(form)->eventFilter(dialog.ButtonDefaults, &tip));
}

TEST_F(OptionsTest, StoredValuesOutsideTheListsAndDefaultsPerPage)
{
    TDlgOptions &dialog = *GetOptionsDialog();
    // A colour of the user's own and a price without a picture come back as they were.
    TPreferences changed = Prefs();
    changed.EnvelopeColor = 0x123456;
    changed.StampPrice = 36;
    Preferences().Set(changed);
    dialog.LoadFrom();
    EXPECT_EQ(dialog.ComboBoxStampPrice->currentIndex(), -1);
    EXPECT_EQ(dialog.SelectedColor(), 0x123456);
    dialog.ApplyTo();
    EXPECT_EQ(Stored("EnvelopeColor"), QString::number(0x123456));
    EXPECT_EQ(Stored("StampPrice"), "36");
    changed.StampPrice = 40;
    Preferences().Set(changed);
    dialog.LoadFrom();
    EXPECT_EQ(dialog.ComboBoxStampPrice->currentText(), "37");

    // Defaults on one page leave the other page alone, and store nothing.
    const QStringList before = StoredKeys();
    const QString stored = Stored("FacingMark");
    dialog.EditClipArtPath->setText("/elsewhere");
    dialog.CheckBoxConvertTabs->setChecked(true);
    dialog.PageControl->setCurrentWidget(dialog.TabSheetSettings);
    dialog.ButtonDefaults->click();
    EXPECT_FALSE(dialog.CheckBoxFacingMark->isChecked());
    EXPECT_TRUE(dialog.CheckBoxSaveAttention->isChecked());
    EXPECT_TRUE(dialog.CheckBoxConvertTabs->isChecked());
    EXPECT_EQ(dialog.ComboBoxStampPrice->currentText(), "38");
    EXPECT_EQ(dialog.SelectedColor(), qint32(0xFF00000F));
    EXPECT_EQ(dialog.ColorBoxEnvelope->findText("Custom"), -1);
    EXPECT_EQ(dialog.EditClipArtPath->text(), "/elsewhere");
    dialog.PageControl->setCurrentWidget(dialog.TabSheetFileLocations);
    dialog.ButtonDefaults->click();
    EXPECT_EQ(dialog.EditClipArtPath->text(), PreferenceStore::DefaultClipArtFolder());
    EXPECT_EQ(dialog.EditDefaultEnvelopePath->text(), WinDefaultFolders.Personal);
    EXPECT_EQ(StoredKeys(), before);
    EXPECT_EQ(Stored("FacingMark"), stored);
}

TEST_F(OptionsTest, BrowsingStoresAtOnceAndTheFolderDialogFindsAnExistingFolder)
{
    TDlgOptions &dialog = *GetOptionsDialog();
    TDlgSelectFolder &folders = *GetSelectFolderDialog();
    QDir().mkpath(dir.path() + "/art/inner");
    dialog.LoadFrom();
    const QString clipArt = dialog.EditClipArtPath->text();

    // A folder that went away opens at the nearest one still there; Cancel changes nothing.
    dialog.EditClipArtPath->setText(dir.path() + "/art/gone/deeper");
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(folders.windowTitle(), "Select Clip Art Folder");
        EXPECT_EQ(folders.GetFolder(), dir.path() + "/art");
        folders.reject();
    });
    dialog.ButtonBrowseClipArt->click();
    EXPECT_EQ(dialog.EditClipArtPath->text(), dir.path() + "/art/gone/deeper");
    EXPECT_EQ(Stored("ClipArtPath"), "<missing>");

    QTimer::singleShot(0, [&] {
        folders.SetFolder(dir.path() + "/art/inner");
        folders.accept();
    });
    dialog.ButtonBrowseClipArt->click();
    EXPECT_EQ(dialog.EditClipArtPath->text(), dir.path() + "/art/inner");
    EXPECT_EQ(Stored("ClipArtPath"), dir.path() + "/art/inner");
    EXPECT_EQ(Prefs().ClipArtPath, clipArt);

    // The graphic editor from the browse, then from Defaults: OK stores what the edit shows.
    files.answers << ScriptedFileDialogService::Choose("/usr/bin/true");
    dialog.ButtonBrowseGraphicEditor->click();
    ASSERT_EQ(files.requests.size(), 1);
    EXPECT_EQ(files.requests.at(0).Title, "Select Graphic Editor");
    EXPECT_EQ(Stored("GraphicEditor"), "/usr/bin/true");
    dialog.PageControl->setCurrentWidget(dialog.TabSheetFileLocations);
    dialog.ButtonDefaults->click();
    const QString editor = dialog.EditGraphicEditor->text();
    EXPECT_NE(editor, "/usr/bin/true");
    dialog.ApplyTo();
    EXPECT_EQ(Stored("GraphicEditor"), editor);
}

TEST_F(OptionsTest, TheUnitOfMeasureReachesTheDefinitionsManager)
{
    TDlgEnvelopeSizes manager(definitions);
    TDlgOptions &dialog = *GetOptionsDialog();
    dialog.LoadFrom();
    dialog.RadioGroupMeasure->SetItemIndex(1);
    dialog.ApplyTo();
    EXPECT_EQ(manager.Pages()->LabelUnits()->text(), "(CM)");
    EXPECT_EQ(manager.Sample()->RulerHorizontal()->TicksPerUnit(), 1);
    dialog.RadioGroupMeasure->SetItemIndex(0);
    dialog.ApplyTo();
    EXPECT_EQ(manager.Pages()->LabelUnits()->text(), "(inches)");
    EXPECT_EQ(manager.Sample()->RulerVertical()->TicksPerUnit(), 4);
}
