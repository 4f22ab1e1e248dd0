#include "platform/ShellLink.h"
#include "platform/AtomicSave.h"
#include "platform/Windows1252.h"

#include "platform/RegularFile.h"
#include "platform/RtfCodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace {

constexpr quint32 kHeaderSize = 0x4C;
constexpr qsizetype kMaxFileSize = 1 << 20; // links are a few hundred bytes
const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum LinkFlags : quint32 {
    HasLinkTargetIDList = 0x1,
    HasLinkInfo = 0x2,
    HasName = 0x4,
    HasRelativePath = 0x8,
    HasWorkingDir = 0x10,
    HasArguments = 0x20,
    HasIconLocation = 0x40,
    IsUnicode = 0x80,
};

constexpr quint32 kVolumeIDAndLocalBasePath = 0x1;
constexpr quint32 kCommonNetworkRelativeLink = 0x2;
constexpr quint32 kEnvironmentBlock = 0xA0000001;

class Input
{
public:
    explicit Input(const QByteArray &data) : m_data(data) {}
    bool U16(qsizetype at, quint32 &v) const
    {
        if (at < 0 || at > m_data.size() - 2)
            return false;
        v = Byte(at) | Byte(at + 1) << 8;
        return true;
    }
    bool U32(qsizetype at, quint32 &v) const
    {
        if (at < 0 || at > m_data.size() - 4)
            return false;
        v = Byte(at) | Byte(at + 1) << 8 | Byte(at + 2) << 16 | Byte(at + 3) << 24;
        return true;
    }
    // A NUL-terminated string of bytes within [at, limit).
    bool AnsiZ(qsizetype at, qsizetype limit, QString &s) const
    {
        limit = std::min(limit, m_data.size());
        if (at < 0 || at >= limit)
            return false;
        qsizetype end = at;
        while (end < limit && m_data[end] != '\0')
            ++end;
        if (end == limit)
            return false;
        s = RtfCodePage::Decode(m_data.mid(at, end - at), 1252);
        return true;
    }
    // A NUL-terminated UTF-16 string within [at, limit).
    bool UnicodeZ(qsizetype at, qsizetype limit, QString &s) const
    {
        limit = std::min(limit, m_data.size());
        if (at < 0 || at >= limit)
            return false;
        QString out;
        for (qsizetype p = at; p + 1 < limit; p += 2) {
            char16_t c = static_cast<char16_t>(Byte(p) | Byte(p + 1) << 8);
            if (c == 0) {
                s = out;
                return true;
            }
            out.append(QChar(c));
        }
        return false;
    }
    bool Bytes(qsizetype at, qsizetype n, QByteArray &out) const
    {
        if (at < 0 || n < 0 || at > m_data.size() - n)
            return false;
        out = m_data.mid(at, n);
        return true;
    }
    qsizetype Size() const { return m_data.size(); }

private:
    quint32 Byte(qsizetype at) const { return static_cast<unsigned char>(m_data[at]); }
    const QByteArray &m_data;
};

bool ReadLinkInfo(const Input &in, qsizetype start, QString &target)
{
    quint32 size = 0, headerSize = 0, flags = 0, localOffset = 0, networkOffset = 0, suffixOffset = 0;
    if (!in.U32(start, size) || !in.U32(start + 4, headerSize) || !in.U32(start + 8, flags)
        || !in.U32(start + 16, localOffset) || !in.U32(start + 20, networkOffset)
        || !in.U32(start + 24, suffixOffset))
        return false;
    if (size < 0x1C || headerSize < 0x1C || headerSize > size || size > in.Size() - start)
        return false;
    const qsizetype end = start + size;
    auto inside = [&](quint32 offset) { return offset >= headerSize && offset < size; };
    QString suffix;
    if (suffixOffset && inside(suffixOffset))
        in.AnsiZ(start + suffixOffset, end, suffix);
    if (headerSize >= 0x24) {
        quint32 localUnicode = 0, suffixUnicode = 0;
        if (!in.U32(start + 28, localUnicode) || !in.U32(start + 32, suffixUnicode))
            return false;
        if (suffixUnicode && inside(suffixUnicode))
            in.UnicodeZ(start + suffixUnicode, end, suffix);
        if ((flags & kVolumeIDAndLocalBasePath) && localUnicode && inside(localUnicode)) {
            QString base;
            if (in.UnicodeZ(start + localUnicode, end, base)) {
                target = base + suffix;
                return true;
            }
        }
    }
    if ((flags & kVolumeIDAndLocalBasePath) && inside(localOffset)) {
        QString base;
        if (!in.AnsiZ(start + localOffset, end, base))
            return false;
        target = base + suffix;
        return true;
    }
    if ((flags & kCommonNetworkRelativeLink) && inside(networkOffset)) {
        const qsizetype net = start + networkOffset;
        quint32 netSize = 0, netNameOffset = 0;
        if (!in.U32(net, netSize) || !in.U32(net + 8, netNameOffset) || netSize < 0x14
            || netSize > size - networkOffset || netNameOffset >= netSize)
            return false;
        QString share;
        // Past the five fixed fields the structure also holds the share name in UTF-16.
        quint32 unicodeOffset = 0;
        if (!(netNameOffset > 0x14 && in.U32(net + 0x14, unicodeOffset) && unicodeOffset >= 0x14
              && unicodeOffset < netSize && in.UnicodeZ(net + unicodeOffset, net + netSize, share))
            && !in.AnsiZ(net + netNameOffset, net + netSize, share))
            return false;
        target = suffix.isEmpty() ? share : share + QLatin1Char('\\') + suffix;
        return true;
    }
    return true;
}

// A file entry's long name, from its extension block (signature 0xBEEF0004) that
// follows the primary name; empty when the block is not one we can place.
QString LongName(const Input &in, qsizetype item, qsizetype block, qsizetype end)
{
    quint32 size = 0, version = 0, signature = 0, back = 0;
    if (!in.U16(block, size) || !in.U16(block + 2, version) || !in.U32(block + 4, signature)
        || signature != 0xBEEF0004 || size < 0x14 || size > end - block || version < 3)
        return {};
    // The block ends with its own offset within the item.
    if (!in.U16(block + size - 2, back) || back != block - item)
        return {};
    qsizetype at = block + 18;
    if (version >= 7)
        at += 18; // a reserved word, the file reference and eight more bytes
    at += 2;      // the long name's size
    if (version >= 9)
        at += 4;
    if (version >= 8)
        at += 4;
    QString name;
    if (!in.UnicodeZ(at, block + size - 2, name))
        return {};
    return name;
}

// The user's folder that a known-folder identifier names (the ids of the
// folders themselves and those that "This PC" shows them under), empty when this
// desktop has no such folder.
QString KnownFolder(const QUuid &id)
{
    static const struct
    {
        const char *id;
        QStandardPaths::StandardLocation location;
    } folders[] = {
        {"{FDD39AD0-238F-46AF-ADB4-6C85480369C7}", QStandardPaths::DocumentsLocation},
        {"{A8CDFF1C-4878-43BE-B5FD-F8091C1C60D0}", QStandardPaths::DocumentsLocation},
        {"{D3162B92-9365-467A-956B-92703ACA08AF}", QStandardPaths::DocumentsLocation},
        {"{374DE290-123F-4565-9164-39C4925E467B}", QStandardPaths::DownloadLocation},
        {"{088E3905-0323-4B02-9826-5D99428E115F}", QStandardPaths::DownloadLocation},
        {"{4BD8D571-6D19-48D3-BE97-422220080E43}", QStandardPaths::MusicLocation},
        {"{1CF1260C-4DD0-4EBB-811F-33C572699FDE}", QStandardPaths::MusicLocation},
        {"{3DFDF296-DBEC-4FB4-81D1-6A3438BCF4DE}", QStandardPaths::MusicLocation},
        {"{33E28130-4E1E-4676-835A-98395C3BC3BB}", QStandardPaths::PicturesLocation},
        {"{3ADD1653-EB32-4CB0-BBD7-DFA0ABB5ACCA}", QStandardPaths::PicturesLocation},
        {"{24AD3AD4-A569-4530-98E1-AB02F9417AA8}", QStandardPaths::PicturesLocation},
        {"{18989B1D-99B5-455B-841C-AB7C74E4DDFC}", QStandardPaths::MoviesLocation},
        {"{A0953C92-50DC-43BF-BE83-3742FED03C9C}", QStandardPaths::MoviesLocation},
        {"{F86FA3AB-70D2-4FC7-9C99-FCBF05467F3A}", QStandardPaths::MoviesLocation},
        {"{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}", QStandardPaths::DesktopLocation},
    };
    for (const auto &f : folders) {
        if (QUuid(QLatin1String(f.id)) != id)
            continue;
        QString path = QStandardPaths::writableLocation(f.location);
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        // Without a home some locations come out as the root: no folder of the user's.
        return path != QLatin1String("/") && QFileInfo(path).isDir() ? path : QString();
    }
    return {};
}

// The path that the file-system items of a shell item-id list name: a drive, a
// network share or a known folder, then folders and the file. Other items (the
// computer, the desktop) add nothing. Empty when nothing names a place, or when
// an item names a place this desktop does not have (a known folder it lacks, a
// drive item that names no drive).
QString PathOfItems(const Input &in, qsizetype start, qsizetype end)
{
    QString path;
    // Known folders are folders here; drives and shares keep the Windows separator.
    QChar separator = QLatin1Char('\\');
    const auto add = [&](const QString &part) {
        if (!path.isEmpty() && !path.endsWith(separator))
            path += separator;
        path += part;
    };
    for (qsizetype pos = start; pos + 2 <= end;) {
        quint32 size = 0, type = 0;
        in.U16(pos, size);
        if (size == 0)
            break;
        if (size < 3 || size > end - pos || !in.U16(pos + 2, type))
            return {};
        type &= 0xFF;
        const qsizetype itemEnd = pos + size;
        QString name;
        if (type == 0x2E) { // a root item holding a known folder's identifier
            quint32 d1 = 0, d2 = 0, d3 = 0;
            QByteArray d4;
            if (!in.U32(pos + 4, d1) || !in.U16(pos + 8, d2) || !in.U16(pos + 10, d3)
                || !in.Bytes(pos + 12, 8, d4) || pos + 20 > itemEnd)
                return {};
            const auto b = [&](int i) { return static_cast<uchar>(d4.at(i)); };
            path = KnownFolder(
                QUuid(d1, ushort(d2), ushort(d3), b(0), b(1), b(2), b(3), b(4), b(5), b(6), b(7)));
            if (path.isEmpty())
                return {};
            separator = QLatin1Char('/');
        } else if (type >= 0x23 && type <= 0x2F) { // a drive: "C:\"
            if (!in.AnsiZ(pos + 3, itemEnd, name) || name.size() < 2 || name.size() > 3
                || !((name[0] >= QLatin1Char('A') && name[0] <= QLatin1Char('Z'))
                     || (name[0] >= QLatin1Char('a') && name[0] <= QLatin1Char('z')))
                || name[1] != QLatin1Char(':') || (name.size() == 3 && name[2] != QLatin1Char('\\')))
                return {};
            path = name;
            separator = QLatin1Char('\\');
        } else if ((type & 0x70) == 0x30) { // a folder or a file
            const qsizetype at = pos + 14;
            const bool unicode = type & 0x04;
            if (unicode ? in.UnicodeZ(at, itemEnd, name) : in.AnsiZ(at, itemEnd, name)) {
                qsizetype next = at + (unicode ? (name.size() + 1) * 2 : name.size() + 1);
                next += (next - pos) % 2;
                const QString longName = LongName(in, pos, next, itemEnd);
                add(longName.isEmpty() ? name : longName);
            }
        } else if (type >= 0x41 && type <= 0x4F) { // a network place: "\\server\share"
            if (in.AnsiZ(pos + 5, itemEnd, name)) {
                path = name;
                separator = QLatin1Char('\\');
            }
        }
        pos = itemEnd;
    }
    return path;
}

void PutU16(QByteArray &out, quint32 v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(QByteArray &out, quint32 v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

QByteArray Ansi(const QString &s)
{
    QByteArray out;
    for (QChar c : s) {
        int b = EncodeWindows1252(c.unicode());
        out.append(b > 0 ? static_cast<char>(b) : '?');
    }
    return out;
}

void PutUnicodeZ(QByteArray &out, const QString &s)
{
    for (QChar c : s)
        PutU16(out, c.unicode());
    PutU16(out, 0);
}

} // namespace

bool ReadShellLink(const QByteArray &data, ShellLinkData &link)
{
    link = ShellLinkData();
    Input in(data);
    quint32 headerSize = 0, flags = 0;
    QByteArray clsid;
    if (!in.U32(0, headerSize) || headerSize != kHeaderSize || !in.Bytes(4, 16, clsid)
        || clsid != QByteArray(reinterpret_cast<const char *>(kLinkClsid), 16) || !in.U32(20, flags)
        || data.size() < kHeaderSize)
        return false;
    qsizetype pos = kHeaderSize;
    qsizetype itemsStart = 0, itemsEnd = 0;
    if (flags & HasLinkTargetIDList) {
        quint32 idListSize = 0;
        if (!in.U16(pos, idListSize) || idListSize > data.size() - pos - 2)
            return false;
        itemsStart = pos + 2;
        itemsEnd = itemsStart + idListSize;
        pos += 2 + idListSize;
    }
    ShellLinkData result;
    if (flags & HasLinkInfo) {
        quint32 infoSize = 0;
        if (!in.U32(pos, infoSize) || infoSize < 4 || infoSize > data.size() - pos)
            return false;
        if (!ReadLinkInfo(in, pos, result.Target))
            return false;
        pos += infoSize;
    }
    const bool unicode = flags & IsUnicode;
    auto counted = [&](QString &s) {
        quint32 count = 0;
        if (!in.U16(pos, count))
            return false;
        pos += 2;
        qsizetype bytes = unicode ? qsizetype(count) * 2 : qsizetype(count);
        QByteArray raw;
        if (!in.Bytes(pos, bytes, raw))
            return false;
        pos += bytes;
        if (unicode) {
            s.clear();
            for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
                s.append(QChar(char16_t(static_cast<unsigned char>(raw[i])
                                        | static_cast<unsigned char>(raw[i + 1]) << 8)));
        } else
            s = RtfCodePage::Decode(raw, 1252);
        return true;
    };
    QString icon;
    if (((flags & HasName) && !counted(result.Description))
        || ((flags & HasRelativePath) && !counted(result.RelativePath))
        || ((flags & HasWorkingDir) && !counted(result.WorkingDirectory))
        || ((flags & HasArguments) && !counted(result.Arguments))
        || ((flags & HasIconLocation) && !counted(icon)))
        return false;
    // Extra data: the environment-variable block may hold the target.
    while (true) {
        quint32 blockSize = 0, signature = 0;
        if (!in.U32(pos, blockSize) || blockSize < 4)
            break;
        if (blockSize > data.size() - pos || !in.U32(pos + 4, signature))
            break;
        if (signature == kEnvironmentBlock && blockSize >= 0x314 && result.Target.isEmpty()) {
            QString target;
            if (in.UnicodeZ(pos + 8 + 260, pos + 8 + 260 + 520, target) && !target.isEmpty())
                result.Target = target;
            else if (in.AnsiZ(pos + 8, pos + 8 + 260, target))
                result.Target = target;
        }
        pos += blockSize;
    }
    // Without link information the items say where the target is; a relative path,
    // which the caller resolves beside the link, says it better when it exists.
    if (result.Target.isEmpty() && itemsEnd > itemsStart) {
        result.ItemsTarget = PathOfItems(in, itemsStart, itemsEnd);
        if (result.RelativePath.isEmpty())
            result.Target = result.ItemsTarget;
    }
    link = result;
    return true;
}

bool ReadShellLinkFile(const QString &fileName, ShellLinkData &link)
{
    link = ShellLinkData();
    QByteArray data;
    QString error;
    if (!ReadRegularFile(fileName, kMaxFileSize, data, error) || !ReadShellLink(data, link))
        return false;
    if (link.Target.isEmpty() && !link.RelativePath.isEmpty()) {
        QString relative = link.RelativePath;
        relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
        link.Target = QDir::cleanPath(QFileInfo(fileName).absoluteDir().filePath(relative));
        // A link copied away from its target: the items may still know the place.
        if (!QFileInfo::exists(link.Target) && !link.ItemsTarget.isEmpty())
            link.Target = link.ItemsTarget;
    }
    return true;
}

QByteArray WriteShellLink(const ShellLinkData &link)
{
    quint32 flags = IsUnicode;
    if (!link.Target.isEmpty())
        flags |= HasLinkInfo;
    if (!link.Description.isEmpty())
        flags |= HasName;
    if (!link.RelativePath.isEmpty())
        flags |= HasRelativePath;
    if (!link.WorkingDirectory.isEmpty())
        flags |= HasWorkingDir;
    if (!link.Arguments.isEmpty())
        flags |= HasArguments;

    QByteArray out;
    PutU32(out, kHeaderSize);
    out.append(reinterpret_cast<const char *>(kLinkClsid), 16);
    PutU32(out, flags);
    PutU32(out, 0x20);                // archive
    out.append(QByteArray(24, '\0')); // times
    PutU32(out, 0);                   // file size
    PutU32(out, 0);                   // icon index
    PutU32(out, 1);                   // show normally
    out.append(QByteArray(12, '\0')); // hot key and reserved
    if (flags & HasLinkInfo) {
        // Header of 0x24 bytes, volume id, ANSI base path, empty suffix, Unicode base path.
        QByteArray volume;
        PutU32(volume, 0x11);
        PutU32(volume, 3); // fixed drive
        PutU32(volume, 0);
        PutU32(volume, 0x10);
        volume.append('\0');
        QByteArray ansi = Ansi(link.Target) + '\0';
        const quint32 volumeOffset = 0x24;
        const quint32 localOffset = volumeOffset + quint32(volume.size());
        const quint32 suffixOffset = localOffset + quint32(ansi.size());
        QByteArray body = volume + ansi + QByteArray(1, '\0');
        if (body.size() % 2)
            body.append('\0');
        const quint32 unicodeOffset = 0x24 + quint32(body.size());
        PutUnicodeZ(body, link.Target);
        const quint32 suffixUnicodeOffset = 0x24 + quint32(body.size());
        PutU16(body, 0);
        QByteArray info;
        PutU32(info, 0x24 + quint32(body.size()));
        PutU32(info, 0x24);
        PutU32(info, kVolumeIDAndLocalBasePath);
        PutU32(info, volumeOffset);
        PutU32(info, localOffset);
        PutU32(info, 0);
        PutU32(info, suffixOffset);
        PutU32(info, unicodeOffset);
        PutU32(info, suffixUnicodeOffset);
        out.append(info + body);
    }
    auto counted = [&](const QString &s) {
        PutU16(out, quint32(std::min<qsizetype>(s.size(), 0xFFFF)));
        for (qsizetype i = 0; i < std::min<qsizetype>(s.size(), 0xFFFF); ++i)
            PutU16(out, s[i].unicode());
    };
    if (flags & HasName)
        counted(link.Description);
    if (flags & HasRelativePath)
        counted(link.RelativePath);
    if (flags & HasWorkingDir)
        counted(link.WorkingDirectory);
    if (flags & HasArguments)
        counted(link.Arguments);
    PutU32(out, 0); // no extra data
    return out;
}

bool WriteShellLinkFile(const QString &fileName, const ShellLinkData &link, QString *error)
{
    QString why;
    const bool saved = SaveFileAtomically(fileName, WriteShellLink(link), why);
    if (error)
        *error = why;
    return saved;
}
