#pragma once

// GIF89a extension blocks: graphic control, plain text, comment and
// application data (the looping extension and unknown application blocks), and
// extensions of labels we do not know.

#include "gif/GIFImage.h"

#include <QByteArray>
#include <QStringList>

class TGIFExtension;

// What a class reference does for the extension readers: create an instance,
// and tell which class should read the block at the stream.
struct TGIFExtensionClass
{
    const char *Name;
    TGIFExtension *(*Create)(TGIFSubImage *SubImage);
    const TGIFExtensionClass *(*FindExtension)(QIODevice &Stream);
};

class TGIFExtension : public TGIFItem
{
public:
    explicit TGIFExtension(TGIFSubImage *SubImage);
    ~TGIFExtension() override;

    virtual uint8_t GetExtensionType() const = 0;
    TGIFVersion GetVersion() const override { return GIFVersion89a; }
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;

    TGIFSubImage *SubImage() const { return FSubImage; }

protected:
    TGIFSubImage *FSubImage;
};

// Reads "!" and the label; returns the label.
uint8_t ReadExtensionIntroducer(QIODevice &Stream);
// The class that should read the extension whose label follows at the stream
// (which stands just after the "!"): an unknown label is kept as an unknown
// extension; nullptr only at the end of the stream. The stream is left where it was.
const TGIFExtensionClass *FindExtensionClass(QIODevice &Stream);

class TGIFGraphicControlExtension : public TGIFExtension
{
public:
    static const TGIFExtensionClass Class;
    explicit TGIFGraphicControlExtension(TGIFSubImage *SubImage);
    ~TGIFGraphicControlExtension() override;

    uint8_t GetExtensionType() const override { return 0xF9; }
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;

    bool Transparent() const { return (FPackedFields & 0x01) != 0; }
    void SetTransparent(bool Value);
    uint8_t TransparentColorIndex() const { return FTransparentColorIndex; }
    void SetTransparentColorIndex(uint8_t Value);
    uint16_t Delay() const { return FDelay; }
    void SetDelay(uint16_t Value) { FDelay = Value; }
    int Disposal() const { return (FPackedFields & 0x1C) >> 2; }
    void SetDisposal(int Value) { FPackedFields = uint8_t((FPackedFields & ~0x1C) | ((Value & 7) << 2)); }
    uint8_t PackedFields() const { return FPackedFields; }
    void SetPackedFields(uint8_t Value) { FPackedFields = Value; }

private:
    uint8_t FPackedFields = 0;
    uint16_t FDelay = 0;
    uint8_t FTransparentColorIndex = 0;
};

class TGIFTextExtension : public TGIFExtension
{
public:
    static const TGIFExtensionClass Class;
    using TGIFExtension::TGIFExtension;

    uint8_t GetExtensionType() const override { return 0x01; }
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;

    QStringList &Text() { return FText; }
    const QStringList &Text() const { return FText; }
    uint16_t Left = 0;
    uint16_t Top = 0;
    uint16_t GridWidth = 0;
    uint16_t GridHeight = 0;
    uint8_t CellWidth = 0;
    uint8_t CellHeight = 0;
    uint8_t TextForegroundColorIndex = 0;
    uint8_t TextBackgroundColorIndex = 0;

private:
    QStringList FText;
};

class TGIFCommentExtension : public TGIFExtension
{
public:
    static const TGIFExtensionClass Class;
    using TGIFExtension::TGIFExtension;

    uint8_t GetExtensionType() const override { return 0xFE; }
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;

    QStringList &Text() { return FText; }
    const QStringList &Text() const { return FText; }

private:
    QStringList FText;
};

class TGIFApplicationExtension : public TGIFExtension
{
public:
    static const TGIFExtensionClass Class;
    using TGIFExtension::TGIFExtension;

    uint8_t GetExtensionType() const override { return 0xFF; }
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;
    virtual void SaveData(QIODevice &Stream) = 0;
    virtual void LoadData(QIODevice &Stream) = 0;

    // 8 bytes application identifier, then 3 bytes authentication code.
    QByteArray Identifier() const { return QByteArray(reinterpret_cast<const char *>(FIdentifier), 11); }
    void SetIdentifier(const QByteArray &Value);

protected:
    uint8_t FIdentifier[11] = {};
};

// One raw data sub-block.
class TGIFBlock
{
public:
    explicit TGIFBlock(uint8_t Size) : FData(Size, '\0') {}
    uint8_t Size() const { return uint8_t(FData.size()); }
    QByteArray &Data() { return FData; }
    const QByteArray &Data() const { return FData; }
    void SaveToStream(QIODevice &Stream) const;
    void LoadFromStream(QIODevice &Stream);

private:
    QByteArray FData;
};

// Application data whose identifier we do not know, kept block by block.
class TGIFUnknownAppExtension : public TGIFApplicationExtension
{
public:
    static const TGIFExtensionClass Class;
    using TGIFApplicationExtension::TGIFApplicationExtension;

    void SaveData(QIODevice &Stream) override;
    void LoadData(QIODevice &Stream) override;

    std::vector<std::unique_ptr<TGIFBlock>> &Blocks() { return FBlocks; }
    const std::vector<std::unique_ptr<TGIFBlock>> &Blocks() const { return FBlocks; }

private:
    std::vector<std::unique_ptr<TGIFBlock>> FBlocks;
};

// An extension whose label we do not know, kept block by block so that it is
// written back as it came.
class TGIFUnknownExtension : public TGIFExtension
{
public:
    static const TGIFExtensionClass Class;
    using TGIFExtension::TGIFExtension;

    uint8_t GetExtensionType() const override { return FLabel; }
    void SetLabel(uint8_t Value) { FLabel = Value; }
    void SaveToStream(QIODevice &Stream) override;
    void LoadFromStream(QIODevice &Stream) override;

    std::vector<std::unique_ptr<TGIFBlock>> &Blocks() { return FBlocks; }
    const std::vector<std::unique_ptr<TGIFBlock>> &Blocks() const { return FBlocks; }

private:
    uint8_t FLabel = 0;
    std::vector<std::unique_ptr<TGIFBlock>> FBlocks;
};

// The looping extension ("NETSCAPE2.0" or "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension
{
public:
    static const TGIFExtensionClass Class;
    explicit TGIFAppExtNSLoop(TGIFSubImage *SubImage);

    void SaveData(QIODevice &Stream) override;
    void LoadData(QIODevice &Stream) override;

    uint16_t Loops() const { return FLoops; }
    void SetLoops(uint16_t Value) { FLoops = Value; }
    uint32_t BufferSize() const { return FBufferSize; }
    void SetBufferSize(uint32_t Value) { FBufferSize = Value; }

private:
    uint16_t FLoops = 0;
    uint32_t FBufferSize = 0;
};

// The extensions of one sub-image, in stream order.
class TGIFExtensionList : public TGIFList
{
public:
    using TGIFList::TGIFList;
    TGIFExtension *Extensions(int Index) const;
    void LoadFromStream(QIODevice &Stream, TGIFSubImage *SubImage);
};
