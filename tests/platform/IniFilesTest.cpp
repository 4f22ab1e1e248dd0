#include "platform/CaseFolders.h"
#include "platform/IniFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    const QStringList values = {QStringLiteral("C:\\new\\pic.bmp"), QStringLiteral("a, b"), QStringLiteral(" x "),
                                QStringLiteral("\"q\""), QStringLiteral("'q'"), QStringLiteral("Grüße · €"),
                                QString(), QStringLiteral("{\\rtf1\\ansi a=b;c}"), QStringLiteral("\""),
                                QStringLiteral(" ")};
    {
        TIniFile ini(path());
        for (int i = 0; i < values.size(); ++i)
            ini.WriteString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), values.at(i));
    }
    TIniFile again(path());
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(again.ReadString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), QStringLiteral("?")), values.at(i))
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
    EXPECT_EQ(ini.ReadString(QStringLiteral("Envelopes"), QStringLiteral("Quoted"), QString()), QStringLiteral("a"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Envelopes"), QStringLiteral("Half"), QString()), QStringLiteral("\"a"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Envelopes"), QStringLiteral("Missing"), QStringLiteral("d")),
              QStringLiteral("d"));
    QStringList keys;
    ini.ReadSection(QStringLiteral("envelopes"), keys);
    EXPECT_EQ(keys, QStringList({"Count", "Name1", "Quoted", "Half"}));
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, QStringList({"Envelopes"}));

    // A write keeps the comment, the other lines and the key's spelling; the file becomes UTF-8.
    ini.WriteInteger(QStringLiteral("ENVELOPES"), QStringLiteral("COUNT"), 3);
    const QByteArray after = ReadAll(path());
    EXPECT_TRUE(after.startsWith("; note\n[Envelopes]\n"));
    EXPECT_TRUE(after.contains("\nCount=3\n"));
    EXPECT_TRUE(after.contains("Caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_TRUE(after.contains("\nbroken line\n"));
}

TEST_F(IniFilesTest, IntegersAndBooleans)
{
    WriteAll(path(), "[N]\nd=-42\nh=$1F\nx=0x1f\nX2=0XFF\nneg=-$10\nbad=12a\nbig=2147483648\nmin=-2147483648\n"
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
}

TEST_F(IniFilesTest, RefusesTextThatWouldBreakTheFormat)
{
    TIniFile ini(path());
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("a\nb=c")), EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("v")), EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S]"), QStringLiteral("K"), QStringLiteral("v")), EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("[K]"), QStringLiteral("v")), EIniFileException);
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
        EXPECT_EQ(e.Message(), "\"" + ini.FileName() + "\" cannot be saved because its folder does not exist.");
    }
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
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
