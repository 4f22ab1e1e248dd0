#include "gif/GIFPainter.h"

#include "gif/GIFExtensions.h"
#include "gif/GIFSubImage.h"
#include "platform/Rounding.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <thread>

namespace {

QColor ToQColor(TColor Color)
{
    const TColorTriple t = ColorToTriple(Color);
    return QColor(t.Red, t.Green, t.Blue);
}

QString FailureMessage(const std::exception_ptr &Failure)
{
    try {
        std::rethrow_exception(Failure);
    } catch (const Exception &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

// A painted frame's own disposal: methods 4 to 7 are undefined and act as 1.
int FrameDisposal(TGIFSubImage *Frame)
{
    const TGIFGraphicControlExtension *gce = Frame->GraphicControlExtension();
    const int disposal = gce ? gce->Disposal() : 1;
    return disposal > 3 ? 1 : disposal;
}

// Null above the pixel budget: a declared screen of 65535 x 65535 must not
// make us allocate gigabytes.
QImage NewBuffer(const QSize &Size)
{
    if (Size.isEmpty() || qint64(Size.width()) * Size.height() > MaxGIFPixels)
        return QImage();
    QImage image(Size, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull())
        image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage GrabCanvas(QPainter &Canvas, const QRect &Rect, const QSize &Size)
{
    const QPaintDevice *device = Canvas.device();
    QImage source;
    if (device && device->devType() == QInternal::Image)
        source = *static_cast<const QImage *>(device);
    else if (device && device->devType() == QInternal::Pixmap)
        source = static_cast<const QPixmap *>(device)->toImage();
    if (source.isNull() || Size.isEmpty() || qint64(Size.width()) * Size.height() > MaxGIFPixels)
        return NewBuffer(Size);
    // A deep copy: the canvas goes on painting into the image's own pixels.
    const QRect area = Canvas.deviceTransform().mapRect(Rect);
    if (qint64(area.width()) * area.height() > MaxGIFPixels)
        return NewBuffer(Size);
    QImage part = source.copy(area).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (part.size() != Size)
        part = part.scaled(Size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return part.isNull() ? NewBuffer(Size) : part;
}

TGIFPainter::TGIFPainter(TGIFImage *Image, TGIFDrawOptions Options, const QRect &Rect,
                         const TGIFPaintTarget &Target)
    : FImage(Image), FTarget(Target), FRect(Rect), FDrawOptions(Options),
      FAnimationSpeed(Image->AnimationSpeed())
{
    FPriority = Image->ThreadPriority();
    if (Image->PaintBackgroundColor() != clNone)
        FBackgroundColor = ToQColor(Image->PaintBackgroundColor());
    else if (Image->Header()->ColorMap()->Count() == 0)
        FBackgroundColor =
            QGuiApplication::instance() ? QGuiApplication::palette().color(QPalette::Base) : Qt::white;
    else
        FBackgroundColor = ToQColor(Image->BackgroundColor());

    TGIFImageList *frames = Image->Images();
    if ((Options & AsyncPaint) && (Options & AnimatedPaint) && frames->Count() > 1 && FAnimationSpeed >= 0)
        FWakeEvent = std::make_unique<TEvent>();

    bool restoreBackground = Options & ClearOnLoopPaint;
    bool restorePrevious = false;
    for (int i = 0; i < frames->Count(); ++i) {
        const int disposal = FrameDisposal(frames->SubImages(i));
        restoreBackground |= disposal == 2;
        restorePrevious |= disposal == 3;
    }
    if (qint64(FRect.width()) * FRect.height() > MaxGIFPixels)
        restoreBackground = restorePrevious = false; // drawn straight onto the target instead
    if (restoreBackground && (Options & TransparentPaint)) {
        FBackgroundSnapshot = std::make_unique<QImage>(GrabTarget());
        if (FBackgroundSnapshot->isNull())
            FBackgroundSnapshot.reset();
    }
    if (restoreBackground || restorePrevious) {
        FFrameBuffer = std::make_unique<QImage>(GrabTarget());
        FPreviousBuffer = std::make_unique<QImage>(NewBuffer(FRect.size()));
        // Too large to buffer: frames are then drawn straight onto the target.
        if (FFrameBuffer->isNull() || FPreviousBuffer->isNull()) {
            FFrameBuffer.reset();
            FPreviousBuffer.reset();
        }
    }
}

TGIFPainter::TGIFPainter(TGIFImage *Image, TGIFDrawOptions Options, const QRect &Rect,
                         const TGIFPaintTarget &Target, TGIFPainter **PainterRef)
    : TGIFPainter(Image, Options, Rect, Target)
{
    FPainterRef = PainterRef;
    std::lock_guard lock(Image->FPainters.Lock);
    *FPainterRef = this;
}

TGIFPainter::~TGIFPainter()
{
    // An asynchronous painter has run Done on the main thread before it ends.
    try {
        Done();
    } catch (...) {
    }
}

void TGIFPainter::Start()
{
    if (!Async())
        return;
    std::thread([this] { Run(); }).detach();
}

void TGIFPainter::Run()
{
    FThreadId.store(CurrentThreadId());
    SetThreadPriority(FThreadId.load(), FPriority);
    Execute();
    try {
        Synchronize([this] { Done(); });
    } catch (...) {
    }
    delete this;
}

void TGIFPainter::Stop()
{
    FTerminated.store(true);
    if (!Async())
        return;
    if (FWakeEvent)
        FWakeEvent->Set();
    // A low-priority painter should end soon. Its thread lives until Done has
    // run, and Stop is only called on painters that have not done so.
    if (const int64_t thread = FThreadId.load(); thread != 0 && FPriority < tpNormal)
        SetThreadPriority(thread, tpNormal);
}

void TGIFPainter::Detach()
{
    FImage = nullptr;
    FPainterRef = nullptr;
    Stop();
}

void TGIFPainter::Done()
{
    if (FDone)
        return;
    FDone = true;
    if (FImage) {
        FImage->PainterDone(this, FPainterRef);
        // Nothing may be thrown from a thread's end: the image hears of it.
        if (FFailure && Async())
            FImage->Warning(this, gsWarning, FailureMessage(FFailure));
    } else if (FFailure && Async()) {
        qWarning("GIF animation failed: %s", qUtf8Printable(FailureMessage(FFailure)));
    }
    FImage = nullptr;
    FPainterRef = nullptr;
    FFrameBuffer.reset();
    FPreviousBuffer.reset();
    FBackgroundSnapshot.reset();
}

void TGIFPainter::Execute()
{
    try {
        Animate();
    } catch (...) {
        FFailure = std::current_exception();
        FTerminated.store(true);
    }
}

bool TGIFPainter::RunSynchronized(const std::function<void()> &Method)
{
    if (Terminated())
        return false;
    bool ran = false;
    const auto call = [&] {
        if (Terminated())
            return;
        if (!FImage) {
            FTerminated.store(true);
            return;
        }
        const bool outer = FInSynchronizedCall;
        FInSynchronizedCall = true;
        try {
            Method();
        } catch (...) {
            FInSynchronizedCall = outer;
            throw;
        }
        FInSynchronizedCall = outer;
        ran = true;
    };
    if (Async())
        Synchronize(call, [this] { return Terminated(); });
    else
        call();
    return ran;
}

void TGIFPainter::FireEvent(const TGIFPainterEvent &Event)
{
    if (Event)
        RunSynchronized([&] { Event(this); });
}

void TGIFPainter::Animate()
{
    const bool async = Async();
    const bool animated = FDrawOptions & AnimatedPaint;
    RunSynchronized([this] {
        if ((FDrawOptions & ValidatedPaint) && FTarget.Canvas)
            FDevice = FTarget.Canvas->device();
    });
    FActiveImage.store(0);
    FireEvent(FOnPaintStart);
    int delay = async ? 0 : 1;
    FPreviousDisposal = 1;
    int64_t lastTime = Clock().Milliseconds();
    int64_t overshoot = 0;
    bool again = true;
    while (again) {
        FActiveImage.store(FLoopStart);
        if (FFramePainted.load())
            FireEvent(FOnLoop);
        bool paintedThisPass = false;
        while (!Terminated()) {
            // Empty frames are skipped; past the last frame the pass ends.
            enum { End, Skip, Paint } next = End;
            if (!RunSynchronized([&] {
                    const int index = FActiveImage.load();
                    TGIFImageList *frames = FImage->Images();
                    if (index >= 0 && index < frames->Count())
                        next = frames->SubImages(index)->Empty() ? Skip : Paint;
                }))
                break;
            if (next == End)
                break;
            if (next == Skip) {
                FActiveImage.fetch_add(1);
                continue;
            }
            WaitDelay(delay, lastTime, overshoot);
            if (Terminated())
                break;
            FireEvent(FOnFramePaint);
            bool painted = false;
            if (!RunSynchronized([&] { painted = PaintStep(); }) || !painted)
                break;
            paintedThisPass = true;
            delay = FNextDelay;
            const int shown = FActiveImage.load();
            FireEvent(FOnFramePainted);
            int expected = shown;
            FActiveImage.compare_exchange_strong(expected, shown + 1);
            if (!animated)
                break;
        }
        if (FLoopCount > 0)
            --FLoopCount;
        // A pass that showed nothing would spin for ever.
        again = paintedThisPass && animated && (FDrawOptions & LoopedPaint)
                && (FLoopCount != 0 || (FDrawOptions & LoopForeverPaint)) && !Terminated();
    }
    FActiveImage.store(-1);
    FireEvent(FOnPaintEnd);
}

void TGIFPainter::WaitDelay(int Delay, int64_t &LastTime, int64_t &Overshoot)
{
    TClock &clock = Clock();
    if (Delay <= 0) {
        clock.Sleep(0);
        return;
    }
    const bool async = Async();
    const int64_t now = clock.Milliseconds();
    int64_t wait;
    bool endless = false;
    if (FAnimationSpeed > 0) {
        const int64_t elapsed = now - LastTime - Overshoot;
        wait = MulDivRoundHalfEven(int64_t(Delay) * DelayUnit - elapsed / 2, 100, FAnimationSpeed);
        Overshoot = wait;
    } else if (async) {
        wait = -1;
        endless = true;
    } else {
        wait = int64_t(MaximumDelay) * DelayUnit;
    }
    LastTime = now;

    if (async) {
        if (!FWakeEvent || (wait <= 0 && FAnimationSpeed != 0))
            return;
        bool woken = false;
        if (endless) {
            // Waits until stopped, looking at the flag at least once a second.
            while (!Terminated() && !woken)
                woken = clock.WaitFor(*FWakeEvent, -1);
        } else {
            woken = clock.WaitFor(*FWakeEvent, wait);
        }
        if (woken) {
            Overshoot = 0;
            LastTime = clock.Milliseconds();
        }
        return;
    }

    wait = std::max<int64_t>(wait, 1);
    while (wait > 0 && !Terminated()) {
        const int64_t before = clock.Milliseconds();
        clock.Sleep(std::min<int64_t>(wait, 100));
        PumpEvents();
        wait -= std::max<int64_t>(clock.Milliseconds() - before, 1);
    }
}

void TGIFPainter::PumpEvents()
{
    if (!QCoreApplication::instance())
        return;
    // A nested loop that runs what is queued now. When the application is
    // asked to quit meanwhile, every running loop (the main one too) has been
    // told to exit: the animation ends and the request stays for the main loop.
    QEventLoop loop;
    bool sliceDone = false;
    QTimer::singleShot(0, &loop, [&] {
        if (loop.isRunning()) {
            sliceDone = true;
            loop.quit();
        }
    });
    loop.exec();
    if (!sliceDone)
        Stop();
}

bool TGIFPainter::PaintStep()
{
    const int index = FActiveImage.load();
    TGIFImageList *frames = FImage->Images();
    if (index < 0 || index >= frames->Count())
        return false;
    TGIFSubImage *frame = frames->SubImages(index);
    if (frame->Empty())
        return false;
    TGIFExtensionList *extensions = frame->Extensions();
    for (int i = 0; i < extensions->Count() && !FLoopSeen; ++i)
        if (auto *loop = dynamic_cast<TGIFAppExtNSLoop *>(extensions->Extensions(i))) {
            FLoopSeen = true;
            const bool endless = loop->Loops() == 0 || (FDrawOptions & LoopForeverPaint);
            FLoopCount = endless && Async() ? -1 : loop->Loops();
            FLoopStart = index;
        }
    FDisposal = FrameDisposal(frame);
    const TGIFGraphicControlExtension *gce = frame->GraphicControlExtension();
    int delay = gce && gce->Delay() != 0 ? gce->Delay() : DefaultDelay;
    delay = std::max(delay, MinimumDelay);
    if (!Async())
        delay = std::min(delay, MaximumDelay);
    FNextDelay = delay;

    if ((FDrawOptions & ValidatedPaint) && !TargetValid()) {
        Stop();
        return false;
    }
    // Rendered here, on the main thread, never on the painter's own thread.
    // The image hears of changes from here on, and its handlers may stop us
    // and free the frame: it is not touched once that happened.
    frame->GetBitmap();
    if (Terminated())
        return false;
    if (FFrameBuffer)
        PaintFrameBuffered(frame);
    else
        PaintFrameDirect(frame);
    FPreviousDisposal = FDisposal;
    return true;
}

bool TGIFPainter::TargetValid() const
{
    if (!FTarget.Canvas)
        return FTarget.Bitmap != nullptr;
    return FTarget.Canvas->isActive() && FTarget.Canvas->device() == FDevice;
}

QImage TGIFPainter::GrabTarget() const
{
    if (FTarget.Bitmap) {
        QImage image =
            FTarget.Bitmap->ToImage().convertToFormat(QImage::Format_ARGB32_Premultiplied).copy(FRect);
        return image.isNull() ? NewBuffer(FRect.size()) : image;
    }
    if (FTarget.Canvas)
        return GrabCanvas(*FTarget.Canvas, FRect, FRect.size());
    return NewBuffer(FRect.size());
}

void TGIFPainter::PaintTarget(const std::function<void(QPainter &)> &Painting)
{
    if (FTarget.Bitmap) {
        FTarget.Bitmap->Paint(Painting);
    } else if (FTarget.Canvas) {
        FTarget.Canvas->save();
        Painting(*FTarget.Canvas);
        FTarget.Canvas->restore();
    }
}

void TGIFPainter::PaintFrameDirect(TGIFSubImage *Frame)
{
    PaintTarget([&](QPainter &canvas) {
        Frame->Draw(canvas, FRect, FDrawOptions & TransparentPaint, FDrawOptions & TiledPaint);
    });
    FFramePainted.store(true);
}

void TGIFPainter::DrawFrameInto(TGIFSubImage *Frame, QImage &Buffer)
{
    QPainter canvas(&Buffer);
    Frame->Draw(canvas, QRect(QPoint(0, 0), Buffer.size()), FDrawOptions & TransparentPaint,
                FDrawOptions & TiledPaint);
}

void TGIFPainter::CopyToTarget(const QImage &Buffer)
{
    PaintTarget([&](QPainter &canvas) {
        canvas.setCompositionMode(QPainter::CompositionMode_Source);
        canvas.drawImage(FRect.topLeft(), Buffer);
    });
}

void TGIFPainter::PaintFrameBuffered(TGIFSubImage *Frame)
{
    QImage &buffer = *FFrameBuffer;
    if ((FDrawOptions & ClearOnLoopPaint) && FActiveImage.load() == 0) {
        if ((FDrawOptions & TransparentPaint) && FBackgroundSnapshot)
            buffer = FBackgroundSnapshot->copy();
        else
            buffer.fill(FBackgroundColor);
    }
    // Restoring is done in the buffer, so the target only ever receives whole
    // composed frames.
    switch (FDisposal) {
    case 3:
        *FPreviousBuffer = buffer;
        DrawFrameInto(Frame, buffer);
        CopyToTarget(buffer);
        buffer = *FPreviousBuffer;
        break;
    case 2: {
        DrawFrameInto(Frame, buffer);
        CopyToTarget(buffer);
        // The handlers of the target's change may have stopped us and freed the frame.
        if (!Terminated())
            RestoreBackground(Frame, buffer);
        break;
    }
    default:
        DrawFrameInto(Frame, buffer);
        CopyToTarget(buffer);
        break;
    }
    FFramePainted.store(true);
}

void TGIFPainter::RestoreBackground(TGIFSubImage *Frame, QImage &Buffer)
{
    const QRect whole(QPoint(0, 0), Buffer.size());
    std::vector<QRect> areas;
    if (FDrawOptions & TiledPaint) {
        const int stepX = std::max(1, FImage->Width());
        const int stepY = std::max(1, FImage->Height());
        for (int y = Frame->Top(); y < whole.height(); y += stepY)
            for (int x = Frame->Left(); x < whole.width(); x += stepX)
                areas.emplace_back(x, y, Frame->Width(), Frame->Height());
    } else {
        areas.push_back(Frame->ScaleRect(whole));
    }
    QPainter canvas(&Buffer);
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect &area : areas) {
        if ((FDrawOptions & TransparentPaint) && FBackgroundSnapshot)
            canvas.drawImage(area.topLeft(), *FBackgroundSnapshot, area);
        else
            canvas.fillRect(area, FBackgroundColor);
    }
}
