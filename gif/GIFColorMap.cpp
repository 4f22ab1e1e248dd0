#include "gif/GIFImage.h"

#include "gif/GIFExtensions.h"
#include "gif/GIFSubImage.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

TGIFColorMap::TGIFColorMap() = default;

TGIFColorMap::~TGIFColorMap() = default;

void TGIFColorMap::Clear()
{
    FData.reset();
    FCount = 0;
    FCapacity = 0;
    FSorted = false;
}

void TGIFColorMap::SetCapacity(int Size)
{
    if (Size < FCapacity)
        return;
    int capacity = Size <= 16 ? 16 : (Size + 31) / 32 * 32;
    capacity = std::min(capacity, 256);
    if (capacity == FCapacity)
        return;
    auto data = std::make_unique<TColorTriple[]>(size_t(capacity));
    if (FData && FCount > 0)
        std::memcpy(data.get(), FData.get(), size_t(std::min(FCount, capacity)) * sizeof(TColorTriple));
    FData = std::move(data);
    FCapacity = capacity;
}

void TGIFColorMap::LoadFromStream(QIODevice &Stream, int Count)
{
    Clear();
    Count = std::clamp(Count, 0, 256);
    SetCapacity(Count);
    ReadExact(Stream, FData.get(), qint64(Count) * 3);
    FCount = Count;
}

void TGIFColorMap::SaveToStream(QIODevice &Stream) const
{
    if (FCount == 0)
        return;
    WriteExact(Stream, FData.get(), qint64(FCount) * 3);
    static const uint8_t black[3 * 256] = {};
    const int padded = 1 << BitsPerPixel();
    WriteExact(Stream, black, qint64(padded - FCount) * 3);
}

void TGIFColorMap::Assign(const TGIFColorMap &Source)
{
    if (&Source == this)
        return;
    Clear();
    if (Source.FCapacity > 0) {
        FData = std::make_unique<TColorTriple[]>(size_t(Source.FCapacity));
        std::memcpy(FData.get(), Source.FData.get(), size_t(Source.FCount) * sizeof(TColorTriple));
    }
    FCapacity = Source.FCapacity;
    FCount = Source.FCount;
    FSorted = Source.FSorted;
    Changed();
}

TColorTriple TGIFColorMap::Triple(int Index) const
{
    if (Index < 0 || Index >= FCount)
        RaiseGIFError(QStringLiteral("Invalid color index"));
    return FData[size_t(Index)];
}

int TGIFColorMap::IndexOf(TColor Color) const
{
    const TColorTriple wanted = ColorToTriple(Color);
    if (FSorted) {
        for (int i = 0; i < FCount; ++i)
            if (FData[size_t(i)] == wanted)
                return i;
    } else {
        for (int i = FCount - 1; i >= 0; --i)
            if (FData[size_t(i)] == wanted)
                return i;
    }
    return -1;
}

int TGIFColorMap::Add(TColor Color)
{
    if (FCount >= 256)
        RaiseGIFError(QStringLiteral("Color table overflow"));
    if (FCount >= FCapacity)
        SetCapacity(FCount + 1);
    FData[size_t(FCount)] = ColorToTriple(Color);
    ++FCount;
    FSorted = false;
    Changed();
    return FCount - 1;
}

int TGIFColorMap::AddUnique(TColor Color)
{
    const int index = IndexOf(Color);
    return index >= 0 ? index : Add(Color);
}

void TGIFColorMap::Delete(int Index)
{
    if (Index < 0 || Index >= FCount)
        RaiseGIFError(QStringLiteral("Invalid color index"));
    std::memmove(FData.get() + Index, FData.get() + Index + 1,
                 size_t(FCount - Index - 1) * sizeof(TColorTriple));
    --FCount;
    FSorted = false;
    Changed();
}

TColor TGIFColorMap::Colors(int Index)
{
    if (Index < 0 || Index >= FCount) {
        Warning(gsWarning, QStringLiteral("Invalid color index"));
        if (FCount == 0)
            RaiseGIFError(QStringLiteral("Color table is empty"));
        Index = 0;
    }
    return TripleToColor(FData[size_t(Index)]);
}

void TGIFColorMap::ImportColorTable(const void *Entries, int Count)
{
    Clear();
    Count = std::min(Count, 256);
    if (Count <= 0 || !Entries)
        return;
    SetCapacity(Count);
    const auto *quad = static_cast<const uint8_t *>(Entries);
    for (int i = 0; i < Count; ++i, quad += 4)
        FData[size_t(i)] = {quad[2], quad[1], quad[0]};
    FCount = Count;
    Changed();
}

void TGIFColorMap::ImportPalette(const TPalette &Palette)
{
    Clear();
    const int count = std::min(Palette.Count(), 256);
    if (count == 0)
        return;
    SetCapacity(count);
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry &e = Palette.Entry(i);
        FData[size_t(i)] = {e.Red, e.Green, e.Blue};
    }
    FCount = count;
    Changed();
}

void TGIFColorMap::ImportDIBColors(const TBitmap &Bitmap)
{
    const std::vector<TRGBQuad> &table = Bitmap.ColorTable();
    static_assert(sizeof(TRGBQuad) == 4);
    ImportColorTable(table.data(), int(std::min<size_t>(table.size(), 256)));
}

TPalette TGIFColorMap::ExportPalette() const
{
    std::vector<TPaletteEntry> entries;
    entries.reserve(size_t(FCount));
    for (int i = 0; i < FCount; ++i) {
        const TColorTriple &t = FData[size_t(i)];
        entries.push_back({t.Red, t.Green, t.Blue, PaletteFlagNoCollapse});
    }
    return TPalette(std::move(entries));
}

bool TGIFColorMap::SortByUse()
{
    if (FCount <= 1)
        return false;
    FSorted = true;
    TColorUseTable table;
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = {0, i};
    CountColorUse(table);
    std::stable_sort(table.begin(), table.begin() + FCount,
                     [](const TColorUseEntry &a, const TColorUseEntry &b) { return a.Count > b.Count; });
    bool inOrder = true;
    for (int i = 0; i < FCount && inOrder; ++i)
        inOrder = table[size_t(i)].Index == i;
    if (inOrder)
        return true;

    // Pixels outside the table keep their value.
    TColorRemap map;
    for (int i = 0; i < 256; ++i)
        map[size_t(i)] = uint8_t(i);
    for (int i = 0; i < FCount; ++i)
        map[size_t(table[size_t(i)].Index)] = uint8_t(i);
    RemapPixels(map);

    std::vector<TColorTriple> old(FData.get(), FData.get() + FCount);
    int newCount = FCount;
    for (int i = 0; i < FCount; ++i) {
        FData[size_t(i)] = old[size_t(table[size_t(i)].Index)];
        if (table[size_t(i)].Count == 0 && newCount == FCount)
            newCount = i;
    }
    FCount = newCount;
    Changed();
    return true;
}

// ---------------------------------------------------------------- global and local maps

namespace {

void CountPixels(const TGIFSubImage &SubImage, TColorUseTable &Table)
{
    const uint8_t *p = SubImage.Data();
    if (!p)
        return;
    const size_t n = SubImage.DataSize();
    for (size_t i = 0; i < n; ++i)
        ++Table[p[i]].Count;
}

// An entry that the sub-image names as transparent is kept even when no pixel uses it.
void KeepTransparent(const TGIFSubImage &SubImage, TColorUseTable &Table)
{
    if (SubImage.Transparent() && SubImage.GraphicControlExtension()) {
        TColorUseEntry &entry = Table[SubImage.GraphicControlExtension()->TransparentColorIndex()];
        entry.Count = std::max(entry.Count, 1);
    }
}

void RemapSubImage(TGIFSubImage &SubImage, const TColorRemap &Map)
{
    if (uint8_t *p = SubImage.Data()) {
        const size_t n = SubImage.DataSize();
        for (size_t i = 0; i < n; ++i)
            p[i] = Map[p[i]];
    }
    if (SubImage.Transparent() && SubImage.GraphicControlExtension()) {
        TGIFGraphicControlExtension *gce = SubImage.GraphicControlExtension();
        gce->SetTransparentColorIndex(Map[gce->TransparentColorIndex()]);
    }
    SubImage.FreeBitmap();
}

} // namespace

void TGIFGlobalColorMap::Warning(TGIFSeverity Severity, const QString &Message)
{
    if (FHeader && FHeader->Image())
        FHeader->Image()->Warning(this, Severity, Message);
}

void TGIFGlobalColorMap::CountColorUse(TColorUseTable &Table)
{
    for (int i = 0; i < 256; ++i)
        Table[size_t(i)] = {0, i};
    TGIFImage *image = FHeader ? FHeader->Image() : nullptr;
    if (!image)
        return;
    for (int i = 0; i < image->Images()->Count(); ++i) {
        const TGIFSubImage &sub = *image->Images()->SubImages(i);
        if (sub.ActiveColorMap() == this) {
            CountPixels(sub, Table);
            KeepTransparent(sub, Table);
        }
    }
    TColorUseEntry &background = Table[FHeader->BackgroundColorIndex()];
    background.Count = std::max(background.Count, 1);
}

void TGIFGlobalColorMap::RemapPixels(const TColorRemap &Map)
{
    TGIFImage *image = FHeader ? FHeader->Image() : nullptr;
    if (image) {
        for (int i = 0; i < image->Images()->Count(); ++i) {
            TGIFSubImage &sub = *image->Images()->SubImages(i);
            if (sub.ActiveColorMap() == this)
                RemapSubImage(sub, Map);
        }
    }
    if (FHeader)
        FHeader->SetBackgroundColorIndex(Map[FHeader->BackgroundColorIndex()]);
}

bool TGIFGlobalColorMap::Optimize()
{
    TGIFImage *image = FHeader ? FHeader->Image() : nullptr;
    if (!image || image->Images()->Count() == 0)
        return false;
    return SortByUse();
}

void TGIFGlobalColorMap::Changed()
{
    if (FHeader && FHeader->Image())
        FHeader->Image()->Changed(this);
}

void TGIFLocalColorMap::Warning(TGIFSeverity Severity, const QString &Message)
{
    if (FSubImage && FSubImage->Image())
        FSubImage->Image()->Warning(this, Severity, Message);
}

void TGIFLocalColorMap::CountColorUse(TColorUseTable &Table)
{
    for (int i = 0; i < 256; ++i)
        Table[size_t(i)] = {0, i};
    if (!FSubImage)
        return;
    CountPixels(*FSubImage, Table);
    KeepTransparent(*FSubImage, Table);
}

void TGIFLocalColorMap::RemapPixels(const TColorRemap &Map)
{
    if (FSubImage)
        RemapSubImage(*FSubImage, Map);
}

bool TGIFLocalColorMap::Optimize()
{
    return SortByUse();
}

void TGIFLocalColorMap::Changed()
{
    if (FSubImage)
        FSubImage->PaletteChanged();
}
