#include "gif/GifOracle.h"

#include "gif/GIFColorReduction.h"
#include "gif/GIFExtensions.h"

#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

const QString GraphicsDir = QStringLiteral(PLIKORA_TEST_DATA "/graphics/");

std::vector<TRGBQuad> Table(std::initializer_list<QRgb> Colors)
{
    std::vector<TRGBQuad> table;
    for (QRgb c : Colors)
        table.push_back({uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c)), 0});
    return table;
}

// Sets the index of pixel (x, y) of an indexed bitmap.
void SetIndex(TBitmap &Bitmap, int X, int Y, int Index)
{
    uint8_t *row = Bitmap.ScanLine(Y);
    switch (Bitmap.PixelFormat()) {
    case TPixelFormat::pf1bit:
        row[X >> 3] = uint8_t((row[X >> 3] & ~(0x80 >> (X & 7))) | ((Index & 1) << (7 - (X & 7))));
        break;
    case TPixelFormat::pf4bit:
        row[X >> 1] = uint8_t((X & 1) ? (row[X >> 1] & 0xF0) | Index : (row[X >> 1] & 0x0F) | (Index << 4));
        break;
    default: row[X] = uint8_t(Index); break;
    }
}

void SetRgb(TBitmap &Bitmap, int X, int Y, QRgb Color)
{
    uint8_t *p = Bitmap.ScanLine(Y) + X * 3;
    p[0] = uint8_t(qBlue(Color));
    p[1] = uint8_t(qGreen(Color));
    p[2] = uint8_t(qRed(Color));
}

QRgb FrameColor(TGIFSubImage &Sub, int X, int Y)
{
    const TColorTriple t = Sub.ActiveColorMap()->Triple(Sub.Data()[Y * Sub.Width() + X]);
    return qRgb(t.Red, t.Green, t.Blue);
}

// A 24-bit bitmap of Count different colours, one per pixel, row after row.
TBitmap ManyColors(int Count, int Width = 20)
{
    TBitmap bitmap(Width, (Count + Width - 1) / Width, TPixelFormat::pf24bit);
    for (int i = 0; i < Count; ++i)
        SetRgb(bitmap, i % Width, i / Width, qRgb(i & 0xFF, (i >> 8) * 40, 7));
    return bitmap;
}

using Stages = std::vector<std::pair<TProgressStage, int>>;

// Records the stages and percentages of the reports carrying Message, sent by Sender.
TProgressEvent Record(Stages &Log, const QString &Message, const TPersistent *Sender)
{
    return [&Log, Message, Sender](TPersistent *From, TProgressStage Stage, int Percent, bool, const QRect &,
                                   const QString &Text) {
        if (Text != Message)
            return;
        EXPECT_EQ(From, Sender);
        Log.emplace_back(Stage, Percent);
    };
}

// A metafile that draws a red left half and leaves the rest alone.
class THalfMetafile : public TMetafile
{
public:
    void Draw(QPainter &Canvas, const QRect &Rect) override
    {
        Canvas.fillRect(QRect(Rect.left(), Rect.top(), Rect.width() / 2, Rect.height()), QColor(255, 0, 0));
    }
    int Width() const override { return 6; }
    int Height() const override { return 3; }
    bool Empty() const override { return false; }
};

} // namespace

TEST(GIFImport, IndexedBitmapsKeepPixelsAndColourTables)
{
    // Odd widths catch nibble and bit order at the row's end.
    struct Case
    {
        TPixelFormat Format;
        int Width;
        int Colors;
    } cases[] = {
        {TPixelFormat::pf1bit, 11, 2}, {TPixelFormat::pf4bit, 5, 16}, {TPixelFormat::pf8bit, 7, 200}};
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.Format));
        TBitmap bitmap(c.Width, 3, c.Format);
        std::vector<TRGBQuad> table;
        for (int i = 0; i < c.Colors; ++i)
            table.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0});
        bitmap.SetColorTable(table);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.Width; ++x)
                SetIndex(bitmap, x, y, (x * 3 + y * 5) % c.Colors);

        TGIFImage image;
        image.Assign(&bitmap);
        ASSERT_EQ(image.Images()->Count(), 1);
        TGIFSubImage *sub = image.Images()->SubImages(0);
        EXPECT_EQ(sub->Width(), c.Width);
        EXPECT_EQ(sub->Height(), 3);
        EXPECT_EQ(image.Width(), c.Width);
        ASSERT_EQ(sub->ColorMap()->Count(), c.Colors);
        for (int i = 0; i < c.Colors; ++i)
            EXPECT_EQ(sub->ColorMap()->Triple(i),
                      (TColorTriple{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i)}));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.Width; ++x)
                EXPECT_EQ(sub->Data()[y * c.Width + x], (x * 3 + y * 5) % c.Colors) << x << "," << y;
        EXPECT_FALSE(sub->Transparent());
        EXPECT_EQ(sub->Extensions()->Count(), 0);
    }
}

TEST(GIFImport, PixelsBeyondTheColourTableShowBlack)
{
    TBitmap bitmap(4, 1, TPixelFormat::pf8bit);
    bitmap.SetColorTable(Table({qRgb(10, 20, 30), qRgb(40, 50, 60)}));
    SetIndex(bitmap, 3, 0, 5);
    TGIFSubImage sub(nullptr);
    sub.Assign(&bitmap);
    ASSERT_EQ(sub.ColorMap()->Count(), 6);
    EXPECT_EQ(FrameColor(sub, 3, 0), qRgb(0, 0, 0));
    EXPECT_EQ(FrameColor(sub, 0, 0), qRgb(10, 20, 30));
}

TEST(GIFImport, BitmapFilesLookTheSameAfterImport)
{
    for (const char *name : {"mono1.bmp", "pal4.bmp", "pal8.bmp", "rgb24.bmp"}) {
        SCOPED_TRACE(name);
        TBitmap bitmap;
        bitmap.LoadFromFile(GraphicsDir + QLatin1String(name));
        TGIFImage image;
        // rgb24.bmp has few colours: without reduction they are kept exactly.
        image.SetColorReduction(rmNone);
        image.Assign(&bitmap);
        TGIFSubImage *sub = image.Images()->SubImages(0);
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                ASSERT_EQ(FrameColor(*sub, x, y), bitmap.Pixel(x, y) | 0xFF000000u) << x << "," << y;
    }
}

TEST(GIFImport, TrueColourTableIsBuiltInOrderOfFirstUse)
{
    TBitmap bitmap(5, 2, TPixelFormat::pf24bit);
    const QRgb a = qRgb(1, 2, 3), b = qRgb(200, 100, 50), c = qRgb(9, 9, 250);
    const QRgb pattern[2][5] = {{a, a, b, a, c}, {c, b, b, a, a}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            SetRgb(bitmap, x, y, pattern[y][x]);
    TGIFImage image;
    image.SetColorReduction(rmNone);
    image.Add(&bitmap);
    TGIFSubImage *sub = image.Images()->SubImages(0);
    ASSERT_EQ(sub->ColorMap()->Count(), 3);
    EXPECT_EQ(sub->ColorMap()->Triple(0), (TColorTriple{1, 2, 3}));
    EXPECT_EQ(sub->ColorMap()->Triple(1), (TColorTriple{200, 100, 50}));
    EXPECT_EQ(sub->ColorMap()->Triple(2), (TColorTriple{9, 9, 250}));
    EXPECT_EQ(Pixels(*sub), (std::vector<uint8_t>{0, 0, 1, 0, 2, 2, 1, 1, 0, 0}));
}

TEST(GIFImport, TrueColourBeyond256ColoursIsReducedOrRefused)
{
    const TBitmap bitmap = ManyColors(300);
    {
        TGIFImage image; // default: the 216-colour cube
        image.Assign(&bitmap);
        TGIFSubImage *sub = image.Images()->SubImages(0);
        EXPECT_LE(sub->ActiveColorMap()->Count(), 217);
        for (size_t i = 0; i < sub->DataSize(); ++i)
            ASSERT_LT(sub->Data()[i], sub->ActiveColorMap()->Count());
    }
    {
        TGIFImage image;
        image.SetColorReduction(rmNone);
        Stages log;
        image.OnProgress = Record(log, QStringLiteral("Converting..."), &image);
        try {
            image.Assign(&bitmap);
            FAIL() << "no overflow";
        } catch (const GIFException &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Color table overflow"));
        }
        EXPECT_TRUE(image.Empty());
        EXPECT_EQ(image.Images()->Count(), 0);
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.AllocatedPixels(), 0);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), std::make_pair(TProgressStage::Ending, 0));
    }
}

TEST(GIFImport, ConvertingProgressEvery32Rows)
{
    TBitmap bitmap(3, 70, TPixelFormat::pf8bit);
    bitmap.SetColorTable(Table({qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    TGIFImage image;
    Stages log;
    image.OnProgress = Record(log, QStringLiteral("Converting..."), &image);
    image.Add(&bitmap);
    EXPECT_EQ(log, (Stages{{TProgressStage::Starting, 0},
                           {TProgressStage::Running, 0},
                           {TProgressStage::Running, 46},
                           {TProgressStage::Running, 91},
                           {TProgressStage::Ending, 100}}));
}

TEST(GIFImport, TransparentBitmapGetsANewTransparentIndex)
{
    TBitmap bitmap(4, 2, TPixelFormat::pf8bit);
    bitmap.SetColorTable(Table({qRgb(255, 255, 255), qRgb(0, 0, 255), qRgb(0, 128, 0)}));
    // Bottom-left decides the transparent colour: index 2 (green).
    const int pixels[2][4] = {{0, 1, 2, 0}, {2, 1, 1, 2}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            SetIndex(bitmap, x, y, pixels[y][x]);
    bitmap.SetTransparent(true);

    TGIFImage image;
    image.Assign(&bitmap);
    TGIFSubImage *sub = image.Images()->SubImages(0);
    ASSERT_EQ(sub->ColorMap()->Count(), 4);
    EXPECT_EQ(sub->ColorMap()->Triple(3), (TColorTriple{0, 0, 0}));
    ASSERT_TRUE(sub->Transparent());
    ASSERT_NE(sub->GraphicControlExtension(), nullptr);
    EXPECT_EQ(sub->GraphicControlExtension()->TransparentColorIndex(), 3);
    EXPECT_EQ(sub->Extensions()->Count(), 1);
    const std::vector<uint8_t> expected{0, 1, 3, 0, 3, 1, 1, 3};
    EXPECT_EQ(Pixels(*sub), expected);

    // Saved and read back by an independent decoder; load-save-load is stable.
    const QByteArray saved = SaveImage(image);
    const OracleGif oracle = OracleDecode(saved);
    ASSERT_EQ(oracle.Error, 0);
    ASSERT_EQ(oracle.Frames.size(), 1u);
    EXPECT_EQ(oracle.Frames[0].Pixels, expected);
    Loaded reloaded = LoadGif(saved);
    EXPECT_TRUE(reloaded.Image->Images()->SubImages(0)->Transparent());
    EXPECT_EQ(SaveImage(*reloaded.Image), saved);
}

TEST(GIFImport, NoTransparencyWithFullTableOrUnusedColour)
{
    {
        TBitmap bitmap(2, 2, TPixelFormat::pf8bit);
        std::vector<TRGBQuad> table(256);
        for (int i = 0; i < 256; ++i)
            table[size_t(i)] = {uint8_t(i), 0, 0, 0};
        bitmap.SetColorTable(table);
        bitmap.SetTransparent(true);
        TGIFSubImage sub(nullptr);
        sub.Assign(&bitmap);
        EXPECT_EQ(sub.ColorMap()->Count(), 256);
        EXPECT_FALSE(sub.Transparent());
        EXPECT_EQ(sub.Extensions()->Count(), 0);
    }
    {
        // A transparent colour the picture never uses takes nothing away.
        TBitmap bitmap(2, 2, TPixelFormat::pf8bit);
        bitmap.SetColorTable(Table({qRgb(1, 1, 1), qRgb(2, 2, 2)}));
        bitmap.SetTransparentColor(qRgb(99, 99, 99));
        bitmap.SetTransparent(true);
        TGIFSubImage sub(nullptr);
        sub.Assign(&bitmap);
        EXPECT_EQ(sub.ColorMap()->Count(), 2);
        EXPECT_FALSE(sub.Transparent());
        EXPECT_EQ(sub.Extensions()->Count(), 0);
    }
}

TEST(GIFImport, IconAndMetafileMasksBecomeTransparency)
{
    TIcon icon;
    icon.LoadFromFile(GraphicsDir + QStringLiteral("masked16.ico"));
    TGIFImage image;
    image.Assign(&icon);
    TGIFSubImage *sub = image.Images()->SubImages(0);
    ASSERT_EQ(sub->Width(), icon.Width());
    ASSERT_TRUE(sub->Transparent());
    const int transparent = sub->GraphicControlExtension()->TransparentColorIndex();
    EXPECT_EQ(transparent, sub->ColorMap()->Count() - 1);
    int clear = 0;
    for (int y = 0; y < icon.Height(); ++y)
        for (int x = 0; x < icon.Width(); ++x) {
            const bool see = qAlpha(icon.Image().pixel(x, y)) >= 128;
            clear += !see;
            ASSERT_EQ(sub->Data()[y * sub->Width() + x] == transparent, !see) << x << "," << y;
            if (see) { // pure colours lie in the colour cube
                ASSERT_EQ(FrameColor(*sub, x, y), icon.Image().pixel(x, y)) << x << "," << y;
            }
        }
    EXPECT_GT(clear, 0);

    THalfMetafile metafile;
    TGIFSubImage fromMeta(&image);
    fromMeta.Assign(&metafile);
    ASSERT_TRUE(fromMeta.Transparent());
    const int index = fromMeta.GraphicControlExtension()->TransparentColorIndex();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            if (x < 3)
                EXPECT_EQ(FrameColor(fromMeta, x, y), qRgb(255, 0, 0));
            else
                EXPECT_EQ(fromMeta.Data()[y * 6 + x], index);
        }
}

TEST(GIFImport, PictureHolderAndOtherPicturesConvert)
{
    TPicture picture;
    picture.LoadFromFile(GraphicsDir + QStringLiteral("pal4.bmp"));
    TGIFImage fromHolder;
    fromHolder.Assign(&picture);
    ASSERT_EQ(fromHolder.Images()->Count(), 1);
    EXPECT_EQ(fromHolder.Width(), 20);

    // Another GIF image added as a picture becomes a frame of its first frame.
    TGIFImage image;
    image.Add(&fromHolder);
    image.Add(&fromHolder);
    EXPECT_EQ(image.Images()->Count(), 2);
    TGIFSubImage *sub = image.Images()->SubImages(1);
    TBitmap bitmap;
    bitmap.LoadFromFile(GraphicsDir + QStringLiteral("pal4.bmp"));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(FrameColor(*sub, x, y), bitmap.Pixel(x, y) | 0xFF000000u);

    TPicture empty;
    fromHolder.Assign(&empty);
    EXPECT_TRUE(fromHolder.Empty());
}

TEST(GIFImport, AddRefusesWhatIsNoPicture)
{
    TGIFImage image, other;
    TPicture picture;
    for (const TPersistent *source :
         {static_cast<const TPersistent *>(nullptr), static_cast<const TPersistent *>(&picture)}) {
        try {
            image.Add(source);
            FAIL() << "accepted";
        } catch (const GIFException &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Object type not supported for operation"));
        }
    }
    EXPECT_THROW(image.Add(std::unique_ptr<TGIFSubImage>()), GIFException);
    EXPECT_THROW(image.Add(std::make_unique<TGIFSubImage>(&other)), GIFException);
    EXPECT_EQ(image.Images()->Count(), 0);

    TBitmap bitmap(3, 4, TPixelFormat::pf8bit);
    EXPECT_EQ(image.Add(&bitmap), 0);
    // Too wide for a frame: refused, and the screen stays as it was.
    TBitmap wide(65536, 1, TPixelFormat::pf8bit);
    EXPECT_THROW(image.Add(&wide), GIFException);
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Images()->Count(), 1);
    EXPECT_EQ(image.Add(std::make_unique<TGIFSubImage>(&image)), 1);
    EXPECT_EQ(image.Images()->Count(), 2);
}

TEST(GIFImport, AssignCopiesTheImageAndItsSettings)
{
    TGIFImage source;
    TBitmap bitmap(4, 2, TPixelFormat::pf8bit);
    bitmap.SetColorTable(Table({qRgb(10, 0, 0), qRgb(0, 20, 0), qRgb(0, 0, 30)}));
    SetIndex(bitmap, 1, 1, 2);
    bitmap.SetTransparent(true);
    source.Add(&bitmap);
    source.Add(&bitmap);
    source.Images()->SubImages(1)->SetBounds(4, 0, 4, 2);
    source.Header()->SetBackgroundColorIndex(1);
    source.SetDrawOptions(0x0123);
    source.SetColorReduction(rmQuantize);
    source.SetDitherMode(3);
    source.SetPaintBackgroundColor(0x00FF00);
    source.SetReductionBits(4);
    source.SetCompression(1);
    source.SetAnimationSpeed(50);
    source.SetThreadPriority(tpLowest);
    QString heard;
    auto event = [&heard](char Tag) { return [&heard, Tag](TGIFPainter *) { heard += QChar(Tag); }; };
    source.SetOnPaintStart(event('s'));
    source.SetOnFramePaint(event('f'));
    source.SetOnFramePainted(event('F'));
    source.SetOnLoop(event('l'));
    source.SetOnPaintEnd(event('e'));
    source.Images()->SubImages(1)->Data()[0] = 1;
    TGIFImage copy;
    Stages log;
    source.OnProgress = Record(log, QStringLiteral("Copying..."), &copy);
    source.SetOnWarning([](const void *, TGIFSeverity, const QString &) {});

    copy.OnProgress = [](TPersistent *, TProgressStage, int, bool, const QRect &, const QString &) {};
    copy.SetOnWarning([](const void *, TGIFSeverity, const QString &) {});
    copy.Assign(&source);
    EXPECT_EQ(copy.Images()->Count(), 2);
    EXPECT_TRUE(copy.Images()->SubImages(0)->Transparent());
    EXPECT_EQ(copy.DrawOptions(), 0x0123);
    EXPECT_EQ(copy.ColorReduction(), rmQuantize);
    EXPECT_EQ(copy.DitherMode(), 3);
    EXPECT_EQ(copy.PaintBackgroundColor(), 0x00FF00u);
    EXPECT_EQ(copy.ReductionBits(), GIFImageDefaultReductionBits);
    EXPECT_EQ(copy.Compression(), 0);
    EXPECT_EQ(copy.AnimationSpeed(), GIFImageDefaultAnimationSpeed);
    EXPECT_EQ(copy.ThreadPriority(), tpLowest);
    for (const TGIFPainterEvent *e : {&copy.OnPaintStart(), &copy.OnFramePaint(), &copy.OnFramePainted(),
                                      &copy.OnLoop(), &copy.OnPaintEnd()})
        if (*e)
            (*e)(nullptr);
    EXPECT_EQ(heard, QStringLiteral("sfFle"));
    EXPECT_FALSE(copy.OnProgress);
    EXPECT_FALSE(copy.OnWarning());
    copy.SetCompression(1);
    EXPECT_EQ(SaveImage(copy), SaveImage(source));

    EXPECT_EQ(log, (Stages{{TProgressStage::Starting, 0},
                           {TProgressStage::Running, 50},
                           {TProgressStage::Running, 100},
                           {TProgressStage::Ending, 100}}));

    copy.Assign(&copy);
    EXPECT_EQ(copy.Images()->Count(), 2);
    copy.Assign(static_cast<const TPersistent *>(nullptr));
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(copy.Width(), 0);
}

TEST(GIFImport, FailedAssignClearsTheHandlersAndTheCopy)
{
    TGIFImage source;
    TBitmap bitmap(2, 2, TPixelFormat::pf8bit);
    source.Add(&bitmap);
    source.Add(&bitmap);
    Stages reports;
    source.OnProgress = [&](TPersistent *, TProgressStage Stage, int Percent, bool, const QRect &,
                            const QString &) {
        reports.emplace_back(Stage, Percent);
        if (Stage == TProgressStage::Running)
            throw GIFException(QStringLiteral("stop"));
    };
    source.SetOnWarning([](const void *, TGIFSeverity, const QString &) {});

    TGIFImage copy;
    EXPECT_THROW(copy.Assign(&source), GIFException);
    EXPECT_FALSE(copy.OnProgress);
    EXPECT_FALSE(copy.OnWarning());
    EXPECT_TRUE(copy.Empty());
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), std::make_pair(TProgressStage::Ending, 0));
}

TEST(GIFImport, SubImageCopyKeepsExtensionsAndTrailingItems)
{
    TGIFImage image;
    TBitmap bitmap(3, 3, TPixelFormat::pf8bit);
    bitmap.SetColorTable(Table({qRgb(1, 2, 3), qRgb(4, 5, 6)}));
    bitmap.SetTransparent(true);
    image.Add(&bitmap);
    auto trailing = std::make_unique<TGIFSubImage>(&image);
    auto *comment = new TGIFCommentExtension(trailing.get());
    comment->Text() << QStringLiteral("made here");
    trailing->Extensions()->Add(comment);
    image.Add(std::move(trailing));

    TGIFImage copy;
    copy.Assign(&image);
    ASSERT_EQ(copy.Images()->Count(), 2);
    auto *copied = dynamic_cast<TGIFCommentExtension *>(copy.Images()->SubImages(1)->Extensions()->Item(0));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Text(), QStringList{QStringLiteral("made here")});
    TGIFSubImage *frame = copy.Images()->SubImages(0);
    ASSERT_NE(frame->GraphicControlExtension(), nullptr);
    EXPECT_EQ(frame->GraphicControlExtension()->SubImage(), frame);
    EXPECT_TRUE(frame->Transparent());
}

TEST(GIFImport, ClipboardCarriesBitmapsAndGifData)
{
    TGIFImage empty;
    QMimeData nothing;
    empty.SaveToClipboardFormat(nothing);
    EXPECT_TRUE(nothing.formats().isEmpty());

    // A true-colour bitmap pasted: one frame, reduced to the colour cube.
    QImage picture(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, qRgb(x * 6, y * 8, 128));
    QMimeData pasted;
    pasted.setImageData(picture);
    TGIFImage image;
    image.LoadFromClipboardFormat(QStringLiteral("application/x-qt-image"), pasted);
    ASSERT_EQ(image.Images()->Count(), 1);
    EXPECT_EQ(image.Width(), 40);
    EXPECT_LE(image.Images()->SubImages(0)->ActiveColorMap()->Count(), 216);

    QMimeData copied;
    image.SaveToClipboardFormat(copied);
    ASSERT_TRUE(copied.hasFormat(QStringLiteral("image/gif")));
    ASSERT_TRUE(copied.hasImage());
    const QImage shown = qvariant_cast<QImage>(copied.imageData());
    EXPECT_EQ(shown.size(), QSize(40, 30));
    EXPECT_EQ(copied.data(QStringLiteral("image/gif")), SaveImage(image));

    TGIFImage back;
    back.LoadFromClipboardFormat(QStringLiteral("image/gif"), copied);
    EXPECT_EQ(SaveImage(back), SaveImage(image));

    QMimeData text;
    text.setText(QStringLiteral("GIF89a"));
    for (const QString &format : {QStringLiteral("text/plain"), QStringLiteral("image/gif")}) {
        try {
            back.LoadFromClipboardFormat(format, text);
            FAIL() << "accepted " << format.toStdString();
        } catch (const EInvalidGraphic &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Unsupported clipboard format"));
        }
    }
}
