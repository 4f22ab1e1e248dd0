#include "gif/GifOracle.h"

#include "gif/GIFExtensions.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

const QString SuiteDir = QStringLiteral(PLIKORA_TEST_DATA "/gif-test-suite/gifs");

QByteArray ReadFile(const QString &Path)
{
    QFile file(Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << Path.toStdString();
    return file.readAll();
}

struct LoadedGif
{
    TGIFImage Image;
    QStringList Warnings;
};

void Load(LoadedGif &Target, QByteArray Bytes)
{
    Target.Image.SetOnWarning(
        [&Target](const void *, TGIFSeverity, const QString &Message) { Target.Warnings << Message; });
    QBuffer buffer(&Bytes);
    buffer.open(QIODevice::ReadOnly);
    Target.Image.LoadFromStream(buffer);
}

// 1 x 1 screen with a two-colour global table, then the blocks given.
QByteArray Stream(const QByteArray &Blocks, int ScreenWidth = 1, int ScreenHeight = 1)
{
    QByteArray bytes("GIF89a");
    bytes += char(ScreenWidth & 0xFF);
    bytes += char(ScreenWidth >> 8);
    bytes += char(ScreenHeight & 0xFF);
    bytes += char(ScreenHeight >> 8);
    bytes += QByteArray("\x80\x00\x00", 3);
    bytes += QByteArray("\x00\x00\x00\xff\xff\xff", 6);
    return bytes + Blocks;
}

QByteArray Descriptor(int Left, int Top, int Width, int Height)
{
    QByteArray d(",");
    for (int v : {Left, Top, Width, Height}) {
        d += char(v & 0xFF);
        d += char(v >> 8);
    }
    return d + char(0);
}

int DifferentPixels(const QImage &A, const QImage &B)
{
    if (A.size() != B.size())
        return -1;
    int count = 0;
    for (int y = 0; y < A.height(); ++y)
        for (int x = 0; x < A.width(); ++x)
            if ((A.pixel(x, y) & 0xFFFFFF) != (B.pixel(x, y) & 0xFFFFFF))
                ++count;
    return count;
}

} // namespace

TEST(GIFSubImage, SuiteDecodesLikeGiflibAndFirstFramesMatch)
{
    const QStringList files = QDir(SuiteDir).entryList({QStringLiteral("*.gif")}, QDir::Files);
    ASSERT_EQ(files.size(), 13);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = ReadFile(SuiteDir + u'/' + name);
        const OracleGif oracle = OracleDecode(bytes);
        LoadedGif loaded;
        Load(loaded, bytes);
        // Frames beyond the logical screen grow it, with warnings.
        const bool outOfBounds = name.contains(QStringLiteral("out_of_bounds"));
        EXPECT_EQ(loaded.Warnings.isEmpty(), !outOfBounds) << loaded.Warnings.join(u';').toStdString();
        TGIFImageList *list = loaded.Image.Images();
        int frames = 0;
        for (int i = 0; i < list->Count(); ++i) {
            TGIFSubImage *sub = list->SubImages(i);
            if (sub->Empty())
                continue;
            ASSERT_LT(frames, int(oracle.Frames.size()));
            const OracleFrame &f = oracle.Frames[size_t(frames++)];
            EXPECT_EQ(sub->Left(), f.Left);
            EXPECT_EQ(sub->Width(), f.Width);
            EXPECT_EQ(std::vector<uint8_t>(sub->Data(), sub->Data() + sub->DataSize()), f.Pixels);
            TBitmap *bitmap = sub->GetBitmap();
            ASSERT_NE(bitmap, nullptr);
            EXPECT_EQ(bitmap->Width(), sub->Width());
        }
        EXPECT_EQ(frames, int(oracle.Frames.size()));

        // The first frame covers the whole screen in every file of the suite,
        // so it is the first expected picture.
        const QString stem = name.chopped(4);
        QImage expected(SuiteDir + QStringLiteral("/frames/") + stem
                        + (stem.startsWith(QStringLiteral("static")) ? QStringLiteral(".png")
                                                                     : QStringLiteral("-0.png")));
        ASSERT_FALSE(expected.isNull());
        expected = expected.convertToFormat(QImage::Format_ARGB32);
        const QImage ours = list->SubImages(0)->RenderImage(true);
        if (outOfBounds)
            EXPECT_GT(loaded.Image.Width(), ours.width());
        else
            ASSERT_EQ(ours.size(), expected.size());
        int wrong = 0;
        for (int y = 0; y < ours.height() && !outOfBounds; ++y)
            for (int x = 0; x < ours.width(); ++x) {
                const QRgb e = expected.pixel(x, y), o = ours.pixel(x, y);
                if (qAlpha(e) == 0 ? qAlpha(o) != 0 : (o & 0xFFFFFF) != (e & 0xFFFFFF))
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0);

        // Load, save, load again keeps every frame.
        const QByteArray saved = SaveImage(loaded.Image);
        LoadedGif again;
        Load(again, saved);
        ASSERT_EQ(again.Image.Images()->Count(), list->Count());
        for (int i = 0; i < list->Count(); ++i)
            EXPECT_EQ(again.Image.Images()->SubImages(i)->DataSize(), list->SubImages(i)->DataSize());
        EXPECT_EQ(SaveImage(again.Image), saved);
    }
}

TEST(GIFSubImage, MaskAndDrawing)
{
    // 2 x 1 frame, pixels 0 and 1, index 1 transparent.
    QByteArray gce("\x21\xf9\x04\x01\x00\x00\x01\x00", 8);
    LoadedGif loaded;
    Load(loaded,
         Stream(gce + ImageBlock(2, 1, false, PackCodes(2, {{4, 3}, {0, 3}, {1, 3}, {5, 3}})) + ";", 2, 1));
    ASSERT_EQ(loaded.Image.Images()->Count(), 1);
    TGIFSubImage *sub = loaded.Image.Images()->SubImages(0);
    ASSERT_TRUE(sub->Transparent());
    ASSERT_TRUE(sub->HasMask());
    EXPECT_EQ(sub->Mask()->ScanLine(0)[0] & 0xC0, 0x40);
    const QImage image = sub->RenderImage(true);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);

    QImage canvas(4, 2, QImage::Format_ARGB32);
    canvas.fill(qRgb(255, 0, 0));
    {
        QPainter painter(&canvas);
        sub->Draw(painter, QRect(0, 0, 4, 2), true, false);
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(3, 1), qRgb(255, 0, 0));

    // Tiling steps by the screen size.
    canvas.fill(qRgb(255, 0, 0));
    {
        QPainter painter(&canvas);
        sub->Draw(painter, QRect(0, 0, 4, 2), false, true);
    }
    EXPECT_EQ(canvas.pixel(2, 1), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(3, 1), qRgb(255, 255, 255));
    EXPECT_EQ(sub->ScaleRect(QRect(10, 10, 4, 2)), QRect(10, 10, 4, 2));
}

TEST(GIFSubImage, HostileInputs)
{
    // 65535 x 65535 declared in a 40-byte file: refused before any allocation.
    {
        LoadedGif loaded;
        EXPECT_THROW(Load(loaded, Stream(Descriptor(0, 0, 65535, 65535) + "\x02\x02\x4c\x01\x00;")),
                     GIFException);
    }
    // Left + Width beyond 16 bits raises instead of wrapping.
    {
        LoadedGif loaded;
        EXPECT_THROW(Load(loaded, Stream(Descriptor(65535, 0, 2, 1) + "\x02\x02\x4c\x01\x00;")),
                     GIFException);
    }
    // Frames that fit one by one but not together exceed the picture budget.
    {
        QByteArray blocks;
        for (int i = 0; i < 5; ++i)
            blocks += Descriptor(0, 0, 16384, 4096) + QByteArray("\x02\x02\x4c\x01\x00", 5);
        LoadedGif loaded;
        EXPECT_THROW(Load(loaded, Stream(blocks + ";")), GIFException);
    }
    // A stray byte after an extension: the descriptor is not read from it.
    {
        LoadedGif loaded;
        Load(loaded, Stream(ImageBlock(1, 1, false, PackCodes(2, {{4, 3}, {1, 3}, {5, 3}}))
                            + QByteArray("\x21\xfe\x01x\x00\x42\x00\x00\x01\x00\x01\x00\x00", 13)));
        EXPECT_EQ(loaded.Image.Images()->Count(), 2);
        EXPECT_TRUE(loaded.Image.Images()->SubImages(1)->Empty());
        EXPECT_TRUE(loaded.Warnings.contains(QStringLiteral("Unknown GIF block type")));
    }
    // A 0 x 0 screen grows to its frames.
    {
        LoadedGif loaded;
        Load(loaded, Stream(ImageBlock(1, 1, false, PackCodes(2, {{4, 3}, {1, 3}, {5, 3}})) + ";", 0, 0));
        EXPECT_EQ(loaded.Image.Width(), 1);
        EXPECT_EQ(loaded.Image.Height(), 1);
        EXPECT_TRUE(loaded.Warnings.isEmpty());
    }
    // Every prefix of an interlaced animation: an exception with the stream put
    // back, or a partial image; never a crash.
    const QByteArray whole = ReadFile(SuiteDir + QStringLiteral("/animated_loop_interlaced.gif"));
    for (qsizetype n = 0; n < whole.size(); ++n) {
        QByteArray prefix = whole.left(n);
        QBuffer buffer(&prefix);
        buffer.open(QIODevice::ReadOnly);
        TGIFImage image;
        try {
            image.LoadFromStream(buffer);
            for (int i = 0; i < image.Images()->Count(); ++i)
                image.Images()->SubImages(i)->GetBitmap();
        } catch (const GIFException &) {
            EXPECT_EQ(buffer.pos(), 0);
        }
    }
}

TEST(GIFPicture, RegisteredLoadsDrawsConverts)
{
    RegisterGIFFormat();
    TPicture picture;
    picture.LoadFromFile(SuiteDir + QStringLiteral("/static_nontransparent.gif"));
    auto *gif = dynamic_cast<TGIFImage *>(picture.Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_FALSE(gif->Empty());
    const QImage expected = QImage(SuiteDir + QStringLiteral("/frames/static_nontransparent.png"))
                                .convertToFormat(QImage::Format_RGB32);
    TBitmap bitmap;
    bitmap.Assign(gif);
    const QImage converted = bitmap.ToImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(DifferentPixels(converted, expected), 0);

    QImage canvas(expected.size(), QImage::Format_RGB32);
    canvas.fill(Qt::red);
    {
        QPainter painter(&canvas);
        gif->Draw(painter, canvas.rect());
    }
    EXPECT_EQ(DifferentPixels(canvas, expected), 0);

    // The clipboard carries the GIF data itself.
    QMimeData data;
    picture.SaveToClipboardFormat(data);
    ASSERT_TRUE(data.hasFormat(QStringLiteral("image/gif")));
    TPicture pasted;
    pasted.LoadFromClipboardFormat(QStringLiteral("image/gif"), data);
    ASSERT_NE(dynamic_cast<TGIFImage *>(pasted.Graphic()), nullptr);
    EXPECT_EQ(pasted.Graphic()->Width(), gif->Width());
    UnregisterGIFFormat();
}

TEST(GIFSubImage, TransparencyFollowsFirstGraphicControl)
{
    // First graphic control opaque, second transparent: the first one rules;
    // freeing it hands over to the second.
    const QByteArray opaque("\x21\xf9\x04\x00\x00\x00\x00\x00", 8);
    const QByteArray clear("\x21\xf9\x04\x01\x00\x00\x01\x00", 8);
    LoadedGif loaded;
    Load(loaded,
         Stream(opaque + clear + ImageBlock(1, 1, false, PackCodes(2, {{4, 3}, {1, 3}, {5, 3}})) + ";"));
    TGIFSubImage *sub = loaded.Image.Images()->SubImages(0);
    ASSERT_EQ(sub->Extensions()->Count(), 2);
    EXPECT_FALSE(sub->Transparent());
    delete sub->Extensions()->Item(0);
    EXPECT_TRUE(sub->Transparent());
    EXPECT_NE(sub->GraphicControlExtension(), nullptr);
    EXPECT_TRUE(sub->HasMask());
    delete sub->Extensions()->Item(0);
    EXPECT_FALSE(sub->Transparent());
    EXPECT_EQ(sub->GraphicControlExtension(), nullptr);
}
