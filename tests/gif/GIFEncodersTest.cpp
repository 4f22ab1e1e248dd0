#include "gif/GifOracle.h"

#include "gif/GIFEncoders.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <random>

using namespace giftest;

namespace {

// An image of one frame over a global map of 2^Bits entries.
std::unique_ptr<TGIFImage> MakeImage(int Width, int Height, int Bits, const std::vector<uint8_t> &Pixels,
                                     bool Interlace, int Compression)
{
    auto image = std::make_unique<TGIFImage>();
    image->SetCompression(uint8_t(Compression));
    for (int i = 0; i < (1 << Bits); ++i)
        image->Header()->ColorMap()->Add(TColor(i * 0x010101 % 0x1000000));
    auto *sub = new TGIFSubImage(image.get());
    image->Images()->Add(sub);
    sub->SetBounds(0, 0, Width, Height);
    sub->SetInterlaced(Interlace);
    if (!Pixels.empty())
        std::memcpy(sub->Data(), Pixels.data(), Pixels.size());
    return image;
}

QByteArray EncodeRaster(int Compression, int CodeSize, int MaxColor, const std::vector<uint8_t> &Pixels,
                        int Width, int Height, bool Interlace = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    std::unique_ptr<TGIFEncoder> encoder;
    if (Compression == 1)
        encoder = std::make_unique<TRLEEncoder>();
    else
        encoder = std::make_unique<TLZWEncoder>();
    encoder->Compress(buffer, CodeSize, MaxColor, Pixels.empty() ? nullptr : Pixels.data(), Interlace, Height,
                      Width);
    return bytes;
}

// The sub-block lengths of raster data (after the code-size byte).
std::vector<int> SubBlockLengths(const QByteArray &Raster)
{
    std::vector<int> lengths;
    qsizetype at = 1;
    while (at < Raster.size()) {
        const int n = uint8_t(Raster[at]);
        lengths.push_back(n);
        at += 1 + n;
        if (n == 0)
            break;
    }
    EXPECT_EQ(at, Raster.size());
    return lengths;
}

std::vector<uint8_t> Noise(size_t Count, int Colors, unsigned Seed)
{
    std::mt19937 rng(Seed);
    std::vector<uint8_t> v(Count);
    for (auto &p : v)
        p = uint8_t(rng() % unsigned(Colors));
    return v;
}

// Runs of random lengths, so that the run-length encoder meets every case.
std::vector<uint8_t> Runs(size_t Count, int Colors, unsigned Seed)
{
    std::mt19937 rng(Seed);
    std::vector<uint8_t> v;
    while (v.size() < Count) {
        const int len = rng() % 4 == 0 ? int(rng() % 3000) : int(rng() % 12);
        const uint8_t pixel = uint8_t(rng() % unsigned(Colors));
        for (int i = 0; i < len && v.size() < Count; ++i)
            v.push_back(pixel);
    }
    return v;
}

} // namespace

TEST(GIFEncoders, RoundTripThroughGiflibAndOurDecoder)
{
    for (int compression : {0, 1}) {
        for (int bits = 1; bits <= 8; ++bits) {
            for (bool interlace : {false, true}) {
                for (auto [w, h] : {std::pair{1, 1}, {37, 9}, {300, 200}}) {
                    SCOPED_TRACE(testing::Message() << "compression " << compression << " bits " << bits
                                                    << " interlace " << interlace << " " << w << "x" << h);
                    const unsigned seed = unsigned(bits * 7 + w);
                    const auto pixels = (w * h) % 2 ? Noise(size_t(w * h), 1 << bits, seed)
                                                    : Runs(size_t(w * h), 1 << bits, seed);
                    auto image = MakeImage(w, h, bits, pixels, interlace, compression);
                    const QByteArray bytes = SaveImage(*image);
                    const OracleGif oracle = OracleDecode(bytes);
                    ASSERT_EQ(oracle.Error, 0);
                    ASSERT_EQ(oracle.Frames.size(), 1u);
                    EXPECT_EQ(oracle.Frames[0].Pixels, pixels);
                    const Loaded ours = LoadGif(bytes);
                    ASSERT_TRUE(ours.Error.isEmpty()) << ours.Error.toStdString();
                    EXPECT_TRUE(ours.Warnings.isEmpty());
                    ASSERT_EQ(ours.Image->Images()->Count(), 1);
                    EXPECT_EQ(Pixels(*ours.Image->Images()->SubImages(0)), pixels);
                }
            }
        }
    }
}

TEST(GIFEncoders, GiflibFilesDecodeToTheSameIndices)
{
    for (int bits : {1, 2, 4, 8}) {
        for (bool interlace : {false, true}) {
            for (int h = 1; h <= 9; ++h) {
                SCOPED_TRACE(testing::Message()
                             << "bits " << bits << " interlace " << interlace << " h " << h);
                const int w = 13;
                const auto pixels = Noise(size_t(w * h), 1 << bits, unsigned(h));
                const Loaded ours = LoadGif(OracleEncode(w, h, bits, pixels, interlace));
                ASSERT_TRUE(ours.Error.isEmpty()) << ours.Error.toStdString();
                EXPECT_TRUE(ours.Warnings.isEmpty());
                ASSERT_EQ(ours.Image->Images()->Count(), 1);
                EXPECT_EQ(ours.Image->Images()->SubImages(0)->Interlaced(), interlace);
                EXPECT_EQ(Pixels(*ours.Image->Images()->SubImages(0)), pixels);
                EXPECT_EQ(ours.Image->Header()->ColorMap()->Count(), 1 << std::max(bits, 1));
            }
        }
    }
}

TEST(GIFEncoders, InterlacedHeightsOneToNine)
{
    for (int compression : {0, 1}) {
        for (int h = 1; h <= 9; ++h) {
            SCOPED_TRACE(testing::Message() << "compression " << compression << " h " << h);
            std::vector<uint8_t> pixels;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < 5; ++x)
                    pixels.push_back(uint8_t(y * 10 + x % 2));
            auto image = MakeImage(5, h, 7, pixels, true, compression);
            const QByteArray bytes = SaveImage(*image);
            EXPECT_EQ(OracleDecode(bytes).Frames.at(0).Pixels, pixels);
            const Loaded ours = LoadGif(bytes);
            ASSERT_EQ(ours.Image->Images()->Count(), 1);
            EXPECT_EQ(Pixels(*ours.Image->Images()->SubImages(0)), pixels);
        }
    }
}

TEST(GIFEncoders, InterlacedRowsAreWrittenInPassOrder)
{
    // Each row holds its own number; a raster written for 3 rows comes out 0, 2, 1.
    const std::vector<uint8_t> rows{0, 0, 1, 1, 2, 2};
    for (int compression : {0, 1}) {
        const QByteArray interlaced = EncodeRaster(compression, 2, 4, rows, 2, 3, true);
        const QByteArray plain = EncodeRaster(compression, 2, 4, {0, 0, 2, 2, 1, 1}, 2, 3, false);
        EXPECT_EQ(interlaced, plain);
    }
}

TEST(GIFEncoders, SubBlocksAreFullExceptTheLast)
{
    const auto pixels = Noise(100000, 256, 5);
    for (int compression : {0, 1}) {
        const QByteArray raster = EncodeRaster(compression, 8, 256, pixels, 1000, 100);
        EXPECT_EQ(raster[0], char(8));
        const std::vector<int> lengths = SubBlockLengths(raster);
        ASSERT_GE(lengths.size(), 3u);
        EXPECT_EQ(lengths.back(), 0);
        for (size_t i = 0; i + 2 < lengths.size(); ++i)
            EXPECT_EQ(lengths[i], 255);
        EXPECT_GT(lengths[lengths.size() - 2], 0);
    }
}

TEST(GIFEncoders, SmallTablesUseCodeSizeTwo)
{
    for (int colors : {1, 2}) {
        const QByteArray raster =
            EncodeRaster(0, BitsForColorCount(colors), colors, std::vector<uint8_t>(8, 0), 4, 2);
        EXPECT_EQ(raster[0], char(2));
        // Clear code 4 at 3 bits comes first.
        EXPECT_EQ(uint8_t(raster[2]) & 7, 4);
    }
}

TEST(GIFEncoders, RunLengthCodesGrowAfterAClear)
{
    // 10 pixels of colour 1 at code size 2: clear, 1, then runs of 2, 3 and 4
    // (codes 6, 7, 8), then the end code.
    const QByteArray raster = EncodeRaster(1, 2, 4, std::vector<uint8_t>(10, 1), 10, 1);
    EXPECT_EQ(raster, PackCodes(2, {{4, 3}, {1, 3}, {6, 3}, {7, 3}, {8, 4}, {5, 4}}));
}

TEST(GIFEncoders, ColourOutsideTheTableRaises)
{
    for (int compression : {0, 1}) {
        try {
            EncodeRaster(compression, 2, 3, {0, 1, 2, 3}, 4, 1);
            ADD_FAILURE() << "no exception";
        } catch (const GIFException &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Color not in color table"));
        }
    }
}

TEST(GIFEncoders, EmptyImageWritesOnlyTheEndCode)
{
    EXPECT_EQ(EncodeRaster(0, 2, 4, {}, 0, 0), PackCodes(2, {{5, 3}}));
    EXPECT_EQ(EncodeRaster(1, 4, 16, {}, 3, 0), PackCodes(4, {{17, 5}}));
}

TEST(GIFEncoders, LongNoiseClearsTheTableAndReadsBack)
{
    const auto pixels = Noise(200000, 256, 11);
    const QByteArray raster = EncodeRaster(0, 8, 256, pixels, 1000, 200);
    const QByteArray gif = MakeGif(1000, 200, 8, ImageBlock(1000, 200, false, raster));
    EXPECT_EQ(OracleDecode(gif).Frames.at(0).Pixels, pixels);
    const Loaded ours = LoadGif(gif);
    EXPECT_TRUE(ours.Warnings.isEmpty());
    EXPECT_EQ(Pixels(*ours.Image->Images()->SubImages(0)), pixels);
}

TEST(GIFEncoders, HashTableHoldsAFullDictionary)
{
    // As many strings as codes between clears, with keys that crowd the same slots, from the
    // smallest to the largest key a prefix below 4095 makes.
    THashTable table;
    for (uint32_t code = 0; code < 4095; ++code)
        table.Insert(code * 256 + (code & 0xFF), int(code));
    for (uint32_t code = 0; code < 4095; ++code)
        ASSERT_EQ(table.Lookup(code * 256 + (code & 0xFF)), int(code));
    EXPECT_EQ(table.Lookup(4094u * 256 + 255), -1);
    table.Clear();
    EXPECT_EQ(table.Lookup(0), -1);
}

TEST(GIFEncoders, TriangleCost)
{
    EXPECT_EQ(IntegerSqrt(0), 0);
    EXPECT_EQ(IntegerSqrt(15), 3);
    EXPECT_EQ(IntegerSqrt(16), 4);
    EXPECT_EQ(IntegerSqrt(1000000), 1000);
    // Runs 1+2+3 = 6 pixels in 3 codes; 7 pixels need a fourth.
    EXPECT_EQ(TriangleCost(6, 100), 3);
    EXPECT_EQ(TriangleCost(7, 100), 4);
    // A full triangle of 3 codes holds 6 pixels.
    EXPECT_EQ(TriangleCost(12, 3), 6);
    EXPECT_EQ(TriangleCost(13, 3), 7);
}
