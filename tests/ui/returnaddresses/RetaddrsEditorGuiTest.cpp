#include "ui/returnaddresses/Retaddrs.h"

#include "engine/RetAddr.h"
#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmIniFile.h"
#include "gif/GIFImage.h"
#include "platform/JpegImage.h"
#include "platform/RichEdit.h"
#include "support/ScriptedFileDialogService.h"
#include "support/ScriptedMessageService.h"
#include "ui/ManagerTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

const QString data = QStringLiteral(PLIKORA_TEST_DATA);

class RetaddrsEditorGuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ManagerTestApp();
        ASSERT_TRUE(dir.isValid());
        RegisterJPEGFormat();
        RegisterGIFFormat();
        open();
    }
    void TearDown() override
    {
        close();
        UnregisterGIFFormat();
        UnregisterJPEGFormat();
    }

    // The stores and the window, as a start of the program makes them.
    void open()
    {
        IniFile = new TZambIniFile(dir.filePath(QStringLiteral("Plikora.INI")));
        RegIni = new TZambRegistryIniFile(QStringLiteral("Plikora"), dir.path());
        addresses = std::make_unique<ReturnAddressStore>();
        QObject::connect(addresses.get(), &ReturnAddressStore::currentEdited, [this] { ++edits; });
        manager = new TDlgReturnAddresses(*addresses);
        manager->Context = [this] { return context; };
        addresses->LoadReturnAddressList();
        manager->show();
        QApplication::processEvents();
    }
    void close()
    {
        delete manager;
        manager = nullptr;
        addresses.reset();
        delete IniFile;
        IniFile = nullptr;
        delete RegIni;
        RegIni = nullptr;
    }
    // Keys as a person types them into the widget, then Enter.
    static void type(QWidget *w, const QString &text, bool enter)
    {
        w->setFocus();
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
        }
        if (enter) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(w, &press);
        }
    }
    QString chooseSize(const QString &text)
    {
        QLineEdit *edit = manager->ComboBoxFontSize->lineEdit();
        edit->clear();
        type(edit, text, true);
        manager->RichEditAddress()->SelectAllText();
        return edit->text();
    }
    double selectionSize() const
    {
        manager->RichEditAddress()->SelectAllText();
        return manager->RichEditAddress()->SelAttributes().Size;
    }
    TReturnAddress &current() { return *addresses->CurrentReturnAddress(); }
    QString copyOf(const QString &name, const QString &as)
    {
        const QString path = dir.filePath(as);
        QFile::copy(data + name, path);
        return path;
    }
    void browse(const QString &path)
    {
        files.answers = {ScriptedFileDialogService::Choose(path)};
        manager->BtnBrowseClick();
    }

    QTemporaryDir dir;
    ScriptedMessageService messages;
    ScriptedFileDialogService files;
    TReturnEditorContext context;
    std::unique_ptr<ReturnAddressStore> addresses;
    TDlgReturnAddresses *manager = nullptr;
    int edits = 0;
};

TEST_F(RetaddrsEditorGuiTest, FontSizesAreTakenWholeAndClampedAndMixedFormatsShowEmpty)
{
    RichEdit *editor = manager->RichEditAddress();
    editor->SelectAllText();
    editor->SetSelSize(10);
    EXPECT_EQ(chooseSize("2"), "4");
    EXPECT_EQ(selectionSize(), 4);
    EXPECT_EQ(chooseSize("100"), "72");
    EXPECT_EQ(selectionSize(), 72);
    for (const QString bad : {"abc", "0", "12a"}) {
        chooseSize(bad);
        EXPECT_EQ(selectionSize(), 72) << bad.toStdString();
    }
    EXPECT_TRUE(messages.shown.isEmpty());
    // Typing is not applying: "1" on the way to "12" never reaches the text.
    editor->SelectAllText();
    type(manager->ComboBoxFontSize->lineEdit(), "1", false);
    EXPECT_EQ(selectionSize(), 72);

    // Two fonts, two sizes, two colours: the boxes say nothing.
    editor->SetSelStart(0);
    editor->SetSelLength(4);
    editor->SetSelFontName(QStringLiteral("DejaVu Serif"));
    editor->SetSelSize(20);
    editor->SetSelColor(Qt::red);
    editor->SelectAllText();
    manager->UpdateToolbar();
    EXPECT_EQ(manager->FontComboBox->FontName(), "");
    EXPECT_EQ(manager->ComboBoxFontSize->currentText(), "");
    EXPECT_EQ(manager->ColorBoxFont->Selected(), clDefault);
    // A face that is not installed shows as the one that stands in for it, not as nothing.
    editor->SetSelFontName(QStringLiteral("Arial"));
    manager->UpdateToolbar();
    EXPECT_EQ(manager->FontComboBox->FontName(), QFontInfo(QFont(QStringLiteral("Arial"))).family());
    // Bold from the toolbar reaches the entry and the main window.
    const int before = edits;
    manager->ActionFormatBold->trigger();
    EXPECT_TRUE(editor->SelAttributes().HasStyle(RichStyle::Bold));
    EXPECT_GT(edits, before);
    // Bold switched on, not the "\\blue" of the colour table.
    EXPECT_TRUE(current().Lines().join(QString()).contains(QRegularExpression(R"(\\b(?![a-z0]))")));
}

TEST_F(RetaddrsEditorGuiTest, PasteOpenAndSaveOfText)
{
    RichEdit *editor = manager->RichEditAddress();
    context.ConvertTabsToCrlf = true;
    editor->SelectAllText();
    QApplication::clipboard()->setText("Ann Lee\t1 Elm St\tSpringfield");
    manager->ActionEditPasteExecute();
    EXPECT_EQ(editor->Lines(), (QStringList{"Ann Lee", "1 Elm St", "Springfield"}));

    // ".ENV" in the name still writes rich text; opening it brings the text back.
    context.DocumentFileName = dir.filePath("letters/old.env");
    files.answers = {ScriptedFileDialogService::Choose(dir.filePath("home.ENV"))};
    manager->ActionFileSaveExecute();
    EXPECT_EQ(files.requests.last().InitialDir, dir.filePath("letters"));
    QFile saved(dir.filePath("home.ENV"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith("{\\rtf"));
    manager->ActionEditClear->trigger();
    EXPECT_TRUE(current().Lines().join(QString()).indexOf("Ann") < 0);
    files.answers = {ScriptedFileDialogService::Choose(dir.filePath("home.ENV"))};
    manager->ActionFileOpenExecute();
    EXPECT_EQ(files.requests.last().Title, "Open Plikora File");
    EXPECT_EQ(editor->Lines(), (QStringList{"Ann Lee", "1 Elm St", "Springfield"}));
    EXPECT_TRUE(current().Lines().join(QString()).contains("Springfield"));

    // A name without an extension is saved as rich text by name too.
    files.answers = {ScriptedFileDialogService::Choose(dir.filePath("home"))};
    manager->ActionFileSaveExecute();
    EXPECT_EQ(files.requests.last().DefaultExt, "RTF");
    EXPECT_TRUE(QFile::exists(dir.filePath("home.rtf")));
}

TEST_F(RetaddrsEditorGuiTest, ToolbarLayoutAndButtonsSurviveAReopenAndARestart)
{
    QMainWindow *bar = manager->ControlBar;
    bar->removeToolBar(manager->ToolBarFormat);
    bar->addToolBarBreak();
    bar->addToolBar(manager->ToolBarFormat);
    manager->ToolBarFormat->show();
    manager->ActionEditCut->setVisible(false);
    QApplication::processEvents();
    ASSERT_GT(manager->ToolBarFormat->y(), manager->ToolBarFile->y());
    manager->accept();
    manager->show();
    QApplication::processEvents();
    EXPECT_GT(manager->ToolBarFormat->y(), manager->ToolBarFile->y());

    close();
    open();
    EXPECT_GT(manager->ToolBarFormat->y(), manager->ToolBarFile->y());
    EXPECT_EQ(manager->ToolBarEdit->y(), manager->ToolBarFile->y());
    EXPECT_FALSE(manager->ActionEditCut->isVisible());
    EXPECT_TRUE(manager->ActionEditPaste->isVisible());
    EXPECT_NE(manager->ToolBarFile->findChild<QWidget *>("ToolButtonFileOpen"), nullptr);

    // Defaults: one row again; the hidden button stays hidden.
    manager->LoadToolbarLayout();
    manager->ArrangeToolbars();
    manager->ArrangeToolbars();
    QApplication::processEvents();
    EXPECT_EQ(manager->ToolBarFormat->y(), manager->ToolBarFile->y());
    EXPECT_FALSE(manager->ActionEditCut->isVisible());
}

TEST_F(RetaddrsEditorGuiTest, PicturesByBrowseDropAndTheirFailures)
{
    browse(data + "/graphics/rgb24.bmp");
    EXPECT_EQ(files.requests.last().Title, "Select Return Address Graphic");
    EXPECT_EQ(current().GraphicType(), gtBitmap);
    EXPECT_TRUE(manager->ImageReturnAddress->isVisibleTo(manager));
    EXPECT_TRUE(manager->EditGraphicWidth->isEnabled());
    EXPECT_EQ(manager->LabelUnits->text(), "(inches)");
    browse(data + "/jpeg/colour.jpg");
    EXPECT_EQ(current().GraphicType(), gtJPEG);
    browse(data + "/gif-test-suite/gifs/animated_loop.gif");
    EXPECT_EQ(current().GraphicType(), gtGIF);

    // The printed size, typed and applied on Enter.
    // A picture wider than the window shows what fits: neither the window nor what
    // it needs grows with it.
    manager->EditGraphicWidth->clear();
    type(manager->EditGraphicWidth, "0.5", true);
    QApplication::processEvents();
    const QSize windowSize = manager->size();
    const int needed = manager->GroupBoxGraphic->minimumSizeHint().width();
    manager->EditGraphicWidth->clear();
    type(manager->EditGraphicWidth, "4", true);
    QApplication::processEvents();
    EXPECT_EQ(manager->size(), windowSize);
    EXPECT_EQ(manager->GroupBoxGraphic->minimumSizeHint().width(), needed);
    manager->EditGraphicWidth->clear();
    type(manager->EditGraphicWidth, "1", true);
    EXPECT_EQ(current().GraphicWidth(), 100);
    EXPECT_TRUE(manager->isVisible());
    // A German user's decimal comma is read; what is no length is refused by name.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    manager->EditGraphicWidth->clear();
    type(manager->EditGraphicWidth, "1,5", true);
    EXPECT_EQ(current().GraphicWidth(), 150);
    EXPECT_EQ(manager->EditGraphicWidth->text(), "1,50");
    manager->EditGraphicWidth->clear();
    type(manager->EditGraphicWidth, "1.2,5", true);
    QApplication::processEvents();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(current().GraphicWidth(), 150);
    ASSERT_FALSE(messages.shown.isEmpty());
    EXPECT_TRUE(messages.shown.last().message.startsWith("Width: \"1.2,5\" is not a length."))
        << messages.shown.last().message.toStdString();

    // Three files dropped: said, and the first (an icon, sized in pixels) taken.
    const int before = edits;
    manager->DropFiles({data + "/graphics/icon.ico", data + "/graphics/pal8.bmp", data + "/jpeg/colour.jpg"});
    ASSERT_FALSE(messages.shown.isEmpty());
    EXPECT_EQ(messages.shown.last().message,
              "3 files were selected, but Plikora will only open the first one.");
    EXPECT_EQ(messages.shown.last().helpContext, 20016);
    EXPECT_EQ(current().GraphicType(), gtIcon);
    EXPECT_GT(edits, before);
    EXPECT_FALSE(manager->EditGraphicWidth->isEnabled());
    EXPECT_EQ(manager->LabelUnits->text(), "(Pixels)");
    EXPECT_EQ(manager->EditGraphicWidth->text(), QString::number(current().GraphicWidthPixels()));

    // A metafile is refused and the icon stays.
    const QString wmf = dir.filePath("logo.wmf");
    QFile(wmf).open(QIODevice::WriteOnly);
    messages.shown.clear();
    browse(wmf);
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(current().GraphicType(), gtIcon);

    // A damaged picture is said and keeps its name, so that mending it brings it back.
    const QString damaged = dir.filePath("logo.jpg");
    QFile bad(damaged);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    messages.shown.clear();
    browse(damaged);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].message.contains(damaged)) << messages.shown[0].message.toStdString();
    EXPECT_TRUE(messages.shown[0].message.contains("Not a JPEG file"))
        << messages.shown[0].message.toStdString();
    EXPECT_EQ(current().GraphicFile(), damaged);
    EXPECT_EQ(current().GraphicType(), gtNone);
    EXPECT_FALSE(manager->ImageReturnAddress->isVisibleTo(manager));
    // ... and again when the entry is shown after a restart.
    manager->accept();
    close();
    open();
    messages.shown.clear();
    manager->ShowReturnAddressDetails();
    ASSERT_EQ(messages.shown.size(), 1);
    QFile::remove(damaged);
    QFile::copy(data + "/jpeg/colour.jpg", damaged);
    manager->BtnReloadClick();
    EXPECT_EQ(current().GraphicType(), gtJPEG);

    // A file that is gone: the name stays, no picture, nothing to size.
    QFile::remove(damaged);
    manager->BtnReloadClick();
    EXPECT_EQ(current().GraphicFile(), damaged);
    EXPECT_EQ(current().GraphicType(), gtNone);
    EXPECT_FALSE(manager->ImageReturnAddress->isVisibleTo(manager));
    EXPECT_FALSE(manager->EditGraphicHeight->isEnabled());
    manager->BtnClearClick();
    EXPECT_EQ(current().GraphicFile(), "");
}

} // namespace
