#include "platform/Graphics.h"
#include "platform/PngImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray SaveBitmap(TBitmap &bitmap)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bitmap.SaveToStream(buffer);
    return bytes;
}

void LoadBitmap(TBitmap &bitmap, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    bitmap.LoadFromStream(buffer);
}

// A bitmap of every format with a recognisable pattern.
TBitmap Pattern(TPixelFormat format, int width = 7, int height = 5)
{
    TBitmap bitmap(width, height, TPixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        uint8_t *row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            bool white = (x + y) % 2 == 0;
            row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = white ? 255 : 0;
            if (x == 0 && y == 0)
                row[2] = 255, row[1] = row[0] = 0; // one red pixel
        }
    }
    bitmap.SetPixelFormat(format);
    return bitmap;
}

} // namespace

TEST(Graphics, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(BytesPerScanline(3, 24), 12);
    EXPECT_EQ(BytesPerScanline(1, 1), 4);
    EXPECT_EQ(BytesPerScanline(33, 1), 8);
    EXPECT_EQ(BytesPerScanline(9, 4), 8);
    EXPECT_EQ(BytesPerScanline(0, 8), 0);
    TBitmap bitmap(3, 2, TPixelFormat::pf24bit);
    EXPECT_EQ(bitmap.BytesPerLine(), 12);
    EXPECT_EQ(bitmap.ScanLine(1) - bitmap.ScanLine(0), 12);
}

TEST(Graphics, ScanLineIsRangeChecked)
{
    TBitmap bitmap(4, 3, TPixelFormat::pf8bit);
    EXPECT_NO_THROW(bitmap.ScanLine(0));
    EXPECT_NO_THROW(bitmap.ScanLine(2));
    EXPECT_THROW(bitmap.ScanLine(3), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphicOperation);
    try {
        bitmap.ScanLine(99);
    } catch (const EInvalidGraphicOperation &e) {
        EXPECT_EQ(e.Message(), "Scan line index out of range");
    }
    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_THROW(empty.ScanLine(0), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.Pixel(4, 0), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.SetSize(-1, 2), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.SetSize(1 << 30, 1 << 30), EInvalidGraphicOperation);
}

TEST(Graphics, ResizeKeepsTopLeftAndClearsTheRest)
{
    TBitmap bitmap = Pattern(TPixelFormat::pf1bit, 10, 3);
    bitmap.SetWidth(3);
    EXPECT_EQ(bitmap.ScanLine(0)[0] & 0x1F, 0) << "dropped pixels in the last byte are cleared";
    bitmap.SetWidth(10);
    EXPECT_EQ(bitmap.Pixel(9, 0), qRgb(0, 0, 0));
    EXPECT_EQ(bitmap.Pixel(2, 0), qRgb(255, 255, 255));
    bitmap.SetHeight(5);
    EXPECT_EQ(bitmap.Height(), 5);
    EXPECT_EQ(bitmap.Pixel(1, 4), qRgb(0, 0, 0));
    EXPECT_EQ(bitmap.Pixel(1, 1), qRgb(255, 255, 255));
}

TEST(Graphics, PixelFormatConversionsKeepColours)
{
    const TPixelFormat formats[] = {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                                    TPixelFormat::pf24bit, TPixelFormat::pf32bit};
    for (TPixelFormat from : formats)
        for (TPixelFormat to : formats) {
            TBitmap bitmap = Pattern(TPixelFormat::pf24bit);
            bitmap.ScanLine(0)[0] = 255; // keep the pattern black and white for 1 bit
            bitmap.ScanLine(0)[1] = 255;
            bitmap.SetPixelFormat(from);
            bitmap.SetPixelFormat(to);
            EXPECT_EQ(bitmap.PixelFormat(), to);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 7; ++x)
                    ASSERT_EQ(bitmap.Pixel(x, y) & 0xFFFFFF, (x + y) % 2 == 0 ? 0xFFFFFFu : 0u)
                        << BitsPerPixel(from) << " -> " << BitsPerPixel(to) << " at " << x << "," << y;
        }
}

TEST(Graphics, ReducingDepthUsesTheNearestDefaultColour)
{
    TBitmap bitmap = Pattern(TPixelFormat::pf24bit);
    bitmap.SetPixelFormat(TPixelFormat::pf4bit);
    EXPECT_EQ(bitmap.ColorTable().size(), 16u);
    EXPECT_EQ(bitmap.Pixel(0, 0), qRgb(255, 0, 0));
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(bitmap.ColorTable().size(), 2u);
    // Widening keeps a table that fits, and its indexes.
    TBitmap indexed(2, 1, TPixelFormat::pf8bit);
    indexed.SetColorTable({{10, 20, 30, 0}, {40, 50, 60, 0}, {1, 2, 3, 0}});
    indexed.ScanLine(0)[0] = 2;
    indexed.ScanLine(0)[1] = 1;
    indexed.SetPixelFormat(TPixelFormat::pf4bit);
    EXPECT_EQ(indexed.ColorTable().size(), 3u);
    EXPECT_EQ(indexed.ScanLine(0)[0], 0x21);
    EXPECT_EQ(indexed.Pixel(0, 0), qRgb(3, 2, 1));
    // Indexes beyond the table show black.
    indexed.ScanLine(0)[0] = 0xF0;
    EXPECT_EQ(indexed.Pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(indexed.Palette().Count(), 3);
    EXPECT_EQ(indexed.Palette().Entry(0).Red, 30);
}

TEST(Graphics, QImageRoundTrip)
{
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                                TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TBitmap bitmap = Pattern(format);
        QImage image = bitmap.ToImage();
        EXPECT_EQ(image.size(), QSize(7, 5));
        EXPECT_EQ(image.pixel(0, 0), bitmap.Pixel(0, 0) | 0xFF000000u);
        EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
        TBitmap back;
        back.FromImage(image);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(back.Pixel(x, y) | 0xFF000000u, bitmap.Pixel(x, y) | 0xFF000000u);
    }
    QImage alpha(2, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(10, 20, 30, 40));
    alpha.setPixel(1, 0, qRgba(1, 2, 3, 255));
    TBitmap bitmap;
    bitmap.FromImage(alpha);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(bitmap.Pixel(0, 0), qRgba(10, 20, 30, 40));
    EXPECT_EQ(bitmap.ScanLine(0)[0], 30); // blue first
    bitmap.FromImage(QImage());
    EXPECT_TRUE(bitmap.Empty());
}

TEST(Graphics, BmpRoundTripKeepsFormatAndTable)
{
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                                TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TBitmap bitmap = Pattern(format);
        QByteArray bytes = SaveBitmap(bitmap);
        ASSERT_TRUE(bytes.startsWith("BM"));
        TBitmap loaded;
        LoadBitmap(loaded, bytes);
        EXPECT_EQ(loaded.PixelFormat(), format);
        if (format != TPixelFormat::pf1bit) { // Qt may flip a two-colour table and its bits
            EXPECT_EQ(loaded.ColorTable(), bitmap.ColorTable());
        }
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(loaded.Pixel(x, y) | 0xFF000000u, bitmap.Pixel(x, y) | 0xFF000000u)
                    << BitsPerPixel(format);
    }
}

TEST(Graphics, BmpFromQtWriterAndBadData)
{
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    image.setPixel(4, 2, qRgb(200, 100, 50));
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        buffer.write("xyz"); // the bitmap starts in the middle of the stream
        QImageWriter writer(&buffer, "bmp");
        ASSERT_TRUE(writer.write(image));
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(3);
    TBitmap bitmap;
    bitmap.LoadFromStream(buffer);
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(bitmap.Pixel(4, 2), qRgb(200, 100, 50));

    TBitmap kept = Pattern(TPixelFormat::pf8bit);
    for (QByteArray bad : {QByteArray(), QByteArray("BM"), QByteArray("GIF89a"), bytes.mid(3, 40),
                           QByteArray("BM").append(QByteArray(60, '\xff'))}) {
        EXPECT_THROW(LoadBitmap(kept, bad), EInvalidGraphic);
        EXPECT_EQ(kept.Width(), 7) << "a failed load leaves the bitmap as it was";
    }
}

TEST(Graphics, TransparencyMaskAndDraw)
{
    TBitmap bitmap(3, 2, TPixelFormat::pf24bit);
    bitmap.Paint([](QPainter &p) {
        p.fillRect(0, 0, 3, 2, QColor(0, 255, 0));
        p.fillRect(1, 0, 1, 1, QColor(255, 0, 0));
    });
    EXPECT_EQ(bitmap.Pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(bitmap.TransparentColor(), qRgb(0, 255, 0)); // bottom-left pixel
    TBitmap mask = bitmap.Mask();
    EXPECT_EQ(mask.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(mask.ScanLine(0)[0] >> 5, 0b101);
    bitmap.SetTransparent(true);
    QImage canvas(3, 2, QImage::Format_RGB32);
    canvas.fill(qRgb(9, 9, 9));
    {
        QPainter painter(&canvas);
        bitmap.Draw(painter, QRect(0, 0, 3, 2));
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(9, 9, 9));
    EXPECT_EQ(canvas.pixel(1, 0), qRgb(255, 0, 0));

    TBitmap indexed = Pattern(TPixelFormat::pf1bit);
    indexed.Paint([](QPainter &p) { p.fillRect(0, 0, 7, 5, Qt::white); });
    EXPECT_EQ(indexed.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(indexed.Pixel(1, 0), qRgb(255, 255, 255));
}

TEST(Graphics, AssignAndChangeNotification)
{
    TBitmap source = Pattern(TPixelFormat::pf8bit);
    source.SetTransparent(true);
    TBitmap copy;
    int changes = 0;
    copy.OnChange = [&](TPersistent *sender) {
        EXPECT_EQ(sender, &copy);
        ++changes;
    };
    copy.Assign(&source);
    EXPECT_GE(changes, 1);
    EXPECT_TRUE(copy.Modified());
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(copy.Pixel(0, 0), source.Pixel(0, 0));
    copy.ScanLine(0)[0] ^= 1;
    EXPECT_NE(copy.ScanLine(0)[0], source.ScanLine(0)[0]) << "a deep copy";

    TMetafile metafile;
    EXPECT_THROW(copy.Assign(&metafile), EConvertError);
    try {
        copy.Assign(&metafile);
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TMetafile to a TBitmap");
    }
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
}

TEST(Graphics, PalettesAreSmallValues)
{
    std::vector<TPaletteEntry> many(300, TPaletteEntry{1, 2, 3, 0});
    TPalette palette(many);
    EXPECT_EQ(palette.Count(), 256);
    EXPECT_THROW(palette.Add({}), EInvalidGraphicOperation);
    EXPECT_THROW(palette.Entry(256), EInvalidGraphicOperation);
    TPaletteEntry out[4];
    EXPECT_EQ(palette.GetEntries(254, 4, out), 2);
    EXPECT_EQ(TPalette().GetEntries(0, 4, out), 0);
    EXPECT_EQ(StockDefaultPalette().Count(), 20);
    EXPECT_EQ(StockDefaultPalette().Entry(19), (TPaletteEntry{255, 255, 255, 0}));
    const TPalette &halftone = HalftonePalette();
    ASSERT_EQ(halftone.Count(), 256);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(halftone.Entry(i), StockDefaultPalette().Entry(i));
        EXPECT_EQ(halftone.Entry(246 + i), StockDefaultPalette().Entry(10 + i));
    }
    TBitmap bitmap(1, 1, TPixelFormat::pf8bit);
    bitmap.SetPalette(TPalette({{10, 20, 30, 4}}));
    EXPECT_EQ(bitmap.ColorTable(), (std::vector<TRGBQuad>{{30, 20, 10, 0}}));
    TBitmap two(1, 1, TPixelFormat::pf1bit);
    two.SetPalette(StockDefaultPalette());
    EXPECT_EQ(two.ColorTable().size(), 2u) << "a table never exceeds the depth";
}

TEST(Graphics, IconLoadsThroughQImage)
{
    QImage small(16, 16, QImage::Format_ARGB32);
    small.fill(qRgba(0, 0, 255, 255));
    QImage big(32, 32, QImage::Format_ARGB32);
    big.fill(qRgba(255, 0, 0, 255));
    big.setPixel(0, 0, qRgba(0, 0, 0, 0));
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "ico");
        ASSERT_TRUE(writer.write(small));
    }
    TIcon icon;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        icon.LoadFromStream(buffer);
    }
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_TRUE(icon.Transparent());
    EXPECT_THROW(icon.SetWidth(3), EInvalidGraphicOperation);
    // Writing gives back the bytes read.
    QByteArray saved;
    {
        QBuffer buffer(&saved);
        buffer.open(QIODevice::WriteOnly);
        icon.SaveToStream(buffer);
    }
    EXPECT_EQ(saved, bytes);

    QByteArray bigBytes;
    {
        QBuffer buffer(&bigBytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "ico");
        ASSERT_TRUE(writer.write(big));
    }
    {
        QBuffer buffer(&bigBytes);
        buffer.open(QIODevice::ReadOnly);
        icon.LoadFromStream(buffer);
    }
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Image().pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(icon.Mask().ScanLine(0)[0] >> 7, 1);
    TBitmap bitmap;
    bitmap.Assign(&icon);
    EXPECT_EQ(bitmap.Width(), 32);

    for (QByteArray bad : {QByteArray(), QByteArray("\0\0\1\0", 4),
                           QByteArray("\0\0\1\0\5\0", 6) + QByteArray(20, 'x'), bytes.left(30)}) {
        QBuffer buffer(&bad);
        buffer.open(QIODevice::ReadOnly);
        EXPECT_THROW(icon.LoadFromStream(buffer), EInvalidGraphic);
        EXPECT_EQ(icon.Width(), 32);
    }
}

TEST(Graphics, PngLoadsThroughTheRegistry)
{
    QTemporaryDir dir;
    // A logo with a transparent corner.
    QImage logo(6, 4, QImage::Format_ARGB32);
    logo.fill(qRgba(0, 128, 0, 255));
    logo.setPixel(0, 0, qRgba(0, 0, 0, 0));
    const QString png = dir.filePath("logo.PNG");
    ASSERT_TRUE(logo.save(png, "PNG"));
    TPicture picture;
    picture.LoadFromFile(png);
    auto *loaded = dynamic_cast<TPngImage *>(picture.Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(picture.Height(), 4);
    EXPECT_TRUE(loaded->Image().hasAlphaChannel());
    QImage shown(6, 4, QImage::Format_RGB32);
    shown.fill(Qt::white);
    QPainter painter(&shown);
    loaded->Draw(painter, shown.rect());
    painter.end();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(3, 2), qRgb(0, 128, 0));
    TBitmap bitmap;
    bitmap.Assign(loaded);
    EXPECT_EQ(bitmap.Width(), 6);
    // Written back as read; a copy of a bitmap is written as a PNG file of its own.
    QByteArray saved;
    QBuffer out(&saved);
    out.open(QIODevice::WriteOnly);
    loaded->SaveToStream(out);
    QFile file(png);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved, file.readAll());
    TPngImage copy;
    copy.Assign(&bitmap);
    QByteArray encoded;
    QBuffer encodedOut(&encoded);
    encodedOut.open(QIODevice::WriteOnly);
    copy.SaveToStream(encodedOut);
    EXPECT_EQ(QImage::fromData(encoded, "PNG").size(), QSize(6, 4));

    // What cannot be read says why in words; the picture stays.
    for (const auto &[bytes, why] :
         {std::pair<QByteArray, QString>{saved.left(40), "The PNG picture is damaged ("},
          {"hello", "It is not a PNG picture"}}) {
        const QString name = dir.filePath("bad.png");
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        try {
            picture.LoadFromFile(name);
            ADD_FAILURE() << why.toStdString();
        } catch (const EInvalidGraphic &e) {
            EXPECT_TRUE(e.Message().startsWith(why)) << e.Message().toStdString();
        }
        EXPECT_EQ(picture.Width(), 6);
    }
}

TEST(Graphics, RegistryLoadsByExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TBitmap bitmap = Pattern(TPixelFormat::pf24bit);
    const QString bmp = dir.filePath("logo.Bmp");
    bitmap.SaveToFile(bmp);
    EXPECT_FALSE(QFileInfo::exists(bmp + ".tmp"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).size() == 1) << "no temporary file is left";

    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TPersistent *) { ++changes; };
    picture.LoadFromFile(bmp);
    ASSERT_NE(dynamic_cast<TBitmap *>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 7);
    EXPECT_GE(changes, 1);

    // Failures keep the picture: unknown extension, metafile, bad data, missing file.
    QFile wmf(dir.filePath("art.wmf"));
    ASSERT_TRUE(wmf.open(QIODevice::WriteOnly));
    wmf.write("\xd7\xcd\xc6\x9a junk");
    wmf.close();
    try {
        picture.LoadFromFile(wmf.fileName());
        FAIL();
    } catch (const EInvalidGraphic &e) {
        EXPECT_TRUE(e.Message().contains("metafile")) << e.Message().toStdString();
    }
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("x.tiff")), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("noext")), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("missing.bmp")), EInvalidGraphic);
    const int changesBefore = changes;
    QFile::copy(wmf.fileName(), dir.filePath("garbage.bmp"));
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("garbage.bmp")), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 7);
    EXPECT_EQ(changes, changesBefore) << "a failed load is no change";

    EXPECT_EQ(TPicture::FileExtension("/a.b/c"), "");
    EXPECT_EQ(TPicture::FileExtension("/a.b/c.JpEg"), "JPEG");
    EXPECT_EQ(TPicture::FileExtension("c."), "");

    // Registering and unregistering a format.
    EXPECT_FALSE(TPicture::IsFileFormatRegistered("xyz"));
    TPicture::RegisterFileFormat(".xyz", "Test pictures", [] { return std::make_unique<TBitmap>(); });
    EXPECT_TRUE(TPicture::IsFileFormatRegistered("XYZ"));
    EXPECT_EQ(TPicture::FileFormatDescription("xYz"), "Test pictures");
    QFile::copy(bmp, dir.filePath("copy.xyz"));
    picture.LoadFromFile(dir.filePath("copy.xyz"));
    EXPECT_EQ(picture.Height(), 5);
    EXPECT_TRUE(TPicture::FileFilter().startsWith(
        "All pictures (*.bmp *.ico *.png *.wmf *.emf *.xyz);;Bitmaps (*.bmp);;"))
        << TPicture::FileFilter().toStdString();
    TPicture::UnregisterFileFormat("XYZ");
    EXPECT_FALSE(TPicture::IsFileFormatRegistered("xyz"));
    EXPECT_FALSE(TPicture::FileFilter().contains("xyz"));
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("copy.xyz")), EInvalidGraphic);
    picture.LoadFromFileAs(dir.filePath("copy.xyz"), "BMP");
    EXPECT_EQ(picture.Width(), 7);
}

TEST(Graphics, PictureHolderAndClipboardFormats)
{
    TPicture picture;
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 0);
    TBitmap bitmap = Pattern(TPixelFormat::pf4bit);
    picture.SetGraphic(&bitmap);
    ASSERT_NE(picture.Graphic(), &bitmap) << "the picture holds a copy";
    EXPECT_EQ(picture.Bitmap().PixelFormat(), TPixelFormat::pf4bit);
    TIcon &icon = picture.Icon();
    EXPECT_TRUE(icon.Empty());
    TPicture other;
    other.Assign(&bitmap);
    picture.Assign(&other);
    EXPECT_EQ(picture.Width(), 7);
    TBitmap out;
    out.Assign(&picture);
    EXPECT_EQ(out.Width(), 7);

    EXPECT_TRUE(TPicture::SupportsClipboardFormat("application/x-qt-image"));
    QMimeData mime;
    picture.SaveToClipboardFormat(mime);
    TPicture pasted;
    pasted.LoadFromClipboardFormat("application/x-qt-image", mime);
    EXPECT_EQ(pasted.Width(), 7);
    EXPECT_THROW(pasted.LoadFromClipboardFormat("image/x-nothing", mime), EInvalidGraphic);
    TPicture::RegisterClipboardFormat("image/x-test", "Test Image",
                                      [] { return std::make_unique<TBitmap>(); });
    EXPECT_TRUE(TPicture::SupportsClipboardFormat("image/x-test"));
    EXPECT_THROW(pasted.LoadFromClipboardFormat("image/x-test", mime), EInvalidGraphic)
        << "the graphic itself refuses a format it cannot read";
    EXPECT_EQ(pasted.Width(), 7);
    TPicture::UnregisterClipboardFormat("image/x-test");
    EXPECT_FALSE(TPicture::SupportsClipboardFormat("image/x-test"));
}

TEST(Graphics, FilesWrittenByOtherProgramsLoad)
{
    const QString dir = QStringLiteral(PLIKORA_TEST_DATA "/graphics/");
    const struct
    {
        const char *name;
        TPixelFormat format;
    } files[] = {{"mono1.bmp", TPixelFormat::pf1bit},
                 {"pal4.bmp", TPixelFormat::pf4bit},
                 {"pal8.bmp", TPixelFormat::pf8bit},
                 {"rgb24.bmp", TPixelFormat::pf24bit}};
    for (const auto &file : files) {
        TPicture picture;
        picture.LoadFromFile(dir + file.name);
        auto *bitmap = dynamic_cast<TBitmap *>(picture.Graphic());
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->PixelFormat(), file.format) << file.name;
        QImage reference(dir + file.name);
        ASSERT_EQ(QSize(bitmap->Width(), bitmap->Height()), reference.size());
        for (int y = 0; y < reference.height(); ++y)
            for (int x = 0; x < reference.width(); ++x)
                ASSERT_EQ(bitmap->Pixel(x, y), reference.pixel(x, y)) << file.name << " " << x << "," << y;
    }
    TPicture icon;
    icon.LoadFromFile(dir + "icon.ico");
    ASSERT_NE(dynamic_cast<TIcon *>(icon.Graphic()), nullptr);
    EXPECT_EQ(icon.Width(), 32);
}
