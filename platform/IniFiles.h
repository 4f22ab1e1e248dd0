#pragma once

#include "platform/Exception.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include <sys/types.h>

// A failed write or erase (the reason in words), or a name or value the format
// cannot hold.
class EIniFileException : public Exception
{
public:
    using Exception::Exception;
};

// A file in the Windows profile (INI) format, read and written as the profile
// functions do:
// - sections and keys compare without regard to case but keep the spelling and
//   order they were first written with; the first of duplicate sections/keys wins;
// - a value is the raw text after "=" (no escapes); on reading, leading and
//   trailing blanks are trimmed and one pair of enclosing quotes ("..." or '...')
//   is stripped. Writing quotes a value that would otherwise lose its blanks or
//   its own quotes, so every value reads back as it was written;
// - comment lines (";"), blank lines and lines of other shapes are kept;
// - lines end in LF, CR LF or CR; the file is read as UTF-16 or UTF-8 after a
//   byte-order mark, otherwise as UTF-8 when valid, else as Windows-1252 (UTF-16
//   without a mark is recognised by its first line, whatever its line end);
// - a write changes only the lines it touches: every other line keeps its bytes,
//   its line end and the file's encoding (new lines take the file's first line
//   end); when the new text cannot be told back in that encoding, the file
//   becomes UTF-8 (Windows-1252) or gets its mark (UTF-16);
// - NUL bytes are read as the profile functions read them: those ahead of a
//   line's text are skipped, one after it ends the line's text there (what
//   follows is kept on writing);
// - a missing key gives the default without its trailing spaces (not so for the
//   registry store);
// - a file that cannot be read (a pipe or device, over 64 MB, broken UTF-16, more
//   than a quarter NUL bytes without being UTF-16) is renamed
//   to "<name>.unreadable-<date>" with a message, before anything is written over it;
// - every public write reaches the disk before the call returns, through a
//   temporary file renamed over the old one, so the file on disk is always whole.
//   A file over the size this class reads is never written: the write fails as
//   below and the old file stays.
//   Between BeginUpdate and the matching EndUpdate writes are gathered and the file
//   is rewritten once, at EndUpdate (use TIniUpdate for that).
// The file is read again whenever it changed on disk since it was last read.
// A section, key or value the format cannot hold (line breaks, NUL, a key with
// "=", a section with "]") raises EIniFileException before anything changes.
// A file that cannot be written raises EIniFileException with the reason in
// words, and the object goes back to what the disk holds. With a write-error
// handler set, the handler gets that message instead and nothing is raised: the
// changes stay in memory and go to the disk with the next write that succeeds.
// The value of an ASCII hexadecimal digit, -1 for any other character
// (digits of other scripts included).
int AsciiHexDigit(QChar c);

class TIniFile
{
public:
    explicit TIniFile(const QString &FileName);
    virtual ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    const QString &FileName() const { return m_fileName; }

    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) const;
    void WriteString(const QString &Section, const QString &Ident, const QString &Value);
    // Decimal, "$hex" or "0x" hex with an optional sign; anything else (or out of
    // the 32-bit range) gives Default.
    int ReadInteger(const QString &Section, const QString &Ident, int Default) const;
    void WriteInteger(const QString &Section, const QString &Ident, int Value);
    // True for any integer other than 0.
    bool ReadBool(const QString &Section, const QString &Ident, bool Default) const;
    // Writes "1" or "0".
    void WriteBool(const QString &Section, const QString &Ident, bool Value);

    // The key names of a section, in file order (empty when the section is missing).
    void ReadSection(const QString &Section, QStringList &Idents) const;
    // The section names, in file order.
    void ReadSections(QStringList &Sections) const;
    // "key=value" lines of a section, values as ReadString gives them.
    void ReadSectionValues(const QString &Section, QStringList &Values) const;
    bool SectionExists(const QString &Section) const;
    bool ValueExists(const QString &Section, const QString &Ident) const;
    void EraseSection(const QString &Section);
    void DeleteKey(const QString &Section, const QString &Ident);

    // Writes pending changes (only needed inside BeginUpdate/EndUpdate).
    void UpdateFile();
    void BeginUpdate();
    // Rewrites the file once when the outermost update ends and something changed.
    void EndUpdate();

    // Number of times the file has been rewritten by this object.
    int RewriteCount() const { return m_rewrites; }

    using TWriteErrorHandler = std::function<void(const QString &Message)>;
    void SetWriteErrorHandler(TWriteErrorHandler Handler) { m_writeErrorHandler = std::move(Handler); }

    // Value with NUL, CR and LF turned into spaces, so that the format can hold it.
    static QString StorableValue(const QString &Value);

    // Text helpers of the format, public for the fuzz target and tests.
    enum class TEncoding { Utf8, Utf8Mark, Windows1252, Utf16LE, Utf16LEMark, Utf16BE, Utf16BEMark };
    // False when the bytes are not text: UTF-16 after its mark that is broken, or
    // without a mark and not UTF-16, more than a quarter of them NUL.
    static bool DecodeFileBytes(const QByteArray &Bytes, QString &Text, TEncoding *Encoding = nullptr);
    // The text in that encoding, as DecodeFileBytes reads it back; when it would
    // not, in the nearest encoding that does (UTF-8, or UTF-16 with its mark).
    static QByteArray EncodeFileText(const QString &Text, TEncoding Encoding);
    static QString DecodeValue(const QString &Raw);
    static QString EncodeValue(const QString &Value);

protected:
    bool m_trimDefault = true;

private:
    friend class TIniUpdate;
    struct Line
    {
        enum Kind : quint8 { Other, Entry, Header } kind = Other;
        // How the line ended when read; a new line ends as the file's first line.
        enum End : quint8 { FileEnd, Lf, CrLf, Cr, New } end = New;
        QString text; // the line as read, NULs too (Other lines, entries not written since; else empty)
        QString key;  // Entry: trimmed key; Header: section name
        QString raw;  // Entry: raw value text after "="
    };
    // A slot of a section's key index: the first line with a key and the hash of
    // its folded name; line -1 is an empty slot.
    struct KeySlot
    {
        quint32 hash = 0;
        int line = -1;
    };
    struct Section
    {
        QString name; // empty for lines before the first header
        bool header = false;
        QString headerText; // the header line as read; empty for a new section
        Line::End headerEnd = Line::New;
        // Erased sections stay in place until the next rewrite, so that erasing
        // many sections is not quadratic.
        bool erased = false;
        // The next section of the same name (duplicates), while indexed.
        mutable int nextSame = -1;
        QList<Line> lines;
        // A section written again after being erased in the same update reuses the
        // old lines in order: only the first `live` lines are its own, the rest are
        // what was there before, taken over while the writes repeat them. -1: all.
        qsizetype live = -1;
        // Open addressing over the first line of each key; rebuilt after lines move.
        mutable std::vector<KeySlot> keySlots;
        mutable qsizetype keyCount = 0;
        mutable bool indexed = false;
    };
    struct FileStamp
    {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        qint64 mtimeNs = 0;
        bool operator==(const FileStamp &) const = default;
    };

    // What an update scope goes back to when it is left without Commit(): the
    // changes made inside it are undone from the journal, so that opening a scope
    // costs nothing however big the file (nested scopes are common in one save).
    struct UpdateMark
    {
        bool dirty = false;
        qsizetype journalSize = 0;
        quint64 generation = 0; // a parse in between leaves nothing to undo
    };
    struct Undo
    {
        enum Kind {
            SetLine,
            InsertLine,
            RemoveLine,
            AppendSection,
            EraseSection,
            TakeOverLines, // line: the erased section whose lines it took
            ClaimLine,     // line: the line taken over
            DropRest       // line: where the dropped lines began; count of them
        } kind;
        int section = 0;
        int line = 0;
        qsizetype count = 0;
    };
    UpdateMark MarkUpdate() const;
    void RollBackUpdate(const UpdateMark &Mark);
    void Journal(Undo::Kind Kind, int Section, int LineIndex = 0, const Line *Old = nullptr);
    void UndoTo(qsizetype JournalSize);

    void Refresh() const;
    void SetAside(const QString &Why) const;
    void Parse(const QString &Text) const;
    QString Serialize() const;
    static FileStamp Stamp(const QString &Path);
    int FindSection(const QString &Name) const;
    // The line of the key in the section's own lines, -1 when it has none.
    static int FindKey(const Section &S, const QString &Ident, quint32 Hash);
    static qsizetype ProbeKey(const Section &S, const QString &Ident, quint32 Hash);
    static void IndexKey(const Section &S, qsizetype Slot, int LineIndex, quint32 Hash);
    static void IndexKeys(const Section &S);
    static qsizetype OwnLines(const Section &S) { return S.live < 0 ? S.lines.size() : S.live; }
    void TakeOverErased(int Section, const QString &Folded);
    void DropRest(int Section);
    void Settle();
    void Changed();
    void Flush();
    static void CheckSection(const QString &Section);
    static void CheckIdent(const QString &Ident);
    static void CheckValue(const QString &Value);

    QString m_fileName;
    mutable QList<Section> m_sections;
    mutable QHash<QString, int> m_sectionIndex;
    mutable bool m_sectionsIndexed = false;
    mutable QString m_lastSectionName, m_lastSectionFolded;
    // What the index gave for that name, until the index changes.
    static constexpr int kNotLookedUp = -2;
    mutable int m_lastSectionFound = kNotLookedUp;
    QString m_lastCheckedSection;
    // Folded name -> the section of that name erased in the current update.
    mutable QHash<QString, int> m_erasedByName;
    mutable bool m_anyErased = false;
    mutable FileStamp m_stamp;
    mutable bool m_loaded = false;
    mutable TEncoding m_encoding = TEncoding::Utf8;
    mutable Line::End m_lineEnd = Line::Lf; // the file's first line end
    // The file on disk could not be read nor moved aside: never written over.
    mutable bool m_unreadable = false;
    bool m_dirty = false;
    int m_updateDepth = 0;
    // Changes made inside update scopes, oldest first; empty outside them.
    QList<Undo> m_journal;
    QList<Line> m_journalLines; // the lines SetLine and RemoveLine give back, in order
    mutable quint64 m_generation = 0;
    int m_rewrites = 0;
    TWriteErrorHandler m_writeErrorHandler;
};

// Gathers the writes of a scope into one rewrite of the file, made by Commit().
// A scope left without Commit() (an exception halfway) writes nothing: the object
// goes back to what it held when the scope began, so a half-done update never
// reaches the disk.
class TIniUpdate
{
public:
    explicit TIniUpdate(TIniFile &Ini);
    ~TIniUpdate();
    void Commit();
    TIniUpdate(const TIniUpdate &) = delete;
    TIniUpdate &operator=(const TIniUpdate &) = delete;

private:
    TIniFile *m_ini;
    TIniFile::UpdateMark m_mark;
};

// The registry store: a key of the current user's hive stands here as one INI
// file, <ConfigFolder>/<key path below "Software">/Registry.ini, with one section
// per subkey and one key per value name. KeyPath is given the Windows way, for
// example "Software\Morvane Software\Plikora"; each folder on the way reuses an
// existing one whose name differs only in case. The folder is made when the store
// opens; when it cannot be made, writes fail as for any INI file.
class TRegistryIniFile : public TIniFile
{
public:
    TRegistryIniFile(const QString &KeyPath, const QString &ConfigFolder);

    const QString &KeyPath() const { return m_keyPath; }
    static QString RegistryFileName(const QString &KeyPath, const QString &ConfigFolder);

private:
    QString m_keyPath;
};
