#include "platform/ShellLink.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

void U16(QByteArray &b, quint32 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void U32(QByteArray &b, quint32 v)
{
    U16(b, v & 0xFFFF);
    U16(b, v >> 16);
}

// A link as the Windows shell writes one for a local file: an item-id list, the
// link information in the ANSI code page, ANSI strings and an environment block.
QByteArray WindowsStyleLink()
{
    QByteArray b;
    U32(b, 0x4C);
    b.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    U32(b, 0x1 | 0x2 | 0x4 | 0x10 | 0x20);
    b.append(QByteArray(0x4C - b.size(), '\0'));
    U16(b, 6);
    U16(b, 4);
    b.append("\x1f\x50", 2);
    U16(b, 0); // id list: one item and the terminator
    QByteArray volume;
    U32(volume, 0x11);
    U32(volume, 3);
    U32(volume, 0x1234);
    U32(volume, 0x10);
    volume.append('\0');
    QByteArray base("C:\\Docs\\");
    base.append('\0');
    QByteArray suffix("Caf\xe9.env");
    suffix.append('\0');
    QByteArray info;
    U32(info, 0x1C + volume.size() + base.size() + suffix.size());
    U32(info, 0x1C);
    U32(info, 1);
    U32(info, 0x1C);
    U32(info, 0x1C + volume.size());
    U32(info, 0);
    U32(info, 0x1C + volume.size() + base.size());
    b.append(info + volume + base + suffix);
    for (QByteArray s : {QByteArray("My envelope"), QByteArray("C:\\Docs"), QByteArray("-x")}) {
        U16(b, s.size());
        b.append(s);
    }
    U32(b, 0);
    return b;
}

} // namespace

TEST(ShellLink, RoundTripKeepsNonAsciiAndLongPaths)
{
    ShellLinkData link;
    link.Target = QStringLiteral("/home/r\u00e9my/\u4fe1\u5c01/") + QString(600, QLatin1Char('a')) + ".env";
    link.WorkingDirectory = QStringLiteral("/home/r\u00e9my/\u4fe1\u5c01/");
    link.Description = QStringLiteral("Envelope for M\u00fcller \U0001F600");
    ShellLinkData back;
    ASSERT_TRUE(ReadShellLink(WriteShellLink(link), back));
    EXPECT_EQ(back.Target, link.Target);
    EXPECT_EQ(back.WorkingDirectory, link.WorkingDirectory);
    EXPECT_EQ(back.Description, link.Description);

    QTemporaryDir dir;
    QString file = dir.filePath("x.lnk");
    ASSERT_TRUE(WriteShellLinkFile(file, link));
    ASSERT_TRUE(ReadShellLinkFile(file, back));
    EXPECT_EQ(back.Target, link.Target);
}

TEST(ShellLink, ReadsTheWindowsLayout)
{
    ShellLinkData link;
    ASSERT_TRUE(ReadShellLink(WindowsStyleLink(), link));
    EXPECT_EQ(link.Target, QStringLiteral("C:\\Docs\\Caf\u00e9.env"));
    EXPECT_EQ(link.Description, "My envelope");
    EXPECT_EQ(link.WorkingDirectory, "C:\\Docs");
    EXPECT_EQ(link.Arguments, "-x");
}

TEST(ShellLink, ReadsUnicodeSharesAndItemLists)
{
    const auto header = [](quint32 flags) {
        QByteArray b;
        U32(b, 0x4C);
        b.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
        U32(b, flags);
        b.append(QByteArray(0x4C - b.size(), '\0'));
        return b;
    };
    const auto utf16 = [](const QString &s) {
        QByteArray b;
        for (QChar c : s + QChar(0))
            U16(b, c.unicode());
        return b;
    };
    // A share whose name the ANSI code page cannot hold.
    const QString share = QStringLiteral("\\\\srv\\\u03a0\u03b5\u03bb\u03ac\u03c4\u03b5\u03c2");
    QByteArray net;
    const QByteArray ansi = QByteArray("\\\\srv\\???????") + '\0';
    U32(net, 0x1C + ansi.size() + utf16(share).size());
    U32(net, 0);
    U32(net, 0x1C);
    U32(net, 0);
    U32(net, 0);
    U32(net, 0x1C + ansi.size());
    U32(net, 0);
    net += ansi + utf16(share);
    QByteArray info;
    U32(info, 0x1C + net.size() + 6);
    U32(info, 0x1C);
    U32(info, 2);
    U32(info, 0);
    U32(info, 0);
    U32(info, 0x1C);
    U32(info, 0x1C + net.size());
    ShellLinkData link;
    ASSERT_TRUE(ReadShellLink(
        header(0x2 | 0x80) + info + net + QByteArray("a.env\0", 6) + QByteArray(4, '\0'), link));
    EXPECT_EQ(link.Target, share + "\\a.env");

    // No link information: the computer, a drive, a folder with its long name, a file.
    QByteArray items;
    U16(items, 0x14);
    items.append("\x1f\x50", 2);
    items.append(QByteArray(16, '\x01'));
    QByteArray drive("\x2f"
                     "C:\\");
    drive.append(QByteArray(20, '\0'));
    U16(items, 2 + drive.size());
    items += drive;
    QByteArray folder("\x31");
    folder.append(QByteArray(11, '\0'));
    folder.append("DOCUME~1\0\0", 10);
    QByteArray extension;
    U16(extension, 9);
    U32(extension, 0xBEEF0004);
    extension.append(QByteArray(4 + 4 + 2 + 2 + 8 + 8 + 2 + 4 + 4, '\0'));
    extension += utf16(QStringLiteral("Dokumenty \u0141\u00f3d\u017a"));
    U16(extension, 2 + folder.size()); // where the block starts in its item
    QByteArray block;
    U16(block, 2 + extension.size());
    folder += block + extension;
    U16(items, 2 + folder.size());
    items += folder;
    QByteArray file("\x32");
    file.append(QByteArray(11, '\0'));
    file.append("a.env\0", 6);
    U16(items, 2 + file.size());
    items += file;
    U16(items, 0);
    QByteArray list;
    U16(list, items.size());
    ASSERT_TRUE(ReadShellLink(header(0x1 | 0x80) + list + items + QByteArray(4, '\0'), link));
    EXPECT_EQ(link.Target, QStringLiteral("C:\\Dokumenty \u0141\u00f3d\u017a\\a.env"));
}

TEST(ShellLink, DamagedDataIsRefused)
{
    ShellLinkData full;
    full.Target = "/tmp/a.env";
    full.Description = "d";
    for (const QByteArray &data : {WriteShellLink(full), WindowsStyleLink()}) {
        ShellLinkData link;
        for (qsizetype n = 0; n < data.size() - 4; ++n) {
            EXPECT_FALSE(ReadShellLink(data.left(n), link)) << n;
            EXPECT_TRUE(link.Target.isEmpty() && link.Description.isEmpty()
                        && link.WorkingDirectory.isEmpty());
        }
        // Sizes and offsets pointing outside the data.
        for (int at : {0x4C, 0x4E, 0x50, 0x54, 0x60}) {
            QByteArray bad = data;
            bad[at] = char(0xFF);
            bad[at + 1] = char(0x7F);
            ReadShellLink(bad, link); // must not read out of bounds
        }
    }
    QByteArray garbage(4096, '\0');
    for (char &c : garbage)
        c = char(QRandomGenerator::global()->generate());
    ShellLinkData link;
    EXPECT_FALSE(ReadShellLink(garbage, link));
    EXPECT_FALSE(ReadShellLinkFile("/nonexistent/x.lnk", link));
}

TEST(ShellLink, RelativePathResolvesAgainstTheLinkFolder)
{
    ShellLinkData link;
    link.RelativePath = "..\\docs\\a.env";
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("links");
    QString file = dir.filePath("links/a.lnk");
    ASSERT_TRUE(WriteShellLinkFile(file, link));
    ShellLinkData back;
    ASSERT_TRUE(ReadShellLinkFile(file, back));
    EXPECT_EQ(back.Target, dir.filePath("docs/a.env"));
}

namespace {

// A link with an item-id list and no link information, and optionally a relative path.
QByteArray ItemListLink(const QList<QByteArray> &items, const QString &relative = QString())
{
    QByteArray b;
    U32(b, 0x4C);
    b.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    U32(b, 0x1 | 0x80 | (relative.isEmpty() ? 0 : 0x8));
    b.append(QByteArray(0x4C - b.size(), '\0'));
    QByteArray list;
    for (const QByteArray &item : items) {
        U16(list, 2 + item.size());
        list += item;
    }
    U16(list, 0);
    U16(b, list.size());
    b += list;
    if (!relative.isEmpty()) {
        U16(b, relative.size());
        for (QChar c : relative)
            U16(b, c.unicode());
    }
    U32(b, 0);
    return b;
}

// A root item of type 0x2E holding a folder identifier.
QByteArray KnownFolderItem(const char *uuid)
{
    const QUuid id{QLatin1String(uuid)};
    QByteArray b("\x2e\x80", 2);
    U32(b, id.data1);
    U16(b, id.data2);
    U16(b, id.data3);
    b.append(reinterpret_cast<const char *>(id.data4), 8);
    return b;
}

QByteArray FileItem(const char *name)
{
    return QByteArray("\x32") + QByteArray(11, '\0') + QByteArray(name) + QByteArray(1, '\0');
}

} // namespace

TEST(ShellLink, KnownFoldersAreTheUsersFoldersOrNothing)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(QDir().mkpath(documents));
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QDir(pictures).removeRecursively();
    ShellLinkData link;
    // The known folder itself (Windows 10), and its "This PC" entry (Windows 8).
    for (const char *id :
         {"{FDD39AD0-238F-46AF-ADB4-6C85480369C7}", "{A8CDFF1C-4878-43BE-B5FD-F8091C1C60D0}"}) {
        ASSERT_TRUE(ReadShellLink(ItemListLink({KnownFolderItem(id), FileItem("a.env")}), link));
        EXPECT_EQ(link.Target, documents + "/a.env");
    }
    // A folder this desktop does not have, an unknown identifier, a drive item naming no drive.
    for (const QByteArray &item : {KnownFolderItem("{33E28130-4E1E-4676-835A-98395C3BC3BB}"),
                                   KnownFolderItem("{01234567-89AB-CDEF-0123-456789ABCDEF}"),
                                   QByteArray("\x2f\x80\xfe\x01garbage\0", 12)}) {
        ASSERT_TRUE(ReadShellLink(ItemListLink({item, FileItem("a.env")}), link));
        EXPECT_TRUE(link.Target.isEmpty()) << link.Target.toStdString();
    }

    // A relative path that leads nowhere gives way to the items.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("links");
    const QString file = dir.filePath("links/a.lnk");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(ItemListLink({KnownFolderItem("{FDD39AD0-238F-46AF-ADB4-6C85480369C7}"), FileItem("a.env")},
                           "..\\docs\\a.env"));
    out.close();
    ASSERT_TRUE(ReadShellLinkFile(file, link));
    EXPECT_EQ(link.Target, documents + "/a.env");
    QDir(dir.path()).mkpath("docs");
    QFile(dir.filePath("docs/a.env")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(ReadShellLinkFile(file, link));
    EXPECT_EQ(link.Target, dir.filePath("docs/a.env"));
}
