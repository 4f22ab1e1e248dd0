#pragma once

#include "platform/IniFiles.h"

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

class QFont;

// The program's two settings stores and their typed records.
//
//   StartWindowsDefaultFolders();          // in main, before anything reads settings
//   StartQmIniFile(programPath);           // IniFile and RegIni exist from here
//   IniFile->WriteBinary("IniId_17", devMode);            // printer setup block
//   if (auto block = IniFile->ReadBinary("IniId_17")) ...  // nullopt: damaged, use the fallback
//   RegIni->WriteStrings("OldFiles", "File", files);       // a string list
//   ...
//   StopQmIniFile(); StopWindowsDefaultFolders();
//
// Every write is on disk when the call returns (and is synced, a few milliseconds
// each). A write that fails is said once in a message and the program goes on
// with the changes in memory; no write of these stores raises for a disk error.
// A save of many keys (a whole list or record) should hold a TIniUpdate so that
// the file is rewritten once, and only when the whole save went through;
// WriteStrings, WriteBinary, WriteFont, WritePoint and WriteWindowPlacement do so
// themselves.

// A text-attributes / font record: the keys FontHeight, FontName, FontSize,
// FontColor, FontBold, FontItalic, FontUnderline, FontStrikeout. Color is a
// Windows colour value (low byte red, then green, then blue). Size wins over
// Height when both are applied.
struct TFontAttributes
{
    int Height = -17;
    QString Name = QStringLiteral("Arial");
    int Size = 10;
    qint32 Color = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikeout = false;

    // Family, point size and the four styles into a QFont (colour is not a font property in Qt).
    void AssignTo(QFont &Font) const;
    // Family, point size (Height from it at 96 dpi) and styles from a QFont; Color is kept.
    void AssignFrom(const QFont &Font);
    bool operator==(const TFontAttributes &) const = default;
};

// A window rectangle as stored: right and bottom are exclusive (Left + Width).
struct TWindowRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TWindowRect &) const = default;
};

// A hostile count must not make a list read run for ever.
constexpr int kMaxStrings = 65536;

// The per-user INI file: envelope definitions, return addresses, printer setups.
class TZambIniFile : public TIniFile
{
public:
    using TIniFile::TIniFile;

    // Reads the text-attributes record of Section; missing keys give Arial 10,
    // colour 0, no styles, height -17.
    void ReadTextAttributes(const QString &Section, TFontAttributes &Attributes) const;

    // String list: Key_Count, then Key_0 .. Key_<n-1>, at most MaxCount of them; a read
    // skips the keys that are missing. Keys of a longer earlier list stay; erase the
    // section first for a clean one. A write rewrites the file once.
    void ReadStrings(const QString &Section, const QString &Key, QStringList &Strings,
                     int MaxCount = kMaxStrings) const;
    void WriteStrings(const QString &Section, const QString &Key, const QStringList &Strings);

    // Binary block of at most 65,536 bytes: erases Section, then writes "Count" and
    // one key per 32 bytes, Block0000, Block0001, ..., in upper-case hex. Callers
    // write their other keys of the section after the block. One file rewrite.
    // Throws EIniFileException for a block over 65,536 bytes.
    void WriteBinary(const QString &Section, const QByteArray &Buffer);
    // The block's bytes; an empty array when "Count" is missing or 0. std::nullopt
    // when the block is damaged (Count below 0 or above 65,536, a block key missing,
    // too short or not hexadecimal): the caller then takes its fallback.
    std::optional<QByteArray> ReadBinary(const QString &Section) const;
    // The stored "Count" (0 when missing).
    int ReadBinarySize(const QString &Section) const;
};

// The registry store (one INI file standing for the key of the current user).
class TZambRegistryIniFile : public TRegistryIniFile
{
public:
    // The key "Software\Morvane Software\<Title>" below ConfigFolder (normally
    // WinDefaultFolders.AppData).
    TZambRegistryIniFile(const QString &Title, const QString &ConfigFolder);

    void ReadTextAttributes(const QString &Section, TFontAttributes &Attributes) const;
    // Same record as ReadTextAttributes.
    void ReadFont(const QString &Section, TFontAttributes &Font) const;
    // Writes the eight font keys in record order.
    void WriteFont(const QString &Section, const TFontAttributes &Font);

    qint32 ReadColor(const QString &Section, const QString &Ident, qint32 Default) const;
    void WriteColor(const QString &Section, const QString &Ident, qint32 Color);

    // Keys "X" and "Y"; each missing key keeps the point's coordinate.
    void ReadPoint(const QString &Section, QPoint &Point) const;
    void WritePoint(const QString &Section, const QPoint &Point);

    // Keys "Top", "Left", "Bottom", "Right", "Minimized", "Maximized"; each
    // missing key keeps the value passed in. One file rewrite per write.
    void ReadWindowPlacement(const QString &Section, TWindowRect &Rect, bool &Minimized,
                             bool &Maximized) const;
    void WriteWindowPlacement(const QString &Section, const TWindowRect &Rect, bool Minimized,
                              bool Maximized);

    void ReadStrings(const QString &Section, const QString &Key, QStringList &Strings,
                     int MaxCount = kMaxStrings) const;
    void WriteStrings(const QString &Section, const QString &Key, const QStringList &Strings);
};

// The two stores and the places they live; valid between StartQmIniFile and StopQmIniFile.
extern TZambIniFile *IniFile;
extern TZambRegistryIniFile *RegIni;
// Folder of the program file, with a trailing slash.
extern QString AppPath;
// <data folder><program file name>.INI, and the older <program folder><name>32.INI.
extern QString NewIniPath;
extern QString OldIniPath;

// The application title: the program file's name up to its first ".", every
// character after the first in lower case, until the start-up sets "Plikora".
QString ApplicationTitle();
void SetApplicationTitle(const QString &Title);
QString InitialTitle(const QString &ProgramFile);

// <AppData>/Morvane Software/<current title>/, with a trailing slash, made with
// any missing parents. Without an AppData folder ~/.config stands in. A folder
// whose name differs only in case is reused.
QString GetDataFolder();

// Sets the initial title from ProgramFile (normally the running program's path),
// fills AppPath and the INI paths, copies an older "<name>32.INI" beside the program
// once when the new file does not exist yet, and creates IniFile and RegIni, which
// report the first failed write of the run through the message service.
// WinDefaultFolders must be filled first (StartWindowsDefaultFolders). Runs once
// until StopQmIniFile.
void StartQmIniFile(const QString &ProgramFile);
// Frees IniFile and RegIni and clears the paths.
void StopQmIniFile();
