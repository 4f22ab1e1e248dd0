#include "platform/JpegImage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kData = QStringLiteral(PLIKORA_TEST_DATA "/jpeg/");

QByteArray ReadFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every pixel equal to what djpeg decoded from the same file.
void ExpectSamePixels(const TBitmap &bitmap, const QImage &reference)
{
    ASSERT_EQ(bitmap.Width(), reference.width());
    ASSERT_EQ(bitmap.Height(), reference.height());
    int differing = 0;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x)
            if ((bitmap.Pixel(x, y) & 0xFFFFFF) != (reference.pixel(x, y) & 0xFFFFFF))
                ++differing;
    EXPECT_EQ(differing, 0);
}

class JpegTest : public ::testing::Test
{
protected:
    void SetUp() override { RegisterJPEGFormat(); }
    void TearDown() override { UnregisterJPEGFormat(); }
};

} // namespace

TEST_F(JpegTest, DecodesAsTheLibraryToolsDo)
{
    TPicture picture;
    picture.LoadFromFile(kData + "colour.jpg");
    auto *jpeg = dynamic_cast<TJPEGImage *>(picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    ExpectSamePixels(jpeg->Bitmap(), QImage(kData + "colour.ppm"));

    TPicture grey;
    grey.LoadFromFile(kData + "grey-progressive.jpg");
    ASSERT_NE(dynamic_cast<TJPEGImage *>(grey.Graphic()), nullptr);
    ExpectSamePixels(dynamic_cast<TJPEGImage *>(grey.Graphic())->Bitmap(),
                     QImage(kData + "grey-progressive.pgm"));

    // "JPEG" registers as well, and the registration goes away again.
    EXPECT_TRUE(TPicture::IsFileFormatRegistered("jpeg"));
    UnregisterJPEGFormat();
    EXPECT_FALSE(TPicture::IsFileFormatRegistered("JPG"));
}

TEST_F(JpegTest, SavesWhatItLoadsAndCompressesBitmaps)
{
    TJPEGImage original;
    original.LoadFromFile(kData + "colour.jpg");
    QByteArray saved;
    QBuffer buffer(&saved);
    buffer.open(QIODevice::WriteOnly);
    original.SaveToStream(buffer);
    EXPECT_EQ(saved, ReadFile(kData + "colour.jpg")); // kept as loaded

    TBitmap bitmap(40, 30, TPixelFormat::pf8bit);
    bitmap.SetColorTable({TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}, TRGBQuad{0, 0, 200, 0}});
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            bitmap.ScanLine(y)[x] = uint8_t(x < 20 ? 1 : 2);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    QTemporaryDir dir;
    QString file = dir.filePath("clip.jpg");
    jpeg.SaveToFile(file);

    TJPEGImage back;
    back.LoadFromFile(file);
    ASSERT_EQ(back.Width(), 40);
    ASSERT_EQ(back.Height(), 30);
    EXPECT_LT(qGray(back.Bitmap().Pixel(5, 5)) - 255, 8);
    QRgb red = back.Bitmap().Pixel(35, 20);
    EXPECT_GT(qRed(red), 180);
    EXPECT_LT(qGreen(red) + qBlue(red), 40);

    TBitmap out;
    out.Assign(&back);
    EXPECT_EQ(out.Width(), 40);
    EXPECT_EQ(out.PixelFormat(), TPixelFormat::pf24bit);

    // The library's own tool reads what we wrote, to the same pixels.
    QString djpeg = QStandardPaths::findExecutable("djpeg");
    if (!djpeg.isEmpty()) {
        QProcess p;
        p.start(djpeg, {"-ppm", "-outfile", dir.filePath("clip.ppm"), file});
        ASSERT_TRUE(p.waitForFinished());
        ExpectSamePixels(back.Bitmap(), QImage(dir.filePath("clip.ppm")));
    }
}

TEST_F(JpegTest, BadDataRaisesAJpegErrorAndKeepsThePicture)
{
    TJPEGImage jpeg;
    jpeg.LoadFromFile(kData + "colour.jpg");
    const QByteArray good = ReadFile(kData + "colour.jpg");
    for (const QByteArray &bad : {QByteArray(), QByteArray("not a jpeg at all"), good.left(2),
                                  QByteArray("\xFF\xD8\xFF\xC0\x00\x02", 6)}) {
        QBuffer buffer;
        buffer.setData(bad);
        buffer.open(QIODevice::ReadOnly);
        try {
            jpeg.LoadFromStream(buffer);
            ADD_FAILURE() << "no error for " << bad.toHex().constData();
        } catch (const EJPEG &e) {
            // The library's words, not its message number.
            EXPECT_TRUE(e.Message().startsWith("The JPEG picture cannot be decoded: "))
                << e.Message().toStdString();
            EXPECT_FALSE(e.Message().contains(u'#')) << e.Message().toStdString();
            if (bad.startsWith("not")) {
                EXPECT_TRUE(e.Message().contains("Not a JPEG file")) << e.Message().toStdString();
            }
        }
        EXPECT_EQ(jpeg.Width(), 48);
    }
    // A cut-off picture is said to be incomplete; one missing only its end marker is whole.
    for (const qsizetype cutOff : {qsizetype(200), good.size() - 400, qsizetype(2)}) {
        SCOPED_TRACE(cutOff);
        QBuffer cut;
        cut.setData(good.left(good.size() - cutOff));
        cut.open(QIODevice::ReadOnly);
        if (cutOff == 2) {
            ASSERT_TRUE(good.endsWith("\xFF\xD9"));
            EXPECT_NO_THROW(jpeg.LoadFromStream(cut));
        } else {
            try {
                jpeg.LoadFromStream(cut);
                ADD_FAILURE() << "no error";
            } catch (const EJPEG &e) {
                EXPECT_TRUE(e.Message().contains("incomplete")) << e.Message().toStdString();
            }
        }
        EXPECT_EQ(jpeg.Width(), 48);
    }

    // A header that claims an enormous picture is refused before anything is allocated.
    QByteArray huge = good;
    qsizetype sof = huge.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    huge[sof + 5] = char(0xFF);
    huge[sof + 6] = char(0xF0);
    huge[sof + 7] = char(0xFF);
    huge[sof + 8] = char(0xF0);
    QBuffer big;
    big.setData(huge);
    big.open(QIODevice::ReadOnly);
    EXPECT_THROW(jpeg.LoadFromStream(big), EInvalidGraphic);
    EXPECT_EQ(jpeg.Width(), 48);
}
