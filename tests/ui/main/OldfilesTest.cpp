#include "ui/main/Oldfiles.h"

#include "foundation/QmIniFile.h"
#include "foundation/WindowsDefaultFolders.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class OldFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    TZambRegistryIniFile store{"Plikora", dir.path()};

    QStringList Stored()
    {
        QStringList list;
        store.ReadStrings("OldFiles", "File", list);
        return list;
    }
};

} // namespace

TEST_F(OldFiles, MostRecentFirstAtMostSix)
{
    TOldFileList list(&store);
    for (int i = 1; i <= 7; ++i)
        list.OpenedFile(QString("/home/u/%1.env").arg(i));
    const QStringList expected{"/home/u/7.env", "/home/u/6.env", "/home/u/5.env",
                               "/home/u/4.env", "/home/u/3.env", "/home/u/2.env"};
    EXPECT_EQ(list.Items(), expected);
    EXPECT_EQ(Stored(), expected); // saved after every file

    // Re-opening moves a file to the top without a second entry.
    list.OpenedFile("/home/u/4.env");
    EXPECT_EQ(list.Strings(0), "/home/u/4.env");
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Items().count("/home/u/4.env"), 1);
    EXPECT_EQ(list.Strings(1), "/home/u/7.env");
}

TEST_F(OldFiles, NamesKeepTheirCaseAndLoseTrailingBlanks)
{
    TOldFileList list(&store);
    list.OpenedFile("/home/u/Letter.env");
    list.OpenedFile("/home/u/LETTER.env \t\r\n");
    list.OpenedFile("/home/u/Letter.env");
    list.OpenedFile("   ");
    EXPECT_EQ(list.Items(), QStringList({"/home/u/Letter.env", "/home/u/LETTER.env"}));

    QStringList history{"old"};
    list.UpdateOtherList(history);
    EXPECT_EQ(history, list.Items());
}

TEST_F(OldFiles, StoredAsAStringListAndLoadedAtMostSix)
{
    // A store may claim more than six, even billions: the first six load.
    store.WriteInteger("OldFiles", "File_Count", 2147483647);
    for (int i = 0; i < 8; ++i)
        store.WriteString("OldFiles", QString("File_%1").arg(i), QString("/f%1.env").arg(i));
    store.WriteString("OldFiles", "Stray", "x");

    TOldFileList list(&store);
    list.Load();
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Strings(5), "/f5.env");

    list.OpenedFile("/new.env");
    EXPECT_EQ(list.Items(), QStringList({"/new.env", "/f0.env", "/f1.env", "/f2.env", "/f3.env", "/f4.env"}));
    // The section is rewritten whole: no keys left over from the longer list.
    QStringList keys;
    store.ReadSection("OldFiles", keys);
    EXPECT_EQ(keys, QStringList({"File_Count", "File_0", "File_1", "File_2", "File_3", "File_4", "File_5"}));

    TOldFileList again(&store);
    again.Load();
    EXPECT_EQ(again.Items(), list.Items());
}

TEST_F(OldFiles, NamesTheStoreCannotHoldStayForTheRun)
{
    TOldFileList list(&store);
    list.OpenedFile("/a.env");
    list.OpenedFile("/two\nlines.env");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(Stored(), QStringList{"/a.env"});
}

TEST(OldFilesCaption, AmpersandsShowAsTyped)
{
    EXPECT_EQ(TOldFileList::MenuCaption(1, "/home/u/Smith & Jones.env"), "&1 /home/u/Smith && Jones.env");
    EXPECT_EQ(TOldFileList::MenuCaption(6, "/a\tb.env"), "&6 /a b.env");
}

TEST(OldFilesStartUp, TheProgramListLivesInTheRegistryStore)
{
    QTemporaryDir dir;
    StartWindowsDefaultFolders();
    WinDefaultFolders.AppData = dir.filePath("config");
    StartQmIniFile(dir.filePath("plikora"));
    RegIni->WriteStrings("OldFiles", "File", {"/b.env", "/a.env"});

    StartOldfiles();
    ASSERT_NE(OldFileList, nullptr);
    EXPECT_EQ(OldFileList->Items(), QStringList({"/b.env", "/a.env"}));
    OldFileList->OpenedFile("/a.env");
    StopOldfiles();
    EXPECT_EQ(OldFileList, nullptr);

    QStringList stored;
    RegIni->ReadStrings("OldFiles", "File", stored);
    EXPECT_EQ(stored, QStringList({"/a.env", "/b.env"}));
    StopQmIniFile();
    StopWindowsDefaultFolders();
}
