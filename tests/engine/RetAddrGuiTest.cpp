#include "engine/RetAddr.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmRichEdit.h"
#include "gif/GIFImage.h"
#include "platform/JpegImage.h"
#include "support/RichTextTestApp.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FakeEnvironment : public TReturnAddressEnvironment
{
public:
    int Measure() const override { return measure; }
    int ScreenPixelsPerInch() const override { return ppi; }
    int measure = 0;
    int ppi = 96;
};

class RetAddrTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureRichTextTestApp(); }
    void SetUp() override
    {
        SetReturnAddressEnvironment(&env);
        RegisterJPEGFormat();
    }
    void TearDown() override
    {
        UnregisterJPEGFormat();
        SetReturnAddressEnvironment(nullptr);
    }
    QString Picture(const QString &name, int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::red);
        QString file = dir.filePath(name);
        EXPECT_TRUE(image.save(file, name.endsWith("jpg") ? "JPG" : name.endsWith("png") ? "PNG" : "BMP"));
        return file;
    }

    FakeEnvironment env;
    QTemporaryDir dir;
};

} // namespace

TEST_F(RetAddrTest, TypeComesFromTheFileNameExtension)
{
    EXPECT_EQ(GraphicTypeOfFile("/p/logo.Jpeg"), gtJPEG);
    EXPECT_EQ(GraphicTypeOfFile("/p/logo.jpegx"), gtJPEG);
    EXPECT_EQ(GraphicTypeOfFile("/p/logo.jpg"), gtJPEG);
    EXPECT_EQ(GraphicTypeOfFile("/p/logo.bmpx"), gtNone);
    EXPECT_EQ(GraphicTypeOfFile("/p/logo.bmp"), gtBitmap);
    EXPECT_EQ(GraphicTypeOfFile("/p/logo.ICO"), gtIcon);
    EXPECT_EQ(GraphicTypeOfFile("/p/a.emf"), gtMetafile);
    EXPECT_EQ(GraphicTypeOfFile("/p/a.wmf"), gtMetafile);
    EXPECT_EQ(GraphicTypeOfFile("/p/a.gif"), gtGIF);
    EXPECT_EQ(GraphicTypeOfFile("/p/logo.Png"), gtPNG);
    EXPECT_EQ(GraphicTypeOfFile("/pics.bmp/logo"), gtNone);
    EXPECT_EQ(GraphicTypeOfFile("BMPLOGO"), gtNone);
}

TEST_F(RetAddrTest, PictureSizeFollowsItsPixels)
{
    TReturnAddress r;
    r.SetGraphicFile(Picture("logo.bmp", 96, 48));
    EXPECT_TRUE(r.FileExists());
    EXPECT_FALSE(r.Loading());
    EXPECT_EQ(r.GraphicType(), gtBitmap);
    EXPECT_EQ(r.GraphicWidth(), 100);
    EXPECT_EQ(r.GraphicHeight(), 50);
    EXPECT_EQ(r.GetGraphicWidthText(), "1.00");
    EXPECT_EQ(r.GetGraphicHeightText(), "0.50");
    env.measure = 1;
    EXPECT_EQ(r.GetGraphicWidthText(), "2.54");
    EXPECT_EQ(r.GetGraphicHeightText(), "1.27");
    env.ppi = 192;
    EXPECT_EQ(r.GraphicWidthPixels(), 192);

    env.ppi = 96;
    r.SetGraphicFile(Picture("big.jpg", 600, 300)); // 625 x 312 capped
    EXPECT_EQ(r.GraphicType(), gtJPEG);
    EXPECT_EQ(r.GraphicWidth(), 400);
    EXPECT_EQ(r.GraphicHeight(), 300);
    ASSERT_NE(r.Picture().Graphic(), nullptr);
    // A PNG logo loads as the other pictures do.
    r.SetGraphicFile(Picture("logo.png", 48, 24));
    EXPECT_EQ(r.GraphicType(), gtPNG);
    EXPECT_EQ(r.GraphicWidth(), 50);
    EXPECT_EQ(r.GraphicHeight(), 25);
    EXPECT_TRUE(r.LoadError().isEmpty());

    // A missing file or an unknown kind leaves no picture behind.
    r.SetGraphicFile(dir.filePath("gone.bmp"));
    EXPECT_FALSE(r.FileExists());
    EXPECT_EQ(r.GraphicFile(), dir.filePath("gone.bmp"));
    EXPECT_EQ(r.GraphicType(), gtNone);
    EXPECT_EQ(r.GraphicWidth(), 0);
    EXPECT_EQ(r.Picture().Graphic(), nullptr);
    QFile text(dir.filePath("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.close();
    r.SetGraphicFile(text.fileName());
    EXPECT_TRUE(r.FileExists());
    EXPECT_EQ(r.GraphicType(), gtNone);
    EXPECT_EQ(r.Picture().Graphic(), nullptr);
}

TEST_F(RetAddrTest, UnreadablePictureThrowsAndResetsLoading)
{
    QString bad = dir.filePath("broken.jpg");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("definitely not a JPEG");
    f.close();
    TReturnAddress r;
    r.SetGraphicFile(Picture("logo.bmp", 96, 48));
    EXPECT_THROW(r.SetGraphicFile(bad), EJPEG);
    EXPECT_FALSE(r.Loading());
    EXPECT_EQ(r.GraphicFile(), bad);
    EXPECT_EQ(r.GraphicType(), gtNone);
    EXPECT_EQ(r.GraphicWidth(), 0);
    EXPECT_EQ(r.Picture().Graphic(), nullptr);
    QFile wmf(dir.filePath("art.wmf"));
    ASSERT_TRUE(wmf.open(QIODevice::WriteOnly));
    wmf.write("metafile bytes");
    wmf.close();
    EXPECT_THROW(r.SetGraphicFile(wmf.fileName()), EInvalidGraphic);
    EXPECT_FALSE(r.Loading());
}

TEST_F(RetAddrTest, SizeTexts)
{
    TReturnAddress r;
    r.SetGraphicWidthText("abc");
    EXPECT_EQ(r.GraphicWidth(), 0);
    r.SetGraphicWidthText("-1");
    EXPECT_EQ(r.GraphicWidth(), 0);
    r.SetGraphicWidthText("5");
    EXPECT_EQ(r.GraphicWidth(), 400);
    r.SetGraphicWidthText("1e308");
    EXPECT_EQ(r.GraphicWidth(), 400);
    r.SetGraphicWidthText(" 1.125 ");
    EXPECT_EQ(r.GraphicWidth(), 112); // 112.5 rounds to even
    r.SetGraphicHeightText("1,5");
    EXPECT_EQ(r.GraphicHeight(), 0);
    r.SetGraphicHeightText(".5");
    EXPECT_EQ(r.GraphicHeight(), 50);
    env.measure = 1;
    r.SetGraphicHeightText("2.54");
    EXPECT_EQ(r.GraphicHeight(), 100);
    r.SetGraphicHeight(-7);
    EXPECT_EQ(r.GraphicHeight(), -7); // no lower limit on the setter itself
}

TEST_F(RetAddrTest, IniRoundTrip)
{
    RichEdit edit;
    edit.SetText("Morvane Software \r\n12 M\u00fchlenweg");
    edit.SelectAllText();
    edit.SetSelStyle(RichStyle::Bold, true);
    TReturnAddress r;
    RichEditToStrings(r.Lines(), edit);
    r.SetGraphicFile(Picture("logo.bmp", 96, 48));
    r.SetGraphicWidth(150);

    TZambIniFile ini(dir.filePath("Plikora.INI"));
    r.SaveToIni(ini, "ReturnAddresses", "Address1");
    TReturnAddress back;
    back.LoadFromIni(ini, "ReturnAddresses", "Address1");
    EXPECT_EQ(back.Lines(), r.Lines());
    EXPECT_EQ(back.GraphicFile(), r.GraphicFile());
    EXPECT_EQ(back.GraphicType(), gtBitmap);
    EXPECT_EQ(back.GraphicWidth(), 150);
    EXPECT_EQ(back.GraphicHeight(), 50);
    RichEdit shown;
    StringsToRichEdit(shown, back.Lines());
    EXPECT_EQ(shown.Text(), edit.Text());

    QFile file(dir.filePath("Plikora.INI"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    for (const char *key : {"Address1_Count=", "Address1_0=", "Address1Graphic=", "Address1GraphicWidth=150",
                            "Address1GraphicHeight=50"})
        EXPECT_TRUE(content.contains(key)) << key;
}

TEST_F(RetAddrTest, LoadFromIniDefaultsAndDamage)
{
    TZambIniFile ini(dir.filePath("Plikora.INI"));
    ini.WriteString("ReturnAddresses", "Address1Graphic", Picture("logo.bmp", 96, 48));
    ini.WriteInteger("ReturnAddresses", "Address1GraphicHeight", -20);
    TReturnAddress r;
    r.LoadFromIni(ini, "ReturnAddresses", "Address1");
    EXPECT_EQ(r.GraphicWidth(), 100); // absent: the picture's own
    EXPECT_EQ(r.GraphicHeight(), 0);  // negative: 0

    QString bad = dir.filePath("broken.jpg");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage");
    f.close();
    ini.WriteString("ReturnAddresses", "Address2Graphic", bad);
    ini.WriteInteger("ReturnAddresses", "Address2GraphicWidth", 120);
    ini.WriteStrings("ReturnAddresses", "Address2", {"line"});
    TReturnAddress damaged;
    EXPECT_NO_THROW(damaged.LoadFromIni(ini, "ReturnAddresses", "Address2"));
    // Which file, and why in words.
    EXPECT_TRUE(damaged.LoadError().startsWith("Cannot read the picture \"" + bad + "\". "))
        << damaged.LoadError().toStdString();
    EXPECT_TRUE(damaged.LoadError().contains("Not a JPEG file")) << damaged.LoadError().toStdString();
    EXPECT_EQ(damaged.GraphicFile(), bad);
    EXPECT_EQ(damaged.GraphicWidth(), 120);
    EXPECT_EQ(damaged.Lines(), QStringList{"line"});
    EXPECT_FALSE(damaged.Loading());
}

TEST_F(RetAddrTest, AssignCopiesInEitherMeasure)
{
    TReturnAddress r;
    r.Lines() = {"{\\rtf1 a}"};
    r.SetGraphicFile(Picture("logo.bmp", 96, 48));
    for (int measure : {0, 1}) {
        env.measure = measure;
        for (int w = 0; w <= 400; ++w) {
            r.SetGraphicWidth(w);
            TReturnAddress copy;
            copy.Assign(r);
            ASSERT_EQ(copy.GraphicWidth(), w) << measure;
            ASSERT_EQ(copy.GraphicHeight(), 50);
        }
    }
    TReturnAddress copy;
    copy.Assign(r);
    EXPECT_EQ(copy.Lines(), r.Lines());
    EXPECT_EQ(copy.GraphicType(), gtBitmap);
    EXPECT_NE(copy.Picture().Graphic(), nullptr);
}

// A GIF picture comes in through the registered format, as at start-up.
TEST_F(RetAddrTest, GifPicturesLoadThroughTheRegistry)
{
    RegisterGIFFormat();
    TReturnAddress r;
    r.SetGraphicFile(QStringLiteral(PLIKORA_TEST_DATA "/gif-test-suite/gifs/static_transparent.gif"));
    EXPECT_EQ(r.GraphicType(), 5);
    ASSERT_NE(r.Picture().Graphic(), nullptr);
    EXPECT_GT(r.GraphicWidth(), 0);
    EXPECT_EQ(r.GraphicWidth(), r.Picture().Width() * 100 / 96);
    UnregisterGIFFormat();
}
