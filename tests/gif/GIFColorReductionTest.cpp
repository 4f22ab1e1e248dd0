#include "gif/GIFColorReduction.h"
#include "gif/GIFBitmapAccess.h"
#include "gif/GIFColorLookup.h"
#include "gif/GIFDitherers.h"
#include "gif/GIFImage.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

// Answers black for everything and records what it was asked.
class RecordingLookup : public TColorLookup
{
public:
    RecordingLookup() : TColorLookup(TPalette()) { FColorCount = 1; }
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override
    {
        Asked.push_back({Red, Green, Blue});
        R = G = B = 0;
        return 0;
    }
    std::vector<std::array<int, 3>> Asked;
};

TPalette MakePalette(std::initializer_list<std::array<int, 3>> colors)
{
    std::vector<TPaletteEntry> entries;
    for (const auto &c : colors)
        entries.push_back({uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), 0});
    return TPalette(entries);
}

// Runs a ditherer over a picture of width x height grey or colour values in
// serpentine order, as the reduction does; returns the indexes row by row.
std::vector<std::vector<int>> RunDitherer(TDitherEngine &ditherer, int width, int height,
                                          const std::function<std::array<int, 3>(int, int)> &pixel)
{
    std::vector<std::vector<int>> out(size_t(height), std::vector<int>(size_t(width), -1));
    uint8_t r, g, b;
    for (int y = 0; y < height; ++y) {
        for (int x = ditherer.Column(); x >= 0 && x < width; x = ditherer.Column()) {
            auto c = pixel(x, y);
            out[size_t(y)][size_t(x)] = ditherer.Dither(uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), r, g, b);
        }
        ditherer.NextLine();
    }
    return out;
}

TBitmap Filled(int width, int height, const std::function<QRgb(int, int)> &color)
{
    TBitmap bitmap(width, height, TPixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        uint8_t *row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            QRgb c = color(x, y);
            row[x * 3] = uint8_t(qBlue(c));
            row[x * 3 + 1] = uint8_t(qGreen(c));
            row[x * 3 + 2] = uint8_t(qRed(c));
        }
    }
    return bitmap;
}

} // namespace

// ---------------------------------------------------------------------------
// Lookups

TEST(GIFColorLookup, FastLookupCachesPerCell)
{
    uint8_t r, g, b;
    TFastColorLookup duplicates(MakePalette({{9, 9, 9}, {200, 0, 0}, {200, 0, 0}}));
    EXPECT_EQ(duplicates.ColorCount(), 3);
    EXPECT_EQ(duplicates.Lookup(200, 0, 0, r, g, b), 1) << "the lower of two equal entries";
    EXPECT_EQ(r, 200);

    TFastColorLookup cells(MakePalette({{0, 0, 0}, {40, 40, 40}}));
    EXPECT_EQ(cells.Lookup(17, 17, 17, r, g, b), 0); // nearer black
    // Same 5:5:5 cell, nearer the grey, but the cell is already decided.
    EXPECT_EQ(cells.Lookup(23, 23, 23, r, g, b), 0);
    EXPECT_EQ(cells.Lookup(41, 41, 41, r, g, b), 1);
    EXPECT_EQ(r, 40);
    EXPECT_EQ(TFastColorLookup::CacheKey(255, 0, 0), 31);
    EXPECT_EQ(TFastColorLookup::CacheKey(0, 0, 255), 31 * 1024);

    // Equal distances: the first entry wins.
    TFastColorLookup ties(MakePalette({{0, 0, 100}, {0, 0, 140}}));
    EXPECT_EQ(ties.Lookup(0, 0, 120, r, g, b), 0);

    EXPECT_EQ(TFastColorLookup(TPalette()).ColorCount(), 0);
}

TEST(GIFColorLookup, ClosedFormLookups)
{
    uint8_t r, g, b;
    TNetscapeColorLookup cube{TPalette()};
    EXPECT_EQ(cube.ColorCount(), 216);
    EXPECT_EQ(cube.Lookup(47, 0, 0, r, g, b), 0);
    EXPECT_EQ(cube.Lookup(48, 0, 0, r, g, b), 36);
    EXPECT_EQ(r, 51);
    EXPECT_EQ(cube.Lookup(0, 0, 252, r, g, b), 5);
    EXPECT_EQ(cube.Lookup(255, 255, 255, r, g, b), 215);
    EXPECT_EQ(r, 255);

    TGrayScaleLookup grey{TPalette()};
    EXPECT_EQ(grey.ColorCount(), 256);
    EXPECT_EQ(grey.Lookup(255, 255, 255, r, g, b), 255);
    EXPECT_EQ(grey.Lookup(255, 0, 0, r, g, b), 76); // 77 * 255 >> 8
    EXPECT_EQ(g, 76);

    TMonochromeLookup mono{TPalette()};
    EXPECT_EQ(mono.ColorCount(), 2);
    EXPECT_EQ(mono.Lookup(127, 127, 127, r, g, b), 0);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(mono.Lookup(128, 128, 128, r, g, b), 1);
    EXPECT_EQ(b, 255);
}

// ---------------------------------------------------------------------------
// Ditherers

TEST(GIFDitherers, SerpentineOrderAndNearestColourMode)
{
    TNetscapeColorLookup cube{TPalette()};
    TDitherEngine engine(4, &cube);
    std::vector<int> visited;
    uint8_t r, g, b;
    for (int row = 0; row < 2; ++row) {
        for (int x = engine.Column(); x >= 0 && x < 4; x = engine.Column()) {
            visited.push_back(x);
            engine.Dither(uint8_t(x * 60), 0, 0, r, g, b);
        }
        engine.NextLine();
    }
    EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 3, 3, 2, 1, 0}));
    EXPECT_EQ(engine.Direction(), 1);

    // Mode 0 gives the lookup's answer whatever the order.
    std::mt19937 random(7);
    std::vector<std::array<int, 3>> pixels(5 * 4);
    for (auto &p : pixels)
        p = {int(random() % 256), int(random() % 256), int(random() % 256)};
    auto nearest = CreateDitherer(0, 5, &cube);
    auto indexes = RunDitherer(*nearest, 5, 4, [&](int x, int y) { return pixels[size_t(y * 5 + x)]; });
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            auto p = pixels[size_t(y * 5 + x)];
            EXPECT_EQ(indexes[size_t(y)][size_t(x)],
                      cube.Lookup(uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2]), r, g, b));
        }
    EXPECT_EQ(CreateDitherer(7, 5, &cube), nullptr);
    EXPECT_EQ(CreateDitherer(-1, 5, &cube), nullptr);
}

TEST(GIFDitherers, ExactPicturesAndNarrowPicturesWithEveryMode)
{
    TNetscapeColorLookup cube{TPalette()};
    uint8_t r, g, b;
    for (int mode = 0; mode <= 6; ++mode) {
        // Colours of the cube leave no error.
        auto ditherer = CreateDitherer(mode, 6, &cube);
        auto indexes = RunDitherer(*ditherer, 6, 5, [](int x, int y) {
            return std::array<int, 3>{x * 51, y * 51, ((x + y) % 6) * 51};
        });
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(indexes[size_t(y)][size_t(x)], x * 36 + y * 6 + (x + y) % 6) << "mode " << mode;

        // One pixel wide: every kernel reach falls into the margins.
        auto narrow = CreateDitherer(mode, 1, &cube);
        auto column = RunDitherer(*narrow, 1, 9, [](int, int y) {
            return std::array<int, 3>{100, y * 20, 7};
        });
        for (const auto &row : column)
            EXPECT_GE(row[0], 0) << "mode " << mode;

        // Pending error never pushes a value out of 0..255.
        RecordingLookup recorder;
        auto clamped = CreateDitherer(mode, 3, &recorder);
        RunDitherer(*clamped, 3, 3, [](int, int) { return std::array<int, 3>{255, 255, 255}; });
        for (const auto &asked : recorder.Asked)
            for (int v : asked)
                ASSERT_TRUE(v >= 0 && v <= 255);
        ASSERT_EQ(recorder.Asked.size(), 9u);
        // Black answers leave errors of +255: all later pixels are still 255.
        EXPECT_EQ(recorder.Asked.back()[0], 255);
        (void)r, (void)g, (void)b;
    }
}

TEST(GIFDitherers, FloydSteinbergErrorsLandInTheirColumns)
{
    // Against a lookup that always answers black the error is the working
    // value itself, so the next row's values show where the errors went:
    // row 0 is 16, 0, 0; the textbook weights give the next row 101, 60, 22
    // (sixteenths) in columns 0, 1, 2.
    RecordingLookup recorder;
    TFloydSteinbergDitherer ditherer(3, &recorder);
    RunDitherer(ditherer, 3, 2, [](int x, int y) {
        return std::array<int, 3>{y == 0 && x == 0 ? 16 : 0, 0, 0};
    });
    ASSERT_EQ(recorder.Asked.size(), 6u);
    std::vector<int> red;
    for (const auto &asked : recorder.Asked)
        red.push_back(asked[0]);
    // Row 0: 16, (112 + 8) / 16 = 7, (49 + 8) / 16 = 3. Row 1 runs right to
    // left: (22 + 8) / 16 = 1, (7 + 60 + 8) / 16 = 4, (28 + 101 + 8) / 16 = 8.
    EXPECT_EQ(red, (std::vector<int>{16, 7, 3, 1, 4, 8}));
}

TEST(GIFDitherers, FloydSteinbergOnMidGreyGivesACheckerboard)
{
    TMonochromeLookup mono{TPalette()};
    TFloydSteinbergDitherer ditherer(16, &mono);
    auto indexes = RunDitherer(ditherer, 16, 16, [](int, int) { return std::array<int, 3>{128, 128, 128}; });
    int white = 0;
    int checker = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            white += indexes[size_t(y)][size_t(x)];
            checker += indexes[size_t(y)][size_t(x)] == ((x + y + 1) % 2);
        }
    EXPECT_NEAR(white, 128, 8);
    EXPECT_GE(checker, 240) << "a checkerboard, with at most a few defects";

    // Every other kernel also gives about half of each on a mid grey.
    for (int mode = 2; mode <= 6; ++mode) {
        auto other = CreateDitherer(mode, 32, &mono);
        auto result = RunDitherer(*other, 32, 32, [](int, int) { return std::array<int, 3>{128, 128, 128}; });
        int count = 0;
        for (const auto &row : result)
            for (int v : row)
                count += v;
        EXPECT_NEAR(count, 512, 40) << "mode " << mode;
    }
}

// ---------------------------------------------------------------------------
// Bitmap access

TEST(GIFBitmapAccess, WriterLayout)
{
    TBitmap target;
    {
        TDIBWriter writer(&target, TPixelFormat::pf24bit, 3, 2, TPalette());
        EXPECT_EQ(writer.RowLength(), 12);
        EXPECT_TRUE(writer.BitmapFile().isEmpty());
        uint8_t *top = writer.ScanLine(0);
        top[0] = 0x11;                // blue of the top-left pixel
        writer.ScanLine(1)[8] = 0x22; // red of the bottom-right pixel
        QByteArray file = writer.BitmapFile();
        EXPECT_EQ(file.size(), 14 + 40 + 24);
        EXPECT_EQ(file.left(2), "BM");
        EXPECT_EQ(uint8_t(file[10]), 54);
        EXPECT_EQ(uint8_t(file[14 + 40 + 12]), 0x11) << "the top row is the last in memory";
        EXPECT_EQ(uint8_t(file[14 + 40 + 8]), 0x22);
        EXPECT_THROW(writer.ScanLine(2), EInvalidGraphicOperation);
        EXPECT_THROW(writer.ScanLine(-1), EInvalidGraphicOperation);
    }
    ASSERT_EQ(target.Width(), 3);
    EXPECT_EQ(target.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(target.Pixel(0, 0), qRgb(0, 0, 0x11));
    EXPECT_EQ(target.Pixel(2, 1), qRgb(0x22, 0, 0));
}

TEST(GIFBitmapAccess, EightBitWriterColourTable)
{
    std::vector<TPaletteEntry> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.push_back({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i), PaletteFlagNoCollapse});
    TBitmap target;
    TDIBWriter writer(&target, TPixelFormat::pf8bit, 2, 2, TPalette(sixteen));
    writer.ScanLine(0)[1] = 15;
    QByteArray file = writer.BitmapFile();
    ASSERT_EQ(file.size(), 14 + 1064 + 8);
    auto byteAt = [&](int i) { return uint8_t(file[i]); };
    EXPECT_EQ(byteAt(14 + 32), 0); // 256 colours used
    EXPECT_EQ(byteAt(14 + 33), 1);
    EXPECT_EQ(byteAt(14 + 36), 16);          // 16 important
    EXPECT_EQ(byteAt(54 + 15 * 4), 15);      // blue first
    EXPECT_EQ(byteAt(54 + 15 * 4 + 2), 240); // red third
    EXPECT_EQ(byteAt(54 + 15 * 4 + 3), 0);   // flags cleared
    for (int i = 16 * 4; i < 1024; ++i)
        ASSERT_EQ(byteAt(54 + i), 0) << "entries after the palette are black";
    writer.StoreIntoBitmap();
    EXPECT_EQ(target.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(target.ColorTable().size(), 256u);
    EXPECT_EQ(target.Pixel(1, 0), qRgb(240, 240, 15));
}

TEST(GIFBitmapAccess, WriterFailuresAndUnusedWriter)
{
    TBitmap target(5, 5, TPixelFormat::pf24bit);
    auto messageOf = [](auto make) -> QString {
        try {
            make();
        } catch (const GIFException &e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(messageOf([&] { TDIBWriter(&target, TPixelFormat::pf4bit, 1, 1, TPalette()); }),
              "Unsupported PixelFormat");
    EXPECT_EQ(messageOf([&] { TDIBWriter(&target, TPixelFormat::pf32bit, 1, 1, TPalette()); }),
              "Unsupported PixelFormat");
    EXPECT_EQ(messageOf([&] { TDIBWriter(&target, TPixelFormat::pf8bit, 0, 1, TPalette()); }),
              "Invalid image dimensions");
    EXPECT_EQ(messageOf([&] { TDIBWriter(&target, TPixelFormat::pf8bit, 1, -1, TPalette()); }),
              "Invalid image dimensions");
    EXPECT_THROW(TDIBWriter(&target, TPixelFormat::pf24bit, 1 << 30, 1 << 30, TPalette()).ScanLine(0),
                 EOutOfMemory);
    {
        TDIBWriter unused(&target, TPixelFormat::pf8bit, 2, 2, TPalette());
    }
    EXPECT_EQ(target.Width(), 5) << "a writer never asked for a row stores nothing";
    EXPECT_EQ(target.PixelFormat(), TPixelFormat::pf24bit);
    // A writer abandoned by an exception does not store either.
    try {
        TDIBWriter writer(&target, TPixelFormat::pf8bit, 2, 2, TPalette());
        writer.ScanLine(0);
        throw std::runtime_error("fail");
    } catch (const std::runtime_error &) {
    }
    EXPECT_EQ(target.Width(), 5);
}

TEST(GIFBitmapAccess, ReaderConvertsAndSwapRedBlue)
{
    TBitmap bitmap(2, 1, TPixelFormat::pf8bit);
    bitmap.SetColorTable({{1, 2, 3, 0}, {4, 5, 6, 0}});
    bitmap.ScanLine(0)[1] = 1;
    TDIBReader reader(&bitmap, TPixelFormat::pf24bit);
    EXPECT_EQ(BitmapPixelFormat(bitmap), TPixelFormat::pf24bit);
    const uint8_t *row = reader.ScanLine(0);
    EXPECT_EQ(row[3], 4);
    EXPECT_EQ(row[5], 6);
    EXPECT_THROW(reader.ScanLine(1), EInvalidGraphicOperation);
    SetBitmapPixelFormat(bitmap, TPixelFormat::pf32bit);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);

    uint8_t entries[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SwapRedBlue(entries, 2);
    EXPECT_EQ(std::vector<uint8_t>(entries, entries + 8), (std::vector<uint8_t>{3, 2, 1, 0, 7, 6, 5, 0}));
}

// ---------------------------------------------------------------------------
// Octree and reduction

TEST(GIFColorReduction, OctreeKeepsFewColoursExactly)
{
    const QRgb five[] = {qRgb(255, 0, 0), qRgb(0, 200, 0), qRgb(3, 5, 7), qRgb(250, 250, 250),
                         qRgb(128, 64, 32)};
    TBitmap bitmap = Filled(10, 4, [&](int x, int y) { return five[(x + y) % 5]; });
    auto reduced = ReduceColors(bitmap, rmQuantize, 0, 3, TPalette());
    ASSERT_EQ(reduced->PixelFormat(), TPixelFormat::pf8bit);
    TPalette palette = reduced->Palette();
    std::set<QRgb> colours;
    for (int i = 0; i < 5; ++i)
        colours.insert(qRgb(palette.Entry(i).Red, palette.Entry(i).Green, palette.Entry(i).Blue));
    EXPECT_EQ(colours, std::set<QRgb>(std::begin(five), std::end(five)));
    for (int i = 5; i < 8; ++i)
        EXPECT_EQ(palette.Entry(i), (TPaletteEntry{0, 0, 0, 0})) << "unused entries are black";
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(reduced->Pixel(x, y), bitmap.Pixel(x, y));
}

TEST(GIFColorReduction, OctreeNeverHoldsMoreThanItsColours)
{
    std::mt19937 random(11);
    TColorQuantizer quantizer(16, 8);
    for (int i = 0; i < 20000; ++i) {
        quantizer.AddColor(uint8_t(random()), uint8_t(random()), uint8_t(random()));
        ASSERT_LE(quantizer.LeafCount(), 16);
    }
    TRGBQuad table[256];
    EXPECT_LE(quantizer.CollectColors(table), 16);

    // One colour: the sums of a huge leaf do not overflow.
    TColorQuantizer single(1, 8);
    for (int i = 0; i < 9000000; ++i)
        single.AddColor(255, 254, 253);
    ASSERT_EQ(single.CollectColors(table), 1);
    EXPECT_EQ(table[0], (TRGBQuad{253, 254, 255, 0}));

    EXPECT_THROW(TColorQuantizer(0, 8), GIFException);
    EXPECT_THROW(TColorQuantizer(4, 9), GIFException);
}

TEST(GIFColorReduction, FixedPalettesAndMethods)
{
    TBitmap ramp = Filled(256, 1, [](int x, int) { return qRgb(x, x, x); });
    auto mono = ReduceColors(ramp, rmMonochrome, 0, 8, TPalette());
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(mono->ScanLine(0)[x], x < 128 ? 0 : 1) << x;
    EXPECT_EQ(mono->Palette().Entry(1), (TPaletteEntry{255, 255, 255, 0}));

    auto grey = ReduceColors(ramp, rmGrayScale, 1, 8, TPalette());
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(grey->ScanLine(0)[x], x) << "an exact picture leaves no error";

    TBitmap photo = Filled(40, 30, [](int x, int y) { return qRgb(x * 6, y * 8, (x * y) % 256); });
    auto windows = ReduceColors(photo, rmQuantizeWindows, 1, 8, TPalette());
    TPalette palette = windows->Palette();
    ASSERT_EQ(palette.Count(), 256);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(palette.Entry(i), StockDefaultPalette().Entry(i));
        EXPECT_EQ(palette.Entry(246 + i), StockDefaultPalette().Entry(10 + i));
    }

    EXPECT_EQ(CreateFourGreyPalette().Entry(1), (TPaletteEntry{128, 128, 128, PaletteFlagNoCollapse}));
    EXPECT_EQ(CreateGreyRampPalette().Count(), 256);
    TPalette cube = CreateWebSafePalette();
    ASSERT_EQ(cube.Count(), 216);
    EXPECT_EQ(cube.Entry(3 * 36 + 2 * 6 + 1), (TPaletteEntry{153, 102, 51, 0}));

    auto caller =
        ReduceColors(photo, rmPalette, 0, 8, MakePalette({{0, 0, 0}, {255, 255, 255}, {255, 0, 0}}));
    EXPECT_EQ(caller->Palette().Count(), 256);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_LE(caller->ScanLine(y)[x], 2);
}

TEST(GIFColorReduction, NoneCopiesAndBadSettingsRaise)
{
    TBitmap bitmap = Filled(3, 2, [](int x, int y) { return qRgb(x * 80, y * 80, 9); });
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    auto copy = ReduceColors(bitmap, rmNone, 0, 8, TPalette());
    EXPECT_EQ(copy->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(copy->Pixel(2, 1), qRgb(160, 80, 9));
    auto reduced = ReduceColors(bitmap, rmNetscape, 1, 8, TPalette());
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit) << "the caller's bitmap is not converted";
    EXPECT_EQ(reduced->Width(), 3);

    EXPECT_THROW(ReduceColors(bitmap, 10, 0, 8, TPalette()), GIFException);
    EXPECT_THROW(ReduceColors(bitmap, -1, 0, 8, TPalette()), GIFException);
    EXPECT_THROW(ReduceColors(bitmap, rmNetscape, 7, 8, TPalette()), GIFException);
    EXPECT_THROW(ReduceColors(bitmap, rmQuantize, 0, 9, TPalette()), GIFException);
    EXPECT_THROW(ReduceColors(bitmap, rmPalette, 0, 8, TPalette()), GIFException);
    EXPECT_THROW(ReduceColors(TBitmap(), rmNetscape, 0, 8, TPalette()), GIFException);
}

TEST(GIFColorReduction, OnePixelWithEveryMethodAndMode)
{
    TBitmap pixel = Filled(1, 1, [](int, int) { return qRgb(30, 140, 220); });
    for (int method = rmNone; method <= rmPalette; ++method)
        for (int mode = 0; mode <= 6; ++mode) {
            auto reduced = ReduceColors(pixel, method, mode, 0, MakePalette({{30, 140, 220}}));
            ASSERT_EQ(reduced->Width(), 1);
            ASSERT_EQ(reduced->Height(), 1);
            if (method == rmQuantize || method == rmQuantizeWindows || method == rmPalette) {
                EXPECT_EQ(reduced->Pixel(0, 0), qRgb(30, 140, 220)) << method << "/" << mode;
            }
        }
}
