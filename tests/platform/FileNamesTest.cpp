#include "platform/FileNames.h"

#include <QUrl>

#include <gtest/gtest.h>

TEST(FileNames, BytesThatAreNotUtf8SurviveTheRoundTrip)
{
    const QByteArray names[] = {
        "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80.env",   // UTF-8: read as text
        "caf\xe9.env",                                     // Latin-1
        "\xed\xa0\x80 \xc0\xaf \xf4\x90\x80\x80 \xe2\x82", // surrogate, overlong, past Unicode, cut short
        "\xf0\x90\x82\x80\x80", // U+10080 (its low half looks like a kept byte), then one
    };
    for (const QByteArray &bytes : names) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        const QString name = DecodeFileName(bytes);
        EXPECT_EQ(EncodeFileName(name), bytes);
        EXPECT_EQ(HasRawFileNameBytes(name), QString::fromUtf8(bytes).toUtf8() != bytes);
    }
    EXPECT_EQ(DecodeFileName("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(DecodeFileName("caf\xe9").size(), 4);

    // A dropped file's URL carries the bytes percent-encoded.
    EXPECT_EQ(EncodeFileName(LocalFileName(QUrl("file:///tmp/caf%E9%20x.env"))),
              QByteArray("/tmp/caf\xe9 x.env"));
    EXPECT_EQ(LocalFileName(QUrl::fromLocalFile(QString::fromUtf8("/tmp/\xc3\xa9 #1.txt"))),
              QString::fromUtf8("/tmp/\xc3\xa9 #1.txt"));
}
