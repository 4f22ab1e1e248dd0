#include "gif/GIFExtensions.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

// An image with a four-colour global table (black, red, green, white) and one
// frame of Width x Height at (Left, Top) filled by Pixel(x, y).
struct Picture
{
    TGIFImage Image;
    TGIFSubImage *Frame = new TGIFSubImage(&Image);
    QStringList Warnings;
    std::vector<std::pair<TProgressStage, int>> Progress;

    Picture(
        int ScreenWidth, int ScreenHeight, QRect Bounds,
        const std::function<uint8_t(int, int)> &Pixel = [](int, int) { return 1; })
    {
        Image.SetOnWarning([this](const void *, TGIFSeverity, const QString &m) { Warnings << m; });
        Image.OnProgress = [this](TPersistent *, TProgressStage stage, int percent, bool, const QRect &,
                                  const QString &message) {
            EXPECT_EQ(message, QStringLiteral("Rendering..."));
            Progress.emplace_back(stage, percent);
        };
        for (TColor c : {0x000000u, 0x0000FFu, 0x00FF00u, 0xFFFFFFu})
            Image.Header()->ColorMap()->Add(c);
        Image.Header()->SetScreenWidth(uint16_t(ScreenWidth));
        Image.Header()->SetScreenHeight(uint16_t(ScreenHeight));
        Image.Images()->Add(Frame);
        Frame->SetBounds(Bounds.left(), Bounds.top(), Bounds.width(), Bounds.height());
        for (int y = 0; y < Bounds.height(); ++y)
            for (int x = 0; x < Bounds.width(); ++x)
                Frame->Scanline(y)[x] = Pixel(x, y);
    }

    void MakeTransparent(uint8_t Index)
    {
        auto *gce = new TGIFGraphicControlExtension(Frame);
        Frame->Extensions()->Add(gce);
        gce->SetTransparentColorIndex(Index);
        gce->SetTransparent(true);
    }
};

struct DitherOn
{
    DitherOn() { SetGIFAutoDitherActive(true); }
    ~DitherOn() { SetGIFAutoDitherActive(false); }
};

} // namespace

TEST(GIFPicture, NewImageDefaults)
{
    TGIFImage image;
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_EQ(image.DrawOptions(), 0x060F);
    EXPECT_EQ(image.AnimationSpeed(), 100);
    EXPECT_EQ(image.ColorReduction(), 6);
    EXPECT_EQ(image.ReductionBits(), 8);
    EXPECT_EQ(image.DitherMode(), 0);
    EXPECT_EQ(image.Compression(), 0);
    EXPECT_EQ(image.PaintBackgroundColor(), clNone);
    EXPECT_EQ(image.GetBitmap(), nullptr);
    EXPECT_TRUE(image.Palette().Entries().empty());
}

TEST(GIFPicture, SizeCannotCutFramesAndDropsTheBitmap)
{
    Picture p(30, 20, QRect(10, 5, 15, 10));
    ASSERT_NE(p.Image.GetBitmap(), nullptr);
    try {
        p.Image.SetWidth(24);
        FAIL() << "narrower than a frame";
    } catch (const GIFException &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Image width too small for contained frames"));
    }
    EXPECT_THROW(p.Image.SetHeight(14), GIFException);
    EXPECT_EQ(p.Image.Width(), 30);
    EXPECT_EQ(p.Image.Height(), 20);
    EXPECT_TRUE(p.Image.HasBitmap());
    EXPECT_THROW(p.Image.SetWidth(70000), GIFException);

    int changes = 0;
    p.Image.OnChange = [&](TPersistent *) { ++changes; };
    p.Image.SetWidth(25);
    p.Image.SetHeight(15);
    EXPECT_EQ(p.Image.Width(), 25);
    EXPECT_EQ(p.Image.Height(), 15);
    EXPECT_FALSE(p.Image.HasBitmap());
    EXPECT_EQ(changes, 2);
    p.Image.SetWidth(25); // unchanged: no notification
    EXPECT_EQ(changes, 2);
}

TEST(GIFPicture, WholeScreenBitmapPlacesTheFirstFrame)
{
    // Red frame inside a larger screen: the bitmap has the screen's size and
    // the frame at its own place.
    Picture p(8, 6, QRect(2, 1, 3, 2));
    TBitmap bitmap;
    bitmap.Assign(&p.Image);
    ASSERT_EQ(bitmap.Width(), 8);
    ASSERT_EQ(bitmap.Height(), 6);
    EXPECT_EQ(bitmap.Pixel(2, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bitmap.Pixel(4, 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(bitmap.Pixel(5, 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(bitmap.Pixel(2, 3) & 0xFFFFFF, 0xFF0000u);

    // A frame covering the screen gives its own 8-bit rendering.
    Picture full(4, 4, QRect(0, 0, 4, 4), [](int x, int) { return uint8_t(x); });
    TBitmap *whole = full.Image.GetBitmap();
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(whole->Pixel(2, 3) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(full.Image.GetBitmap(), whole); // cached

    // A tiny frame on a huge declared screen is refused, not allocated.
    Picture huge(65535, 65535, QRect(0, 0, 1, 1));
    EXPECT_THROW(huge.Image.GetBitmap(), GIFException);
    // Without any colour table the screen renders black instead of failing.
    Picture bare(3, 3, QRect(1, 1, 1, 1));
    bare.Image.Header()->ColorMap()->Clear();
    ASSERT_NE(bare.Image.GetBitmap(), nullptr);
    EXPECT_EQ(bare.Image.GetBitmap()->Pixel(1, 1) & 0xFFFFFF, 0u);
}

TEST(GIFPicture, AStillPictureIsComposedUpToTheFirstDelay)
{
    // Two tiles without a delay make one picture; a delay on the first makes it a frame of its own.
    for (const int delay : {0, 10}) {
        Picture p(2, 1, QRect(0, 0, 1, 1));
        auto *second = new TGIFSubImage(&p.Image);
        p.Image.Images()->Add(second);
        second->SetBounds(1, 0, 1, 1);
        second->Scanline(0)[0] = 2;
        if (delay) {
            auto *gce = new TGIFGraphicControlExtension(p.Frame);
            p.Frame->Extensions()->Add(gce);
            gce->SetDelay(uint16_t(delay));
        }
        const bool composed = delay == 0;
        ASSERT_NE(p.Image.GetBitmap(), nullptr);
        EXPECT_EQ(p.Image.GetBitmap()->Pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ((p.Image.GetBitmap()->Pixel(1, 0) & 0xFFFFFF) == 0x00FF00u, composed);
        QImage shown(2, 1, QImage::Format_RGB32);
        shown.fill(Qt::white);
        p.Image.SetDrawOptions(p.Image.DrawOptions() & ~AnimatedPaint);
        QPainter painter(&shown);
        p.Image.Draw(painter, QRect(0, 0, 2, 1));
        painter.end();
        EXPECT_EQ(shown.pixel(1, 0) == qRgb(0, 255, 0), composed);
    }
}

TEST(GIFPicture, PaletteResolution)
{
    Picture p(2, 2, QRect(0, 0, 2, 2));
    TPalette global = p.Image.Palette();
    ASSERT_EQ(global.Entries().size(), 4u);
    EXPECT_EQ(global.Entry(1).Red, 0xFF);

    // A local table wins for the frame.
    Picture local(2, 2, QRect(0, 0, 2, 2));
    local.Frame->ColorMap()->Add(0x123456);
    local.Frame->ColorMap()->Add(0x654321);
    EXPECT_EQ(local.Frame->GetPalette().Entries().size(), 2u);

    // Dithering asks for the 216-colour cube.
    {
        DitherOn dither;
        TGIFImage image;
        EXPECT_EQ(image.Palette().Entries().size(), 216u);
        Picture fresh(2, 2, QRect(0, 0, 2, 2));
        EXPECT_EQ(fresh.Frame->GetPalette().Entries().size(), 216u);
        fresh.Image.SetDrawOptions(fresh.Image.DrawOptions() & ~DitheredPaint);
        EXPECT_FALSE(fresh.Image.DoDither());
    }

    // No table anywhere: the frame asks the image, which asks the frame again.
    TGIFImage bare;
    auto *frame = new TGIFSubImage(&bare);
    bare.Images()->Add(frame);
    frame->SetBounds(0, 0, 1, 1);
    try {
        (void)bare.Palette();
        FAIL() << "no colour table";
    } catch (const GIFException &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("No global or local color table defined"));
    }
    // Drawing such a frame still works: it renders black.
    ASSERT_NE(frame->GetBitmap(), nullptr);
    EXPECT_EQ(frame->GetBitmap()->Pixel(0, 0) & 0xFFFFFF, 0u);
}

TEST(GIFPicture, NewPaletteDropsTheRendering)
{
    Picture p(2, 2, QRect(0, 0, 2, 2));
    ASSERT_NE(p.Frame->GetBitmap(), nullptr);
    int changes = 0;
    p.Image.OnChange = [&](TPersistent *) { ++changes; };
    TPalette grey({{10, 10, 10, 0}, {20, 20, 20, 0}});
    p.Frame->SetPalette(grey);
    EXPECT_FALSE(p.Frame->HasBitmap());
    EXPECT_TRUE(p.Image.PaletteModified());
    EXPECT_EQ(changes, 1);
    // The stored palette maps the indexes from now on.
    EXPECT_EQ(p.Frame->GetBitmap()->Pixel(0, 0) & 0xFFFFFF, 0x141414u);
}

TEST(GIFPicture, RenderingReportsProgressEveryThirtyTwoRows)
{
    Picture p(3, 70, QRect(0, 0, 3, 70));
    ASSERT_NE(p.Frame->GetBitmap(), nullptr);
    const std::vector<std::pair<TProgressStage, int>> expected = {
        {TProgressStage::Starting, 0}, {TProgressStage::Running, 0},  {TProgressStage::Running, 46},
        {TProgressStage::Running, 91}, {TProgressStage::Ending, 100},
    };
    EXPECT_EQ(p.Progress, expected);
    p.Progress.clear();
    p.Frame->GetBitmap(); // cached: no second rendering
    EXPECT_TRUE(p.Progress.empty());
}

TEST(GIFPicture, DitheredRenderingUsesTheColourCube)
{
    DitherOn dither;
    // Pure colours of the table lie on the cube and come out exactly; the
    // transparent pixels keep the cube colour nearest the transparent entry.
    Picture p(6, 4, QRect(0, 0, 6, 4), [](int x, int) { return uint8_t(x % 4); });
    p.MakeTransparent(3);
    ASSERT_TRUE(p.Image.DoDither());
    TBitmap *bitmap = p.Frame->GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->ColorTable().size(), 256u);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(bitmap->Pixel(0, y) & 0xFFFFFF, 0x000000u);
        EXPECT_EQ(bitmap->Pixel(1, y) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(bitmap->Pixel(2, y) & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(bitmap->Pixel(3, y) & 0xFFFFFF, 0xFFFFFFu); // transparent: white's own entry
        EXPECT_EQ(bitmap->ScanLine(y)[3], 215);
    }
    ASSERT_NE(p.Frame->Mask(), nullptr);
    EXPECT_EQ(p.Frame->Mask()->Pixel(3, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(p.Frame->Mask()->Pixel(2, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(p.Frame->GetPalette().Entries().size(), 256u);

    // A mid grey is spread over neighbouring cube colours.
    Picture grey(16, 16, QRect(0, 0, 16, 16), [](int, int) { return 0; });
    grey.Image.Header()->ColorMap()->Clear();
    grey.Image.Header()->ColorMap()->Add(0x7F7F7F);
    TBitmap *g = grey.Frame->GetBitmap();
    std::set<uint8_t> used;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            used.insert(g->ScanLine(y)[x]);
    EXPECT_GE(used.size(), 2u);
}

TEST(GIFPicture, BadColourIndexWarnsOncePerRendering)
{
    DitherOn dither;
    Picture p(20, 20, QRect(0, 0, 20, 20), [](int, int) { return 9; });
    ASSERT_NE(p.Frame->GetBitmap(), nullptr);
    EXPECT_EQ(p.Warnings.count(QStringLiteral("Invalid color index")), 1);
    // Index 9 falls back to entry 0 (black).
    EXPECT_EQ(p.Frame->GetBitmap()->Pixel(5, 5) & 0xFFFFFF, 0u);
}

TEST(GIFPicture, LoadingAndSavingReportProgress)
{
    Picture p(4, 4, QRect(0, 0, 4, 4));
    auto *second = new TGIFSubImage(&p.Image);
    p.Image.Images()->Add(second);
    second->SetBounds(1, 1, 2, 2);
    QStringList reports;
    auto record = [&](TPersistent *, TProgressStage stage, int percent, bool, const QRect &,
                      const QString &m) {
        reports << QStringLiteral("%1 %2 %3").arg(m).arg(int(stage)).arg(percent);
    };
    p.Image.OnProgress = record;
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    p.Image.SaveToStream(out);
    EXPECT_EQ(reports,
              QStringList({"Saving... 0 0", "Saving... 1 50", "Saving... 1 100", "Saving... 2 100"}));

    reports.clear();
    TGIFImage loaded;
    loaded.OnProgress = record;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    loaded.LoadFromStream(in);
    ASSERT_EQ(reports.size(), 4);
    EXPECT_EQ(reports.first(), QStringLiteral("Loading... 0 0"));
    EXPECT_TRUE(reports[2].startsWith(QStringLiteral("Loading... 1 ")));
    EXPECT_EQ(reports.last(), QStringLiteral("Loading... 2 100"));

    // A failed load still closes its report, at 0 %.
    reports.clear();
    QByteArray cut = bytes.left(20);
    QBuffer broken(&cut);
    broken.open(QIODevice::ReadOnly);
    EXPECT_THROW(loaded.LoadFromStream(broken), GIFException);
    EXPECT_EQ(reports.last(), QStringLiteral("Loading... 2 0"));
    EXPECT_EQ(broken.pos(), 0);
}
