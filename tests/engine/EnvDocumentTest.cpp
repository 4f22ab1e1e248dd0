#include "engine/EnvDocument.h"
#include "engine/QmStream.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::optional<TEnvelopeDocument> FromBytes(QByteArray bytes)
{
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    return ReadEnvelopeDocument(device, QStringLiteral("test.env"));
}

} // namespace

TEST(EnvDocument, WritesTheBlocksItHasInTheirOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.env");
    TEnvelopeDocument doc;
    doc.Destination = QByteArray("{\\rtf1 Ann\\par}");
    doc.Envelope = QString::fromUtf8("#10 Büro\r\nx");
    WriteEnvelopeDocument(path, doc);
    EXPECT_EQ(
        FileBytes(path),
        QByteArray("[Morvane_Software_Plikora_Envelope]\r\n*** DO NOT TRY TO EDIT THIS FILE!!! "
                   "***\r\n[Destination=15]\r\n{\\rtf1 Ann\\par}[Envelope=0]\r\n#10 B\xc3\xbcro  x\r\n"));

    doc.Attention = QByteArray("{\\rtf1 Attn}");
    doc.ReturnAddress = QStringLiteral("Home");
    doc.Envelope = QStringLiteral("#10");
    WriteEnvelopeDocument(path, doc);
    const auto back = ReadEnvelopeDocument(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Destination, doc.Destination);
    EXPECT_EQ(back->Attention, doc.Attention);
    EXPECT_EQ(back->Envelope, doc.Envelope);
    EXPECT_EQ(back->ReturnAddress, doc.ReturnAddress);
    EXPECT_FALSE(back->Unknown);
}

TEST(EnvDocument, ReadsWindowsFilesAndTellsOtherFilesApart)
{
    const auto doc = ReadEnvelopeDocument(QStringLiteral(PLIKORA_TEST_DATA "/envfile/windows.env"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->Destination->size(), 194);
    EXPECT_EQ(doc->ReturnAddress, QString::fromUtf8("Büro Köln € Home"));

    EXPECT_FALSE(FromBytes("{\\rtf1 just rich text}\r\n"));
    const QByteArray head =
        "[Morvane_Software_Plikora_Envelope]\r\n*** DO NOT TRY TO EDIT THIS FILE!!! ***\r\n";
    const auto odd = FromBytes(head + "[Sticker=3]\r\nabc[Envelope=0]\r\nDL\r\n");
    ASSERT_TRUE(odd);
    EXPECT_TRUE(odd->Unknown);
    EXPECT_EQ(odd->Envelope, QStringLiteral("DL"));
    EXPECT_FALSE(odd->Destination);
    EXPECT_THROW(FromBytes(head + "[Destination=99]\r\nshort"), ECompositeFileError);
}

TEST(EnvDocument, ADocumentCutShortIsDamagedUnlessCutBetweenBlocks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("whole.env");
    TEnvelopeDocument whole;
    whole.Destination = QByteArray("{\\rtf1 Ann\\par 1 Elm St}");
    whole.Attention = QByteArray("{\\rtf1 Sales}");
    whole.Envelope = QStringLiteral("#10 Business");
    whole.ReturnAddress = QStringLiteral("Home");
    WriteEnvelopeDocument(path, whole);
    const QByteArray bytes = FileBytes(path);
    // Where a cut leaves a shorter document that is whole in itself.
    const qsizetype afterDestination = bytes.indexOf("[Attention=");
    const qsizetype afterAttention = bytes.indexOf("[Envelope=");
    const qsizetype afterEnvelope = bytes.indexOf("[ReturnAddress=");
    for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        std::optional<TEnvelopeDocument> doc;
        try {
            doc = FromBytes(bytes.left(cut));
        } catch (const ECompositeFileError &e) {
            EXPECT_TRUE(e.Message().startsWith("The file \"test.env\" is damaged: "))
                << e.Message().toStdString();
            continue;
        }
        ASSERT_TRUE(cut == afterDestination || cut == afterAttention || cut == afterEnvelope);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->Destination, whole.Destination);
        EXPECT_EQ(doc->Attention, cut > afterDestination ? whole.Attention : std::nullopt);
        EXPECT_EQ(doc->Envelope, cut > afterAttention ? whole.Envelope : std::nullopt);
        EXPECT_FALSE(doc->ReturnAddress);
    }
}
