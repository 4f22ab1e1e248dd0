#include "gif/GIFColorReduction.h"

#include "gif/GIFBitmapAccess.h"
#include "gif/GIFColorLookup.h"
#include "gif/GIFDitherers.h"
#include "gif/GIFImage.h"

#include <vector>

// ---------------------------------------------------------------------------
// Octree quantiser

TOctreeNode::~TOctreeNode()
{
    for (TOctreeNode *child : Child)
        delete child;
}

TColorQuantizer::TColorQuantizer(int MaxColors, int ColorBits) : FMaxColors(MaxColors), FColorBits(ColorBits)
{
    if (MaxColors < 1)
        RaiseGIFError(QStringLiteral("Invalid number of colors"));
    if (ColorBits < 1 || ColorBits > 8)
        RaiseGIFError(QStringLiteral("Invalid color depth"));
}

TColorQuantizer::~TColorQuantizer()
{
    delete FTree;
}

bool TColorQuantizer::AddPicture(TDIBReader &Reader)
{
    const TBitmap *bitmap = Reader.Bitmap();
    const int width = bitmap->Width();
    const int height = bitmap->Height();
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = Reader.ScanLine(y);
        for (int x = 0; x < width; ++x, row += 3)
            AddColor(row[2], row[1], row[0]);
    }
    return true;
}

void TColorQuantizer::AddColor(uint8_t Red, uint8_t Green, uint8_t Blue)
{
    AddColor(FTree, Red, Green, Blue, 0);
    while (FLeafCount > FMaxColors)
        ReduceTree();
}

void TColorQuantizer::AddColor(TOctreeNode *&Node, uint8_t Red, uint8_t Green, uint8_t Blue, int Level)
{
    TOctreeNode **slot = &Node;
    for (;;) {
        TOctreeNode *node = *slot;
        if (node == nullptr) {
            node = new TOctreeNode;
            *slot = node;
            if (Level == FColorBits) {
                node->IsLeaf = true;
                ++FLeafCount;
            } else {
                node->Next = FReducibleNodes[size_t(Level)];
                FReducibleNodes[size_t(Level)] = node;
            }
        }
        if (node->IsLeaf) {
            ++node->PixelCount;
            node->RedSum += Red;
            node->GreenSum += Green;
            node->BlueSum += Blue;
            return;
        }
        const int shift = 7 - Level;
        const int index = ((Red >> shift) & 1) << 2 | ((Green >> shift) & 1) << 1 | ((Blue >> shift) & 1);
        slot = &node->Child[size_t(index)];
        ++Level;
    }
}

void TColorQuantizer::ReduceTree()
{
    // The deepest level with reducible nodes; its children are all leaves.
    int level = FColorBits - 1;
    while (level > 0 && FReducibleNodes[size_t(level)] == nullptr)
        --level;
    TOctreeNode *node = FReducibleNodes[size_t(level)];
    if (node == nullptr) {
        // Nothing left to merge: the tree is a single leaf.
        FLeafCount = FMaxColors;
        return;
    }
    FReducibleNodes[size_t(level)] = node->Next;
    node->Next = nullptr;
    int children = 0;
    for (TOctreeNode *&child : node->Child) {
        if (child == nullptr)
            continue;
        node->RedSum += child->RedSum;
        node->GreenSum += child->GreenSum;
        node->BlueSum += child->BlueSum;
        node->PixelCount += child->PixelCount;
        delete child;
        child = nullptr;
        ++children;
    }
    node->IsLeaf = true;
    FLeafCount -= children - 1;
}

int TColorQuantizer::CollectColors(TRGBQuad *Table)
{
    int index = 0;
    Collect(FTree, Table, index);
    return index;
}

void TColorQuantizer::Collect(const TOctreeNode *Node, TRGBQuad *Table, int &Index)
{
    if (Node == nullptr)
        return;
    if (Node->IsLeaf) {
        if (Index >= 256)
            return;
        TRGBQuad entry;
        if (Node->PixelCount > 0) {
            entry.Red = uint8_t(Node->RedSum / Node->PixelCount);
            entry.Green = uint8_t(Node->GreenSum / Node->PixelCount);
            entry.Blue = uint8_t(Node->BlueSum / Node->PixelCount);
        }
        Table[Index++] = entry;
        return;
    }
    for (const TOctreeNode *child : Node->Child)
        Collect(child, Table, Index);
}

// ---------------------------------------------------------------------------
// Palettes

namespace {

TPalette Greys(std::initializer_list<int> Levels)
{
    std::vector<TPaletteEntry> entries;
    for (int level : Levels)
        entries.push_back({uint8_t(level), uint8_t(level), uint8_t(level), PaletteFlagNoCollapse});
    return TPalette(std::move(entries));
}

} // namespace

TPalette CreateGreyRampPalette()
{
    std::vector<TPaletteEntry> entries;
    for (int i = 0; i < 256; ++i)
        entries.push_back({uint8_t(i), uint8_t(i), uint8_t(i), PaletteFlagNoCollapse});
    return TPalette(std::move(entries));
}

TPalette CreateBlackWhitePalette()
{
    return Greys({0, 255});
}

TPalette CreateFourGreyPalette()
{
    return Greys({0, 128, 192, 255});
}

TPalette CreateHalftoneScreenPalette()
{
    return HalftonePalette();
}

TPalette BuildOctreePalette(TDIBReader &Reader, int Colors, int ColorBits, bool WithSystemColors)
{
    if (Colors < 1 || Colors > 256)
        RaiseGIFError(QStringLiteral("Invalid number of colors"));
    std::vector<TPaletteEntry> entries(size_t(WithSystemColors ? 256 : Colors));
    int first = 0;
    int allowed = Colors;
    if (WithSystemColors) {
        const TPalette &system = StockDefaultPalette();
        for (int i = 0; i < 10; ++i) {
            entries[size_t(i)] = system.Entry(i);
            entries[size_t(246 + i)] = system.Entry(10 + i);
        }
        first = 10;
        allowed = 236;
    }
    TRGBQuad table[256] = {};
    {
        TColorQuantizer quantizer(allowed, ColorBits);
        quantizer.AddPicture(Reader);
        quantizer.CollectColors(table);
    }
    for (int i = 0; i < allowed; ++i)
        entries[size_t(first + i)] = {table[i].Red, table[i].Green, table[i].Blue, 0};
    return TPalette(std::move(entries));
}

TPalette BuildOctreePaletteFromBitmap(const TBitmap &Bitmap, int Colors, int ColorBits, bool WithSystemColors)
{
    TBitmap copy;
    copy.Assign(&Bitmap);
    TDIBReader reader(&copy, TPixelFormat::pf24bit);
    return BuildOctreePalette(reader, Colors, ColorBits, WithSystemColors);
}

// ---------------------------------------------------------------------------
// Reduction

std::unique_ptr<TBitmap> ReduceColors(const TBitmap &Bitmap, int ColorReduction, int DitherMode,
                                      int ReductionBits, const TPalette &Palette)
{
    if (ColorReduction < rmNone || ColorReduction > rmPalette)
        RaiseGIFError(QStringLiteral("Unsupported color reduction method"));
    if (DitherMode < 0 || DitherMode > 6)
        RaiseGIFError(QStringLiteral("Unsupported dither mode"));
    if (ColorReduction == rmQuantize && (ReductionBits < 0 || ReductionBits > 8))
        RaiseGIFError(QStringLiteral("Unsupported color reduction bits"));

    auto result = std::make_unique<TBitmap>();
    if (ColorReduction == rmNone) {
        result->Assign(&Bitmap);
        result->SetPixelFormat(TPixelFormat::pf24bit);
        return result;
    }
    if (Bitmap.Empty())
        RaiseGIFError(QStringLiteral("Invalid image dimensions"));

    // The reader converts its bitmap, so it reads a copy.
    TBitmap source;
    source.Assign(&Bitmap);
    TDIBReader reader(&source, TPixelFormat::pf24bit);
    const int width = source.Width();
    const int height = source.Height();

    TPalette palette;
    switch (ColorReduction) {
    case rmWindows20: palette = StockDefaultPalette(); break;
    case rmWindows256: palette = CreateHalftoneScreenPalette(); break;
    case rmWindowsGray: palette = CreateFourGreyPalette(); break;
    case rmMonochrome: palette = CreateBlackWhitePalette(); break;
    case rmGrayScale: palette = CreateGreyRampPalette(); break;
    case rmNetscape: palette = CreateWebSafePalette(); break;
    case rmQuantize: palette = BuildOctreePalette(reader, 1 << ReductionBits, 8, false); break;
    case rmQuantizeWindows: palette = BuildOctreePalette(reader, 256, 8, true); break;
    default: palette = Palette; break;
    }

    std::unique_ptr<TColorLookup> lookup;
    switch (ColorReduction) {
    case rmMonochrome: lookup = std::make_unique<TMonochromeLookup>(palette); break;
    case rmGrayScale: lookup = std::make_unique<TGrayScaleLookup>(palette); break;
    case rmNetscape: lookup = std::make_unique<TNetscapeColorLookup>(palette); break;
    default: lookup = std::make_unique<TFastColorLookup>(palette); break;
    }
    if (lookup->ColorCount() == 0)
        RaiseGIFError(QStringLiteral("Color reduction palette is empty"));

    std::unique_ptr<TDitherEngine> ditherer = CreateDitherer(DitherMode, width, lookup.get());
    TDIBWriter writer(result.get(), TPixelFormat::pf8bit, width, height, palette);
    uint8_t r, g, b;
    for (int y = 0; y < height; ++y) {
        const uint8_t *src = reader.ScanLine(y);
        uint8_t *dst = writer.ScanLine(y);
        for (int x = ditherer->Column(); x >= 0 && x < width; x = ditherer->Column()) {
            const uint8_t *pixel = src + size_t(x) * 3;
            dst[x] = ditherer->Dither(pixel[2], pixel[1], pixel[0], r, g, b);
        }
        ditherer->NextLine();
    }
    writer.StoreIntoBitmap();
    return result;
}
