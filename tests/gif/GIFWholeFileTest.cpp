// Whole files written by other programs (giflib, ImageMagick, the public test
// suite): frames, delays, loop counts, disposal and transparency as giflib reads
// them; load, save and load again gives the same bytes.
#include "gif/GifOracle.h"

#include "gif/GIFExtensions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

struct FrameFacts
{
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Delay = -1, Disposal = -1, TransparentIndex = -1;
    std::vector<uint8_t> Pixels;
    bool operator==(const FrameFacts &) const = default;
};

struct FileFacts
{
    int Width = 0, Height = 0;
    int Loops = -1; // no looping block
    std::vector<FrameFacts> Frames;
    bool operator==(const FileFacts &) const = default;
};

void PrintTo(const FileFacts &f, std::ostream *os)
{
    *os << f.Width << "x" << f.Height << " loops " << f.Loops << " frames " << f.Frames.size();
    for (const FrameFacts &x : f.Frames)
        *os << " [" << x.Left << "," << x.Top << " " << x.Width << "x" << x.Height << " delay " << x.Delay
            << " disposal " << x.Disposal << " transparent " << x.TransparentIndex << "]";
}

FileFacts GiflibFacts(const QByteArray &Bytes)
{
    FileFacts facts;
    MemoryReader reader{&Bytes};
    int error = 0;
    GifFileType *gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (!gif)
        return facts;
    if (DGifSlurp(gif) == GIF_OK) {
        facts.Width = gif->SWidth;
        facts.Height = gif->SHeight;
        auto scanLoops = [&](int count, const ExtensionBlock *blocks) {
            for (int e = 0; e + 1 < count; ++e)
                if (blocks[e].Function == APPLICATION_EXT_FUNC_CODE && blocks[e].ByteCount == 11
                    && std::memcmp(blocks[e].Bytes, "NETSCAPE2.0", 11) == 0 && blocks[e + 1].ByteCount >= 3
                    && facts.Loops < 0)
                    facts.Loops = blocks[e + 1].Bytes[1] | (blocks[e + 1].Bytes[2] << 8);
        };
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage &s = gif->SavedImages[i];
            FrameFacts f;
            f.Left = s.ImageDesc.Left;
            f.Top = s.ImageDesc.Top;
            f.Width = s.ImageDesc.Width;
            f.Height = s.ImageDesc.Height;
            if (s.RasterBits)
                f.Pixels.assign(s.RasterBits, s.RasterBits + size_t(f.Width) * size_t(f.Height));
            GraphicsControlBlock gcb;
            if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
                f.Delay = gcb.DelayTime;
                f.Disposal = gcb.DisposalMode;
                f.TransparentIndex = gcb.TransparentColor;
            }
            scanLoops(s.ExtensionBlockCount, s.ExtensionBlocks);
            facts.Frames.push_back(std::move(f));
        }
    }
    DGifCloseFile(gif, &error);
    return facts;
}

FileFacts OurFacts(const TGIFImage &Image)
{
    FileFacts facts;
    facts.Width = Image.Width();
    facts.Height = Image.Height();
    for (int i = 0; i < Image.Images()->Count(); ++i) {
        TGIFSubImage *sub = Image.Images()->SubImages(i);
        for (int e = 0; e < sub->Extensions()->Count(); ++e)
            if (auto *loop = dynamic_cast<TGIFAppExtNSLoop *>(sub->Extensions()->Extensions(e));
                loop && facts.Loops < 0)
                facts.Loops = loop->Loops();
        if (sub->Empty())
            continue;
        FrameFacts f;
        f.Left = sub->Left();
        f.Top = sub->Top();
        f.Width = sub->Width();
        f.Height = sub->Height();
        f.Pixels.assign(sub->Data(), sub->Data() + sub->DataSize());
        if (TGIFGraphicControlExtension *gce = sub->GraphicControlExtension()) {
            f.Delay = gce->Delay();
            f.Disposal = gce->Disposal();
            f.TransparentIndex = gce->Transparent() ? gce->TransparentColorIndex() : -1;
        }
        facts.Frames.push_back(std::move(f));
    }
    return facts;
}

void LoadImage(TGIFImage &Image, QByteArray Bytes)
{
    QBuffer buffer(&Bytes);
    buffer.open(QIODevice::ReadOnly);
    Image.LoadFromStream(buffer);
}

// Loads the file, compares it with giflib's reading, saves it, and checks that
// giflib reads our file the same way and that a second round trip is exact.
void CheckWholeFile(const QByteArray &Bytes)
{
    FileFacts expected = GiflibFacts(Bytes);
    ASSERT_FALSE(expected.Frames.empty());
    TGIFImage image;
    LoadImage(image, Bytes);
    // A logical screen too small for its frames grows to hold them.
    EXPECT_GE(image.Width(), expected.Width);
    EXPECT_GE(image.Height(), expected.Height);
    expected.Width = image.Width();
    expected.Height = image.Height();
    EXPECT_EQ(OurFacts(image), expected);

    const QByteArray saved = SaveImage(image);
    EXPECT_EQ(GiflibFacts(saved), expected);
    TGIFImage again;
    LoadImage(again, saved);
    EXPECT_EQ(OurFacts(again), expected);
    EXPECT_EQ(SaveImage(again), saved);
}

// A giflib file of four frames with every disposal method, short and long
// delays, transparency on some frames and a looping block.
QByteArray GiflibAnimation(int Loops)
{
    QByteArray out;
    int error = 0;
    GifFileType *gif = EGifOpen(&out, WriteToMemory, &error);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 255}};
    ColorMapObject *map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 12, 9, 2, 3, map);
    if (Loops >= 0) {
        const GifByteType loop[3] = {1, GifByteType(Loops & 0xFF), GifByteType(Loops >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    const int delays[4] = {0, 1, 2, 500};
    const int transparent[4] = {NO_TRANSPARENT_COLOR, 3, NO_TRANSPARENT_COLOR, 0};
    for (int i = 0; i < 4; ++i) {
        GraphicsControlBlock gcb{i, false, delays[i], transparent[i]};
        GifByteType extension[4];
        EGifGCBToExtension(&gcb, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        const int w = 12 - 2 * i, h = 9 - 2 * i;
        const bool interlace = i == 2;
        EGifPutImageDesc(gif, i, i, w, h, interlace, nullptr);
        std::vector<GifByteType> pixels(size_t(w * h));
        for (int p = 0; p < w * h; ++p)
            pixels[size_t(p)] = GifByteType((p + i) % 4);
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < (interlace ? 4 : 1); ++pass)
            for (int y = interlace ? start[pass] : 0; y < h; y += interlace ? step[pass] : 1)
                EGifPutLine(gif, pixels.data() + size_t(y * w), w);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

} // namespace

TEST(GIFWholeFile, PublicSuiteFiles)
{
    const QString dir = QStringLiteral(PLIKORA_TEST_DATA "/gif-test-suite/gifs");
    for (const QString &name : QDir(dir).entryList({QStringLiteral("*.gif")}, QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        QFile file(dir + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        CheckWholeFile(file.readAll());
    }
}

TEST(GIFWholeFile, GiflibAnimations)
{
    for (int loops : {-1, 0, 3, 65535}) {
        SCOPED_TRACE(loops);
        const QByteArray bytes = GiflibAnimation(loops);
        const FileFacts facts = GiflibFacts(bytes);
        ASSERT_EQ(facts.Frames.size(), 4u);
        EXPECT_EQ(facts.Loops, loops);
        EXPECT_EQ(facts.Frames[3].Delay, 500);
        CheckWholeFile(bytes);
    }
}

TEST(GIFWholeFile, ImageMagickAnimations)
{
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed";
    QTemporaryDir dir;
    const QList<QStringList> recipes = {
        // Offset frames cleared to the background, three passes.
        {"-delay", "7", "-loop", "3", "-size", "20x10", "xc:red", "-dispose", "Background", "-page", "+4+2",
         "-size", "6x5", "xc:blue", "-page", "+10+5", "-size", "9x4", "xc:yellow"},
        // Transparent frames restoring the previous picture, endless.
        {"-delay", "0", "-loop", "0", "-dispose", "Previous", "-size", "16x16", "xc:none", "-fill", "green",
         "-draw", "rectangle 2,2 9,9", "-size", "16x16", "gradient:red-blue"},
        // A many-coloured frame after a transparent one, no looping block.
        {"-delay", "250", "-size", "31x17", "plasma:", "-size", "31x17", "xc:none", "-fill", "black", "-draw",
         "circle 15,8 15,2"},
    };
    int n = 0;
    for (const QStringList &recipe : recipes) {
        SCOPED_TRACE(recipe.join(u' ').toStdString());
        const QString out = dir.filePath(QStringLiteral("im%1.gif").arg(n++));
        QProcess p;
        p.start(convert, QStringList(recipe) << out);
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        CheckWholeFile(file.readAll());
    }
}
