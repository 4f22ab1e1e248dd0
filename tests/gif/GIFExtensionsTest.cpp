#include "gif/GifOracle.h"

#include "gif/GIFExtensions.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

struct Fixture
{
    TGIFImage Image;
    TGIFSubImage *Sub = new TGIFSubImage(&Image);
    QStringList Warnings;

    Fixture()
    {
        Image.Images()->Add(Sub);
        Image.SetOnWarning([this](const void *, TGIFSeverity, const QString &m) { Warnings.append(m); });
    }

    // Reads the extensions in front of an image from Bytes; returns where the stream stopped.
    qint64 Read(const QByteArray &Bytes)
    {
        QByteArray copy = Bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        Sub->Extensions()->LoadFromStream(buffer, Sub);
        return buffer.pos();
    }

    QByteArray Write()
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        Sub->Extensions()->SaveToStream(buffer);
        return bytes;
    }

    template <class T> T *Ext(int Index) { return dynamic_cast<T *>(Sub->Extensions()->Extensions(Index)); }
};

QByteArray Bytes(std::initializer_list<int> Values)
{
    QByteArray b;
    for (int v : Values)
        b.append(char(v));
    return b;
}

} // namespace

TEST(GIFExtensions, GraphicControlSetsAndClearsTransparency)
{
    Fixture f;
    const QByteArray gce = Bytes({0x21, 0xF9, 4, 0x09, 0x10, 0x00, 7, 0});
    EXPECT_EQ(f.Read(gce + gce + ","), 16);
    ASSERT_EQ(f.Sub->Extensions()->Count(), 2);
    EXPECT_TRUE(f.Sub->Transparent());
    auto *first = f.Ext<TGIFGraphicControlExtension>(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(f.Sub->GraphicControlExtension(), first);
    EXPECT_EQ(first->Delay(), 16);
    EXPECT_EQ(first->Disposal(), 2);
    EXPECT_EQ(first->TransparentColorIndex(), 7);
    EXPECT_EQ(f.Write(), gce + gce);
    // Freeing the first hands over to the second; freeing that clears it.
    f.Sub->Extensions()->Delete(0);
    EXPECT_TRUE(f.Sub->Transparent());
    EXPECT_EQ(f.Sub->GraphicControlExtension(), f.Ext<TGIFGraphicControlExtension>(0));
    EXPECT_EQ(f.Sub->Extensions()->Count(), 1);
    f.Sub->Extensions()->Delete(0);
    EXPECT_FALSE(f.Sub->Transparent());
    EXPECT_EQ(f.Sub->GraphicControlExtension(), nullptr);
}

TEST(GIFExtensions, GraphicControlIsReadRobustly)
{
    // A longer block and extra sub-blocks are passed over; it is written back in the fixed size.
    Fixture f;
    EXPECT_EQ(f.Read(Bytes({0x21, 0xF9, 6, 0x01, 2, 0, 3, 9, 9, 2, 5, 5, 0}) + ","), 13);
    auto *gce = f.Ext<TGIFGraphicControlExtension>(0);
    ASSERT_NE(gce, nullptr);
    EXPECT_TRUE(f.Warnings.isEmpty());
    EXPECT_EQ(gce->TransparentColorIndex(), 3);
    EXPECT_EQ(f.Write(), Bytes({0x21, 0xF9, 4, 0x01, 2, 0, 3, 0}));

    Fixture cut;
    cut.Read(Bytes({0x21, 0xF9, 4, 1, 2}));
    EXPECT_EQ(cut.Warnings, QStringList{QStringLiteral("Premature end of data")});
    EXPECT_EQ(cut.Sub->Extensions()->Count(), 1);
}

TEST(GIFExtensions, TransparentIndexOutsideTheTableWarns)
{
    Fixture f;
    for (int i = 0; i < 4; ++i)
        f.Sub->ColorMap()->Add(TColor(i));
    auto *gce = new TGIFGraphicControlExtension(f.Sub);
    f.Sub->Extensions()->Add(gce);
    gce->SetTransparentColorIndex(3);
    EXPECT_EQ(gce->TransparentColorIndex(), 3);
    gce->SetTransparentColorIndex(4);
    EXPECT_EQ(gce->TransparentColorIndex(), 0);
    EXPECT_EQ(f.Warnings, QStringList{QStringLiteral("Invalid color index")});
}

TEST(GIFExtensions, ApplicationBlocks)
{
    const QByteArray anim = Bytes({0x21, 0xFF, 11}) + "ANIMEXTS1.0" + Bytes({3, 1, 5, 0, 0});
    const QByteArray unknown10 = Bytes({0x21, 0xFF, 10}) + "XMP DataXM" + Bytes({2, 7, 8, 0});
    // An unknown identifier whose data looks like a looping block stays unknown.
    const QByteArray unknownNested =
        Bytes({0x21, 0xFF, 11}) + "OTHERAPP1.0" + Bytes({11}) + "NETSCAPE2.0" + Bytes({0});
    // A longer identifier block is classified by its first 11 bytes.
    const QByteArray longLoop = Bytes({0x21, 0xFF, 13}) + "NETSCAPE2.0zz" + Bytes({3, 9, 2, 0, 0});
    Fixture f;
    f.Read(anim + unknown10 + unknownNested + longLoop + ";");
    EXPECT_TRUE(f.Warnings.isEmpty());
    ASSERT_EQ(f.Sub->Extensions()->Count(), 4);

    auto *loop = f.Ext<TGIFAppExtNSLoop>(0);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops(), 5);
    EXPECT_EQ(loop->Identifier(), QByteArray("ANIMEXTS1.0"));

    auto *raw = f.Ext<TGIFUnknownAppExtension>(1);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw->Identifier(), QByteArray("XMP DataXM", 10) + Bytes({0}));
    ASSERT_EQ(raw->Blocks().size(), 1u);
    EXPECT_EQ(raw->Blocks()[0]->Data(), Bytes({7, 8}));

    auto *nested = f.Ext<TGIFUnknownAppExtension>(2);
    ASSERT_NE(nested, nullptr);
    ASSERT_EQ(nested->Blocks().size(), 1u);

    auto *longBlock = f.Ext<TGIFAppExtNSLoop>(3);
    ASSERT_NE(longBlock, nullptr);
    EXPECT_EQ(longBlock->Loops(), 2);

    const QByteArray expectedUnknown10 = Bytes({0x21, 0xFF, 11}) + "XMP DataXM" + Bytes({0, 2, 7, 8, 0});
    const QByteArray expectedLong = Bytes({0x21, 0xFF, 11}) + "NETSCAPE2.0" + Bytes({3, 1, 2, 0, 0});
    EXPECT_EQ(f.Write(), anim + expectedUnknown10 + unknownNested + expectedLong);
}

TEST(GIFExtensions, LoopingBlockData)
{
    Fixture f;
    auto *loop = new TGIFAppExtNSLoop(f.Sub);
    f.Sub->Extensions()->Add(loop);
    loop->SetLoops(0x0102);
    EXPECT_EQ(f.Write(), Bytes({0x21, 0xFF, 11}) + "NETSCAPE2.0" + Bytes({3, 1, 2, 1, 0}));
    loop->SetBufferSize(0x01020304);
    EXPECT_EQ(f.Write(), Bytes({0x21, 0xFF, 11}) + "NETSCAPE2.0" + Bytes({3, 1, 2, 1, 5, 2, 4, 3, 2, 1, 0}));

    struct Case
    {
        const char *Name;
        QByteArray Data;
        QString Error;
    } cases[] = {
        {"cut after size", Bytes({3}), QStringLiteral("Premature end of data")},
        {"cut inside", Bytes({3, 1, 2}), QStringLiteral("Premature end of data")},
        {"loop block too short", Bytes({2, 1, 2, 0}), QStringLiteral("Invalid GIF data")},
        {"stream ends without terminator", Bytes({3, 1, 2, 0}), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        Fixture g;
        QString error;
        try {
            g.Read(Bytes({0x21, 0xFF, 11}) + "NETSCAPE2.0" + c.Data);
        } catch (const GIFException &e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.Error);
    }
}

TEST(GIFExtensions, CommentAndPlainText)
{
    Fixture f;
    auto *comment = new TGIFCommentExtension(f.Sub);
    f.Sub->Extensions()->Add(comment);
    comment->Text().append(QString(600, u'c'));
    auto *text = new TGIFTextExtension(f.Sub);
    f.Sub->Extensions()->Add(text);
    text->Left = 300;
    text->CellWidth = 8;
    text->TextBackgroundColorIndex = 2;
    text->Text() = QStringList{QStringLiteral("Hello"), QStringLiteral("World")};
    const QByteArray written = f.Write();
    EXPECT_EQ(written.mid(0, 3), Bytes({0x21, 0xFE, 255}));
    EXPECT_EQ(written.mid(2 + 256 + 256, 1), Bytes({90}));
    EXPECT_EQ(written.mid(2 + 256 + 256 + 91, 1), Bytes({0}));

    Fixture g;
    g.Read(written + ",");
    ASSERT_EQ(g.Sub->Extensions()->Count(), 2);
    EXPECT_EQ(g.Ext<TGIFCommentExtension>(0)->Text(),
              (QStringList{QString(255, u'c'), QString(255, u'c'), QString(90, u'c')}));
    auto *readText = g.Ext<TGIFTextExtension>(1);
    ASSERT_NE(readText, nullptr);
    EXPECT_EQ(readText->Left, 300);
    EXPECT_EQ(readText->CellWidth, 8);
    EXPECT_EQ(readText->TextBackgroundColorIndex, 2);
    EXPECT_EQ(readText->Text(), (QStringList{QStringLiteral("Hello"), QStringLiteral("World")}));
    EXPECT_EQ(g.Write(), written.mid(0, 2 + 256 + 256 + 91 + 1)
                             + Bytes({0x21, 0x01, 12,  44,  1,   0,   0,   0, 0,   0,   0,   8,   0,   0,
                                      2,    5,    'H', 'e', 'l', 'l', 'o', 5, 'W', 'o', 'r', 'l', 'd', 0}));
}

TEST(GIFExtensions, UnknownLabelsAndStrayBytes)
{
    // A label we do not know is kept and written back; only a stream that ends at "!" cannot be read.
    Fixture k;
    const QByteArray unknown = Bytes({0x21, 0x02, 2, 'x', 'y', 1, 'z', 0});
    EXPECT_EQ(k.Read(unknown + ","), unknown.size());
    ASSERT_NE(k.Ext<TGIFUnknownExtension>(0), nullptr);
    EXPECT_EQ(k.Write(), unknown);
    Fixture f;
    try {
        f.Read(Bytes({0x21}));
        ADD_FAILURE() << "no exception";
    } catch (const GIFException &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unknown extension type"));
    }
    Fixture g;
    EXPECT_EQ(g.Read(Bytes({0x21, 0xFE, 1, 'a', 0, 0x42, 0x2C})), 5);
    EXPECT_EQ(g.Warnings, QStringList{QStringLiteral("Invalid extension introducer")});
    EXPECT_EQ(g.Sub->Extensions()->Count(), 1);
}

TEST(GIFExtensions, ExtensionsAfterTheLastImageRoundTrip)
{
    const QByteArray comment = Bytes({0x21, 0xFE, 2, 'h', 'i', 0});
    const QByteArray gif =
        MakeGif(1, 1, 1, ImageBlock(1, 1, false, PackCodes(2, {{4, 3}, {1, 3}, {5, 3}})) + comment);
    Loaded l = LoadGif(gif);
    ASSERT_TRUE(l.Error.isEmpty());
    ASSERT_EQ(l.Image->Images()->Count(), 2);
    EXPECT_TRUE(l.Image->Images()->SubImages(1)->Empty());
    EXPECT_EQ(l.Image->GetVersion(), GIFVersion89a);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    l.Image->SaveToStream(buffer);
    EXPECT_TRUE(out.startsWith("GIF89a"));
    EXPECT_TRUE(out.endsWith(comment + ";"));
}
