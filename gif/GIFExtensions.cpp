#include "gif/GIFExtensions.h"

#include "gif/GIFSubImage.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

template <class T> TGIFExtension *CreateExtension(TGIFSubImage *SubImage)
{
    return new T(SubImage);
}

template <class T> const TGIFExtensionClass *OwnClass(QIODevice &)
{
    return &T::Class;
}

struct TExtensionEntry
{
    uint8_t Label;
    const TGIFExtensionClass *Class;
};

struct TAppExtensionEntry
{
    char Identifier[12];
    const TGIFExtensionClass *Class;
};

// Reads the rest of a block of Size bytes of which Used are already taken.
void SkipBytes(QIODevice &Stream, qint64 Count)
{
    if (Count > 0 && Stream.skip(Count) < Count)
        RaiseGIFError(QStringLiteral("Premature end of data"));
}

const TGIFExtensionClass *FindApplicationClass(QIODevice &Stream);

} // namespace

const TGIFExtensionClass TGIFGraphicControlExtension::Class = {"TGIFGraphicControlExtension",
                                                               CreateExtension<TGIFGraphicControlExtension>,
                                                               OwnClass<TGIFGraphicControlExtension>};
const TGIFExtensionClass TGIFTextExtension::Class = {"TGIFTextExtension", CreateExtension<TGIFTextExtension>,
                                                     OwnClass<TGIFTextExtension>};
const TGIFExtensionClass TGIFCommentExtension::Class = {
    "TGIFCommentExtension", CreateExtension<TGIFCommentExtension>, OwnClass<TGIFCommentExtension>};
// An application block that cannot be classified further is read as unknown
// application data, which raises on a block size below 10.
const TGIFExtensionClass TGIFApplicationExtension::Class = {
    "TGIFApplicationExtension", CreateExtension<TGIFUnknownAppExtension>, FindApplicationClass};
const TGIFExtensionClass TGIFUnknownAppExtension::Class = {
    "TGIFUnknownAppExtension", CreateExtension<TGIFUnknownAppExtension>, OwnClass<TGIFUnknownAppExtension>};
const TGIFExtensionClass TGIFUnknownExtension::Class = {
    "TGIFUnknownExtension", CreateExtension<TGIFUnknownExtension>, OwnClass<TGIFUnknownExtension>};
const TGIFExtensionClass TGIFAppExtNSLoop::Class = {"TGIFAppExtNSLoop", CreateExtension<TGIFAppExtNSLoop>,
                                                    OwnClass<TGIFAppExtNSLoop>};

namespace {

const TExtensionEntry ExtensionRegistry[] = {
    {0x01, &TGIFTextExtension::Class},
    {0xF9, &TGIFGraphicControlExtension::Class},
    {0xFE, &TGIFCommentExtension::Class},
    {0xFF, &TGIFApplicationExtension::Class},
};

const TAppExtensionEntry AppExtensionRegistry[] = {
    {"NETSCAPE2.0", &TGIFAppExtNSLoop::Class},
    {"ANIMEXTS1.0", &TGIFAppExtNSLoop::Class},
};

const TGIFExtensionClass *FindApplicationClass(QIODevice &Stream)
{
    const qint64 start = Stream.pos();
    uint8_t size;
    if (!ReadByteChecked(Stream, size))
        return nullptr;
    char identifier[11];
    if (size == 10)
        return Stream.read(identifier, 10) == 10 ? &TGIFUnknownAppExtension::Class : nullptr;
    if (size >= 11 && Stream.read(identifier, 11) == 11) {
        for (auto it = std::rbegin(AppExtensionRegistry); it != std::rend(AppExtensionRegistry); ++it)
            if (std::memcmp(it->Identifier, identifier, 11) == 0)
                return it->Class;
        return &TGIFUnknownAppExtension::Class;
    }
    Stream.seek(start);
    return &TGIFApplicationExtension::Class;
}

} // namespace

// ---------------------------------------------------------------- base

TGIFExtension::TGIFExtension(TGIFSubImage *SubImage)
    : TGIFItem(SubImage ? SubImage->Image() : nullptr), FSubImage(SubImage)
{}

TGIFExtension::~TGIFExtension()
{
    if (FSubImage)
        FSubImage->Extensions()->Remove(this);
}

void TGIFExtension::SaveToStream(QIODevice &Stream)
{
    const uint8_t introducer[2] = {0x21, GetExtensionType()};
    WriteExact(Stream, introducer, 2);
}

uint8_t ReadExtensionIntroducer(QIODevice &Stream)
{
    uint8_t introducer[2];
    ReadExact(Stream, introducer, 2);
    if (introducer[0] != 0x21)
        RaiseGIFError(QStringLiteral("Invalid extension introducer"));
    return introducer[1];
}

void TGIFExtension::LoadFromStream(QIODevice &Stream)
{
    if (ReadExtensionIntroducer(Stream) != GetExtensionType())
        RaiseGIFError(QStringLiteral("Internal error: Extension Instance does not match Extension Label"));
}

const TGIFExtensionClass *FindExtensionClass(QIODevice &Stream)
{
    const qint64 start = Stream.pos();
    uint8_t label;
    if (!ReadByteChecked(Stream, label))
        return nullptr;
    // Browsers and image programs read past a label they do not know: so do we.
    const TGIFExtensionClass *found = &TGIFUnknownExtension::Class;
    for (auto it = std::rbegin(ExtensionRegistry); it != std::rend(ExtensionRegistry); ++it)
        if (it->Label == label) {
            found = it->Class;
            break;
        }
    // Each class may hand the block on to a more specific one; each step reads
    // on from where the previous one stopped, so this ends with the stream.
    while (found) {
        const TGIFExtensionClass *next = found->FindExtension(Stream);
        if (next == found || !next) {
            found = next ? found : nullptr;
            break;
        }
        found = next;
    }
    Stream.seek(start);
    return found;
}

// ---------------------------------------------------------------- graphic control

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage *SubImage) : TGIFExtension(SubImage)
{
    if (FSubImage && !FSubImage->GraphicControlExtension())
        FSubImage->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension()
{
    // Only the sub-image's first graphic control decides its transparency; when
    // that one goes, the next one in the list takes over.
    if (!FSubImage || FSubImage->GraphicControlExtension() != this)
        return;
    TGIFGraphicControlExtension *next = nullptr;
    TGIFExtensionList *list = FSubImage->Extensions();
    for (int i = 0; i < list->Count() && !next; ++i)
        if (list->Item(i) != this)
            next = dynamic_cast<TGIFGraphicControlExtension *>(list->Item(i));
    FSubImage->SetGraphicControlExtension(next);
    FSubImage->SetTransparent(next && next->Transparent());
    FSubImage->FreeBitmap();
}

void TGIFGraphicControlExtension::SetTransparent(bool Value)
{
    FPackedFields = uint8_t(Value ? FPackedFields | 0x01 : FPackedFields & ~0x01);
    if (FSubImage && FSubImage->GraphicControlExtension() == this) {
        FSubImage->SetTransparent(Value);
        FSubImage->FreeBitmap();
    }
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(uint8_t Value)
{
    const int count = FSubImage ? FSubImage->ActiveColorMap()->Count() : 0;
    if (count > 0 && Value >= count) {
        Warning(gsWarning, QStringLiteral("Invalid color index"));
        Value = 0;
    }
    FTransparentColorIndex = Value;
}

void TGIFGraphicControlExtension::SaveToStream(QIODevice &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    const uint8_t block[6] = {
        4, FPackedFields, uint8_t(FDelay & 0xFF), uint8_t(FDelay >> 8), FTransparentColorIndex, 0};
    WriteExact(Stream, block, 6);
}

void TGIFGraphicControlExtension::LoadFromStream(QIODevice &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    uint8_t size;
    if (!ReadByteChecked(Stream, size)) {
        Warning(gsWarning, QStringLiteral("Premature end of data"));
        return;
    }
    uint8_t block[255] = {};
    const qint64 got = size ? Stream.read(reinterpret_cast<char *>(block), size) : 0;
    if (got < size) {
        Warning(gsWarning, QStringLiteral("Premature end of data"));
        return;
    }
    // Fields beyond a short block stay 0; a longer block's excess and any
    // further sub-blocks are passed over.
    FPackedFields = block[0];
    FDelay = uint16_t(block[1] | (block[2] << 8));
    FTransparentColorIndex = block[3];
    if (size != 0)
        SkipSubBlocks(Stream);
    if (Transparent() && FSubImage && FSubImage->GraphicControlExtension() == this)
        FSubImage->SetTransparent(true);
}

// ---------------------------------------------------------------- plain text and comment

void TGIFTextExtension::SaveToStream(QIODevice &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    // clang-format off
    const uint8_t block[13] = {12,
                               uint8_t(Left & 0xFF), uint8_t(Left >> 8),
                               uint8_t(Top & 0xFF), uint8_t(Top >> 8),
                               uint8_t(GridWidth & 0xFF), uint8_t(GridWidth >> 8),
                               uint8_t(GridHeight & 0xFF), uint8_t(GridHeight >> 8),
                               CellWidth, CellHeight, TextForegroundColorIndex, TextBackgroundColorIndex};
    // clang-format on
    WriteExact(Stream, block, 13);
    WriteSubBlockStrings(Stream, FText);
}

void TGIFTextExtension::LoadFromStream(QIODevice &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    const uint8_t size = [&] {
        uint8_t value;
        if (!ReadByteChecked(Stream, value))
            RaiseGIFError(QStringLiteral("Premature end of data"));
        return value;
    }();
    uint8_t block[255] = {};
    ReadExact(Stream, block, size);
    auto word = [&](int at) { return uint16_t(block[at] | (block[at + 1] << 8)); };
    Left = word(0);
    Top = word(2);
    GridWidth = word(4);
    GridHeight = word(6);
    CellWidth = block[8];
    CellHeight = block[9];
    TextForegroundColorIndex = block[10];
    TextBackgroundColorIndex = block[11];
    if (size == 0) {
        // The zero size was the terminator itself.
        FText.clear();
        return;
    }
    ReadSubBlockStrings(Stream, FText);
}

void TGIFCommentExtension::SaveToStream(QIODevice &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    WriteSubBlockStrings(Stream, FText);
}

void TGIFCommentExtension::LoadFromStream(QIODevice &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    ReadSubBlockStrings(Stream, FText);
}

// ---------------------------------------------------------------- application

void TGIFApplicationExtension::SetIdentifier(const QByteArray &Value)
{
    std::memset(FIdentifier, 0, sizeof FIdentifier);
    std::memcpy(FIdentifier, Value.constData(), size_t(std::min<qsizetype>(Value.size(), 11)));
}

void TGIFApplicationExtension::SaveToStream(QIODevice &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    WriteByte(Stream, 11);
    WriteExact(Stream, FIdentifier, 11);
    SaveData(Stream);
}

void TGIFApplicationExtension::LoadFromStream(QIODevice &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    uint8_t size;
    if (!ReadByteChecked(Stream, size))
        RaiseGIFError(QStringLiteral("Premature end of data"));
    if (size < 10)
        RaiseGIFError(QStringLiteral("Unsupported Application Extension block size"));
    std::memset(FIdentifier, 0, sizeof FIdentifier);
    if (size == 10) {
        ReadExact(Stream, FIdentifier, 10);
    } else {
        ReadExact(Stream, FIdentifier, 11);
        SkipBytes(Stream, size - 11);
    }
    LoadData(Stream);
}

void TGIFBlock::SaveToStream(QIODevice &Stream) const
{
    WriteByte(Stream, Size());
    WriteExact(Stream, FData.constData(), FData.size());
}

void TGIFBlock::LoadFromStream(QIODevice &Stream)
{
    ReadExact(Stream, FData.data(), FData.size());
}

void TGIFUnknownAppExtension::SaveData(QIODevice &Stream)
{
    for (const auto &block : FBlocks)
        block->SaveToStream(Stream);
    WriteByte(Stream, 0);
}

void TGIFUnknownAppExtension::LoadData(QIODevice &Stream)
{
    FBlocks.clear();
    uint8_t size;
    while (ReadByteChecked(Stream, size) && size != 0) {
        auto block = std::make_unique<TGIFBlock>(size);
        block->LoadFromStream(Stream);
        FBlocks.push_back(std::move(block));
    }
}

void TGIFUnknownExtension::SaveToStream(QIODevice &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    for (const auto &block : FBlocks)
        block->SaveToStream(Stream);
    WriteByte(Stream, 0);
}

void TGIFUnknownExtension::LoadFromStream(QIODevice &Stream)
{
    FLabel = ReadExtensionIntroducer(Stream);
    FBlocks.clear();
    uint8_t size;
    while (ReadByteChecked(Stream, size) && size != 0) {
        auto block = std::make_unique<TGIFBlock>(size);
        block->LoadFromStream(Stream);
        FBlocks.push_back(std::move(block));
    }
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage *SubImage) : TGIFApplicationExtension(SubImage)
{
    std::memcpy(FIdentifier, "NETSCAPE2.0", 11);
}

void TGIFAppExtNSLoop::SaveData(QIODevice &Stream)
{
    const uint8_t loops[4] = {3, 1, uint8_t(FLoops & 0xFF), uint8_t(FLoops >> 8)};
    WriteExact(Stream, loops, 4);
    if (FBufferSize != 0) {
        // clang-format off
        const uint8_t buffer[6] = {5, 2, uint8_t(FBufferSize & 0xFF), uint8_t((FBufferSize >> 8) & 0xFF),
                                   uint8_t((FBufferSize >> 16) & 0xFF), uint8_t(FBufferSize >> 24)};
        // clang-format on
        WriteExact(Stream, buffer, 6);
    }
    WriteByte(Stream, 0);
}

void TGIFAppExtNSLoop::LoadData(QIODevice &Stream)
{
    uint8_t size;
    while (ReadByteChecked(Stream, size) && size != 0) {
        uint8_t id;
        if (!ReadByteChecked(Stream, id))
            RaiseGIFError(QStringLiteral("Premature end of data"));
        int left = size - 1;
        if ((id & 7) == 1) {
            if (left < 2)
                RaiseGIFError(QStringLiteral("Invalid GIF data"));
            uint8_t b[2];
            ReadExact(Stream, b, 2);
            FLoops = uint16_t(b[0] | (b[1] << 8));
            left -= 2;
        } else if ((id & 7) == 2) {
            if (left < 4)
                RaiseGIFError(QStringLiteral("Invalid GIF data"));
            uint8_t b[4];
            ReadExact(Stream, b, 4);
            FBufferSize =
                uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
            left -= 4;
        }
        SkipBytes(Stream, left);
    }
}

// ---------------------------------------------------------------- list

TGIFExtension *TGIFExtensionList::Extensions(int Index) const
{
    return static_cast<TGIFExtension *>(Item(Index));
}

void TGIFExtensionList::LoadFromStream(QIODevice &Stream, TGIFSubImage *SubImage)
{
    uint8_t byte;
    if (!ReadByteChecked(Stream, byte))
        return;
    while (byte != 0x2C && byte != 0x3B) {
        if (byte != 0x21) {
            Warning(gsWarning, QStringLiteral("Invalid extension introducer"));
            break;
        }
        const TGIFExtensionClass *cls = FindExtensionClass(Stream);
        if (!cls)
            RaiseGIFError(QStringLiteral("Unknown extension type"));
        StepBack(Stream);
        std::unique_ptr<TGIFExtension> extension(cls->Create(SubImage));
        extension->LoadFromStream(Stream);
        Add(extension.release());
        if (!ReadByteChecked(Stream, byte))
            return;
    }
    StepBack(Stream);
}
