#include "gif/GifOracle.h"

#include "gif/GIFExtensions.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

const QByteArray OnePixel = ImageBlock(1, 1, false, PackCodes(2, {{4, 3}, {1, 3}, {5, 3}}));

} // namespace

TEST(GIFImage, StreamRoutines)
{
    EXPECT_EQ(BitsForColorCount(0), 0);
    EXPECT_EQ(BitsForColorCount(1), 1);
    EXPECT_EQ(BitsForColorCount(2), 1);
    EXPECT_EQ(BitsForColorCount(3), 2);
    EXPECT_EQ(BitsForColorCount(5), 3);
    EXPECT_EQ(BitsForColorCount(129), 8);
    EXPECT_EQ(BitsForColorCount(256), 8);
    EXPECT_EQ(ScanlineByteCount(3, 8, 32), 4);
    EXPECT_EQ(ScanlineByteCount(9, 1, 32), 4);
    EXPECT_EQ(ScanlineByteCount(17, 1, 16), 4);

    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    WriteSubBlockStrings(out, {QString(), QStringLiteral("ab"), QString(256, u'x')});
    out.close();
    EXPECT_EQ(bytes.size(), 1 + 2 + 1 + 255 + 1 + 1 + 1);
    bytes.insert(3, QByteArray("\x00", 1));
    bytes[2] = 'a';
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    QStringList read{QStringLiteral("old")};
    // A sub-block's string ends at its first zero byte.
    bytes[0] = char(3);
    ReadSubBlockStrings(in, read);
    EXPECT_EQ(read, (QStringList{QStringLiteral("aa"), QString(255, u'x'), QStringLiteral("x")}));

    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    EXPECT_EQ(ReadByte(empty), 0);
    char buffer[2];
    EXPECT_THROW(ReadExact(empty, buffer, 2), GIFException);
}

TEST(GIFImage, HeaderSignature)
{
    struct Case
    {
        QByteArray Prefix;
        const char *Signature;
        bool Ok;
    } cases[] = {
        {"", "GIF89a", true},     {"", "gif87a", true},       {"", "GIFxyz", true},  {"abcd", "GIF89a", true},
        {"abc", "GIF89a", false}, {"abcde", "GIF89a", false}, {"", "PNG89a", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Prefix.toStdString() + c.Signature);
        QByteArray gif = MakeGif(1, 1, 1, OnePixel);
        gif.replace(0, 6, c.Signature);
        const Loaded l = LoadGif(c.Prefix + gif);
        EXPECT_EQ(l.Error.isEmpty(), c.Ok) << l.Error.toStdString();
        if (!c.Ok) {
            EXPECT_EQ(l.Error, QStringLiteral("Invalid GIF signature"));
        }
    }
}

TEST(GIFImage, HeaderWritesPaddedMapAndVersion)
{
    TGIFImage image;
    for (int i = 0; i < 5; ++i)
        image.Header()->ColorMap()->Add(TColor(0x10 * (i + 1)));
    auto *sub = new TGIFSubImage(&image);
    image.Images()->Add(sub);
    sub->SetBounds(0, 0, 2, 1);
    QByteArray bytes = SaveImage(image);
    EXPECT_TRUE(bytes.startsWith("GIF87a"));
    EXPECT_EQ(uint8_t(bytes[10]) & 0x87, 0x82);
    EXPECT_EQ(bytes.mid(13 + 15, 9), QByteArray(9, '\0'));
    EXPECT_EQ(bytes[13 + 24], ',');

    image.Header()->SetAspectRatio(49);
    EXPECT_TRUE(SaveImage(image).startsWith("GIF89a"));
    image.Header()->SetAspectRatio(0);
    image.Header()->ColorMap()->SetSorted(true);
    bytes = SaveImage(image);
    EXPECT_TRUE(bytes.startsWith("GIF89a"));
    EXPECT_EQ(uint8_t(bytes[10]) & 0x08, 0x08);

    TGIFImage none;
    EXPECT_THROW(SaveImage(none), GIFException);
}

TEST(GIFImage, ColorMapBasics)
{
    TGIFImage image;
    QStringList warnings;
    image.SetOnWarning([&](const void *, TGIFSeverity, const QString &m) { warnings.append(m); });
    TGIFColorMap &map = *image.Header()->ColorMap();
    EXPECT_THROW(map.Colors(0), GIFException);
    warnings.clear();

    std::vector<int> capacities;
    for (int i = 0; i < 256; ++i) {
        map.Add(TColor(i));
        if (capacities.empty() || capacities.back() != map.Capacity())
            capacities.push_back(map.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{16, 32, 64, 96, 128, 160, 192, 224, 256}));
    try {
        map.Add(0);
        ADD_FAILURE();
    } catch (const GIFException &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Color table overflow"));
    }
    EXPECT_EQ(map.Colors(300), TColor(0));
    EXPECT_EQ(warnings, QStringList{QStringLiteral("Invalid color index")});
    EXPECT_THROW(map.Delete(256), GIFException);
    map.Delete(0);
    EXPECT_EQ(map.Count(), 255);
    EXPECT_EQ(map.Colors(0), TColor(1));

    map.Clear();
    map.Add(0x112233);
    map.Add(0x445566);
    map.Add(0x112233);
    EXPECT_EQ(map.IndexOf(0x112233), 2);
    map.SetSorted(true);
    EXPECT_EQ(map.IndexOf(0x112233), 0);
    EXPECT_EQ(map.IndexOf(0x999999), -1);
    EXPECT_EQ(map.AddUnique(0x445566), 1);
    EXPECT_EQ(map.Data()[0], (TColorTriple{0x33, 0x22, 0x11}));

    // Bitmap colour tables are blue, green, red, reserved; never more than 256 entries.
    std::vector<uint8_t> quads(300 * 4, 0);
    quads[0] = 1;
    quads[1] = 2;
    quads[2] = 3;
    map.ImportColorTable(quads.data(), 300);
    EXPECT_EQ(map.Count(), 256);
    EXPECT_EQ(map.Colors(0), TColor(0x010203));
}

TEST(GIFImage, SortByUse)
{
    TGIFImage image;
    for (int i = 0; i < 4; ++i)
        image.Header()->ColorMap()->Add(TColor(i * 0x40));
    image.Header()->SetBackgroundColorIndex(1);
    auto *sub = new TGIFSubImage(&image);
    image.Images()->Add(sub);
    sub->SetBounds(0, 0, 4, 1);
    const uint8_t pixels[4] = {3, 1, 3, 3};
    std::memcpy(sub->Data(), pixels, 4);
    EXPECT_TRUE(image.Header()->ColorMap()->Optimize());
    TGIFColorMap &map = *image.Header()->ColorMap();
    EXPECT_TRUE(map.Sorted());
    ASSERT_EQ(map.Count(), 2);
    EXPECT_EQ(map.Colors(0), TColor(0xC0));
    EXPECT_EQ(map.Colors(1), TColor(0x40));
    EXPECT_EQ(Pixels(*sub), (std::vector<uint8_t>{0, 1, 0, 0}));
    EXPECT_EQ(image.Header()->BackgroundColorIndex(), 1);
}

TEST(GIFImage, SortByUseKeepsTransparentAndBackgroundEntries)
{
    TGIFImage image;
    for (int i = 0; i < 4; ++i)
        image.Header()->ColorMap()->Add(TColor(i + 1));
    image.Header()->SetBackgroundColorIndex(0);
    auto *sub = new TGIFSubImage(&image);
    image.Images()->Add(sub);
    sub->SetBounds(0, 0, 3, 1);
    // Index 9 lies outside the table and stays as it is.
    const uint8_t pixels[3] = {3, 3, 9};
    std::memcpy(sub->Data(), pixels, 3);
    auto *gce = new TGIFGraphicControlExtension(sub);
    sub->Extensions()->Add(gce);
    gce->SetTransparent(true);
    gce->SetTransparentColorIndex(2);
    EXPECT_TRUE(image.Header()->ColorMap()->Optimize());
    TGIFColorMap &map = *image.Header()->ColorMap();
    ASSERT_EQ(map.Count(), 3);
    EXPECT_EQ(map.Colors(0), TColor(4));
    EXPECT_EQ(Pixels(*sub), (std::vector<uint8_t>{0, 0, 9}));
    EXPECT_EQ(map.Colors(gce->TransparentColorIndex()), TColor(3));
    EXPECT_EQ(map.Colors(image.Header()->BackgroundColorIndex()), TColor(1));

    TGIFImage empty;
    empty.Header()->ColorMap()->Add(1);
    empty.Header()->ColorMap()->Add(2);
    EXPECT_FALSE(empty.Header()->ColorMap()->Optimize());
}

TEST(GIFImage, BlockLoop)
{
    // Zero bytes between blocks are skipped.
    Loaded l = LoadGif(MakeGif(1, 1, 1, OnePixel + QByteArray(3, '\0') + OnePixel + QByteArray(2, '\0')));
    EXPECT_TRUE(l.Error.isEmpty());
    EXPECT_TRUE(l.Warnings.isEmpty());
    EXPECT_EQ(l.Image->Images()->Count(), 2);

    // A stray block byte ends the load; the first frame stays.
    l = LoadGif(MakeGif(1, 1, 1, OnePixel + "B" + OnePixel));
    EXPECT_EQ(l.Image->Images()->Count(), 1);
    EXPECT_EQ(l.Warnings, (QStringList{QStringLiteral("Unknown GIF block type"),
                                       QStringLiteral("Invalid Image trailer")}));

    // Header and trailer only.
    l = LoadGif(MakeGif(1, 1, 1, QByteArray()));
    EXPECT_TRUE(l.Error.isEmpty());
    EXPECT_EQ(l.Image->Images()->Count(), 0);

    // A cut descriptor raises and puts the stream back.
    QByteArray cut = MakeGif(1, 1, 1, OnePixel.left(6), false);
    cut.prepend("abcd");
    QBuffer buffer(&cut);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(4);
    TGIFImage image;
    try {
        image.LoadFromStream(buffer);
        ADD_FAILURE();
    } catch (const GIFException &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Premature end of data"));
    }
    EXPECT_EQ(buffer.pos(), 4);
}

TEST(GIFImage, SubImageBoundsGrowTheScreen)
{
    TGIFImage image;
    QStringList warnings;
    image.SetOnWarning([&](const void *, TGIFSeverity, const QString &m) { warnings.append(m); });
    image.Header()->SetScreenWidth(25);
    image.Header()->SetScreenHeight(25);
    auto *sub = new TGIFSubImage(&image);
    image.Images()->Add(sub);
    sub->SetBounds(10, 10, 20, 20);
    EXPECT_EQ(warnings, (QStringList{QStringLiteral("Image width too small for contained frames"),
                                     QStringLiteral("Image height too small for contained frames"),
                                     QStringLiteral("Image exceeds Logical Screen size")}));
    EXPECT_EQ(image.Width(), 30);
    EXPECT_EQ(image.Height(), 30);
    EXPECT_EQ(sub->DataSize(), 400u);

    TGIFImage fresh;
    QStringList none;
    fresh.SetOnWarning([&](const void *, TGIFSeverity, const QString &m) { none.append(m); });
    auto *other = new TGIFSubImage(&fresh);
    fresh.Images()->Add(other);
    other->SetBounds(10, 10, 20, 20);
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(fresh.Width(), 30);
}

TEST(GIFImage, PalettesAndBitmapColourTables)
{
    TGIFImage image;
    TGIFColorMap &map = *image.Header()->ColorMap();
    EXPECT_TRUE(map.ExportPalette().IsEmpty());
    map.Add(0x030201);
    map.Add(0x0000FF);
    const TPalette palette = map.ExportPalette();
    ASSERT_EQ(palette.Count(), 2);
    EXPECT_EQ(palette.Entry(0), (TPaletteEntry{1, 2, 3, PaletteFlagNoCollapse}));

    map.ImportPalette(TPalette());
    EXPECT_EQ(map.Count(), 0);
    map.ImportPalette(CreateWebSafePalette());
    EXPECT_EQ(map.Count(), 216);
    EXPECT_EQ(map.Colors(1 * 36 + 2 * 6 + 5), TColor(51 | (102 << 8) | (255 << 16)));

    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetColorTable({TRGBQuad{10, 20, 30, 0}, TRGBQuad{1, 2, 3, 0}});
    map.ImportDIBColors(bitmap);
    ASSERT_EQ(map.Count(), 2);
    EXPECT_EQ(map.Colors(0), TColor(30 | (20 << 8) | (10 << 16)));
}

TEST(GIFImage, ReadsWhatOtherProgramsWrite)
{
    // An extension of a label we do not know, then a frame without width: both read past.
    const QByteArray unknown("\x21\x02\x01q\x00", 5);
    const QByteArray noWidth = ImageBlock(0, 5, false, PackCodes(2, {{4, 3}, {5, 3}}));
    Loaded l = LoadGif(MakeGif(1, 1, 1, unknown + noWidth + OnePixel));
    ASSERT_TRUE(l.Error.isEmpty()) << l.Error.toStdString();
    EXPECT_TRUE(l.Warnings.isEmpty()) << l.Warnings.join(u'|').toStdString();
    ASSERT_EQ(l.Image->Images()->Count(), 2);
    EXPECT_TRUE(l.Image->Images()->SubImages(0)->Empty());
    EXPECT_NE(
        dynamic_cast<TGIFUnknownExtension *>(l.Image->Images()->SubImages(0)->Extensions()->Extensions(0)),
        nullptr);
    EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(1)), std::vector<uint8_t>{1});
    EXPECT_EQ(l.Image->Width(), 1);
    EXPECT_TRUE(SaveImage(*l.Image).contains(unknown));
}

TEST(GIFImage, AnAnimationStandsStillOnTheFirstFrameItHolds)
{
    // Frames without a delay are shown for no time: the still is built up to the
    // first frame with one, or of all, looping or not.
    const QByteArray loop = QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    const QByteArray noDelay("\x21\xF9\x04\x00\x00\x00\x00\x00", 8);
    const QByteArray delay("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
    const QByteArray second = ImageBlock(1, 1, false, PackCodes(2, {{4, 3}, {2, 3}, {5, 3}}));
    const QByteArray third = ImageBlock(1, 1, false, PackCodes(2, {{4, 3}, {3, 3}, {5, 3}}));
    for (const bool looping : {true, false}) {
        for (const bool held : {false, true}) {
            SCOPED_TRACE(testing::Message() << looping << held);
            Loaded l = LoadGif(MakeGif(1, 1, 2,
                                       (looping ? loop : QByteArray()) + noDelay + OnePixel
                                           + (held ? delay : noDelay) + second + noDelay + third));
            ASSERT_TRUE(l.Error.isEmpty()) << l.Error.toStdString();
            const TColor still = held ? 0x020202 : 0x030303;
            ASSERT_NE(l.Image->GetBitmap(), nullptr);
            EXPECT_EQ(l.Image->GetBitmap()->Pixel(0, 0) & 0xFFFFFF, still);
            l.Image->SetDrawOptions(l.Image->DrawOptions() & ~AnimatedPaint);
            QImage shown(1, 1, QImage::Format_RGB32);
            QPainter painter(&shown);
            l.Image->Draw(painter, QRect(0, 0, 1, 1));
            painter.end();
            EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, still);
        }
    }
}

TEST(GIFImage, AFrameWithoutPixelsNeedsNoColourTable)
{
    // Frames of no height or no size that declare a local table of 256 colours: left
    // out with the raster kept, left out with the raster, or there as declared.
    const QByteArray raster = PackCodes(2, {{4, 3}, {5, 3}});
    const auto declaring = [](QByteArray block) {
        block[9] = char(0x87);
        return block;
    };
    QByteArray table;
    for (int i = 0; i < 256; ++i)
        table.append(QByteArray(3, char(i)));
    const QByteArray zeroHeight = declaring(ImageBlock(1, 0, false, raster));
    const QByteArray zeroSize = declaring(ImageBlock(0, 0, false, QByteArray()));
    const QByteArray withTable = declaring(ImageBlock(0, 0, false, QByteArray())) + table + raster;
    for (const QByteArray &frames : {zeroHeight, zeroSize, withTable, zeroHeight + zeroSize + withTable}) {
        Loaded l = LoadGif(MakeGif(1, 1, 1, frames + OnePixel));
        ASSERT_TRUE(l.Error.isEmpty()) << l.Error.toStdString();
        const TGIFImageList &images = *l.Image->Images();
        ASSERT_GE(images.Count(), 2);
        EXPECT_TRUE(images.SubImages(0)->Empty());
        EXPECT_EQ(Pixels(*images.SubImages(images.Count() - 1)), std::vector<uint8_t>{1});
        EXPECT_EQ(images.SubImages(images.Count() - 2)->ColorMap()->Count(),
                  frames.endsWith(withTable) ? 256 : 0);
    }
    // A table declared and left out, with the file ending there.
    EXPECT_TRUE(LoadGif(MakeGif(1, 1, 1, zeroSize, false)).Error.isEmpty());
}
