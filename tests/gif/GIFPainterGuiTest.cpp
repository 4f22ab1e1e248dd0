#include "gif/GIFExtensions.h"
#include "gif/GIFImage.h"
#include "gif/GIFPainter.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

namespace {

const QString SuiteDir = QStringLiteral(PLIKORA_TEST_DATA "/gif-test-suite/gifs");

// Time moves only when the painter sleeps or waits.
class FakeClock : public TClock
{
public:
    int64_t Milliseconds() override
    {
        std::lock_guard lock(Mutex);
        return Now;
    }
    void Sleep(int64_t Ms) override
    {
        std::lock_guard lock(Mutex);
        Now += std::max<int64_t>(Ms, 0);
    }
    bool WaitFor(TEvent &Event, int64_t Ms) override
    {
        if (Ms < 0)
            return Event.WaitFor(1000);
        if (Event.WaitFor(0))
            return true;
        std::lock_guard lock(Mutex);
        Now += Ms;
        return false;
    }
    std::mutex Mutex;
    int64_t Now = 0;
};

class GIFPainterTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "painter-test";
            static char *argv[] = {name, nullptr};
            new QGuiApplication(argc, argv);
        }
    }
    void SetUp() override { SetClock(&Clock); }
    void TearDown() override
    {
        // Painters end through calls queued for the main thread.
        while (CheckSynchronize(0)) {
        }
        SetClock(nullptr);
    }
    FakeClock Clock;
};

void LoadFile(TGIFImage &Image, const QString &Path)
{
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    Image.LoadFromStream(file);
}

QImage NewCanvas(int Width, int Height)
{
    QImage canvas(Width, Height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}

// Pixels that differ: transparent must stay transparent, the rest compare by colour.
int Differences(const QImage &Expected, const QImage &Ours)
{
    const QImage e = Expected.convertToFormat(QImage::Format_ARGB32);
    const QImage o = Ours.convertToFormat(QImage::Format_ARGB32);
    int wrong = 0;
    for (int y = 0; y < e.height(); ++y)
        for (int x = 0; x < e.width(); ++x) {
            const QRgb a = e.pixel(x, y), b = o.pixel(x, y);
            if (qAlpha(a) == 0 ? qAlpha(b) != 0 : (qAlpha(b) != 255 || (a & 0xFFFFFF) != (b & 0xFFFFFF)))
                ++wrong;
        }
    return wrong;
}

// Runs the event loop until the image's painters have ended: their calls for
// the main thread arrive through it.
void RunUntilPaintersEnd(TGIFImage &Image)
{
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Image.PainterCount() > 0 && std::chrono::steady_clock::now() < guard)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    ASSERT_EQ(Image.PainterCount(), 0);
}

// Plays an animation once and returns the canvas after every frame: drawn
// straight on a canvas by a synchronous painter, or through the image's back
// buffer by an asynchronous one.
std::vector<QImage> PlayFrames(TGIFImage &Image, bool Async)
{
    std::vector<QImage> frames;
    QImage canvas = NewCanvas(Image.Width(), Image.Height());
    const QRect rect(0, 0, Image.Width(), Image.Height());
    Image.SetDrawOptions(TransparentPaint | AnimatedPaint | (Async ? AsyncPaint : DirectPaint));
    Image.SetOnFramePainted([&](TGIFPainter *) {
        frames.push_back(Async ? Image.GetBitmap()->ToImage().convertToFormat(QImage::Format_ARGB32)
                               : canvas.copy());
    });
    {
        QPainter painter(&canvas);
        Image.Draw(painter, rect);
        RunUntilPaintersEnd(Image);
    }
    Image.SetOnFramePainted({});
    return frames;
}

struct FrameRecipe
{
    QRect Bounds;
    uint8_t Color = 1;
    int Disposal = 0;
    int Delay = 10;
    int TransparentIndex = -1;
};

// An animation on a screen of Width x Height with a four-colour table
// (black, red, green, blue); each frame is filled with its colour.
void MakeAnimation(TGIFImage &Image, int Width, int Height, const std::vector<FrameRecipe> &Frames,
                   int Loops = -1)
{
    Image.Header()->SetScreenWidth(uint16_t(Width));
    Image.Header()->SetScreenHeight(uint16_t(Height));
    for (TColor c : {TColor(0x000000), TColor(0x0000FF), TColor(0x00FF00), TColor(0xFF0000)})
        Image.Header()->ColorMap()->Add(c);
    for (size_t i = 0; i < Frames.size(); ++i) {
        const FrameRecipe &recipe = Frames[i];
        auto *sub = new TGIFSubImage(&Image);
        if (i == 0 && Loops >= 0) {
            auto *loop = new TGIFAppExtNSLoop(sub);
            loop->SetLoops(uint16_t(Loops));
            sub->Extensions()->Add(loop);
        }
        auto *gce = new TGIFGraphicControlExtension(sub);
        gce->SetDisposal(recipe.Disposal);
        gce->SetDelay(uint16_t(recipe.Delay));
        if (recipe.TransparentIndex >= 0) {
            gce->SetTransparentColorIndex(uint8_t(recipe.TransparentIndex));
            gce->SetTransparent(true);
        }
        sub->Extensions()->Add(gce);
        sub->SetBounds(recipe.Bounds.left(), recipe.Bounds.top(), recipe.Bounds.width(),
                       recipe.Bounds.height());
        std::fill(sub->Data(), sub->Data() + sub->DataSize(), recipe.Color);
        Image.Images()->Add(sub);
    }
}

std::vector<FrameRecipe> FourFrames()
{
    return {{QRect(0, 0, 8, 8), 1}, {QRect(0, 0, 4, 4), 2}, {QRect(4, 4, 4, 4), 3}, {QRect(2, 2, 4, 4), 1}};
}

} // namespace

TEST_F(GIFPainterTest, SuiteAnimationsComposeToTheirExpectedFrames)
{
    const QStringList files = QDir(SuiteDir).entryList({QStringLiteral("animated_*.gif")}, QDir::Files);
    ASSERT_EQ(files.size(), 11);
    for (bool async : {false, true})
        for (const QString &name : files) {
            SCOPED_TRACE(name.toStdString() + (async ? " async" : " sync"));
            TGIFImage image;
            LoadFile(image, SuiteDir + u'/' + name);
            const std::vector<QImage> frames = PlayFrames(image, async);
            ASSERT_EQ(frames.size(), 4u);
            for (int i = 0; i < 4; ++i) {
                const QImage expected(SuiteDir
                                      + QStringLiteral("/frames/%1-%2.png").arg(name.chopped(4)).arg(i));
                ASSERT_FALSE(expected.isNull());
                // A frame beyond the logical screen widens it; the expected
                // pictures keep the declared 100 x 100.
                EXPECT_EQ(Differences(expected, frames[size_t(i)].copy(expected.rect())), 0) << "frame " << i;
            }
        }
}

TEST_F(GIFPainterTest, DisposalZeroToTwoMatchesImageMagickCoalesce)
{
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed";
    QTemporaryDir dir;
    // An opaque animation with every disposal up to 2 (also beside a
    // transparent frame), and the suite's files that use them.
    {
        TGIFImage image;
        MakeAnimation(image, 12, 10,
                      {{QRect(0, 0, 12, 10), 1, 1},
                       {QRect(2, 2, 6, 5), 2, 2},
                       {QRect(5, 3, 6, 6), 3, 0, 10, 3},
                       {QRect(1, 1, 3, 3), 2, 2},
                       {QRect(0, 4, 12, 2), 3, 1}});
        QFile file(dir.filePath(QStringLiteral("made.gif")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        image.SaveToStream(file);
    }
    QStringList files{dir.filePath(QStringLiteral("made.gif"))};
    for (const char *name : {"animated_loop.gif", "animated_transparent_loop.gif",
                             "animated_transparent_frame_norestore_loop.gif",
                             "animated_transparent_frame_restorebackground_loop.gif"})
        files << SuiteDir + u'/' + QLatin1String(name);
    for (const QString &path : files) {
        SCOPED_TRACE(path.toStdString());
        const QString pattern = dir.filePath(QFileInfo(path).completeBaseName() + QStringLiteral("-%d.png"));
        ASSERT_EQ(QProcess::execute(convert, {path, QStringLiteral("-coalesce"), pattern}), 0);
        TGIFImage image;
        LoadFile(image, path);
        for (bool async : {false, true}) {
            const std::vector<QImage> frames = PlayFrames(image, async);
            ASSERT_EQ(int(frames.size()), image.Images()->Count());
            for (int i = 0; i < int(frames.size()); ++i) {
                const QImage expected(QString(pattern).replace(QStringLiteral("%d"), QString::number(i)));
                ASSERT_FALSE(expected.isNull());
                EXPECT_EQ(Differences(expected, frames[size_t(i)]), 0)
                    << "frame " << i << (async ? " async" : "");
            }
        }
    }
}

TEST_F(GIFPainterTest, UndefinedDisposalsKeepTheFrameAndRestorePreviousUndoesIt)
{
    TGIFImage image;
    MakeAnimation(image, 8, 8,
                  {{QRect(0, 0, 8, 8), 1, 7},
                   {QRect(0, 0, 4, 4), 2, 2},
                   {QRect(4, 4, 4, 4), 3, 3},
                   {QRect(2, 2, 2, 2), 2, 3},
                   {QRect(6, 0, 2, 2), 3, 5}});
    for (bool async : {false, true}) {
        const std::vector<QImage> frames = PlayFrames(image, async);
        ASSERT_EQ(frames.size(), 5u);
        // Disposal 7 acts as 1: frame 0's red stays under frame 1.
        EXPECT_EQ(frames[1].pixel(6, 6), qRgb(255, 0, 0));
        // Frame 1 (disposal 2) is gone under frame 2; frame 2 (disposal 3) is
        // gone under frame 3, which disposal 3 takes away again for frame 4.
        EXPECT_EQ(qAlpha(frames[2].pixel(1, 1)), 0);
        EXPECT_EQ(frames[3].pixel(5, 5), qRgb(255, 0, 0));
        EXPECT_EQ(frames[3].pixel(2, 2), qRgb(0, 255, 0));
        EXPECT_EQ(qAlpha(frames[4].pixel(2, 2)), 0);
        EXPECT_EQ(frames[4].pixel(6, 0), qRgb(0, 0, 255));
    }
}

TEST_F(GIFPainterTest, DelaysFollowTheFramesAndTheSpeed)
{
    TGIFImage image;
    std::vector<FrameRecipe> frames = FourFrames();
    const int delays[] = {0, 1, 2, 7};
    for (int i = 0; i < 4; ++i)
        frames[size_t(i)].Delay = delays[i];
    MakeAnimation(image, 8, 8, frames);
    const std::vector<int64_t> atSpeed100{120, 36, 36, 84};
    for (bool async : {false, true})
        for (int speed : {100, 200, 50}) {
            SCOPED_TRACE(std::to_string(speed) + (async ? " async" : " sync"));
            std::vector<int64_t> times;
            image.SetAnimationSpeed(speed);
            image.SetOnFramePaint([&](TGIFPainter *) { times.push_back(Clock.Milliseconds()); });
            image.SetDrawOptions(AnimatedPaint | LoopedPaint | DirectPaint | (async ? AsyncPaint : 0));
            QImage canvas = NewCanvas(8, 8);
            QPainter painter(&canvas);
            // Two passes: the last frame's delay shows before the second pass.
            image.SetOnLoop([&](TGIFPainter *Sender) { Sender->Stop(); });
            image.Draw(painter, QRect(0, 0, 8, 8));
            RunUntilPaintersEnd(image);
            ASSERT_EQ(times.size(), 4u);
            for (size_t i = 1; i < 4; ++i)
                EXPECT_EQ(times[i] - times[i - 1], atSpeed100[i - 1] * 100 / speed)
                    << "after frame " << i - 1;
        }
}

TEST_F(GIFPainterTest, PassesFollowTheLoopCountAndTheOptions)
{
    struct Case
    {
        int Loops;
        TGIFDrawOptions Options;
        int Frames;
    };
    const Case cases[] = {
        {3, AnimatedPaint | LoopedPaint, 12},             // the count is the number of passes
        {-1, AnimatedPaint | LoopedPaint, 4},             // no extension: once
        {3, AnimatedPaint, 4},                            // not looped: once
        {0, AnimatedPaint | LoopedPaint, 4},              // 0 means for ever, but not synchronously
        {3, LoopedPaint, 1},                              // not animated: the first frame
        {2, AnimatedPaint | LoopedPaint | AsyncPaint, 8}, // asynchronous too
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.Loops) + "/" + std::to_string(c.Options));
        TGIFImage image;
        MakeAnimation(image, 8, 8, FourFrames(), c.Loops);
        int painted = 0, loops = 0, ends = 0;
        image.SetOnFramePainted([&](TGIFPainter *) { ++painted; });
        image.SetOnLoop([&](TGIFPainter *) { ++loops; });
        image.SetOnPaintEnd([&](TGIFPainter *Sender) {
            ++ends;
            EXPECT_EQ(Sender->ActiveImage(), -1);
        });
        QImage canvas = NewCanvas(8, 8);
        QPainter painter(&canvas);
        // CreatePainter plays even without AnimatedPaint, unlike Draw.
        image.CreatePainter(c.Options | DirectPaint, QRect(0, 0, 8, 8), TGIFPaintTarget{&painter, nullptr});
        RunUntilPaintersEnd(image);
        EXPECT_EQ(painted, c.Frames);
        EXPECT_EQ(loops, (c.Frames - 1) / 4);
        EXPECT_EQ(ends, 1);
    }
    // An endless animation ends only when stopped.
    TGIFImage image;
    MakeAnimation(image, 8, 8, FourFrames(), 0);
    int painted = 0;
    image.SetOnFramePainted([&](TGIFPainter *Sender) {
        if (++painted == 30)
            Sender->Stop();
    });
    QImage canvas = NewCanvas(8, 8);
    QPainter painter(&canvas);
    image.SetDrawOptions(AnimatedPaint | LoopedPaint | AsyncPaint | DirectPaint);
    image.Draw(painter, QRect(0, 0, 8, 8));
    RunUntilPaintersEnd(image);
    EXPECT_EQ(painted, 30);
}

TEST_F(GIFPainterTest, AHandlerChoosesTheNextFrameAndEmptyFramesAreSkipped)
{
    TGIFImage image;
    std::vector<FrameRecipe> frames = FourFrames();
    frames.insert(frames.begin() + 3, FrameRecipe{QRect(0, 0, 0, 0), 1});
    MakeAnimation(image, 8, 8, frames);
    image.Images()->SubImages(3)->FreeData();
    ASSERT_TRUE(image.Images()->SubImages(3)->Empty());
    for (bool async : {false, true}) {
        std::vector<int> shown;
        image.SetOnFramePainted([&](TGIFPainter *Sender) {
            shown.push_back(Sender->ActiveImage());
            if (Sender->ActiveImage() == 0)
                Sender->SetActiveImage(2);
        });
        image.SetDrawOptions(AnimatedPaint | DirectPaint | (async ? AsyncPaint : 0));
        QImage canvas = NewCanvas(8, 8);
        QPainter painter(&canvas);
        image.Draw(painter, QRect(0, 0, 8, 8));
        RunUntilPaintersEnd(image);
        EXPECT_EQ(shown, (std::vector<int>{0, 2, 4}));
    }
}

TEST_F(GIFPainterTest, StopEndsAnEndlessWaitAndDrawingTwiceKeepsOnePainter)
{
    TGIFImage image;
    MakeAnimation(image, 8, 8, FourFrames());
    image.SetAnimationSpeed(0); // waits until stopped
    QImage canvas = NewCanvas(16, 16);
    QPainter painter(&canvas);

    // On the back buffer: Draw shows the first frame, then draws the buffer.
    image.SetDrawOptions(GIFImageDefaultDrawOptions);
    image.Draw(painter, QRect(0, 0, 16, 16));
    TGIFPainter *first = image.Painter();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->FramePainted());
    EXPECT_EQ(canvas.pixel(15, 15), qRgb(255, 0, 0));
    image.Draw(painter, QRect(0, 0, 16, 16));
    EXPECT_EQ(image.PainterCount(), 1);
    image.StopDraw();
    EXPECT_EQ(image.PainterCount(), 0);
    EXPECT_EQ(image.Painter(), nullptr);
    EXPECT_FALSE(image.HasBitmap());

    // Straight on the canvas: the same canvas and rectangle keep the painter,
    // another rectangle replaces it.
    image.SetDrawOptions(GIFImageDefaultDrawOptions | DirectPaint);
    image.Draw(painter, QRect(0, 0, 8, 8));
    first = image.Painter();
    ASSERT_NE(first, nullptr);
    image.Draw(painter, QRect(0, 0, 8, 8));
    EXPECT_EQ(image.Painter(), first);
    EXPECT_EQ(image.PainterCount(), 1);
    image.Draw(painter, QRect(8, 8, 8, 8));
    EXPECT_NE(image.Painter(), nullptr);
    EXPECT_EQ(image.PainterCount(), 1);
    image.StopDraw();
    EXPECT_EQ(image.PainterCount(), 0);
}

TEST_F(GIFPainterTest, AnExistingScreenBitmapOrASingleFrameDrawsWithoutAPainter)
{
    TGIFImage image;
    MakeAnimation(image, 8, 8, FourFrames());
    ASSERT_NE(image.GetBitmap(), nullptr);
    int events = 0;
    image.SetOnPaintStart([&](TGIFPainter *) { ++events; });
    QImage canvas = NewCanvas(8, 8);
    {
        QPainter painter(&canvas);
        image.Draw(painter, QRect(0, 0, 8, 8));
    }
    EXPECT_EQ(image.PainterCount(), 0);
    EXPECT_EQ(canvas.pixel(7, 7), qRgb(255, 0, 0));

    TGIFImage single;
    MakeAnimation(single, 8, 8, {{QRect(0, 0, 8, 8), 3}});
    single.SetOnPaintStart([&](TGIFPainter *) { ++events; });
    {
        QPainter painter(&canvas);
        single.Draw(painter, QRect(0, 0, 8, 8));
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 255));

    // A declared screen too large to buffer shows its first frame.
    TGIFImage huge;
    MakeAnimation(huge, 65535, 65535, FourFrames());
    huge.SetOnPaintStart([&](TGIFPainter *) { ++events; });
    {
        QPainter painter(&canvas);
        huge.Draw(painter, QRect(0, 0, 8, 8));
    }
    EXPECT_EQ(huge.PainterCount(), 0);
    EXPECT_EQ(events, 0);

    // So does one whose four screen-sized buffers would pass the budget.
    SetGIFPixelBudget(1 << 16);
    TGIFImage large;
    MakeAnimation(large, 200, 200, FourFrames());
    large.SetOnPaintStart([&](TGIFPainter *) { ++events; });
    {
        QPainter painter(&canvas);
        large.Draw(painter, QRect(0, 0, 8, 8));
    }
    SetGIFPixelBudget(MaxGIFPixels);
    EXPECT_EQ(large.PainterCount(), 0);
    EXPECT_EQ(events, 0);
}

TEST_F(GIFPainterTest, FailuresReachTheCallerOrTheWarningPath)
{
    TGIFImage image;
    MakeAnimation(image, 8, 8, FourFrames());
    image.SetOnFramePainted([](TGIFPainter *Sender) {
        if (Sender->ActiveImage() == 1)
            throw GIFException(QStringLiteral("broken frame"));
    });
    QStringList warnings;
    image.SetOnWarning([&](const void *, TGIFSeverity, const QString &Message) { warnings << Message; });
    QImage canvas = NewCanvas(8, 8);
    QPainter painter(&canvas);

    image.SetDrawOptions(AnimatedPaint | DirectPaint);
    EXPECT_THROW(image.Draw(painter, QRect(0, 0, 8, 8)), GIFException);
    EXPECT_EQ(image.PainterCount(), 0);
    EXPECT_TRUE(warnings.isEmpty());

    image.SetDrawOptions(AnimatedPaint | DirectPaint | AsyncPaint);
    image.Draw(painter, QRect(0, 0, 8, 8));
    RunUntilPaintersEnd(image);
    EXPECT_EQ(warnings, QStringList{QStringLiteral("broken frame")});
}

TEST_F(GIFPainterTest, QuitDuringASynchronousAnimationEndsItAndReachesTheMainLoop)
{
    for (bool useQuit : {false, true}) {
        SCOPED_TRACE(useQuit ? "quit" : "exit");
        TGIFImage image;
        MakeAnimation(image, 8, 8, FourFrames(), 0);
        image.SetDrawOptions(AnimatedPaint | LoopedPaint | LoopForeverPaint | DirectPaint);
        int painted = 0;
        image.SetOnFramePainted([&](TGIFPainter *) {
            if (++painted == 2)
                QMetaObject::invokeMethod(
                    qApp, [useQuit] { useQuit ? QCoreApplication::quit() : QCoreApplication::exit(7); },
                    Qt::QueuedConnection);
        });
        QImage canvas = NewCanvas(8, 8);
        bool returned = false;
        QTimer::singleShot(0, [&] {
            QPainter painter(&canvas);
            image.Draw(painter, QRect(0, 0, 8, 8));
            returned = true;
        });
        EXPECT_EQ(QCoreApplication::exec(), useQuit ? 0 : 7);
        EXPECT_TRUE(returned);
        EXPECT_EQ(painted, 2);
    }
}

TEST_F(GIFPainterTest, AnImageFreedByItsOwnHandlerLeavesThePainterHarmless)
{
    for (bool async : {false, true}) {
        auto *image = new TGIFImage;
        MakeAnimation(*image, 8, 8, FourFrames());
        image->SetDrawOptions(AnimatedPaint | DirectPaint | (async ? AsyncPaint : 0));
        int painted = 0;
        image->SetOnFramePainted([&](TGIFPainter *) {
            if (++painted == 2)
                delete image;
        });
        QImage canvas = NewCanvas(8, 8);
        QPainter painter(&canvas);
        image->Draw(painter, QRect(0, 0, 8, 8));
        const auto guard = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (async && std::chrono::steady_clock::now() < guard)
            CheckSynchronize(10);
        EXPECT_EQ(painted, 2);
    }
}

TEST_F(GIFPainterTest, AnImageFreedWhenItsBackBufferChangesLeavesThePainterHarmless)
{
    // Frames painted into the back buffer reach the picture's holder as
    // changes; a holder may free or clear the picture right there.
    for (bool async : {false, true})
        for (bool clear : {false, true}) {
            SCOPED_TRACE(std::string(async ? "async" : "sync") + (clear ? " clear" : " delete"));
            auto *image = new TGIFImage;
            MakeAnimation(*image, 8, 8, FourFrames());
            image->SetDrawOptions(AnimatedPaint | TransparentPaint | (async ? AsyncPaint : 0));
            int changes = 0;
            bool gone = false;
            image->OnChange = [&](TPersistent *) {
                if (gone || ++changes != 2)
                    return;
                gone = true;
                clear ? image->Clear() : delete image;
            };
            QImage canvas = NewCanvas(8, 8);
            {
                QPainter painter(&canvas);
                image->Draw(painter, QRect(0, 0, 8, 8));
            }
            const auto guard = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
            while (async && std::chrono::steady_clock::now() < guard)
                CheckSynchronize(10);
            EXPECT_TRUE(gone);
            if (clear)
                delete image;
        }
}
