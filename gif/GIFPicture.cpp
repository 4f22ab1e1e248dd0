// The GIF image as a picture of the graphics layer: registration, drawing the
// first frame, conversion to a bitmap and the clipboard.
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScreen>

namespace {

const QString GIFMimeType = QStringLiteral("image/gif");

// The first sub-image with pixels (trailing extension holders have none).
TGIFSubImage *FirstFrame(const TGIFImage &Image)
{
    for (int i = 0; i < Image.Images()->Count(); ++i)
        if (!Image.Images()->SubImages(i)->Empty())
            return Image.Images()->SubImages(i);
    return nullptr;
}

bool PaletteDisplayFlag = false;
bool AutoDitherActiveFlag = false;

} // namespace

bool GIFPaletteDisplay()
{
    return PaletteDisplayFlag;
}

bool GIFAutoDitherActive()
{
    return AutoDitherActiveFlag;
}

void SetGIFAutoDitherActive(bool Value)
{
    AutoDitherActiveFlag = Value;
}

std::unique_ptr<TGraphic> TGIFImage::NewInstance() const
{
    return std::make_unique<TGIFImage>();
}

bool TGIFImage::Empty() const
{
    return FirstFrame(*this) == nullptr;
}

void TGIFImage::AssignTo(TPersistent *Dest) const
{
    auto *bitmap = dynamic_cast<TBitmap *>(Dest);
    if (!bitmap) {
        TGraphic::AssignTo(Dest);
        return;
    }
    // The whole-screen bitmap is a cache: building it does not change the picture.
    bitmap->Assign(const_cast<TGIFImage *>(this)->GetBitmap());
}

void TGIFImage::SetWidth(int Value)
{
    for (int i = 0; i < FImages->Count(); ++i) {
        const TGIFSubImage *frame = FImages->SubImages(i);
        if (frame->Left() + frame->Width() > Value)
            RaiseGIFError(QStringLiteral("Image width too small for contained frames"));
    }
    if (Value > 0xFFFF)
        RaiseGIFError(QStringLiteral("Range check error"));
    if (Value == Width())
        return;
    FHeader->SetScreenWidth(uint16_t(Value));
    FreeBitmap();
    Changed(this);
}

void TGIFImage::SetHeight(int Value)
{
    for (int i = 0; i < FImages->Count(); ++i) {
        const TGIFSubImage *frame = FImages->SubImages(i);
        if (frame->Top() + frame->Height() > Value)
            RaiseGIFError(QStringLiteral("Image height too small for contained frames"));
    }
    if (Value > 0xFFFF)
        RaiseGIFError(QStringLiteral("Range check error"));
    if (Value == Height())
        return;
    FHeader->SetScreenHeight(uint16_t(Value));
    FreeBitmap();
    Changed(this);
}

TPalette TGIFImage::Palette() const
{
    // A tableless image asks its first frame, which asks the image again.
    if (FResolvingPalette)
        RaiseGIFError(QStringLiteral("No global or local color table defined"));
    FResolvingPalette = true;
    struct Reset
    {
        bool &Flag;
        ~Reset() { Flag = false; }
    } reset{FResolvingPalette};

    if (FBitmap && !FBitmap->Palette().Entries().empty())
        return FBitmap->Palette();
    if (!FGlobalPalette.Entries().empty())
        return FGlobalPalette;
    if (DoDither()) {
        FGlobalPalette = CreateWebSafePalette();
        return FGlobalPalette;
    }
    if (FHeader->ColorMap()->Count() > 0) {
        FGlobalPalette = FHeader->ColorMap()->ExportPalette();
        return FGlobalPalette;
    }
    if (FImages->Count() > 0)
        return FImages->SubImages(0)->GetPalette();
    return TPalette();
}

void TGIFImage::SetPalette(const TPalette &Value)
{
    if (Value == FGlobalPalette)
        return;
    FGlobalPalette = Value;
    if (FBitmap && !(FBitmap->Palette() == Value)) {
        FreeBitmap();
        SetPaletteModified(true);
        Changed(this);
    }
}

TColor TGIFImage::BackgroundColor()
{
    return FHeader->BackgroundColor();
}

bool TGIFImage::DoDither() const
{
    return (FDrawOptions & DitheredPaint) && (!(FDrawOptions & AutoDither) || GIFAutoDitherActive());
}

TBitmap *TGIFImage::GetBitmap()
{
    if (FImages->Count() == 0)
        return nullptr;
    if (FBitmap)
        return FBitmap.get();
    TGIFSubImage *first = FImages->SubImages(0);
    const int frames = StillFrameCount();
    auto bitmap = std::make_unique<TBitmap>();
    if (frames == 1 && first->Width() == Width() && first->Height() == Height()) {
        if (TBitmap *rendering = first->GetBitmap())
            bitmap->Assign(rendering);
    } else {
        // The screen may be declared far larger than its frames.
        if (qint64(Width()) * Height() > GIFPixelBudget())
            RaiseGIFError(QStringLiteral("Image is too large"));
        bitmap->SetSize(std::max(1, Width()), std::max(1, Height()));
        // A picture without any colour table has no palette to give (it draws black).
        if (DoDither() || FHeader->ColorMap()->Count() > 0 || first->ColorMap()->Count() > 0)
            bitmap->SetPalette(Palette());
        bitmap->Paint([&](QPainter &canvas) {
            canvas.fillRect(QRect(0, 0, bitmap->Width(), bitmap->Height()), Qt::white);
            for (int i = 0; i < frames; ++i)
                FImages->SubImages(i)->Draw(canvas, QRect(0, 0, Width(), Height()), i > 0, false);
        });
    }
    bitmap->OnChange = [this](TPersistent *) { Changed(this); };
    FBitmap = std::move(bitmap);
    return FBitmap.get();
}

void TGIFImage::FreeBitmap()
{
    StopPainter();
    FBitmap.reset();
}

void RegisterGIFFormat()
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        if (QScreen *screen = app->primaryScreen())
            PaletteDisplayFlag = screen->depth() < 9;
    AutoDitherActiveFlag = PaletteDisplayFlag;
    auto factory = [] { return std::make_unique<TGIFImage>(); };
    TPicture::RegisterFileFormat(QStringLiteral("GIF"), QStringLiteral("GIF Image"), factory);
    TPicture::RegisterClipboardFormat(GIFMimeType, QStringLiteral("GIF Image"), factory);
}

void UnregisterGIFFormat()
{
    TPicture::UnregisterFileFormat(QStringLiteral("GIF"));
    TPicture::UnregisterClipboardFormat(GIFMimeType);
}
