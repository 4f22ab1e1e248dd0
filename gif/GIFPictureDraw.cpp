// Drawing a GIF image: the first frame, the whole-screen bitmap, or an
// animation through painters.
#include "gif/GIFExtensions.h"
#include "gif/GIFImage.h"
#include "gif/GIFPainter.h"
#include "gif/GIFSubImage.h"

#include <QPainter>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// How long the main thread waits for painters before it lets them go on
// alone: they normally end within one synchronised call.
constexpr auto StopTimeout = std::chrono::seconds(5);
// How long Draw waits for an asynchronous painter's first frame.
constexpr auto FirstFrameTimeout = std::chrono::seconds(2);

// Lets painters that wait for the main thread go on.
void LetPaintersRun()
{
    if (IsMainThread()) {
        if (!CheckSynchronize(10))
            std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

TGIFPainterList::~TGIFPainterList()
{
    *Alive = false;
    std::lock_guard lock(Lock);
    for (TGIFPainter *painter : Items)
        painter->Detach();
    Items.clear();
}

void TGIFImage::Draw(QPainter &Canvas, const QRect &Rect)
{
    if (FDrawing || FImages->Count() == 0)
        return;
    FDrawing = true;
    // Event handlers run inside an animation may free the image.
    const std::shared_ptr<bool> alive = FPainters.Alive;
    struct DrawingGuard
    {
        TGIFImage *Image;
        std::shared_ptr<bool> Alive;
        ~DrawingGuard()
        {
            if (*Alive)
                Image->FDrawing = false;
        }
    } guard{this, alive};

    const bool onBuffer = !(FDrawOptions & DirectPaint);
    // A screen too large for a back buffer shows its first frame. The back
    // buffer and the painter's three buffers are all of the screen's size and
    // share one picture's budget: a few header bytes must not cost gigabytes.
    const bool tooLarge = onBuffer && !FBitmap && qint64(Width()) * Height() > GIFPixelBudget() / 4;
    if (FImages->Count() == 1 || !(FDrawOptions & AnimatedPaint) || tooLarge) {
        DrawStill(Canvas, Rect);
        return;
    }
    if (FBitmap && !(FDrawOptions & DirectPaint)) {
        DrawBuffer(Canvas, Rect, *GetBitmap());
        return;
    }
    {
        std::lock_guard lock(FPainters.Lock);
        if (FPainter && !FPainter->Terminated() && FPainter->Target().Canvas == &Canvas
            && FPainter->Rect() == Rect)
            return; // it goes on animating there
    }
    StopPainter();
    if (!*alive)
        return;

    TGIFPaintTarget target;
    QRect paintRect = Rect;
    if (onBuffer) {
        if (!FBitmap) {
            // A true-colour back buffer that starts with what the canvas shows
            // under Rect, or transparent when the canvas cannot be read.
            const QSize size(std::max(1, Width()), std::max(1, Height()));
            auto buffer = std::make_unique<TBitmap>();
            buffer->FromImage(GrabCanvas(Canvas, Rect, size).convertToFormat(QImage::Format_ARGB32));
            buffer->OnChange = [this](TPersistent *) { Changed(this); };
            FBitmap = std::move(buffer);
        }
        target.Bitmap = FBitmap.get();
        paintRect = QRect(0, 0, FBitmap->Width(), FBitmap->Height());
    } else {
        target.Canvas = &Canvas;
    }
    CreatePainter(FDrawOptions, paintRect, target);
    if (!*alive || !onBuffer)
        return;

    // Not under the painters' lock: the painter's end needs it.
    const auto deadline = std::chrono::steady_clock::now() + FirstFrameTimeout;
    while (FPainter && FPainter->Async() && !FPainter->Terminated() && !FPainter->FramePainted()
           && std::chrono::steady_clock::now() < deadline) {
        LetPaintersRun();
        if (!*alive)
            return;
    }
    if (TBitmap *bitmap = GetBitmap())
        DrawBuffer(Canvas, Rect, *bitmap);
}

void TGIFImage::DrawStill(QPainter &Canvas, const QRect &Rect)
{
    // The frames after the first are drawn over it: their transparent pixels show it.
    for (int i = 0, n = StillFrameCount(); i < n; ++i)
        FImages->SubImages(i)->Draw(Canvas, Rect, i > 0 || (FDrawOptions & TransparentPaint),
                                    FDrawOptions & TiledPaint);
}

int TGIFImage::StillFrameCount() const
{
    // What a viewer shows before the animation moves: frames without a delay are
    // on screen for no time, so the first one held is drawn over all before it.
    const int count = FImages->Count();
    for (int i = 0; i < count; ++i) {
        const TGIFGraphicControlExtension *control = FImages->SubImages(i)->GraphicControlExtension();
        if (control && control->Delay() > 0)
            return i + 1;
    }
    return count;
}

void TGIFImage::DrawBuffer(QPainter &Canvas, const QRect &Rect, TBitmap &Bitmap)
{
    if (!(FDrawOptions & TiledPaint)) {
        Bitmap.Draw(Canvas, Rect);
        return;
    }
    const QImage image = Bitmap.ToImage();
    const int stepX = std::max(1, Width());
    const int stepY = std::max(1, Height());
    Canvas.save();
    Canvas.setClipRect(Rect, Qt::IntersectClip);
    for (int y = Rect.top(); y <= Rect.bottom(); y += stepY)
        for (int x = Rect.left(); x <= Rect.right(); x += stepX)
            Canvas.drawImage(QPoint(x, y), image);
    Canvas.restore();
}

TGIFPainter *TGIFImage::CreatePainter(TGIFDrawOptions Options, const QRect &Rect,
                                      const TGIFPaintTarget &Target)
{
    if (Empty() || Rect.width() <= 0 || Rect.height() <= 0)
        return nullptr;
    if (FImages->Count() == 1)
        Options &= TGIFDrawOptions(~(AsyncPaint | AnimatedPaint));
    auto *painter = new TGIFPainter(this, Options, Rect, Target, &FPainter);
    {
        std::lock_guard lock(FPainters.Lock);
        FPainters.Items.push_back(painter);
    }
    painter->SetPriority(FThreadPriority);
    painter->AssignPaintEvents(*this);
    if (!(Options & AsyncPaint)) {
        // The whole animation, here; the image may be gone when it returns,
        // and then the painter no longer knows it.
        std::unique_ptr<TGIFPainter> owned(painter);
        painter->Execute();
        const std::exception_ptr failure = painter->Failure();
        owned.reset();
        if (failure)
            std::rethrow_exception(failure);
        return nullptr;
    }
    try {
        painter->Start();
    } catch (...) {
        delete painter;
        throw;
    }
    return painter;
}

void TGIFImage::PainterDone(TGIFPainter *Painter, TGIFPainter **PainterRef)
{
    std::lock_guard lock(FPainters.Lock);
    if (PainterRef && *PainterRef == Painter)
        *PainterRef = nullptr;
    auto &items = FPainters.Items;
    items.erase(std::remove(items.begin(), items.end(), Painter), items.end());
}

void TGIFImage::DetachPainter(TGIFPainter *Painter)
{
    // The caller holds the lock.
    if (FPainter == Painter)
        FPainter = nullptr;
    auto &items = FPainters.Items;
    items.erase(std::remove(items.begin(), items.end(), Painter), items.end());
    Painter->Detach();
}

int TGIFImage::PainterCount()
{
    std::lock_guard lock(FPainters.Lock);
    return int(FPainters.Items.size());
}

void TGIFImage::StopDraw()
{
    const auto deadline = std::chrono::steady_clock::now() + StopTimeout;
    for (;;) {
        int running = 0;
        {
            std::lock_guard lock(FPainters.Lock);
            const bool main = IsMainThread();
            const bool late = std::chrono::steady_clock::now() >= deadline;
            for (int i = int(FPainters.Items.size()) - 1; i >= 0; --i) {
                TGIFPainter *painter = FPainters.Items[size_t(i)];
                painter->Stop();
                if (!painter->Async())
                    continue;
                // Called from the painter's own event handler, or it does not
                // end: it ends later, without the image.
                if (main && (painter->InSynchronizedCall() || late))
                    DetachPainter(painter);
                else
                    ++running;
            }
        }
        if (running == 0) {
            FBitmap.reset();
            return;
        }
        LetPaintersRun();
    }
}

void TGIFImage::StopPainter()
{
    const auto deadline = std::chrono::steady_clock::now() + StopTimeout;
    for (;;) {
        {
            std::lock_guard lock(FPainters.Lock);
            if (!FPainter)
                return;
            FPainter->Stop();
            if (!FPainter->Async())
                return;
            if (IsMainThread()
                && (FPainter->InSynchronizedCall() || std::chrono::steady_clock::now() >= deadline)) {
                DetachPainter(FPainter);
                return;
            }
        }
        LetPaintersRun();
    }
}
