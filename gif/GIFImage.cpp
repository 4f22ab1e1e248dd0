#include "gif/GIFImage.h"
#include "platform/AtomicSave.h"
#include "platform/RegularFile.h"
#include "platform/Rounding.h"

#include "gif/GIFExtensions.h"
#include "gif/GIFSubImage.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>

void RaiseGIFError(const QString &Message)
{
    throw GIFException(Message);
}

void ReadExact(QIODevice &Stream, void *Buffer, qint64 Size)
{
    auto *out = static_cast<char *>(Buffer);
    qint64 done = 0;
    while (done < Size) {
        const qint64 n = Stream.read(out + done, Size - done);
        if (n <= 0)
            break;
        done += n;
    }
    if (done < Size)
        RaiseGIFError(QStringLiteral("Premature end of data"));
}

bool ReadByteChecked(QIODevice &Stream, uint8_t &Value)
{
    char c;
    if (!Stream.getChar(&c)) {
        Value = 0;
        return false;
    }
    Value = uint8_t(c);
    return true;
}

uint8_t ReadByte(QIODevice &Stream)
{
    uint8_t value;
    ReadByteChecked(Stream, value);
    return value;
}

void WriteExact(QIODevice &Stream, const void *Buffer, qint64 Size)
{
    if (Size > 0 && Stream.write(static_cast<const char *>(Buffer), Size) != Size)
        RaiseGIFError(QStringLiteral("Stream write error"));
}

void WriteByte(QIODevice &Stream, uint8_t Value)
{
    WriteExact(Stream, &Value, 1);
}

void StepBack(QIODevice &Stream, qint64 Count)
{
    Stream.seek(std::max<qint64>(0, Stream.pos() - Count));
}

int BitsForColorCount(int Count)
{
    if (Count <= 0)
        return 0;
    int bits = 1;
    while ((1 << bits) < Count)
        ++bits;
    return bits;
}

int ScanlineByteCount(int Pixels, int BitsPerPixel, int Alignment)
{
    const qint64 bits = qint64(Pixels) * BitsPerPixel;
    const qint64 aligned = (bits + Alignment - 1) / Alignment * Alignment;
    return int(aligned / 8);
}

void WriteSubBlockStrings(QIODevice &Stream, const QStringList &Strings)
{
    for (const QString &s : Strings) {
        const QByteArray bytes = s.toLatin1();
        for (qsizetype at = 0; at < bytes.size(); at += 255) {
            const auto n = std::min<qsizetype>(255, bytes.size() - at);
            WriteByte(Stream, uint8_t(n));
            WriteExact(Stream, bytes.constData() + at, n);
        }
    }
    WriteByte(Stream, 0);
}

void ReadSubBlockStrings(QIODevice &Stream, QStringList &Strings)
{
    Strings.clear();
    uint8_t size;
    char buffer[256];
    while (ReadByteChecked(Stream, size) && size != 0) {
        ReadExact(Stream, buffer, size);
        Strings.append(QString::fromLatin1(buffer, qstrnlen(buffer, size)));
    }
}

void SkipSubBlocks(QIODevice &Stream)
{
    uint8_t size;
    while (ReadByteChecked(Stream, size) && size != 0) {
        if (Stream.skip(size) < size)
            break;
    }
}

TPalette CreateWebSafePalette()
{
    std::vector<TPaletteEntry> entries;
    entries.reserve(216);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                entries.push_back({uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51), 0});
    return TPalette(std::move(entries));
}

// ---------------------------------------------------------------- items

TGIFItem::TGIFItem(TGIFImage *GIFImage) : FImage(GIFImage) {}

TGIFItem::~TGIFItem() = default;

TGIFVersion TGIFItem::GetVersion() const
{
    return GIFVersion87a;
}

void TGIFItem::Warning(TGIFSeverity Severity, const QString &Message)
{
    if (FImage)
        FImage->Warning(this, Severity, Message);
}

void TGIFItem::SaveToFile(const QString &FileName)
{
    AtomicSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        RaiseGIFError(file.errorString());
    SaveToStream(file);
    if (!file.commit())
        RaiseGIFError(file.errorString());
}

void TGIFItem::LoadFromFile(const QString &FileName)
{
    QFile file(FileName);
    QString error;
    if (!OpenRegularFile(file, kMaxPictureBytes, error))
        RaiseGIFError(error);
    LoadFromStream(file);
}

TGIFList::TGIFList(TGIFImage *Image) : FImage(Image) {}

TGIFList::~TGIFList()
{
    Clear();
}

void TGIFList::Warning(TGIFSeverity Severity, const QString &Message)
{
    if (FImage)
        FImage->Warning(this, Severity, Message);
}

void TGIFList::SaveToStream(QIODevice &Stream)
{
    for (TGIFItem *item : Items)
        item->SaveToStream(Stream);
}

TGIFItem *TGIFList::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        RaiseGIFError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return Items[size_t(Index)];
}

int TGIFList::Add(TGIFItem *Item)
{
    Items.push_back(Item);
    return Count() - 1;
}

void TGIFList::Insert(int Index, TGIFItem *Item)
{
    if (Index < 0 || Index > Count())
        RaiseGIFError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    Items.insert(Items.begin() + Index, Item);
}

void TGIFList::Delete(int Index)
{
    TGIFItem *item = this->Item(Index);
    Items.erase(Items.begin() + Index);
    delete item;
}

void TGIFList::Remove(TGIFItem *Item)
{
    const auto it = std::find(Items.begin(), Items.end(), Item);
    if (it != Items.end())
        Items.erase(it);
}

int TGIFList::IndexOf(const TGIFItem *Item) const
{
    const auto it = std::find(Items.begin(), Items.end(), Item);
    return it == Items.end() ? -1 : int(it - Items.begin());
}

void TGIFList::Clear()
{
    // Items may take themselves out of the list while they are freed.
    while (!Items.empty()) {
        TGIFItem *item = Items.back();
        Items.pop_back();
        delete item;
    }
}

// ---------------------------------------------------------------- header

TGIFHeader::TGIFHeader(TGIFImage *GIFImage)
    : TGIFItem(GIFImage), FColorMap(std::make_unique<TGIFGlobalColorMap>(this))
{
    Clear();
}

TGIFHeader::~TGIFHeader() = default;

void TGIFHeader::Clear()
{
    FColorMap->Clear();
    FScreenWidth = FScreenHeight = 0;
    FPackedFields = FBackgroundColorIndex = FAspectRatio = 0;
}

void TGIFHeader::Assign(const TGIFHeader &Source)
{
    if (&Source == this)
        return;
    FColorMap->Assign(*Source.FColorMap);
    FScreenWidth = Source.FScreenWidth;
    FScreenHeight = Source.FScreenHeight;
    FPackedFields = Source.FPackedFields;
    FBackgroundColorIndex = Source.FBackgroundColorIndex;
    FAspectRatio = Source.FAspectRatio;
}

void TGIFHeader::Assign(const TGIFColorMap &Source)
{
    if (&Source == FColorMap.get())
        return;
    Clear();
    FColorMap->Assign(Source);
}

TGIFVersion TGIFHeader::GetVersion() const
{
    if (FColorMap->Sorted() || FAspectRatio != 0)
        return GIFVersion89a;
    return TGIFItem::GetVersion();
}

TColor TGIFHeader::BackgroundColor()
{
    return FColorMap->Colors(FBackgroundColorIndex);
}

void TGIFHeader::PrepareDescriptor()
{
    const int resolution = FImage ? FImage->ColorResolution() : ColorResolution();
    uint8_t packed = 0;
    if (FColorMap->Count() > 0) {
        packed |= 0x80;
        if (FColorMap->Sorted())
            packed |= 0x08;
    }
    packed |= uint8_t((resolution << 4) & 0x70);
    if (FColorMap->Count() > 0) {
        packed |= uint8_t((FColorMap->BitsPerPixel() - 1) & 7);
    } else {
        const int bits = FImage ? FImage->BitsPerPixel() : BitsPerPixel();
        packed |= uint8_t((bits - 1) & 7);
    }
    FPackedFields = packed;
}

void TGIFHeader::SaveToStream(QIODevice &Stream)
{
    // The header's own needs count too (a sorted map or an aspect ratio).
    TGIFVersion version = FImage ? FImage->GetVersion() : GIFVersionUnknown;
    if (version == GIFVersionUnknown)
        RaiseGIFError(QStringLiteral("Unsupported GIF version"));
    version = std::max(version, GetVersion());
    PrepareDescriptor();
    const char *signature = version == GIFVersion89a ? "GIF89a" : "GIF87a";
    WriteExact(Stream, signature, 6);
    // clang-format off
    const uint8_t descriptor[7] = {uint8_t(FScreenWidth & 0xFF), uint8_t(FScreenWidth >> 8), uint8_t(FScreenHeight & 0xFF),
                                   uint8_t(FScreenHeight >> 8), FPackedFields, FBackgroundColorIndex, FAspectRatio};
    // clang-format on
    WriteExact(Stream, descriptor, 7);
    if (FPackedFields & 0x80)
        FColorMap->SaveToStream(Stream);
}

void TGIFHeader::LoadFromStream(QIODevice &Stream)
{
    const qint64 start = Stream.pos();
    char signature[6];
    auto isGIF = [&] { return QByteArray(signature, 3).toUpper() == "GIF"; };
    ReadExact(Stream, signature, 6);
    if (!isGIF()) {
        // Some writers put 4 bytes of their own in front of the signature.
        Stream.seek(start + 4);
        ReadExact(Stream, signature, 6);
        if (!isGIF())
            RaiseGIFError(QStringLiteral("Invalid GIF signature"));
    }
    uint8_t descriptor[7];
    ReadExact(Stream, descriptor, 7);
    FScreenWidth = uint16_t(descriptor[0] | (descriptor[1] << 8));
    FScreenHeight = uint16_t(descriptor[2] | (descriptor[3] << 8));
    FPackedFields = descriptor[4];
    FBackgroundColorIndex = descriptor[5];
    FAspectRatio = descriptor[6];
    if (FPackedFields & 0x80) {
        FColorMap->LoadFromStream(Stream, 2 << (FPackedFields & 7));
    } else {
        FColorMap->Clear();
    }
}

// ---------------------------------------------------------------- image list and trailer

TGIFSubImage *TGIFImageList::SubImages(int Index) const
{
    return static_cast<TGIFSubImage *>(Item(Index));
}

namespace {

// Reads past zero bytes between blocks; false at the end of the stream.
bool NextBlockByte(QIODevice &Stream, uint8_t &Byte)
{
    do {
        if (!ReadByteChecked(Stream, Byte))
            return false;
    } while (Byte == 0);
    return true;
}

} // namespace

void TGIFImageList::LoadFromStream(QIODevice &Stream, TGIFImage *Image)
{
    uint8_t byte;
    if (!NextBlockByte(Stream, byte))
        return;
    while (byte != 0x3B) {
        StepBack(Stream);
        if (byte != 0x21 && byte != 0x2C) {
            Warning(gsWarning, QStringLiteral("Unknown GIF block type"));
            return;
        }
        auto sub = std::make_unique<TGIFSubImage>(Image);
        sub->LoadFromStream(Stream);
        Add(sub.release());
        if (Image && Stream.size() > 0)
            Image->Progress(Image, TProgressStage::Running,
                            int(MulDivRoundHalfEven(Stream.pos(), 100, Stream.size())), false, QRect(),
                            QStringLiteral("Loading..."));
        if (!NextBlockByte(Stream, byte))
            return;
    }
    StepBack(Stream);
}

void TGIFTrailer::SaveToStream(QIODevice &Stream)
{
    WriteByte(Stream, 0x3B);
}

void TGIFTrailer::LoadFromStream(QIODevice &Stream)
{
    uint8_t byte;
    if (ReadByteChecked(Stream, byte) && byte != 0x3B)
        Warning(gsWarning, QStringLiteral("Invalid Image trailer"));
}

// ---------------------------------------------------------------- image

TGIFImage::TGIFImage()
    : FHeader(std::make_unique<TGIFHeader>(this)), FImages(std::make_unique<TGIFImageList>(this))
{}

TGIFImage::~TGIFImage()
{
    StopDraw();
    FImages->Clear();
}

void TGIFImage::Warning(const void *Sender, TGIFSeverity Severity, const QString &Message)
{
    if (FOnWarning)
        FOnWarning(Sender, Severity, Message);
}

void TGIFImage::Changed(const void *)
{
    TGraphic::Changed(this);
}

void TGIFImage::Clear()
{
    StopDraw();
    FreeBitmap();
    FImages->Clear();
    FHeader->Clear();
    FGlobalPalette = TPalette();
}

int TGIFImage::Width() const
{
    return FHeader->ScreenWidth();
}

int TGIFImage::Height() const
{
    return FHeader->ScreenHeight();
}

TGIFVersion TGIFImage::GetVersion() const
{
    TGIFVersion version = GIFVersionUnknown;
    for (int i = 0; i < FImages->Count() && version < GIFVersion89a; ++i)
        version = std::max(version, FImages->SubImages(i)->GetVersion());
    return version;
}

int TGIFImage::ColorResolution() const
{
    int result = FHeader->ColorResolution();
    for (int i = 0; i < FImages->Count(); ++i)
        result = std::max(result, FImages->SubImages(i)->ColorResolution());
    return result;
}

int TGIFImage::BitsPerPixel() const
{
    int result = FHeader->BitsPerPixel();
    for (int i = 0; i < FImages->Count(); ++i)
        result = std::max(result, FImages->SubImages(i)->BitsPerPixel());
    return result;
}

void TGIFImage::LoadFromStream(QIODevice &Stream)
{
    const QString message = QStringLiteral("Loading...");
    Progress(this, TProgressStage::Starting, 0, false, QRect(), message);
    Clear();
    const qint64 start = Stream.pos();
    try {
        FHeader->LoadFromStream(Stream);
        FImages->LoadFromStream(Stream, this);
        TGIFTrailer trailer(this);
        trailer.LoadFromStream(Stream);
    } catch (...) {
        Stream.seek(start);
        Progress(this, TProgressStage::Ending, 0, true, QRect(), message);
        throw;
    }
    Progress(this, TProgressStage::Ending, 100, true, QRect(), message);
    Changed(this);
}

void TGIFImage::SaveToStream(QIODevice &Stream)
{
    const QString message = QStringLiteral("Saving...");
    Progress(this, TProgressStage::Starting, 0, false, QRect(), message);
    try {
        FHeader->SaveToStream(Stream);
        const int count = FImages->Count();
        for (int i = 0; i < count; ++i) {
            FImages->SubImages(i)->SaveToStream(Stream);
            Progress(this, TProgressStage::Running, int(MulDivRoundHalfEven(i + 1, 100, count)), false,
                     QRect(), message);
        }
        TGIFTrailer trailer(this);
        trailer.SaveToStream(Stream);
    } catch (...) {
        Progress(this, TProgressStage::Ending, 0, true, QRect(), message);
        throw;
    }
    Progress(this, TProgressStage::Ending, 100, true, QRect(), message);
}
