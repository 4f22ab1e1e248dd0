#include "gif/GifOracle.h"

#include "gif/GIFExtensions.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

QByteArray ReadFile(const QString &Path)
{
    QFile f(Path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << Path.toStdString();
    return f.readAll();
}

// A second image after the one under test must still load.
QByteArray WithSecondImage(const QByteArray &FirstRaster, int Width, int Height)
{
    const QByteArray second = PackCodes(2, {{4, 3}, {3, 3}, {5, 3}});
    return MakeGif(Width, Height, 2,
                   ImageBlock(Width, Height, false, FirstRaster) + ImageBlock(1, 1, false, second));
}

void ExpectSecondImageLoaded(const Loaded &L)
{
    EXPECT_TRUE(L.Error.isEmpty()) << L.Error.toStdString();
    ASSERT_EQ(L.Image->Images()->Count(), 2);
    EXPECT_EQ(Pixels(*L.Image->Images()->SubImages(1)), std::vector<uint8_t>{3});
}

} // namespace

TEST(GIFLzwDecoder, TestSuiteMatchesGiflib)
{
    const QDir dir(QStringLiteral(PLIKORA_TEST_DATA "/gif-test-suite/gifs"));
    const QStringList files = dir.entryList({QStringLiteral("*.gif")}, QDir::Files);
    ASSERT_GE(files.size(), 10);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = ReadFile(dir.filePath(name));
        const OracleGif oracle = OracleDecode(bytes);
        ASSERT_EQ(oracle.Error, 0);
        const Loaded ours = LoadGif(bytes);
        ASSERT_TRUE(ours.Error.isEmpty()) << ours.Error.toStdString();
        if (name.contains(QStringLiteral("out_of_bounds"))) {
            // Frames beyond the logical screen grow it, with warnings.
            EXPECT_TRUE(ours.Warnings.contains(QStringLiteral("Image exceeds Logical Screen size")));
        } else {
            EXPECT_TRUE(ours.Warnings.isEmpty()) << ours.Warnings.join(u'|').toStdString();
        }
        int frame = 0;
        for (int i = 0; i < ours.Image->Images()->Count(); ++i) {
            const TGIFSubImage &sub = *ours.Image->Images()->SubImages(i);
            if (sub.Empty())
                continue;
            ASSERT_LT(frame, int(oracle.Frames.size()));
            const OracleFrame &f = oracle.Frames[size_t(frame++)];
            EXPECT_EQ(sub.Left(), f.Left);
            EXPECT_EQ(sub.Top(), f.Top);
            EXPECT_EQ(sub.Width(), f.Width);
            EXPECT_EQ(sub.Height(), f.Height);
            EXPECT_EQ(sub.Interlaced(), f.Interlace);
            EXPECT_EQ(Pixels(sub), f.Pixels);
        }
        EXPECT_EQ(frame, int(oracle.Frames.size()));
    }
}

TEST(GIFLzwDecoder, CodeSpecialCases)
{
    // Code size 2: clear 4, end 5, first free 6.
    struct Case
    {
        const char *Name;
        std::vector<std::pair<int, int>> Codes;
        std::vector<uint8_t> Expected;
    } cases[] = {
        // The code equal to the next free code: the previous string plus its own first pixel.
        {"kwkwk", {{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}}, {1, 1, 1, 1, 1, 1}},
        {"double clear", {{4, 3}, {4, 3}, {2, 3}, {3, 3}, {6, 3}, {5, 4}}, {2, 3, 2, 3, 0, 0}},
        {"no leading clear", {{0, 3}, {1, 3}, {6, 3}, {5, 4}}, {0, 1, 0, 1, 0, 0}},
        {"end code right after a clear", {{4, 3}, {1, 3}, {4, 3}, {5, 3}, {1, 3}}, {1, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        const Loaded l = LoadGif(MakeGif(6, 1, 2, ImageBlock(6, 1, false, PackCodes(2, c.Codes))));
        EXPECT_TRUE(l.Error.isEmpty()) << l.Error.toStdString();
        EXPECT_TRUE(l.Warnings.isEmpty()) << l.Warnings.join(u'|').toStdString();
        ASSERT_EQ(l.Image->Images()->Count(), 1);
        EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), c.Expected);
    }
}

TEST(GIFLzwDecoder, CorruptCodesWarnKeepTheFillAndTheNextImage)
{
    struct Case
    {
        const char *Name;
        std::vector<std::pair<int, int>> Codes;
        std::vector<uint8_t> Expected;
    } cases[] = {
        {"table code after clear", {{4, 3}, {6, 3}, {1, 3}}, {0, 0, 0, 0}},
        // 7, 6, 7, 6 at code size 2: 7 is above the next free code.
        {"7 6 7 6", {{7, 3}, {6, 3}, {7, 3}, {6, 3}}, {0, 0, 0, 0}},
        {"above next free code", {{4, 3}, {1, 3}, {7, 3}, {1, 3}}, {1, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        const Loaded l = LoadGif(WithSecondImage(PackCodes(2, c.Codes), 4, 1));
        ExpectSecondImageLoaded(l);
        EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), c.Expected);
        EXPECT_TRUE(l.Warnings.contains(QStringLiteral("Invalid LZW code")))
            << l.Warnings.join(u'|').toStdString();
    }
}

TEST(GIFLzwDecoder, BadCodeSizesSkipTheImageData)
{
    for (int size : {0, 1, 9, 12, 15, 255}) {
        SCOPED_TRACE(size);
        QByteArray raster = PackCodes(2, {{4, 3}, {1, 3}, {5, 3}});
        raster[0] = char(size);
        const Loaded l = LoadGif(WithSecondImage(raster, 2, 2));
        ExpectSecondImageLoaded(l);
        EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), std::vector<uint8_t>(4, 0));
        EXPECT_TRUE(l.Warnings.contains(QStringLiteral("Invalid LZW code size")));
    }
}

TEST(GIFLzwDecoder, TruncatedData)
{
    // "02 00": a code size and an empty data block.
    {
        const Loaded l = LoadGif(MakeGif(3, 3, 2, ImageBlock(3, 3, false, QByteArray("\x02\x00", 2))));
        EXPECT_TRUE(l.Error.isEmpty());
        ASSERT_EQ(l.Image->Images()->Count(), 1);
        EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), std::vector<uint8_t>(9, 0));
        EXPECT_TRUE(l.Warnings.contains(QStringLiteral("Decoder bit buffer under-run")));
    }
    // A transparent image fills what the data does not reach with its transparent index.
    {
        const QByteArray gce("!\xF9\x04\x01\x00\x00\x03\x00", 8);
        const Loaded l = LoadGif(MakeGif(2, 2, 2, gce + ImageBlock(2, 2, false, QByteArray("\x02\x00", 2))));
        ASSERT_EQ(l.Image->Images()->Count(), 1);
        EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), (std::vector<uint8_t>{3, 3, 3, 3}));
    }
    // A last sub-block cut short by the end of the stream.
    {
        QByteArray raster = PackCodes(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}, {5, 4}}, false);
        raster[1] = char(40);
        const Loaded l = LoadGif(MakeGif(4, 2, 2, ImageBlock(4, 2, false, raster), false));
        EXPECT_TRUE(l.Error.isEmpty());
        ASSERT_EQ(l.Image->Images()->Count(), 1);
        EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), (std::vector<uint8_t>{1, 2, 3, 1, 0, 0, 0, 0}));
        EXPECT_TRUE(l.Warnings.contains(QStringLiteral("Premature end of data")));
    }
    // No code-size byte at all: silent, filled.
    {
        const Loaded l = LoadGif(MakeGif(2, 1, 2, ImageBlock(2, 1, false, QByteArray()), false));
        EXPECT_TRUE(l.Error.isEmpty());
        ASSERT_EQ(l.Image->Images()->Count(), 1);
        EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), std::vector<uint8_t>(2, 0));
    }
}

TEST(GIFLzwDecoder, ExtraBlocksAfterTheEndCodeAreSkipped)
{
    QByteArray raster = PackCodes(2, {{4, 3}, {1, 3}, {5, 3}}, false);
    raster.append("\x03xyz\x01q", 6);
    raster.append('\0');
    const Loaded l = LoadGif(WithSecondImage(raster, 1, 1));
    ExpectSecondImageLoaded(l);
    EXPECT_TRUE(l.Warnings.isEmpty()) << l.Warnings.join(u'|').toStdString();
}

TEST(GIFLzwDecoder, FullTableWithoutClearKeepsDecodingTwelveBitCodes)
{
    // Code size 8: fill the table with pairs, then go on with 12-bit codes.
    std::vector<std::pair<int, int>> codes{{256, 9}};
    std::vector<uint8_t> expected;
    int next = 258;
    int width = 9;
    bool first = true;
    while (next < 4096 || expected.size() < 9000) {
        const int pixel = int(expected.size() % 251);
        codes.push_back({pixel, width});
        expected.push_back(uint8_t(pixel));
        if (!first && next < 4096) {
            ++next;
            if (next == (1 << width) && width < 12)
                ++width;
        }
        first = false;
    }
    // A table code at 12 bits: entry 300 is (pixel 42, then pixel 43).
    codes.push_back({300, 12});
    expected.push_back(42);
    expected.push_back(43);
    codes.push_back({257, 12});
    const int w = int(expected.size());
    const Loaded l = LoadGif(MakeGif(w, 1, 8, ImageBlock(w, 1, false, PackCodes(8, codes))));
    EXPECT_TRUE(l.Warnings.isEmpty()) << l.Warnings.join(u'|').toStdString();
    ASSERT_EQ(l.Image->Images()->Count(), 1);
    EXPECT_EQ(Pixels(*l.Image->Images()->SubImages(0)), expected);
    EXPECT_EQ(
        OracleDecode(MakeGif(w, 1, 8, ImageBlock(w, 1, false, PackCodes(8, codes)))).Frames.at(0).Pixels,
        expected);
}

TEST(GIFLzwDecoder, HugeDimensionsAreRefused)
{
    const Loaded l =
        LoadGif(MakeGif(65535, 65535, 2, ImageBlock(65535, 65535, false, PackCodes(2, {{4, 3}, {5, 3}}))));
    EXPECT_EQ(l.Error, QStringLiteral("Image is too large"));
}

TEST(GIFLzwDecoder, LongStringsMatchGiflib)
{
    // Flat and smooth images make the longest strings the table can hold.
    const int w = 2000, h = 300;
    std::vector<uint8_t> flat(size_t(w * h), 7);
    std::vector<uint8_t> smooth(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            smooth[size_t(y * w + x)] = uint8_t((x / 40 + y / 30) & 0xFF);
    for (const auto *pixels : {&flat, &smooth}) {
        for (bool interlace : {false, true}) {
            const Loaded ours = LoadGif(OracleEncode(w, h, 8, *pixels, interlace));
            EXPECT_TRUE(ours.Warnings.isEmpty());
            ASSERT_EQ(ours.Image->Images()->Count(), 1);
            EXPECT_EQ(Pixels(*ours.Image->Images()->SubImages(0)), *pixels);
        }
    }
}
