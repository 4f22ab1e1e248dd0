#pragma once

// Plays a GIF animation onto a canvas: frames in order, each after its delay,
// with the frames' disposal methods and the looping extension, raising five
// paint events. Asynchronous painters wait on a thread of their own and do all
// drawing and every event on the main thread (Synchronize); synchronous ones
// run inside the caller's Draw and keep the event loop going while they wait.

#include "gif/GIFImage.h"
#include "platform/Threads.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <atomic>
#include <exception>
#include <memory>

class QPainter;
class QPaintDevice;

// Where a painter draws: the caller's canvas, or a bitmap (the image's back
// buffer), which it paints through TBitmap::Paint.
struct TGIFPaintTarget
{
    QPainter *Canvas = nullptr;
    TBitmap *Bitmap = nullptr;
};

// GIF delays are counted in 1/100 s; a unit lasts 12 ms here.
constexpr int DelayUnit = 12;
constexpr int DefaultDelay = 10;
constexpr int MinimumDelay = 3;
constexpr int MaximumDelay = 1000; // synchronous painters only

class TGIFPainter : public TGIFPaintEvents
{
public:
    TGIFPainter(TGIFImage *Image, TGIFDrawOptions Options, const QRect &Rect, const TGIFPaintTarget &Target);
    // Also records itself in PainterRef (the image's current painter), which
    // Done clears again.
    TGIFPainter(TGIFImage *Image, TGIFDrawOptions Options, const QRect &Rect, const TGIFPaintTarget &Target,
                TGIFPainter **PainterRef);
    // Synchronous painters run Done here; nothing is thrown.
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter &) = delete;
    TGIFPainter &operator=(const TGIFPainter &) = delete;

    // Asynchronous painters start their thread, which frees the painter when
    // it ends. Synchronous painters are run with Execute by their owner.
    void Start();
    // Any thread: ends the animation at the next step and cuts a wait short.
    void Stop();
    void Execute();

    bool Terminated() const { return FTerminated.load(); }
    bool Async() const { return FDrawOptions & AsyncPaint; }
    // The failure that ended the animation (a synchronous caller throws it).
    std::exception_ptr Failure() const { return FFailure; }

    // Main thread: forget the image; the painter then ends without touching it.
    void Detach();
    // Main thread: the painter is inside one of its own synchronised calls
    // (an event handler or a paint), so it cannot end before that returns.
    bool InSynchronizedCall() const { return FInSynchronizedCall; }

    TGIFImage *Image() const { return FImage; }
    const TGIFPaintTarget &Target() const { return FTarget; }
    QRect Rect() const { return FRect; }
    TGIFDrawOptions DrawOptions() const { return FDrawOptions; }
    int AnimationSpeed() const { return FAnimationSpeed; }
    int ActiveImage() const { return FActiveImage.load(); }
    // From an event handler: the frame to show next.
    void SetActiveImage(int Value) { FActiveImage.store(Value); }
    int Disposal() const { return FDisposal; }
    int PreviousDisposal() const { return FPreviousDisposal; }
    bool FramePainted() const { return FFramePainted.load(); }
    QColor BackgroundColor() const { return FBackgroundColor; }
    TThreadPriority Priority() const { return FPriority; }
    void SetPriority(TThreadPriority Value) { FPriority = Value; }

private:
    struct TFrameStep;

    void Run();
    void Animate();
    void Done();
    void FireEvent(const TGIFPainterEvent &Event);
    // Runs Method on the main thread while the painter is still attached and
    // running; false when it did not run.
    bool RunSynchronized(const std::function<void()> &Method);
    void WaitDelay(int Delay, int64_t &LastTime, int64_t &Overshoot);
    void PumpEvents();
    bool PaintStep();
    void PaintFrameDirect(TGIFSubImage *Frame);
    void PaintFrameBuffered(TGIFSubImage *Frame);
    void RestoreBackground(TGIFSubImage *Frame, QImage &Buffer);
    void DrawFrameInto(TGIFSubImage *Frame, QImage &Buffer);
    void CopyToTarget(const QImage &Buffer);
    void PaintTarget(const std::function<void(QPainter &)> &Painting);
    QImage GrabTarget() const;
    bool TargetValid() const;

    TGIFImage *FImage;
    TGIFPaintTarget FTarget;
    QRect FRect;
    TGIFDrawOptions FDrawOptions;
    int FAnimationSpeed;
    std::atomic<int> FActiveImage{-1};
    int FDisposal = 1;
    int FPreviousDisposal = 1;
    std::unique_ptr<QImage> FFrameBuffer;
    std::unique_ptr<QImage> FPreviousBuffer;
    std::unique_ptr<QImage> FBackgroundSnapshot;
    const QPaintDevice *FDevice = nullptr;
    std::atomic<bool> FFramePainted{false};
    TGIFPainter **FPainterRef = nullptr;
    std::unique_ptr<TEvent> FWakeEvent;
    std::exception_ptr FFailure;
    QColor FBackgroundColor;
    TThreadPriority FPriority = tpNormal;
    std::atomic<int64_t> FThreadId{0};
    std::atomic<bool> FTerminated{false};
    bool FDone = false;
    bool FInSynchronizedCall = false;
    // Loop state, written only inside synchronised paints.
    int FLoopCount = 1;
    int FLoopStart = 0;
    bool FLoopSeen = false;
    int FNextDelay = DefaultDelay;
};

// The rendering of a canvas under Rect, scaled to Size; a transparent image
// when the canvas cannot be read (it does not paint on an image or pixmap).
QImage GrabCanvas(QPainter &Canvas, const QRect &Rect, const QSize &Size);
