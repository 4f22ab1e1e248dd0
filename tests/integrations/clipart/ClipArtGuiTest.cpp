#include "integrations/clipart/ClipArtContainer.h"
#include "integrations/clipart/ClipArtGallery.h"
#include "integrations/clipart/SelectClipArt.h"

#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/Unique.h"
#include "platform/JpegImage.h"
#include "support/ScriptedMessageService.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString fixture = QStringLiteral(PLIKORA_TEST_DATA "/clipart");

QApplication &App()
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

bool NearWhite(QRgb c)
{
    return qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235;
}

class ClipArtGuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App();
        ASSERT_TRUE(dir.isValid());
        RegisterJPEGFormat();
        StartUnique();
    }
    void TearDown() override
    {
        StopClipArt();
        StopUnique();
        UnregisterJPEGFormat();
    }
    TFormChooseClipArt &form() { return *GetChooseClipArtForm(); }

    QTemporaryDir dir;
    ScriptedMessageService messages;
};

TEST_F(ClipArtGuiTest, TheProbeFindsNoneTheLibraryOrTheOrganizer)
{
    StartClipArt({dir.filePath("missing"), {}});
    EXPECT_EQ(ClipArtGalleryKind, 0);
    EXPECT_FALSE(LaunchClipOrganizer());
    StartClipArt({fixture, {}});
    EXPECT_EQ(ClipArtGalleryKind, 1);
    EXPECT_FALSE(LaunchClipOrganizer());
    // Both: the organizer wins; one that cannot start is a failure, not a success.
    StartClipArt({fixture, dir.filePath("no-organizer")});
    EXPECT_EQ(ClipArtGalleryKind, 2);
    EXPECT_FALSE(LaunchClipOrganizer());
    StartClipArt({{}, QStringLiteral("/bin/true")});
    EXPECT_EQ(ClipArtGalleryKind, 2);
    EXPECT_TRUE(LaunchClipOrganizer());
}

TEST_F(ClipArtGuiTest, AChosenClipBecomesAJpegWithItsBackgroundWhite)
{
    StartClipArt({fixture, {}});
    form().Search(QString());
    EXPECT_EQ(form().ListClips->count(), 4);
    form().Search(QStringLiteral("BLUE"));
    ASSERT_EQ(form().ListClips->count(), 1);
    form().ListClips->setCurrentRow(0);
    TOleContainerClipArt *container = form().OleContainerClipArt;
    EXPECT_EQ(container->size(), QSize(80, 60));

    form().FileName = UniqueFileName(QStringLiteral(".jpg"), dir.path());
    form().OKBtnClick();
    EXPECT_TRUE(messages.shown.isEmpty());
    TJPEGImage jpeg;
    jpeg.LoadFromFile(form().FileName);
    const TBitmap &bitmap = jpeg.Bitmap();
    ASSERT_EQ(bitmap.Width(), 80);
    EXPECT_TRUE(NearWhite(bitmap.Pixel(0, 0)));
    EXPECT_TRUE(NearWhite(bitmap.Pixel(40, 30))); // the background's colour inside the picture too
    EXPECT_GT(qRed(bitmap.Pixel(15, 15)), 150);   // the red stays
    EXPECT_LT(qBlue(bitmap.Pixel(15, 15)), 80);
    EXPECT_EQ(container->Bitmap, nullptr);

    // A file with content is never replaced; a container of no size writes nothing.
    const QString kept = dir.filePath("kept.jpg");
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();
    form().FileName = kept;
    form().OKBtnClick();
    EXPECT_EQ(messages.shown.size(), 1);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "mine");
    container->setFixedSize(0, 0);
    EXPECT_FALSE(container->MakeBitmap(true));
    EXPECT_EQ(container->Bitmap, nullptr);
}

TEST_F(ClipArtGuiTest, EveryClipShowsItsThumbnailAndNameWhereItIsClicked)
{
    StartClipArt({fixture, {}});
    form().show();
    form().Search(QString());
    QListWidget *list = form().ListClips;
    ASSERT_EQ(list->count(), 4);
    for (int n = 0; n < 100 && list->item(list->count() - 1)->icon().isNull(); ++n)
        QCoreApplication::processEvents();
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        SCOPED_TRACE(item->text().toStdString());
        ASSERT_FALSE(item->icon().isNull());
        const QRect shown = list->visualItemRect(item);
        EXPECT_GE(shown.width(), list->iconSize().width());
        EXPECT_GE(shown.height(), list->iconSize().height() + list->fontMetrics().height());
        EXPECT_EQ(list->itemAt(shown.center()), item);
    }
}

TEST_F(ClipArtGuiTest, OkWithoutAClipWritesNothingAndTheLibraryIsFoundInTheDataFolders)
{
    StartClipArt({fixture, {}});
    form().FileName = dir.filePath("none.jpg");
    form().OleContainerClipArt->CreateArtObject();
    form().OKBtnClick();
    // A clip that cannot be read leaves no choice either.
    QFile bad(dir.filePath("bad.png"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    form().ChooseClip(bad.fileName());
    form().OKBtnClick();
    EXPECT_FALSE(QFile::exists(form().FileName));
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_EQ(messages.shown[2].message, "Choose a clip first, or press Cancel.");

    ASSERT_TRUE(QDir().mkpath(dir.filePath("share/openclipart")));
    qputenv("XDG_DATA_DIRS", (dir.filePath("nowhere") + ":" + dir.filePath("share")).toUtf8());
    EXPECT_EQ(DefaultClipArtLibraryFolder(), dir.filePath("share/openclipart"));
    qunsetenv("XDG_DATA_DIRS");
}

TEST_F(ClipArtGuiTest, TheEditorTakesTheClipIntoTheClipArtFolderOrSaysTheOrganizerIsMissing)
{
    IniFile = new TZambIniFile(dir.filePath("Plikora.INI"));
    {
        ReturnAddressStore addresses;
        TDlgReturnAddresses manager(addresses);
        const QString folder = dir.filePath("ClipArt");
        QDir().mkpath(folder);
        manager.Context = [folder] {
            TReturnEditorContext c;
            c.ClipArtPath = folder;
            return c;
        };
        addresses.LoadReturnAddressList();
        manager.UpdateToolbar();
        EXPECT_FALSE(manager.BtnChooseClipArt->isEnabled());

        StartClipArt({fixture, {}});
        manager.UpdateToolbar();
        EXPECT_TRUE(manager.BtnChooseClipArt->isEnabled());
        // Cancelled: the name taken for the clip is given back.
        QTimer::singleShot(0, [this] { form().reject(); });
        manager.BtnChooseClipArtClick();
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
        QTimer::singleShot(0, [this] {
            form().ChooseClip(fixture + "/png/star.png");
            form().OKBtnClick();
        });
        manager.BtnChooseClipArtClick();
        const TReturnAddress &current = *addresses.CurrentReturnAddress();
        EXPECT_EQ(QFileInfo(current.GraphicFile()).absolutePath(), folder);
        EXPECT_EQ(current.GraphicType(), gtJPEG);
        EXPECT_EQ(manager.EditGraphicFile->text(), current.GraphicFile());

        StartClipArt({{}, dir.filePath("no-organizer")});
        manager.BtnChooseClipArtClick();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].message, "Could not find the clip organizer. Can't import clip art.");
        StopClipArt();
    }
    delete IniFile;
    IniFile = nullptr;
}

} // namespace
