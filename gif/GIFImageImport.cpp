// Building a GIF image from other pictures: adding frames, copying another
// GIF image, and the clipboard.
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include "platform/Rounding.h"

#include <QBuffer>
#include <QMimeData>

namespace {

const QString GIFClipboardType = QStringLiteral("image/gif");
const QString CopyingMessage = QStringLiteral("Copying...");

[[noreturn]] void RaiseNotSupported()
{
    RaiseGIFError(QStringLiteral("Object type not supported for operation"));
}

// A new sub-image converted from Source and added. A failed conversion leaves
// the logical screen as it was (the sub-image grew it while it was filled).
int AddConverted(TGIFImage &Image, const TPersistent *Source)
{
    const uint16_t width = Image.Header()->ScreenWidth();
    const uint16_t height = Image.Header()->ScreenHeight();
    auto sub = std::make_unique<TGIFSubImage>(&Image);
    try {
        sub->Assign(Source);
    } catch (...) {
        sub.reset();
        Image.Header()->SetScreenWidth(width);
        Image.Header()->SetScreenHeight(height);
        throw;
    }
    return Image.Add(std::move(sub));
}

} // namespace

int TGIFImage::Add(const TPersistent *Source)
{
    if (!dynamic_cast<const TGraphic *>(Source))
        RaiseNotSupported();
    return AddConverted(*this, Source);
}

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> Source)
{
    // A sub-image of another image reads that image's settings and screen.
    if (!Source || Source->Image() != this)
        RaiseNotSupported();
    const int index = FImages->Add(Source.release());
    FreeBitmap();
    Changed(this);
    return index;
}

void TGIFImage::Assign(const TPersistent *Source)
{
    if (Source == this)
        return;
    if (!Source) {
        Clear();
        Changed(this);
        return;
    }
    const auto *gif = dynamic_cast<const TGIFImage *>(Source);
    if (!gif) {
        Clear();
        AddConverted(*this, Source);
        return;
    }

    Clear();
    // The source's handlers hear about the copy, and only about the copy.
    OnProgress = gif->OnProgress;
    FOnWarning = gif->FOnWarning;
    auto report = [this](TProgressStage Stage, int Percent) {
        Progress(this, Stage, Percent, Stage == TProgressStage::Ending && PaletteModified(), QRect(),
                 CopyingMessage);
    };
    report(TProgressStage::Starting, 0);
    try {
        FHeader->Assign(*gif->FHeader);
        FThreadPriority = gif->FThreadPriority;
        FPaintBackgroundColor = gif->FPaintBackgroundColor;
        FDrawOptions = gif->FDrawOptions;
        FColorReduction = gif->FColorReduction;
        FDitherMode = gif->FDitherMode;
        AssignPaintEvents(*gif);
        const int count = gif->FImages->Count();
        for (int i = 0; i < count; ++i) {
            auto sub = std::make_unique<TGIFSubImage>(this);
            sub->Assign(gif->FImages->SubImages(i));
            Add(std::move(sub));
            report(TProgressStage::Running, int(MulDivRoundHalfEven(i + 1, 100, count)));
        }
    } catch (...) {
        // Half a copy is no picture.
        Clear();
        report(TProgressStage::Ending, 0);
        OnProgress = nullptr;
        FOnWarning = nullptr;
        throw;
    }
    report(TProgressStage::Ending, 100);
    OnProgress = nullptr;
    FOnWarning = nullptr;
}

void TGIFImage::LoadFromClipboardFormat(const QString &Format, const QMimeData &Data)
{
    if (Format == GIFClipboardType) {
        if (!Data.hasFormat(GIFClipboardType))
            TGraphic::LoadFromClipboardFormat(Format, Data);
        QByteArray bytes = Data.data(GIFClipboardType);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        LoadFromStream(buffer);
        return;
    }
    // The bitmap formats; the bitmap refuses any other.
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(Format, Data);
    Assign(&bitmap);
}

void TGIFImage::SaveToClipboardFormat(QMimeData &Data)
{
    if (Empty())
        return;
    if (TBitmap *bitmap = GetBitmap())
        bitmap->SaveToClipboardFormat(Data);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    Data.setData(GIFClipboardType, bytes);
}
