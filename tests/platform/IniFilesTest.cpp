#include "platform/IniFiles.h"
#include "platform/CaseFolders.h"
#include "platform/RegularFile.h"
#include "support/SaveFaults.h"
#include "support/ScriptedMessageService.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A literal with its NUL bytes.
template <size_t N> QByteArray Bytes(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class IniFilesTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("test.ini")); }
};

TEST_F(IniFilesTest, ValuesRoundTripThroughAFreshReader)
{
    const QStringList values = {QStringLiteral("C:\\new\\pic.bmp"),
                                QStringLiteral("a, b"),
                                QStringLiteral(" x "),
                                QStringLiteral("\"q\""),
                                QStringLiteral("'q'"),
                                QStringLiteral("Grüße · €"),
                                QString(),
                                QStringLiteral("{\\rtf1\\ansi a=b;c}"),
                                QStringLiteral("\""),
                                QStringLiteral(" ")};
    {
        TIniFile ini(path());
        for (int i = 0; i < values.size(); ++i)
            ini.WriteString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), values.at(i));
    }
    TIniFile again(path());
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(again.ReadString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), QStringLiteral("?")),
                  values.at(i))
            << i;
    // A long value comes back whole.
    const QString longValue(5000, QLatin1Char('x'));
    again.WriteString(QStringLiteral("S"), QStringLiteral("Long"), longValue);
    EXPECT_EQ(TIniFile(path()).ReadString(QStringLiteral("s"), QStringLiteral("long"), QString()), longValue);
}

TEST_F(IniFilesTest, ReadsWindowsProfileText)
{
    // Windows-1252 (0xE9 e-acute, 0x80 euro), CRLF, blanks round "=", quotes, a comment.
    WriteAll(path(), "; note\r\n[Envelopes]\r\n  Count = 2 \r\nName1=\"  Caf\xE9 \x80  \"\r\n"
                     "Name1=second\r\nQuoted='a'\r\nHalf=\"a\r\nbroken line\r\n[envelopes]\r\nCount=9\r\n");
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("ENVELOPES"), QStringLiteral("count"), 0), 2);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Envelopes"), QStringLiteral("NAME1"), QString()),
              QStringLiteral("  Caf\u00e9 \u20ac  "));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Envelopes"), QStringLiteral("Quoted"), QString()),
              QStringLiteral("a"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Envelopes"), QStringLiteral("Half"), QString()),
              QStringLiteral("\"a"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Envelopes"), QStringLiteral("Missing"), QStringLiteral(" d  ")),
              QStringLiteral(" d"));
    // The registry hands a default back as it is.
    EXPECT_EQ(TRegistryIniFile(QStringLiteral("Software\\T"), dir.path())
                  .ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d ")),
              QStringLiteral("d "));
    QStringList keys;
    ini.ReadSection(QStringLiteral("envelopes"), keys);
    EXPECT_EQ(keys, QStringList({"Count", "Name1", "Quoted", "Half"}));
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, QStringList({"Envelopes"}));

    // A write keeps the comment, the other lines, their ends and encoding, and the key's spelling.
    ini.WriteInteger(QStringLiteral("ENVELOPES"), QStringLiteral("COUNT"), 3);
    const QByteArray after = ReadAll(path());
    EXPECT_TRUE(after.startsWith("; note\r\n[Envelopes]\r\n"));
    EXPECT_TRUE(after.contains("\r\nCount=3\r\n"));
    EXPECT_TRUE(after.contains("Caf\xE9 \x80"));
    EXPECT_TRUE(after.contains("\r\nbroken line\r\n"));
    // Text Windows-1252 cannot hold turns the file into UTF-8.
    ini.WriteString(QStringLiteral("Envelopes"), QStringLiteral("Greek"), QStringLiteral("\u03a9"));
    EXPECT_TRUE(ReadAll(path()).contains("Caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(TIniFile(path()).ReadString(QStringLiteral("Envelopes"), QStringLiteral("Greek"), QString()),
              QStringLiteral("\u03a9"));
}

TEST_F(IniFilesTest, EveryLineEndAndEncodingIsReadAndWrittenBackWhole)
{
    // A NUL ends a line's text, yet what follows it is kept.
    const QString text = QStringLiteral("; Grüße\n[A]\nk=v1") + QChar(0)
                         + QStringLiteral("tail\n\n[B]\n x = \u00e9\u20ac \n[C]\n");
    // What the writes below make of it: a key added to a section and one to the last.
    QString written = text;
    written.replace(QStringLiteral("tail\n\n"), QStringLiteral("tail\nw=2\n\n"));
    written += QStringLiteral("n=1\n");
    const auto encode = [](QString t, const char *lineEnd, QStringConverter::Encoding encoding, bool bom) {
        t.replace(QLatin1Char('\n'), QLatin1String(lineEnd));
        QStringEncoder encoder(encoding,
                               bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(t));
    };
    const struct
    {
        const char *name;
        const char *lineEnd;
        QStringConverter::Encoding encoding;
        bool bom;
    } files[] = {
        {"LF", "\n", QStringConverter::Utf8, false},
        {"CR LF", "\r\n", QStringConverter::Utf8, false},
        {"CR", "\r", QStringConverter::Utf8, false},
        {"UTF-8 BOM", "\r\n", QStringConverter::Utf8, true},
        {"UTF-16 LE", "\r\n", QStringConverter::Utf16LE, true},
        {"UTF-16 BE", "\n", QStringConverter::Utf16BE, true},
        {"UTF-16 LE CR", "\r", QStringConverter::Utf16LE, true},
        {"UTF-16 LE without mark, CR", "\r", QStringConverter::Utf16LE, false},
        {"UTF-16 LE without mark, LF", "\n", QStringConverter::Utf16LE, false},
        {"UTF-16 BE without mark, CR LF", "\r\n", QStringConverter::Utf16BE, false},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        WriteAll(path(), encode(text, f.lineEnd, f.encoding, f.bom));
        TIniFile ini(path());
        QStringList sections;
        ini.ReadSections(sections);
        EXPECT_EQ(sections, QStringList({"A", "B", "C"}));
        EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("K"), QString()), QStringLiteral("v1"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("b"), QStringLiteral("x"), QString()),
                  QStringLiteral("\u00e9\u20ac"));
        ini.WriteInteger(QStringLiteral("C"), QStringLiteral("n"), 1);
        ini.WriteInteger(QStringLiteral("A"), QStringLiteral("w"), 2);
        EXPECT_EQ(ReadAll(path()), encode(written, f.lineEnd, f.encoding, f.bom));
    }
}

TEST_F(IniFilesTest, AFileThatCannotBeReadIsMovedAsideNeverOverwritten)
{
    ::alarm(60); // a pipe that blocked the reader would end the test here
    ScriptedMessageService messages;
    const QString aside =
        path() + QStringLiteral(".unreadable-") + QDate::currentDate().toString(Qt::ISODate);
    const QByteArray brokenUtf16 = QByteArray("\xFF\xFE[\0A\0]\0\n", 9);
    // UTF-16 without a mark whose first line tells nothing: half its bytes NUL.
    const QByteArray unmarkedUtf16 = QStringEncoder(QStringConverter::Utf16LE).encode(u"[\u03a9]\rk=v\r");
    for (const char *kind : {"broken UTF-16", "unmarked UTF-16", "pipe", "device", "too large"}) {
        SCOPED_TRACE(kind);
        const QByteArray bytes = kind == std::string("unmarked UTF-16") ? unmarkedUtf16 : brokenUtf16;
        if (kind == std::string("pipe")) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        } else if (kind == std::string("device")) {
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path()));
        } else if (kind == std::string("too large")) {
            WriteAll(path(), "[A]\nk=v\n");
            ASSERT_TRUE(QFile::resize(path(), kMaxDocumentBytes + 1));
        } else {
            WriteAll(path(), bytes);
        }
        const TFileKind before = FileKind(path());
        messages.shown.clear();
        {
            TIniFile ini(path());
            EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("d")),
                      QStringLiteral("d"));
            ASSERT_EQ(messages.shown.size(), 1);
            EXPECT_TRUE(messages.shown.at(0).message.contains(QStringLiteral("renamed to \"") + aside
                                                              + QLatin1Char('"')))
                << messages.shown.at(0).message.toStdString();
            EXPECT_FALSE(QFileInfo::exists(path()));
            ini.WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("new"));
            EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("k"), QString()),
                      QStringLiteral("new"));
        }
        EXPECT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(FileKind(aside), before);
        if (before == TFileKind::Regular && kind != std::string("too large")) {
            EXPECT_EQ(ReadAll(aside), bytes);
        }
        EXPECT_EQ(FileKind(QStringLiteral("/dev/zero")), TFileKind::Device);
        ASSERT_TRUE(QFile::remove(aside));
        ASSERT_TRUE(QFile::remove(path()));
    }
    // A name already taken is never reused.
    WriteAll(path(), brokenUtf16);
    WriteAll(aside, "first");
    QStringList sections;
    TIniFile(path()).ReadSections(sections);
    EXPECT_EQ(ReadAll(aside), "first");
    EXPECT_EQ(ReadAll(aside + QStringLiteral("-2")), brokenUtf16);
    ::alarm(0);
}

TEST_F(IniFilesTest, NulBytesAreReadAsTheProfileFunctionsReadThem)
{
    ScriptedMessageService messages;
    QStringEncoder le(QStringConverter::Utf16LE), be(QStringConverter::Utf16BE);
    const struct
    {
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"NULs at the end", Bytes("[A]\nk=v\nn=1\n\0\0\0")},
        {"NUL ending the file's last line", Bytes("[A]\r\nk=v\r\nn=1\0")},
        {"NULs before the first section", Bytes("\0\0\0[A]\nk=v\nn=1\n")},
        {"NUL inside lines", Bytes("[A]\0junk\nk=v\0=x\n\0\0\nn=1\0\0[B]\nm\0=2\n")},
        {"UTF-16 LE without mark", le.encode(QStringLiteral("[A]\r\nk=v\r\nn=1\r\n"))},
        {"UTF-16 BE without mark", be.encode(QStringLiteral("[A]\nk=v\nn=1\n"))},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        WriteAll(path(), f.bytes);
        {
            TIniFile ini(path());
            EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("k"), QString()),
                      QStringLiteral("v"));
            EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("n"), 0), 1);
            QStringList sections;
            ini.ReadSections(sections);
            EXPECT_EQ(sections, QStringList{"A"});
            ini.WriteString(QStringLiteral("A"), QStringLiteral("w"), QStringLiteral("x"));
        }
        EXPECT_TRUE(messages.shown.isEmpty());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"test.ini"}));
        TIniFile fresh(path());
        EXPECT_EQ(fresh.ReadString(QStringLiteral("A"), QStringLiteral("k"), QString()), QStringLiteral("v"));
        EXPECT_EQ(fresh.ReadString(QStringLiteral("A"), QStringLiteral("w"), QString()), QStringLiteral("x"));
    }
}

TEST_F(IniFilesTest, AFileTooLargeToBeReadIsNeverWritten)
{
    WriteAll(path(), "[A]\r\nk=v\r\n");
    TIniFile ini(path());
    QString reported;
    ini.SetWriteErrorHandler([&](const QString &message) { reported = message; });
    ini.WriteString(QStringLiteral("A"), QStringLiteral("big"), QString(kMaxDocumentBytes, QLatin1Char('x')));
    EXPECT_TRUE(reported.contains(QStringLiteral("64 MB"))) << reported.toStdString();
    EXPECT_EQ(ReadAll(path()), "[A]\r\nk=v\r\n");
    ini.SetWriteErrorHandler(nullptr);
    EXPECT_THROW(ini.WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("w")),
                 EIniFileException);
    EXPECT_EQ(TIniFile(path()).ReadString(QStringLiteral("A"), QStringLiteral("k"), QString()),
              QStringLiteral("v"));
}

TEST_F(IniFilesTest, IntegersAndBooleans)
{
    WriteAll(path(),
             "[N]\nd=-42\nh=$1F\nx=0x1f\nX2=0XFF\nneg=-$10\nbad=12a\nbig=2147483648\nmin=-2147483648\n"
             "all=$FFFFFFFF\nempty=\nsp= 7 \nt=1\nf=0\nyes=yes\n");
    TIniFile ini(path());
    auto I = [&](const char *k) { return ini.ReadInteger(QStringLiteral("N"), QString::fromLatin1(k), 99); };
    EXPECT_EQ(I("d"), -42);
    EXPECT_EQ(I("h"), 31);
    EXPECT_EQ(I("x"), 31);
    EXPECT_EQ(I("X2"), 255);
    EXPECT_EQ(I("neg"), -16);
    EXPECT_EQ(I("bad"), 99);
    EXPECT_EQ(I("big"), 99);
    EXPECT_EQ(I("min"), INT_MIN);
    EXPECT_EQ(I("all"), -1);
    EXPECT_EQ(I("empty"), 99);
    EXPECT_EQ(I("sp"), 7);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("N"), QStringLiteral("t"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("N"), QStringLiteral("f"), true));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("N"), QStringLiteral("yes"), true));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("N"), QStringLiteral("yes"), false));
    ini.WriteBool(QStringLiteral("N"), QStringLiteral("w"), true);
    ini.WriteBool(QStringLiteral("N"), QStringLiteral("v"), false);
    EXPECT_TRUE(ReadAll(path()).endsWith("w=1\nv=0\n"));
}

TEST_F(IniFilesTest, EraseDeleteAndExistence)
{
    TIniFile ini(path());
    ini.WriteString(QStringLiteral("A"), QStringLiteral("k1"), QStringLiteral("1"));
    ini.WriteString(QStringLiteral("B"), QStringLiteral("k"), QStringLiteral("2"));
    ini.WriteString(QStringLiteral("a"), QStringLiteral("K2"), QStringLiteral("3"));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("b")));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("A"), QStringLiteral("k2")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("A"), QStringLiteral("k")));
    ini.DeleteKey(QStringLiteral("A"), QStringLiteral("K1"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("A"), QStringLiteral("k1")));
    ini.EraseSection(QStringLiteral("a"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("A")));
    EXPECT_EQ(ReadAll(path()), QByteArray("[B]\nk=2\n"));
    QStringList values;
    ini.ReadSectionValues(QStringLiteral("B"), values);
    EXPECT_EQ(values, QStringList({"k=2"}));
    // Every copy of a section goes.
    WriteAll(path(), "[A]\nx=1\n[B]\nk=2\n[a]\ny=3\n[C]\n");
    ini.EraseSection(QStringLiteral("A"));
    EXPECT_EQ(ReadAll(path()), QByteArray("[B]\nk=2\n[C]\n"));
    // Names beyond ASCII compare by their case folding too.
    ini.WriteString(QStringLiteral("\u00c9t\u00e9"), QStringLiteral("Caf\u00c9"), QStringLiteral("4"));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("\u00e9T\u00c9"), QStringLiteral("CAF\u00e9")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("\u00e9T\u00c9"), QStringLiteral("CAFE")));
}

TEST_F(IniFilesTest, RefusesTextThatWouldBreakTheFormat)
{
    TIniFile ini(path());
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("a\nb=c")),
                 EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("v")),
                 EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S]"), QStringLiteral("K"), QStringLiteral("v")),
                 EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("[K]"), QStringLiteral("v")),
                 EIniFileException);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(IniFilesTest, EveryWriteReachesTheDiskAndBatchesRewriteOnce)
{
    TIniFile ini(path());
    TIniFile other(path());
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_EQ(ini.RewriteCount(), 1);
    // Another object on the same file sees the write, and this one sees its writes.
    EXPECT_EQ(other.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("1"));
    other.WriteString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("2"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("B"), QString()), QStringLiteral("2"));
    // Writing the same value again does not touch the file.
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_EQ(ini.RewriteCount(), 1);
    {
        TIniUpdate update(ini);
        for (int i = 0; i < 50; ++i)
            ini.WriteInteger(QStringLiteral("List"), QStringLiteral("K%1").arg(i), i);
        EXPECT_FALSE(ReadAll(path()).contains("K0="));
        update.Commit();
    }
    EXPECT_EQ(ini.RewriteCount(), 2);
    EXPECT_EQ(other.ReadInteger(QStringLiteral("List"), QStringLiteral("K49"), 0), 49);
    // No temporary files are left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"test.ini"}));
}

TEST_F(IniFilesTest, AFailedWriteRaisesAndKeepsTheOldFile)
{
    TIniFile ini(dir.filePath(QStringLiteral("missing/folder/x.ini")));
    try {
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
        FAIL() << "no exception";
    } catch (const EIniFileException &e) {
        EXPECT_EQ(e.Message(),
                  "\"" + ini.FileName() + "\" cannot be saved because its folder does not exist.");
    }
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(IniFilesTest, AnUpdateLeftHalfwayWritesNothing)
{
    TIniFile ini(path());
    ini.WriteString(QStringLiteral("List"), QStringLiteral("A"), QStringLiteral("1"));
    ini.WriteString(QStringLiteral("List"), QStringLiteral("B"), QStringLiteral("2"));
    ini.WriteString(QStringLiteral("Kept"), QStringLiteral("K"), QStringLiteral("k"));
    ini.WriteString(QStringLiteral("Kept"), QStringLiteral("L"), QStringLiteral("l"));
    const QByteArray before = ReadAll(path());
    const auto half = [&] {
        TIniUpdate update(ini);
        ini.WriteString(QStringLiteral("Kept"), QStringLiteral("K"), QStringLiteral("changed"));
        ini.DeleteKey(QStringLiteral("Kept"), QStringLiteral("L"));
        ini.WriteString(QStringLiteral("New"), QStringLiteral("N"), QStringLiteral("n"));
        ini.EraseSection(QStringLiteral("List"));
        ini.WriteString(QStringLiteral("List"), QStringLiteral("A"), QStringLiteral("one"));
        ini.WriteString(QStringLiteral("List"), QStringLiteral("B"), QStringLiteral("bad") + QChar(0));
        update.Commit();
    };
    EXPECT_THROW(half(), EIniFileException);
    EXPECT_EQ(ReadAll(path()), before);
    EXPECT_EQ(ini.ReadString(QStringLiteral("List"), QStringLiteral("A"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.RewriteCount(), 4);

    // An inner scope goes back to where it began; the outer one still commits its own writes.
    {
        TIniUpdate outer(ini);
        ini.WriteString(QStringLiteral("Other"), QStringLiteral("X"), QStringLiteral("x"));
        EXPECT_THROW(half(), EIniFileException);
        EXPECT_EQ(ini.ReadString(QStringLiteral("Other"), QStringLiteral("X"), QString()),
                  QStringLiteral("x"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Kept"), QStringLiteral("K"), QString()),
                  QStringLiteral("k"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Kept"), QStringLiteral("L"), QString()),
                  QStringLiteral("l"));
        EXPECT_FALSE(ini.SectionExists(QStringLiteral("New")));
        outer.Commit();
    }
    TIniFile fresh(path());
    EXPECT_EQ(fresh.ReadString(QStringLiteral("List"), QStringLiteral("B"), QString()), QStringLiteral("2"));
    EXPECT_EQ(fresh.ReadString(QStringLiteral("Other"), QStringLiteral("X"), QString()), QStringLiteral("x"));
}

TEST_F(IniFilesTest, ASectionWrittenAgainAfterItsEraseHoldsJustTheNewKeysInWrittenOrder)
{
    TIniFile ini(path());
    const QString list = QStringLiteral("List");
    const auto write = [&](const QStringList &keysAndValues) {
        for (qsizetype i = 0; i + 1 < keysAndValues.size(); i += 2)
            ini.WriteString(list, keysAndValues.at(i), keysAndValues.at(i + 1));
    };
    {
        TIniUpdate update(ini);
        write({"Count", "3", "Item1", "a", "Item2", "b", "Item3", "c"});
        ini.WriteString(QStringLiteral("Other"), QStringLiteral("k"), QStringLiteral("v"));
        update.Commit();
    }
    // The same keys again, fewer of them and one spelt anew; the section goes last.
    {
        TIniUpdate update(ini);
        ini.EraseSection(QStringLiteral("LIST"));
        write({"Count", "2", "ITEM1", "a"});
        EXPECT_FALSE(ini.ValueExists(list, QStringLiteral("Item2")));
        QStringList keys;
        ini.ReadSection(list, keys);
        EXPECT_EQ(keys, QStringList({"Count", "ITEM1"}));
        write({"Item2", "B"});
        update.Commit();
    }
    EXPECT_EQ(ReadAll(path()), QByteArray("[Other]\nk=v\n[List]\nCount=2\nITEM1=a\nItem2=B\n"));
    // Another order.
    {
        TIniUpdate update(ini);
        ini.EraseSection(list);
        write({"Count", "2", "Item2", "b", "Item1", "a"});
        update.Commit();
    }
    EXPECT_EQ(ReadAll(path()), QByteArray("[Other]\nk=v\n[List]\nCount=2\nItem2=b\nItem1=a\n"));
    // Left halfway inside another update, the section is as it was.
    const auto half = [&] {
        TIniUpdate update(ini);
        ini.EraseSection(list);
        write({"Count", "3", "Item1", "x", "Item9", QStringLiteral("bad") + QChar(0)});
        update.Commit();
    };
    {
        TIniUpdate outer(ini);
        ini.WriteString(QStringLiteral("Other"), QStringLiteral("k"), QStringLiteral("w"));
        EXPECT_THROW(half(), EIniFileException);
        QStringList values;
        ini.ReadSectionValues(list, values);
        EXPECT_EQ(values, QStringList({"Count=2", "Item2=b", "Item1=a"}));
        write({"Item3", "c"});
        outer.Commit();
    }
    EXPECT_EQ(ReadAll(path()), QByteArray("[Other]\nk=w\n[List]\nCount=2\nItem2=b\nItem1=a\nItem3=c\n"));
}

TEST_F(IniFilesTest, AWriteErrorHandlerIsToldAndTheChangesWaitInMemory)
{
    TIniFile ini(path());
    ini.WriteString(QStringLiteral("S"), QStringLiteral("Old"), QStringLiteral("o"));
    const QByteArray before = ReadAll(path());
    QStringList told;
    ini.SetWriteErrorHandler([&](const QString &message) { told << message; });
    {
        ScopedSaveFault fault(SaveStep::Sync, ENOSPC);
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
    }
    EXPECT_EQ(told, QStringList{
                        QStringLiteral("There is not enough space on the disk to save \"%1\".").arg(path())});
    EXPECT_EQ(ReadAll(path()), before);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), QStringLiteral("v"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("L"), QStringLiteral("w"));
    TIniFile fresh(path());
    EXPECT_EQ(fresh.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), QStringLiteral("v"));
    EXPECT_EQ(fresh.ReadString(QStringLiteral("S"), QStringLiteral("L"), QString()), QStringLiteral("w"));
    EXPECT_EQ(told.size(), 1);
}

TEST_F(IniFilesTest, RegistryFileReusesFoldersDifferingInCase)
{
    QDir(dir.path()).mkpath(QStringLiteral("morvane software/plikora"));
    TRegistryIniFile reg(QStringLiteral("Software\\Morvane Software\\Plikora"), dir.path());
    EXPECT_EQ(reg.FileName(), dir.filePath(QStringLiteral("morvane software/plikora/Registry.ini")));
    TRegistryIniFile fresh(QStringLiteral("Software\\Other\\..\\Name"), dir.path());
    EXPECT_TRUE(fresh.FileName().startsWith(dir.path() + QStringLiteral("/Other/_/Name/")));
    bool ok = false;
    EXPECT_EQ(ForceDirectoriesNoCase(dir.path(), QStringLiteral("MORVANE SOFTWARE/New"), &ok),
              dir.filePath(QStringLiteral("morvane software/New")));
    EXPECT_TRUE(ok);
}

} // namespace
