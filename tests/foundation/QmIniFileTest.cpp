#include "foundation/QmIniFile.h"
#include "foundation/WindowsDefaultFolders.h"
#include "support/SaveFaults.h"

#include <QDir>
#include <QFile>
#include <QFont>
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

QByteArray Bytes(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char((i * 37 + 11) & 0xFF);
    return b;
}

class QmIniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("p.INI")); }
};

TEST_F(QmIniFileTest, BinaryBlocksGiveExactKeys)
{
    TZambIniFile ini(path());
    for (int n : {0, 1, 32, 33, 65}) {
        ini.WriteString(QStringLiteral("IniId_1"), QStringLiteral("Earlier"), QStringLiteral("x"));
        const QByteArray data = Bytes(n);
        ini.WriteBinary(QStringLiteral("IniId_1"), data);
        QStringList keys;
        ini.ReadSection(QStringLiteral("IniId_1"), keys);
        QStringList expected = {QStringLiteral("Count")};
        for (int b = 0; b * 32 < n; ++b)
            expected << QStringLiteral("Block%1").arg(b, 4, 10, QLatin1Char('0'));
        EXPECT_EQ(keys, expected) << n; // the earlier key is gone
        EXPECT_EQ(ini.ReadBinarySize(QStringLiteral("IniId_1")), n);
        EXPECT_EQ(ini.ReadBinary(QStringLiteral("IniId_1")), std::optional<QByteArray>(data)) << n;
    }
    // 65 bytes: two full blocks of 64 characters, then two characters.
    EXPECT_EQ(ini.ReadString(QStringLiteral("IniId_1"), QStringLiteral("Block0000"), QString()),
              QString::fromLatin1(Bytes(32).toHex().toUpper()));
    EXPECT_EQ(ini.ReadString(QStringLiteral("IniId_1"), QStringLiteral("Block0002"), QString()),
              QString::fromLatin1(Bytes(65).mid(64).toHex().toUpper()));
    EXPECT_THROW(ini.WriteBinary(QStringLiteral("Big"), QByteArray(65537, 'a')), EIniFileException);
    EXPECT_NO_THROW(ini.WriteBinary(QStringLiteral("Big"), QByteArray(65536, 'a')));
    EXPECT_EQ(ini.ReadBinary(QStringLiteral("Big"))->size(), 65536);
}

TEST_F(QmIniFileTest, BinaryBlockIsOneRewrite)
{
    TZambIniFile ini(path());
    ini.WriteBinary(QStringLiteral("S"), Bytes(1000));
    EXPECT_EQ(ini.RewriteCount(), 1);
}

TEST_F(QmIniFileTest, DamagedBlocksAreRefusedWhole)
{
    WriteAll(path(), "[Lower]\nCount=3\nBlock0000=0aff7c\n"
                     "[NoCount]\nBlock0000=00\n"
                     "[Negative]\nCount=-1\n"
                     "[Huge]\nCount=65537\n"
                     "[Missing]\nCount=33\nBlock0000="
                         + QByteArray(64, 'A')
                         + "\n"
                           "[Short]\nCount=3\nBlock0000=0A0\n"
                           "[NotHex]\nCount=2\nBlock0000=0G00\n"
                           "[Signed]\nCount=1\nBlock0000=-1\n");
    TZambIniFile ini(path());
    EXPECT_EQ(ini.ReadBinary(QStringLiteral("Lower")),
              std::optional<QByteArray>(QByteArray("\x0a\xff\x7c", 3)));
    EXPECT_EQ(ini.ReadBinary(QStringLiteral("NoCount")), std::optional<QByteArray>(QByteArray()));
    EXPECT_EQ(ini.ReadBinary(QStringLiteral("Nothing")), std::optional<QByteArray>(QByteArray()));
    for (const char *s : {"Negative", "Huge", "Missing", "Short", "NotHex", "Signed"})
        EXPECT_EQ(ini.ReadBinary(QString::fromLatin1(s)), std::nullopt) << s;
}

TEST_F(QmIniFileTest, StringListsLeaveLongerTails)
{
    TZambIniFile ini(path());
    ini.WriteStrings(QStringLiteral("S"), QStringLiteral("Item"), {"a", "b", "c", "d", "e"});
    ini.WriteStrings(QStringLiteral("S"), QStringLiteral("Item"), {"x", " y ", "C:\\z"});
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("Item_Count"), 0), 3);
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("S"), QStringLiteral("Item_3")));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("S"), QStringLiteral("Item_4")));
    QStringList list = {"old"};
    ini.ReadStrings(QStringLiteral("s"), QStringLiteral("ITEM"), list);
    EXPECT_EQ(list, QStringList({"x", " y ", "C:\\z"}));
    EXPECT_EQ(ini.RewriteCount(), 2);
    // A damaged count reads only the entries that are there (an empty one is a key).
    WriteAll(path(), "[S]\nL_Count=3\nL_1=b\nL_2=\nH_Count=2147483647\nH_3=c\nN_Count=-4\n");
    ini.ReadStrings(QStringLiteral("S"), QStringLiteral("L"), list);
    EXPECT_EQ(list, QStringList({"b", ""}));
    ini.ReadStrings(QStringLiteral("S"), QStringLiteral("H"), list);
    EXPECT_EQ(list, QStringList({"c"}));
    ini.ReadStrings(QStringLiteral("S"), QStringLiteral("N"), list);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(QmIniFileTest, FontsColoursPointsAndPlacements)
{
    TZambRegistryIniFile reg(QStringLiteral("Plikora"), dir.path());
    TFontAttributes a;
    a.Name = QStringLiteral("Courier");
    reg.ReadTextAttributes(QStringLiteral("EnvelopeFont"), a);
    EXPECT_EQ(a, TFontAttributes{}); // Arial 10, colour 0, no styles
    TFontAttributes f{-20, QStringLiteral("Times New Roman"), 15, 0x0000FF, true, false, true, false};
    reg.WriteFont(QStringLiteral("EnvelopeFont"), f);
    QStringList keys;
    reg.ReadSection(QStringLiteral("EnvelopeFont"), keys);
    EXPECT_EQ(keys, QStringList({"FontHeight", "FontName", "FontSize", "FontColor", "FontBold", "FontItalic",
                                 "FontUnderline", "FontStrikeout"}));
    reg.ReadFont(QStringLiteral("envelopefont"), a);
    EXPECT_EQ(a, f);
    QFont qf;
    f.AssignTo(qf);
    EXPECT_EQ(qf.pointSize(), 15);
    EXPECT_TRUE(qf.bold() && qf.underline() && !qf.italic());

    reg.WriteColor(QStringLiteral("Options"), QStringLiteral("Back"), 0x00FFEEDD);
    EXPECT_EQ(reg.ReadColor(QStringLiteral("Options"), QStringLiteral("Back"), 0), 0x00FFEEDD);
    EXPECT_EQ(reg.ReadColor(QStringLiteral("Options"), QStringLiteral("None"), 7), 7);

    QPoint p(5, 6);
    reg.ReadPoint(QStringLiteral("FindDialog"), p);
    EXPECT_EQ(p, QPoint(5, 6));
    reg.WritePoint(QStringLiteral("FindDialog"), QPoint(-3, 40));
    reg.ReadPoint(QStringLiteral("FindDialog"), p);
    EXPECT_EQ(p, QPoint(-3, 40));

    TWindowRect r{1, 2, 3, 4};
    bool mi = true, ma = false;
    reg.ReadWindowPlacement(QStringLiteral("MainWindow"), r, mi, ma);
    EXPECT_EQ(r, (TWindowRect{1, 2, 3, 4}));
    EXPECT_TRUE(mi);
    reg.WriteWindowPlacement(QStringLiteral("MainWindow"), TWindowRect{10, 20, 810, 620}, false, true);
    reg.ReadSection(QStringLiteral("MainWindow"), keys);
    EXPECT_EQ(keys, QStringList({"Top", "Left", "Bottom", "Right", "Minimized", "Maximized"}));
    reg.ReadWindowPlacement(QStringLiteral("MainWindow"), r, mi, ma);
    EXPECT_EQ(r, (TWindowRect{10, 20, 810, 620}));
    EXPECT_FALSE(mi);
    EXPECT_TRUE(ma);
    EXPECT_EQ(reg.FileName(), dir.filePath(QStringLiteral("Morvane Software/Plikora/Registry.ini")));
}

class StoresTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StartWindowsDefaultFolders();
        WinDefaultFolders.AppData = dir.filePath(QStringLiteral("config"));
        QDir().mkpath(dir.filePath(QStringLiteral("bin")));
        program = dir.filePath(QStringLiteral("bin/pliKORA.bin"));
    }
    void TearDown() override
    {
        StopQmIniFile();
        StopWindowsDefaultFolders();
    }
    QTemporaryDir dir;
    QString program;
};

TEST_F(StoresTest, LocationsAndOneTimeMigration)
{
    WriteAll(dir.filePath(QStringLiteral("bin/pliKORA32.INI")), "[Envelopes]\nCount=1\nEnvelope1=Caf\xE9\n");
    StartQmIniFile(program);
    ASSERT_NE(IniFile, nullptr);
    ASSERT_NE(RegIni, nullptr);
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("plikora"));
    EXPECT_EQ(AppPath, dir.filePath(QStringLiteral("bin/")));
    EXPECT_EQ(OldIniPath, dir.filePath(QStringLiteral("bin/pliKORA32.INI")));
    EXPECT_EQ(NewIniPath, dir.filePath(QStringLiteral("config/Morvane Software/plikora/pliKORA.INI")));
    EXPECT_EQ(IniFile->FileName(), NewIniPath);
    EXPECT_EQ(RegIni->FileName(),
              dir.filePath(QStringLiteral("config/Morvane Software/plikora/Registry.ini")));
    EXPECT_EQ(IniFile->ReadString(QStringLiteral("Envelopes"), QStringLiteral("Envelope1"), QString()),
              QStringLiteral("Caf\u00e9"));
    IniFile->WriteInteger(QStringLiteral("Envelopes"), QStringLiteral("Count"), 2);
    RegIni->WriteBool(QStringLiteral("Options"), QStringLiteral("ShowBarCode"), true);
    StopQmIniFile();
    EXPECT_EQ(IniFile, nullptr);

    // The old file changes; the copy is kept.
    WriteAll(dir.filePath(QStringLiteral("bin/pliKORA32.INI")), "[Envelopes]\nCount=7\n");
    StartQmIniFile(program);
    EXPECT_EQ(IniFile->ReadInteger(QStringLiteral("Envelopes"), QStringLiteral("Count"), 0), 2);
    EXPECT_TRUE(RegIni->ReadBool(QStringLiteral("Options"), QStringLiteral("ShowBarCode"), false));
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("bin/pliKORA32.INI"))),
              QByteArray("[Envelopes]\nCount=7\n"));

    // After start-up the title changes; the data folder is the same in any case.
    SetApplicationTitle(QStringLiteral("Plikora"));
    EXPECT_EQ(GetDataFolder(), dir.filePath(QStringLiteral("config/Morvane Software/plikora/")));
}

TEST_F(StoresTest, AMigrationThatCannotBeWrittenLeavesNothingBehind)
{
    WriteAll(dir.filePath(QStringLiteral("bin/pliKORA32.INI")), "[Envelopes]\nCount=1\n");
    {
        ScopedFileSizeLimit limit(5);
        StartQmIniFile(program);
    }
    EXPECT_EQ(FolderEntries(dir.filePath(QStringLiteral("config/Morvane Software/plikora"))), QStringList());
    StopQmIniFile();
    StartQmIniFile(program);
    EXPECT_EQ(IniFile->ReadInteger(QStringLiteral("Envelopes"), QStringLiteral("Count"), 0), 1);
}

TEST_F(StoresTest, DataFolderWithoutAppDataStaysInHome)
{
    WinDefaultFolders.AppData.clear();
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
    SetApplicationTitle(QStringLiteral("Plikora"));
    EXPECT_EQ(GetDataFolder(), dir.filePath(QStringLiteral("home/.config/Morvane Software/Plikora/")));
    EXPECT_TRUE(QDir(GetDataFolder()).exists());
    qputenv("HOME", oldHome);
}

TEST_F(StoresTest, ShellFoldersComeFromXdg)
{
    StartWindowsDefaultFolders();
    EXPECT_EQ(WinDefaultFolders.AppData, qEnvironmentVariable("XDG_CONFIG_HOME"));
    EXPECT_FALSE(WinDefaultFolders.Personal.isEmpty());
    EXPECT_NE(WinDefaultFolders.Personal, QStringLiteral("/"));
    StopWindowsDefaultFolders();
    EXPECT_TRUE(WinDefaultFolders.AppData.isEmpty());
}

} // namespace
