#include "foundation/QmIniFile.h"

#include "foundation/WindowsDefaultFolders.h"
#include "platform/AtomicSave.h"
#include "platform/CaseFolders.h"
#include "platform/MessageService.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QStringBuilder>

#include <charconv>

TZambIniFile *IniFile = nullptr;
TZambRegistryIniFile *RegIni = nullptr;
QString AppPath;
QString NewIniPath;
QString OldIniPath;

namespace {

QString g_title;
// One message for the run, however many writes of the settings fail after it.
bool g_writeErrorShown = false;

void ReportSettingsWriteError(const QString &Message)
{
    if (g_writeErrorShown)
        return;
    g_writeErrorShown = true;
    MessageDlg(
        QStringLiteral("The settings cannot be saved; changes to them last until the program closes.\n\n%1")
            .arg(Message),
        TMsgDlgType::Error, mbOK, 0);
}

constexpr int kMaxBinary = 65536;
constexpr int kBlockBytes = 32;

QString BlockKey(int i)
{
    return QStringLiteral("Block") + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
}

void ReadStringsFrom(const TIniFile &Ini, const QString &Section, const QString &Key, QStringList &Strings,
                     int MaxCount)
{
    Strings.clear();
    const int n =
        qMin(Ini.ReadInteger(Section, Key + QStringLiteral("_Count"), 0), qMin(MaxCount, kMaxStrings));
    // Only entries that are there: a damaged count brings in no empty lines (to be
    // saved back as real ones). An empty entry is written as a key with no value.
    for (int i = 0; i < n; ++i) {
        const QString ident = Key + QLatin1Char('_') + QString::number(i);
        if (Ini.ValueExists(Section, ident))
            Strings.append(Ini.ReadString(Section, ident, QString()));
    }
}

void WriteStringsTo(TIniFile &Ini, const QString &Section, const QString &Key, const QStringList &Strings)
{
    TIniUpdate update(Ini);
    Ini.WriteInteger(Section, Key % QLatin1String("_Count"), int(Strings.size()));
    for (int i = 0; i < Strings.size(); ++i) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, i).ptr;
        Ini.WriteString(Section, Key % QLatin1Char('_') % QLatin1String(digits, end - digits), Strings.at(i));
    }
    update.Commit();
}

// The largest size a run of rich text holds, in points, and that height in pixels
// at 96 dots per inch: larger stored sizes are read as these.
constexpr int kLargestFontSize = 1638;
constexpr int kLargestFontHeight = 2184;

void ReadTextAttributesFrom(const TIniFile &Ini, const QString &Section, TFontAttributes &A)
{
    A.Height = std::clamp(Ini.ReadInteger(Section, QStringLiteral("FontHeight"), -17), -kLargestFontHeight,
                          kLargestFontHeight);
    A.Name = Ini.ReadString(Section, QStringLiteral("FontName"), QStringLiteral("Arial"));
    A.Size = std::clamp(Ini.ReadInteger(Section, QStringLiteral("FontSize"), 10), -kLargestFontSize,
                        kLargestFontSize);
    A.Color = Ini.ReadInteger(Section, QStringLiteral("FontColor"), 0);
    A.Bold = Ini.ReadBool(Section, QStringLiteral("FontBold"), false);
    A.Italic = Ini.ReadBool(Section, QStringLiteral("FontItalic"), false);
    A.Underline = Ini.ReadBool(Section, QStringLiteral("FontUnderline"), false);
    A.Strikeout = Ini.ReadBool(Section, QStringLiteral("FontStrikeout"), false);
}

QString ChangeFileExt(const QString &Path, const QString &Ext)
{
    const qsizetype slash = Path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = Path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash)
        return Path.left(dot) + Ext;
    return Path + Ext;
}

QString DataFolderBase()
{
    QString appData = WinDefaultFolders.AppData;
    if (appData.isEmpty()) {
        const QString home = UserHomeFolder();
        appData = home.isEmpty() ? QDir::tempPath() : home;
        if (appData.endsWith(QLatin1Char('/')))
            appData.chop(1);
        appData += QLatin1String("/.config");
    }
    return appData;
}

void MigrateOldIni()
{
    if (QFileInfo::exists(NewIniPath) || !QFileInfo(OldIniPath).isFile())
        return;
    QByteArray data;
    QString error;
    QString text;
    if (!ReadRegularFile(OldIniPath, kMaxDocumentBytes, data, error)
        || !TIniFile::DecodeFileBytes(data, text))
        return;
    // A copy that fails leaves no file; the settings start fresh.
    SaveFileAtomically(NewIniPath, text.toUtf8(), error);
}

} // namespace

void TFontAttributes::AssignTo(QFont &Font) const
{
    Font.setFamily(Name);
    if (Size > 0)
        Font.setPointSize(Size);
    else if (Height != 0)
        Font.setPixelSize(qAbs(Height));
    Font.setBold(Bold);
    Font.setItalic(Italic);
    Font.setUnderline(Underline);
    Font.setStrikeOut(Strikeout);
}

void TFontAttributes::AssignFrom(const QFont &Font)
{
    Name = Font.family();
    Size = Font.pointSize() > 0 ? Font.pointSize() : int(Font.pointSizeF() + 0.5);
    // Windows' character height at 96 dots per inch, negative as it stores it.
    Height = -static_cast<int>((qint64(Size) * 96 + 36) / 72);
    Bold = Font.bold();
    Italic = Font.italic();
    Underline = Font.underline();
    Strikeout = Font.strikeOut();
}

void TZambIniFile::ReadTextAttributes(const QString &Section, TFontAttributes &Attributes) const
{
    ReadTextAttributesFrom(*this, Section, Attributes);
}

void TZambIniFile::ReadStrings(const QString &Section, const QString &Key, QStringList &Strings,
                               int MaxCount) const
{
    ReadStringsFrom(*this, Section, Key, Strings, MaxCount);
}

void TZambIniFile::WriteStrings(const QString &Section, const QString &Key, const QStringList &Strings)
{
    WriteStringsTo(*this, Section, Key, Strings);
}

void TZambIniFile::WriteBinary(const QString &Section, const QByteArray &Buffer)
{
    if (Buffer.size() > kMaxBinary)
        throw EIniFileException(
            QStringLiteral("A block of %1 bytes is too large to store").arg(Buffer.size()));
    static const char kHex[] = "0123456789ABCDEF";
    TIniUpdate update(*this);
    EraseSection(Section);
    WriteInteger(Section, QStringLiteral("Count"), int(Buffer.size()));
    for (int block = 0; block * kBlockBytes < Buffer.size(); ++block) {
        const int start = block * kBlockBytes;
        const int n = qMin(kBlockBytes, int(Buffer.size()) - start);
        QString value;
        value.reserve(n * 2);
        for (int j = 0; j < n; ++j) {
            const auto b = static_cast<unsigned char>(Buffer.at(start + j));
            value.append(QLatin1Char(kHex[b >> 4]));
            value.append(QLatin1Char(kHex[b & 15]));
        }
        WriteString(Section, BlockKey(block), value);
    }
    update.Commit();
}

std::optional<QByteArray> TZambIniFile::ReadBinary(const QString &Section) const
{
    const int size = ReadBinarySize(Section);
    if (size < 0 || size > kMaxBinary)
        return std::nullopt;
    QByteArray out(size, '\0');
    for (int block = 0; block * kBlockBytes < size; ++block) {
        const QString key = BlockKey(block);
        if (!ValueExists(Section, key))
            return std::nullopt;
        const QString value = ReadString(Section, key, QString());
        const int start = block * kBlockBytes;
        const int n = qMin(kBlockBytes, size - start);
        if (value.size() < 2 * n)
            return std::nullopt;
        for (int j = 0; j < n; ++j) {
            const int hi = AsciiHexDigit(value.at(2 * j));
            const int lo = AsciiHexDigit(value.at(2 * j + 1));
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out[start + j] = char(hi * 16 + lo);
        }
    }
    return out;
}

int TZambIniFile::ReadBinarySize(const QString &Section) const
{
    return ReadInteger(Section, QStringLiteral("Count"), 0);
}

TZambRegistryIniFile::TZambRegistryIniFile(const QString &Title, const QString &ConfigFolder)
    : TRegistryIniFile(QStringLiteral("Software\\Morvane Software\\") + Title, ConfigFolder)
{}

void TZambRegistryIniFile::ReadTextAttributes(const QString &Section, TFontAttributes &Attributes) const
{
    ReadTextAttributesFrom(*this, Section, Attributes);
}

void TZambRegistryIniFile::ReadFont(const QString &Section, TFontAttributes &Font) const
{
    ReadTextAttributesFrom(*this, Section, Font);
}

void TZambRegistryIniFile::WriteFont(const QString &Section, const TFontAttributes &Font)
{
    TIniUpdate update(*this);
    WriteInteger(Section, QStringLiteral("FontHeight"), Font.Height);
    WriteString(Section, QStringLiteral("FontName"), Font.Name);
    WriteInteger(Section, QStringLiteral("FontSize"), Font.Size);
    WriteInteger(Section, QStringLiteral("FontColor"), Font.Color);
    WriteBool(Section, QStringLiteral("FontBold"), Font.Bold);
    WriteBool(Section, QStringLiteral("FontItalic"), Font.Italic);
    WriteBool(Section, QStringLiteral("FontUnderline"), Font.Underline);
    WriteBool(Section, QStringLiteral("FontStrikeout"), Font.Strikeout);
    update.Commit();
}

qint32 TZambRegistryIniFile::ReadColor(const QString &Section, const QString &Ident, qint32 Default) const
{
    return ReadInteger(Section, Ident, Default);
}

void TZambRegistryIniFile::WriteColor(const QString &Section, const QString &Ident, qint32 Color)
{
    WriteInteger(Section, Ident, Color);
}

void TZambRegistryIniFile::ReadPoint(const QString &Section, QPoint &Point) const
{
    Point.setX(ReadInteger(Section, QStringLiteral("X"), Point.x()));
    Point.setY(ReadInteger(Section, QStringLiteral("Y"), Point.y()));
}

void TZambRegistryIniFile::WritePoint(const QString &Section, const QPoint &Point)
{
    TIniUpdate update(*this);
    WriteInteger(Section, QStringLiteral("X"), Point.x());
    WriteInteger(Section, QStringLiteral("Y"), Point.y());
    update.Commit();
}

void TZambRegistryIniFile::ReadWindowPlacement(const QString &Section, TWindowRect &Rect, bool &Minimized,
                                               bool &Maximized) const
{
    Rect.Top = ReadInteger(Section, QStringLiteral("Top"), Rect.Top);
    Rect.Left = ReadInteger(Section, QStringLiteral("Left"), Rect.Left);
    Rect.Bottom = ReadInteger(Section, QStringLiteral("Bottom"), Rect.Bottom);
    Rect.Right = ReadInteger(Section, QStringLiteral("Right"), Rect.Right);
    Minimized = ReadBool(Section, QStringLiteral("Minimized"), Minimized);
    Maximized = ReadBool(Section, QStringLiteral("Maximized"), Maximized);
}

void TZambRegistryIniFile::WriteWindowPlacement(const QString &Section, const TWindowRect &Rect,
                                                bool Minimized, bool Maximized)
{
    TIniUpdate update(*this);
    WriteInteger(Section, QStringLiteral("Top"), Rect.Top);
    WriteInteger(Section, QStringLiteral("Left"), Rect.Left);
    WriteInteger(Section, QStringLiteral("Bottom"), Rect.Bottom);
    WriteInteger(Section, QStringLiteral("Right"), Rect.Right);
    WriteBool(Section, QStringLiteral("Minimized"), Minimized);
    WriteBool(Section, QStringLiteral("Maximized"), Maximized);
    update.Commit();
}

void TZambRegistryIniFile::ReadStrings(const QString &Section, const QString &Key, QStringList &Strings,
                                       int MaxCount) const
{
    ReadStringsFrom(*this, Section, Key, Strings, MaxCount);
}

void TZambRegistryIniFile::WriteStrings(const QString &Section, const QString &Key,
                                        const QStringList &Strings)
{
    WriteStringsTo(*this, Section, Key, Strings);
}

QString InitialTitle(const QString &ProgramFile)
{
    QString name = QFileInfo(ProgramFile).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString ApplicationTitle()
{
    return g_title;
}

void SetApplicationTitle(const QString &Title)
{
    g_title = Title;
}

QString GetDataFolder()
{
    QString title = ApplicationTitle();
    title.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (title.isEmpty() || title == QLatin1String(".") || title == QLatin1String(".."))
        title = QStringLiteral("_");
    const QString folder =
        ForceDirectoriesNoCase(DataFolderBase(), QStringLiteral("Morvane Software/") + title);
    return folder + QLatin1Char('/');
}

void StartQmIniFile(const QString &ProgramFile)
{
    if (IniFile)
        return;
    const QFileInfo program(ProgramFile);
    SetApplicationTitle(InitialTitle(ProgramFile));
    AppPath = program.absolutePath();
    if (!AppPath.endsWith(QLatin1Char('/')))
        AppPath += QLatin1Char('/');
    const QString oldPath = ChangeFileExt(program.absoluteFilePath(), QStringLiteral(".INI"));
    const qsizetype dot = oldPath.lastIndexOf(QLatin1Char('.'));
    const QString oldName = QFileInfo(oldPath.left(dot) + QStringLiteral("32") + oldPath.mid(dot)).fileName();
    OldIniPath = ResolveNameNoCase(program.absolutePath(), oldName);
    const QString dataFolder = GetDataFolder();
    NewIniPath = ResolveNameNoCase(dataFolder, ChangeFileExt(program.fileName(), QStringLiteral(".INI")));
    MigrateOldIni();
    IniFile = new TZambIniFile(NewIniPath);
    RegIni = new TZambRegistryIniFile(ApplicationTitle(), DataFolderBase());
    g_writeErrorShown = false;
    IniFile->SetWriteErrorHandler(ReportSettingsWriteError);
    RegIni->SetWriteErrorHandler(ReportSettingsWriteError);
}

void StopQmIniFile()
{
    delete IniFile;
    IniFile = nullptr;
    delete RegIni;
    RegIni = nullptr;
    AppPath.clear();
    NewIniPath.clear();
    OldIniPath.clear();
}
