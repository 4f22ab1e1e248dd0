#include "engine/QmStream.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray Head = "[Morvane_Software_Plikora_Envelope]\r\n*** DO NOT TRY TO EDIT THIS FILE!!! ***\r\n";

// What the main window takes from a file, read the way it reads one.
struct Loaded
{
    QByteArray destination, attention;
    QString envelope, returnAddress;
    QStringList unknown;
    QString error;
    bool valid = false;
};

Loaded ReadAll(TCompositeFileStream &stream)
{
    Loaded out;
    try {
        out.valid = stream.IsValidFile();
        if (!out.valid)
            return out;
        while (!stream.EndOfFile()) {
            const QString name = stream.ReadBlockHeader();
            if (name == "Destination")
                out.destination = stream.ReadBlock();
            else if (name == "Attention")
                out.attention = stream.ReadBlock();
            else if (name == "Envelope")
                out.envelope = stream.ReadLine();
            else if (name == "ReturnAddress")
                out.returnAddress = stream.ReadLine();
            else
                out.unknown << name;
        }
    } catch (const ECompositeFileError &e) {
        out.error = e.Message();
    }
    return out;
}

Loaded ReadBytes(QByteArray bytes)
{
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    TCompositeStampFileStream stream(device, TCompositeFileMode::fmOpenRead, "test.env");
    return ReadAll(stream);
}

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

} // namespace

TEST(QmStream, WritesTheDocumentByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("letter.env");
    {
        TCompositeStampFileStream stream(path, TCompositeFileMode::fmCreate);
        stream.WriteFileHeader();
        stream.WriteBlock("Destination", QByteArrayView("{\\rtf1 A}\r\n"));
        stream.WriteBlockHeader("Envelope", 0);
        stream.WriteLine("#10 Business");
        stream.WriteBlockHeader("ReturnAddress", 0);
        stream.WriteLine("");
        stream.Commit();
    }
    EXPECT_EQ(FileBytes(path), Head
                                   + "[Destination=11]\r\n{\\rtf1 A}\r\n"
                                     "[Envelope=0]\r\n#10 Business\r\n"
                                     "[ReturnAddress=0]\r\n\r\n");
}

TEST(QmStream, RoundTripKeepsBlockBytesThatLookLikeLines)
{
    static const char raw[] = "line one\r\n[X=5]\r\n\r\nlone\rcr\nlf\0end";
    const QByteArray tricky(raw, sizeof raw - 1);
    QByteArray file;
    {
        QBuffer device(&file);
        device.open(QIODevice::WriteOnly);
        TCompositeStampFileStream stream(device, TCompositeFileMode::fmCreate);
        stream.WriteFileHeader();
        QBuffer source;
        source.setData(tricky);
        source.open(QIODevice::ReadOnly);
        source.seek(7); // the whole source is written, wherever it stands
        stream.WriteBlock("Destination", source);
        stream.WriteBlock("Attention", QByteArrayView());
        stream.WriteBlockHeader("Envelope", 0);
        stream.WriteLine("Two\r\nlines\rhere\n");
    }
    const Loaded got = ReadBytes(file);
    EXPECT_TRUE(got.error.isEmpty()) << got.error.toStdString();
    EXPECT_EQ(got.destination, tricky);
    EXPECT_TRUE(got.attention.isEmpty());
    EXPECT_EQ(got.envelope, "Two  lines here ");
    EXPECT_TRUE(got.unknown.isEmpty());
}

TEST(QmStream, ReadsAFileWrittenOnWindows)
{
    TCompositeStampFileStream stream(PLIKORA_TEST_DATA "/envfile/windows.env",
                                     TCompositeFileMode::fmOpenRead);
    const Loaded got = ReadAll(stream);
    ASSERT_TRUE(got.valid);
    EXPECT_TRUE(got.error.isEmpty()) << got.error.toStdString();
    EXPECT_EQ(got.destination.size(), 194);
    EXPECT_TRUE(got.destination.startsWith("{\\rtf1\\ansi"));
    EXPECT_TRUE(got.destination.endsWith(QByteArray("}\r\n\0", 4)));
    EXPECT_TRUE(got.attention.contains("Attn: Accounts Payable"));
    EXPECT_EQ(got.envelope, "#10 Business");
    EXPECT_EQ(got.returnAddress, QString::fromUtf8("Büro Köln € Home")); // Windows-1252 bytes
    EXPECT_TRUE(got.unknown.isEmpty());
}

TEST(QmStream, NameLinesAreUtf8WhenValid)
{
    const Loaded got =
        ReadBytes(Head + "[Envelope=0]\r\nUmschlag \xc3\xa4\r\n[ReturnAddress=0]\r\n\xe2\x82\xac 5\r\n");
    EXPECT_EQ(got.envelope, QString::fromUtf8("Umschlag ä"));
    EXPECT_EQ(got.returnAddress, QString::fromUtf8("€ 5"));

    QByteArray file;
    QBuffer device(&file);
    device.open(QIODevice::WriteOnly);
    TCompositeStampFileStream stream(device, TCompositeFileMode::fmCreate);
    stream.WriteLine(QString::fromUtf8("Müller €"));
    EXPECT_EQ(file, "M\xc3\xbcller \xe2\x82\xac\r\n");
}

TEST(QmStream, LineReadingRules)
{
    QByteArray bytes("abc\ndef\r\n[Envelope=0]\r\n\r\nx\ry\r\r\nlast");
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    TCompositeStampFileStream stream(device, TCompositeFileMode::fmOpenRead);
    EXPECT_EQ(stream.ReadLine(), "abcdef");
    EXPECT_EQ(stream.ReadBlockHeader(), "Envelope");
    EXPECT_EQ(stream.PendingSize(), 0);
    EXPECT_TRUE(stream.ReadBlock().isEmpty());
    EXPECT_EQ(stream.ReadLine(), "");
    EXPECT_EQ(stream.ReadLine(), "xy");
    EXPECT_EQ(stream.ReadLine(), "last");
    EXPECT_TRUE(stream.EndOfFile());
    EXPECT_EQ(stream.ReadLine(), "");
}

TEST(QmStream, UnknownBlocksAreSkippedBySize)
{
    // The unknown block hides a header that must not be obeyed.
    const QByteArray hidden = "[Destination=3]\r\nbad";
    const Loaded got = ReadBytes(Head + "[Extra=" + QByteArray::number(hidden.size()) + "]\r\n" + hidden
                                 + "[Destination=4]\r\ngood" + "[Envelope]\r\n[Envelope=0]\r\nDL\r\n");
    EXPECT_TRUE(got.error.isEmpty()) << got.error.toStdString();
    EXPECT_EQ(got.unknown, QStringList({"Extra", "[Envelope]"}));
    EXPECT_EQ(got.destination, "good");
    EXPECT_EQ(got.envelope, "DL");
}

TEST(QmStream, FilesThatAreNotOursAreRefused)
{
    EXPECT_FALSE(ReadBytes("").valid);
    EXPECT_FALSE(ReadBytes("[morvane_software_plikora_envelope]\r\n").valid);
    EXPECT_FALSE(ReadBytes(QByteArray(Head).replace("\r\n", "\n") + "[Destination=5]\nhello").valid);
    EXPECT_FALSE(ReadBytes(QByteArray(10 * 1024 * 1024, 'a')).valid);

    const Loaded onlySignature = ReadBytes("[Morvane_Software_Plikora_Envelope]");
    EXPECT_TRUE(onlySignature.valid);
    EXPECT_TRUE(onlySignature.error.isEmpty());
    EXPECT_TRUE(onlySignature.destination.isEmpty());
}

TEST(QmStream, DamagedHeadersKeepWhatWasLoaded)
{
    const QByteArray before = "[Envelope=0]\r\nDL\r\n[Destination=2]\r\nok";
    const struct
    {
        QByteArray header;
        const char *why;
    } cases[] = {
        {"[Attention=50]\r\nshort", "needs 50 bytes"},
        {"[Attention=2147483647]\r\nx", "needs 2147483647 bytes"},
        {"[Attention=2147483648]\r\nx", "too large"},
        {"[Attention=99999999999999999999999]\r\nx", "too large"},
        {"[Attention=-5]\r\nhello", "not a number"},
        {"[Attention=+5]\r\nhello", "not a number"},
        {"[Attention=5\r\nhello", "no closing"},
        {"Attention=5]\r\nhello", "does not begin"},
        {"[Attention=1]" + QByteArray(10 * 1024 * 1024, '1') + "\r\n", "longer than"},
    };
    for (const auto &c : cases) {
        const Loaded got = ReadBytes(Head + before + c.header);
        EXPECT_TRUE(got.error.contains(c.why))
            << c.header.left(40).toStdString() << ": " << got.error.toStdString();
        EXPECT_TRUE(got.error.contains("\"test.env\" is damaged")) << got.error.toStdString();
        EXPECT_EQ(got.envelope, "DL");
        EXPECT_EQ(got.destination, "ok");
        EXPECT_TRUE(got.attention.isEmpty());
    }
}

TEST(QmStream, AHeaderWhoseSizeIsNoNumberIsAnUnknownBlock)
{
    for (const QByteArray header : {"[Odd=12x]", "[A=B=1]", "[Attention=]"}) {
        const Loaded got = ReadBytes(Head + header + "\r\n[Envelope=0]\r\nDL\r\n[Destination=2]\r\nok");
        EXPECT_TRUE(got.error.isEmpty()) << header.toStdString() << ": " << got.error.toStdString();
        EXPECT_EQ(got.unknown, QStringList{QString()}) << header.toStdString();
        EXPECT_EQ(got.envelope, "DL");
        EXPECT_EQ(got.destination, "ok");
    }
}

TEST(QmStream, AFailedSaveLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.env");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    {
        TCompositeStampFileStream stream(path, TCompositeFileMode::fmCreate);
        stream.WriteFileHeader();
        stream.WriteBlock("Destination", QByteArrayView("new"));
        EXPECT_EQ(FileBytes(path), "old contents");
        // Gone out of scope uncommitted, as when an exception interrupts a save.
    }
    EXPECT_EQ(FileBytes(path), "old contents");
    {
        TCompositeStampFileStream stream(path, TCompositeFileMode::fmCreate);
        stream.WriteFileHeader();
        stream.Commit();
        EXPECT_THROW(stream.WriteLine("late"), ECompositeFileError);
    }
    EXPECT_EQ(FileBytes(path), Head);
    const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup;
    EXPECT_FALSE(QFile::permissions(path) & others); // the old file's mode is kept
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.env"});
}

TEST(QmStream, OpenAndCreateFailuresAreClear)
{
    QTemporaryDir dir;
    try {
        TCompositeStampFileStream stream(dir.filePath("missing.env"), TCompositeFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const ECompositeFileError &e) {
        EXPECT_TRUE(e.Message().startsWith("Cannot open file \"" + dir.filePath("missing.env") + "\"."));
    }
    EXPECT_THROW(TCompositeStampFileStream(dir.filePath("no/such/folder.env"), TCompositeFileMode::fmCreate),
                 ECompositeFileError);
    EXPECT_THROW(TCompositeStampFileStream(dir.path(), TCompositeFileMode::fmOpenRead), ECompositeFileError);
    EXPECT_THROW(TCompositeStampFileStream("/dev/zero", TCompositeFileMode::fmOpenRead), ECompositeFileError);

    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    TCompositeStampFileStream reader(device, TCompositeFileMode::fmOpenRead);
    EXPECT_THROW(reader.WriteLine("x"), ECompositeFileError);
}
