#include "platform/IniFiles.h"

#include "platform/AtomicSave.h"
#include "platform/CaseFolders.h"
#include "platform/MessageService.h"
#include "platform/RegularFile.h"
#include "platform/Windows1252.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringBuilder>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\v')
           || c == QLatin1Char('\f');
}

QString TrimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s.at(b)))
        ++b;
    while (e > b && IsBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

// What names are compared by: their case folding. Names are nearly always ASCII,
// folded here without the Unicode tables (which cost most of a large save).
QString Folded(const QString &s)
{
    const QChar *p = s.constData();
    qsizetype firstUpper = -1;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = p[i].unicode();
        if (c >= 0x80)
            return s.toCaseFolded();
        if (firstUpper < 0 && c >= u'A' && c <= u'Z')
            firstUpper = i;
    }
    if (firstUpper < 0)
        return s;
    QString folded = s;
    QChar *d = folded.data();
    for (qsizetype i = firstUpper; i < folded.size(); ++i) {
        const char16_t c = d[i].unicode();
        if (c >= u'A' && c <= u'Z')
            d[i] = QChar(char16_t(c + (u'a' - u'A')));
    }
    return folded;
}

// The hash of a name's folding, without making the folded copy for ASCII names.
// Four characters at a time; setting bit 5 of every ASCII character is as good
// as folding for a hash (equal folded names hash equal, some others too).
quint32 NameHash(const QString &s)
{
    const auto hashOf = [](const QString &text, bool asciiOnly) -> std::optional<quint32> {
        const QChar *p = text.constData();
        const qsizetype n = text.size();
        quint64 h = 0x9E3779B97F4A7C15ULL ^ quint64(n);
        const auto mix = [&h](quint64 w) {
            h = (h ^ (w | 0x0020002000200020ULL)) * 0xFF51AFD7ED558CCDULL;
            h ^= h >> 32;
        };
        qsizetype i = 0;
        for (; i + 4 <= n; i += 4) {
            quint64 w;
            std::memcpy(&w, p + i, sizeof w);
            if (asciiOnly && (w & 0xFF80FF80FF80FF80ULL))
                return std::nullopt;
            mix(w);
        }
        if (i < n) {
            quint64 w = 0;
            for (int shift = 0; i < n; ++i, shift += 16) {
                if (asciiOnly && p[i].unicode() >= 0x80)
                    return std::nullopt;
                w |= quint64(p[i].unicode()) << shift;
            }
            mix(w);
        }
        h ^= h >> 29;
        h *= 0xC4CEB9FE1A85EC53ULL;
        return quint32(h ^ (h >> 32));
    };
    if (const auto h = hashOf(s, true))
        return *h;
    return *hashOf(Folded(s), false);
}

bool IsAscii(const QString &s)
{
    for (const QChar c : s) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Folded(a) == Folded(b), folding only when a name is not ASCII.
bool SameName(const QString &a, const QString &b)
{
    if (a.size() == b.size()) {
        const QChar *p = a.constData();
        const QChar *q = b.constData();
        qsizetype i = 0;
        for (; i < a.size(); ++i) {
            char16_t x = p[i].unicode(), y = q[i].unicode();
            if (x == y)
                continue;
            if (x >= 0x80 || y >= 0x80)
                break;
            if (x >= u'A' && x <= u'Z')
                x = char16_t(x + (u'a' - u'A'));
            if (y >= u'A' && y <= u'Z')
                y = char16_t(y + (u'a' - u'A'));
            if (x != y)
                return false;
        }
        if (i == a.size())
            return true;
    } else if (IsAscii(a) && IsAscii(b)) {
        return false;
    }
    return Folded(a) == Folded(b);
}

// Equal text, without comparing when both share it (names passed along again).
bool SameText(const QString &a, const QString &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

// Blanks and NULs only: what reads as no line at all.
bool IsBlankLine(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return IsBlank(c) || c == QChar(0); });
}

bool IsQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool ParseInteger(const QString &text, int &result)
{
    const QString s = TrimBlanks(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-'))) {
        negative = s.at(i) == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < s.size() && s.at(i) == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s.at(i) == QLatin1Char('0')
               && (s.at(i + 1) == QLatin1Char('x') || s.at(i + 1) == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return false;
    qint64 value = 0;
    for (; i < s.size(); ++i) {
        int d = hex ? AsciiHexDigit(s.at(i))
                    : (s.at(i).unicode() >= '0' && s.at(i).unicode() <= '9' ? s.at(i).unicode() - '0' : -1);
        if (d < 0)
            return false;
        value = value * (hex ? 16 : 10) + d;
        if (value > 0xFFFFFFFFLL)
            return false;
    }
    if (hex) {
        // Hex spells the 32-bit pattern: $FFFFFFFF is -1.
        qint64 v = value > 0x7FFFFFFFLL ? value - 0x100000000LL : value;
        result = static_cast<int>(negative ? -v : v);
        if (negative && v == -0x80000000LL)
            return false;
        return true;
    }
    if (negative)
        value = -value;
    if (value < -0x80000000LL || value > 0x7FFFFFFFLL)
        return false;
    result = static_cast<int>(value);
    return true;
}

} // namespace

TIniFile::TIniFile(const QString &FileName) : m_fileName(FileName) {}

TIniFile::~TIniFile()
{
    // Pending writes are left by an update scope never closed, or by a failed
    // write already reported; a last try, silently.
    m_writeErrorHandler = nullptr;
    if (m_dirty) {
        try {
            Flush();
        } catch (const Exception &) {
        }
    }
}

namespace {

// UTF-16 written without its mark: every character of the first line is
// below U+0100, one zero byte beside one that is not. Read as 8-bit text it would
// lose everything at the next write.
bool LooksLikeUtf16WithoutMark(const QByteArray &Bytes, bool &littleEndian)
{
    if (Bytes.size() < 4 || Bytes.size() % 2 != 0)
        return false;
    littleEndian = Bytes.at(1) == '\0';
    const qsizetype end = std::min<qsizetype>(Bytes.size(), 256);
    for (qsizetype i = 0; i < end; i += 2) {
        const char low = Bytes.at(littleEndian ? i : i + 1);
        const char high = Bytes.at(littleEndian ? i + 1 : i);
        if (high != '\0' || low == '\0')
            return false;
        if (low == '\n' || low == '\r')
            break;
    }
    return true;
}

} // namespace

bool TIniFile::DecodeFileBytes(const QByteArray &Bytes, QString &Text, TEncoding *Encoding)
{
    TEncoding encoding = TEncoding::Utf8;
    const auto decodeUtf16 = [&](QStringConverter::Encoding utf16, qsizetype skip) {
        QStringDecoder decoder(utf16, QStringConverter::Flag::Stateless);
        Text = decoder.decode(QByteArrayView(Bytes).sliced(skip));
        return Bytes.size() % 2 == 0 && !decoder.hasError();
    };
    const auto decode8Bit = [&](qsizetype skip) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        Text = utf8.decode(QByteArrayView(Bytes).sliced(skip));
        if (utf8.hasError()) {
            Text = DecodeWindows1252(Bytes.sliced(skip));
            encoding = TEncoding::Windows1252;
        } else {
            encoding = skip > 0 ? TEncoding::Utf8Mark : TEncoding::Utf8;
        }
    };
    bool ok = true;
    bool littleEndian = true;
    if (Bytes.startsWith("\xFF\xFE")) {
        ok = decodeUtf16(QStringConverter::Utf16LE, 2);
        encoding = TEncoding::Utf16LEMark;
    } else if (Bytes.startsWith("\xFE\xFF")) {
        ok = decodeUtf16(QStringConverter::Utf16BE, 2);
        encoding = TEncoding::Utf16BEMark;
    } else if (Bytes.startsWith("\xEF\xBB\xBF")) {
        decode8Bit(3);
    } else if (LooksLikeUtf16WithoutMark(Bytes, littleEndian)
               && decodeUtf16(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, 0)) {
        encoding = littleEndian ? TEncoding::Utf16LE : TEncoding::Utf16BE;
    } else {
        decode8Bit(0);
        // A few NULs are text here (Parse reads them as the profile functions do);
        // so many are another encoding or no text at all.
        ok = Bytes.count('\0') * 4 <= Bytes.size();
    }
    if (Encoding)
        *Encoding = encoding;
    if (!ok) {
        Text.clear();
        return false;
    }
    return true;
}

QByteArray TIniFile::EncodeFileText(const QString &Text, TEncoding Encoding)
{
    const auto utf16 = [&](QStringConverter::Encoding e, bool mark) {
        QStringEncoder encoder(e, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(Text));
    };
    QByteArray bytes;
    switch (Encoding) {
    case TEncoding::Utf8: return Text.toUtf8();
    case TEncoding::Utf8Mark: return QByteArray("\xEF\xBB\xBF") + Text.toUtf8();
    case TEncoding::Utf16LEMark: return utf16(QStringConverter::Utf16LE, true);
    case TEncoding::Utf16BEMark: return utf16(QStringConverter::Utf16BE, true);
    case TEncoding::Utf16LE:
    case TEncoding::Utf16BE:
        bytes = utf16(Encoding == TEncoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                      false);
        break;
    case TEncoding::Windows1252:
        bytes.reserve(Text.size());
        for (const QChar c : Text) {
            const int b = EncodeWindows1252(c.unicode());
            if (b < 0)
                return Text.toUtf8();
            bytes.append(char(b));
        }
        break;
    }
    // Without a mark the bytes are told apart by their look alone.
    QString back;
    TEncoding read;
    if (DecodeFileBytes(bytes, back, &read) && read == Encoding && back == Text)
        return bytes;
    if (Encoding == TEncoding::Windows1252)
        return Text.toUtf8();
    return utf16(Encoding == TEncoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                 true);
}

QString TIniFile::DecodeValue(const QString &Raw)
{
    QString v = TrimBlanks(Raw);
    if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

QString TIniFile::StorableValue(const QString &Value)
{
    const auto unstorable = [](QChar c) {
        return c == QChar(0) || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    };
    // Nearly every value is storable as it is: no copy then.
    if (std::none_of(Value.begin(), Value.end(), unstorable))
        return Value;
    QString v = Value;
    std::replace_if(v.begin(), v.end(), unstorable, QLatin1Char(' '));
    return v;
}

QString TIniFile::EncodeValue(const QString &Value)
{
    const bool needsQuotes =
        (!Value.isEmpty() && (IsBlank(Value.front()) || IsBlank(Value.back())))
        || (Value.size() >= 2 && IsQuote(Value.front()) && Value.back() == Value.front());
    return needsQuotes ? QLatin1Char('"') + Value + QLatin1Char('"') : Value;
}

TIniFile::FileStamp TIniFile::Stamp(const QString &Path)
{
    FileStamp st;
    struct stat sb;
    if (::stat(QFile::encodeName(Path).constData(), &sb) == 0) {
        st.exists = true;
        st.dev = sb.st_dev;
        st.ino = sb.st_ino;
        st.size = sb.st_size;
        st.mtimeNs = qint64(sb.st_mtim.tv_sec) * 1000000000LL + sb.st_mtim.tv_nsec;
    }
    return st;
}

void TIniFile::Refresh() const
{
    // Pending writes of an update scope are ours and must not be thrown away.
    if (m_dirty)
        return;
    const FileStamp now = Stamp(m_fileName);
    if (m_loaded && now == m_stamp)
        return;
    m_stamp = now;
    m_loaded = true;
    m_unreadable = false;
    QString text;
    QString why;
    // A folder in the file's place is left to fail on writing; it holds no settings of ours.
    if (now.exists && FileKind(m_fileName) != TFileKind::Folder) {
        QByteArray bytes;
        if (!ReadRegularFile(m_fileName, kMaxDocumentBytes, bytes, why)) {
            m_unreadable = true;
        } else if (!DecodeFileBytes(bytes, text, &m_encoding)) {
            m_unreadable = true;
            why = QStringLiteral(
                      "Cannot read file \"%1\". It is not text (or it is marked as UTF-16 but is not).")
                      .arg(m_fileName);
        }
    }
    if (!now.exists || m_unreadable)
        m_encoding = TEncoding::Utf8;
    Parse(text);
    if (m_unreadable)
        SetAside(why);
}

void TIniFile::SetAside(const QString &Why) const
{
    // Kept, never overwritten: the user may still recover what it holds.
    const QString base =
        m_fileName + QStringLiteral(".unreadable-") + QDate::currentDate().toString(Qt::ISODate);
    const QByteArray from = QFile::encodeName(m_fileName);
    QString aside = base;
    int result = -1;
    // A rename moves a symbolic link itself, never what it points to; a file set
    // aside earlier is never replaced.
    for (int n = 2; n <= 1000; ++n) {
        if (!QFileInfo(aside).exists() && !QFileInfo(aside).isSymLink()) {
            const QByteArray to = QFile::encodeName(aside);
            result = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
            if (result != 0 && errno == EINVAL) // a file system without the no-replace flag
                result = ::rename(from.constData(), to.constData());
            if (result == 0 || errno != EEXIST)
                break;
        }
        aside = base + QLatin1Char('-') + QString::number(n);
    }
    if (result == 0) {
        m_unreadable = false;
        m_stamp = Stamp(m_fileName);
        MessageDlg(
            QStringLiteral("The settings file \"%1\" cannot be read, so it was renamed to \"%2\" and new "
                           "settings start in its place.\n\n%3")
                .arg(m_fileName, aside, Why),
            TMsgDlgType::Warning, mbOK, 0);
    } else {
        MessageDlg(QStringLiteral(
                       "The settings file \"%1\" cannot be read, and it cannot be renamed either: changes "
                       "to these settings will not be saved.\n\n%2")
                       .arg(m_fileName, Why),
                   TMsgDlgType::Warning, mbOK, 0);
    }
}

void TIniFile::Parse(const QString &Text) const
{
    m_sections.clear();
    m_sections.append(Section{});
    m_sectionsIndexed = false;
    ++m_generation;
    m_anyErased = false;
    m_erasedByName.clear();
    m_lineEnd = Line::Lf;
    bool firstEnd = true;
    // Lines end in LF, CR LF or a lone CR.
    for (qsizetype start = 0; start < Text.size();) {
        qsizetype end = start;
        while (end < Text.size() && Text.at(end) != QLatin1Char('\n') && Text.at(end) != QLatin1Char('\r'))
            ++end;
        const QString whole = Text.mid(start, end - start);
        QString text = whole;
        Line::End lineEnd = Line::FileEnd;
        start = end + 1;
        if (end < Text.size())
            lineEnd = Text.at(end) == QLatin1Char('\n') ? Line::Lf : Line::Cr;
        if (end + 1 < Text.size() && Text.at(end) == QLatin1Char('\r')
            && Text.at(end + 1) == QLatin1Char('\n')) {
            ++start;
            lineEnd = Line::CrLf;
        }
        if (firstEnd && lineEnd != Line::FileEnd) {
            m_lineEnd = lineEnd;
            firstEnd = false;
        }
        // As the profile functions read it: NULs ahead of a line's text are skipped,
        // a NUL after it ends the line, and a line of nothing but NULs is no line.
        if (text.contains(QChar(0))) {
            qsizetype from = 0;
            while (from < text.size() && text.at(from) == QChar(0))
                ++from;
            const qsizetype nul = text.indexOf(QChar(0), from);
            text = text.mid(from, nul < 0 ? -1 : nul - from);
        }
        Line line;
        line.text = whole;
        line.end = lineEnd;
        const QString t = TrimBlanks(text);
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.indexOf(QLatin1Char(']'));
            if (close > 0) {
                Section s;
                s.name = TrimBlanks(t.mid(1, close - 1));
                s.header = true;
                s.headerText = whole;
                s.headerEnd = lineEnd;
                m_sections.append(s);
                continue;
            }
        }
        if (m_sections.size() > 1 && !t.isEmpty() && t.front() != QLatin1Char(';')) {
            const qsizetype eq = text.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                line.kind = Line::Entry;
                line.key = TrimBlanks(text.left(eq));
                line.raw = text.mid(eq + 1);
            }
        }
        m_sections.last().lines.append(line);
    }
}

QString TIniFile::Serialize() const
{
    static const QString ends[] = {QString(), QStringLiteral("\n"), QStringLiteral("\r\n"),
                                   QStringLiteral("\r")};
    const QString &newEnd = ends[m_lineEnd];
    QString out;
    qsizetype size = 0;
    for (const Section &s : m_sections) {
        size += s.headerText.size() + s.name.size() + 4;
        for (qsizetype i = 0; i < OwnLines(s); ++i) {
            const Line &l = s.lines.at(i);
            size += l.text.size() + l.key.size() + l.raw.size() + 3;
        }
    }
    out.reserve(size);
    // The last line of the file may end without a line end; one follows it when
    // another line comes after.
    bool owed = false;
    const auto put = [&](Line::End end) {
        owed = end == Line::FileEnd;
        if (!owed)
            out += end == Line::New ? newEnd : ends[end];
    };
    for (const Section &s : m_sections) {
        if (s.erased)
            continue;
        if (s.header) {
            if (owed)
                out += newEnd;
            if (s.headerText.isEmpty())
                out += QLatin1Char('[') + s.name + QLatin1Char(']');
            else
                out += s.headerText;
            put(s.headerEnd);
        }
        for (qsizetype i = 0; i < OwnLines(s); ++i) {
            const Line &l = s.lines.at(i);
            if (owed)
                out += newEnd;
            if (l.text.isEmpty() && l.kind == Line::Entry)
                out += l.key % u'=' % l.raw;
            else
                out += l.text;
            put(l.end);
        }
    }
    return out;
}

int TIniFile::FindSection(const QString &Name) const
{
    if (!m_sectionsIndexed) {
        m_sectionIndex.clear();
        // Backwards, so that the first of duplicate sections wins and links to the next.
        for (int i = int(m_sections.size()) - 1; i >= 1; --i) {
            const Section &s = m_sections.at(i);
            if (s.erased)
                continue;
            int &first = m_sectionIndex[Folded(s.name)];
            s.nextSame = first > 0 ? first : -1;
            first = i;
        }
        m_sectionsIndexed = true;
        m_lastSectionFound = kNotLookedUp;
    }
    // Calls in a row mostly name the same section: its folding is kept.
    if (!SameText(Name, m_lastSectionName)) {
        m_lastSectionName = Name;
        m_lastSectionFolded = Folded(Name);
        m_lastSectionFound = kNotLookedUp;
    }
    if (m_lastSectionFound == kNotLookedUp)
        m_lastSectionFound = m_sectionIndex.value(m_lastSectionFolded, -1);
    return m_lastSectionFound;
}

qsizetype TIniFile::ProbeKey(const Section &S, const QString &Ident, quint32 Hash)
{
    if (!S.indexed)
        IndexKeys(S);
    const qsizetype mask = qsizetype(S.keySlots.size()) - 1;
    qsizetype slot = Hash & mask;
    for (;; slot = (slot + 1) & mask) {
        const KeySlot &k = S.keySlots[slot];
        if (k.line < 0 || (k.hash == Hash && SameName(S.lines.at(k.line).key, Ident)))
            return slot;
    }
}

void TIniFile::IndexKey(const Section &S, qsizetype Slot, int LineIndex, quint32 Hash)
{
    S.keySlots[Slot] = KeySlot{Hash, LineIndex};
    // At most half full, so that probes stay short.
    if (++S.keyCount * 2 <= qsizetype(S.keySlots.size()))
        return;
    std::vector<KeySlot> old(S.keySlots.size() * 2);
    old.swap(S.keySlots);
    const qsizetype mask = qsizetype(S.keySlots.size()) - 1;
    for (const KeySlot &k : old) {
        if (k.line < 0)
            continue;
        qsizetype slot = k.hash & mask;
        while (S.keySlots[slot].line >= 0)
            slot = (slot + 1) & mask;
        S.keySlots[slot] = k;
    }
}

void TIniFile::IndexKeys(const Section &S)
{
    size_t count = 8;
    while (count < 2 * size_t(S.lines.size()) + 2)
        count *= 2;
    S.keySlots.assign(count, KeySlot{});
    S.keyCount = 0;
    S.indexed = true;
    for (int i = 0; i < S.lines.size(); ++i) {
        const Line &l = S.lines.at(i);
        if (l.kind != Line::Entry)
            continue;
        const quint32 hash = NameHash(l.key);
        const qsizetype slot = ProbeKey(S, l.key, hash);
        if (S.keySlots[slot].line < 0)
            IndexKey(S, slot, i, hash);
    }
}

int TIniFile::FindKey(const Section &S, const QString &Ident, quint32 Hash)
{
    const qsizetype slot = ProbeKey(S, Ident, Hash);
    const int line = S.keySlots[slot].line;
    // Lines left from before an erase are not the section's.
    return line < OwnLines(S) ? line : -1;
}

namespace {

// Whether the text holds one of the given ASCII characters below '@', in one pass
// (the checks run for every key written).
template <char16_t... Chars> bool HasAnyOf(const QString &s)
{
    static_assert(((Chars < 64) && ...));
    constexpr quint64 mask = ((quint64(1) << Chars) | ...);
    return std::any_of(s.begin(), s.end(), [](QChar ch) {
        const char16_t u = ch.unicode();
        return u < 64 && (mask >> u) & 1;
    });
}

} // namespace

void TIniFile::CheckSection(const QString &Section)
{
    if (Section.isEmpty() || IsBlank(Section.front()) || IsBlank(Section.back())
        || Section.contains(QLatin1Char(']')) || HasAnyOf<u'\n', u'\r'>(Section))
        throw EIniFileException(QStringLiteral("Invalid section name \"%1\"").arg(Section));
}

void TIniFile::CheckIdent(const QString &Ident)
{
    if (Ident.isEmpty() || IsBlank(Ident.front()) || IsBlank(Ident.back())
        || HasAnyOf<u'=', u'\n', u'\r'>(Ident) || Ident.front() == QLatin1Char('[')
        || Ident.front() == QLatin1Char(';'))
        throw EIniFileException(QStringLiteral("Invalid key name \"%1\"").arg(Ident));
}

void TIniFile::CheckValue(const QString &Value)
{
    if (HasAnyOf<u'\n', u'\r', u'\0'>(Value))
        throw EIniFileException(
            QStringLiteral("A value with a line break or a NUL character cannot be stored"));
}

QString TIniFile::ReadString(const QString &Section, const QString &Ident, const QString &Default) const
{
    Refresh();
    const int s = FindSection(Section);
    const int k = s < 0 ? -1 : FindKey(m_sections.at(s), Ident, NameHash(Ident));
    if (k < 0) {
        if (!m_trimDefault)
            return Default;
        // The profile functions hand a default back without its trailing spaces.
        qsizetype end = Default.size();
        while (end > 0 && Default.at(end - 1) == QLatin1Char(' '))
            --end;
        return Default.left(end);
    }
    return DecodeValue(m_sections.at(s).lines.at(k).raw);
}

void TIniFile::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    // A run of writes mostly names one section: it is checked once.
    if (!SameText(Section, m_lastCheckedSection)) {
        CheckSection(Section);
        m_lastCheckedSection = Section;
    }
    CheckIdent(Ident);
    CheckValue(Value);
    Refresh();
    const QString raw = EncodeValue(Value);
    int s = FindSection(Section);
    if (s < 0) {
        struct Section sec;
        sec.name = Section;
        sec.header = true;
        m_sections.append(sec);
        s = int(m_sections.size()) - 1;
        const QString folded = Folded(Section);
        if (m_sectionsIndexed)
            m_sectionIndex.insert(folded, s);
        m_lastSectionFound = kNotLookedUp;
        Journal(Undo::AppendSection, s);
        TakeOverErased(s, folded);
    }
    auto &sec = m_sections[s];
    const quint32 hash = NameHash(Ident);
    const qsizetype slot = ProbeKey(sec, Ident, hash);
    int k = sec.keySlots[slot].line;
    bool claimed = false;
    if (sec.live >= 0 && k >= sec.live) {
        // The key written next is the next of the old lines: it is taken over as it
        // stands. Any other key leaves the old lines behind for good.
        if (k == sec.live) {
            Journal(Undo::ClaimLine, s, k);
            ++sec.live;
            claimed = true;
        } else {
            DropRest(s);
            k = -1;
        }
    }
    if (k >= 0) {
        Line &l = sec.lines[k];
        // A line taken over is written afresh, spelt as now.
        if (l.raw == raw && (!claimed || (l.text.isEmpty() && l.key == Ident))) {
            if (claimed)
                Changed();
            return;
        }
        Journal(Undo::SetLine, s, k, &l);
        l.raw = raw;
        l.text.clear();
        if (claimed)
            l.key = Ident;
    } else {
        if (sec.live >= 0)
            DropRest(s);
        Line l;
        l.kind = Line::Entry;
        l.key = Ident;
        l.raw = raw;
        // New keys go after the last entry, ahead of trailing blank lines.
        qsizetype at = sec.lines.size();
        while (at > 0 && sec.lines.at(at - 1).kind == Line::Other && IsBlankLine(sec.lines.at(at - 1).text))
            --at;
        // Only blank lines follow, so no indexed entry moves.
        if (sec.indexed)
            IndexKey(sec, ProbeKey(sec, Ident, hash), int(at), hash);
        sec.lines.insert(at, std::move(l));
        Journal(Undo::InsertLine, s, int(at));
    }
    Changed();
}

int TIniFile::ReadInteger(const QString &Section, const QString &Ident, int Default) const
{
    int v = Default;
    if (!ParseInteger(ReadString(Section, Ident, QString()), v))
        return Default;
    return v;
}

void TIniFile::WriteInteger(const QString &Section, const QString &Ident, int Value)
{
    // As QString::number writes it, for a fraction of its cost.
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, Value).ptr;
    WriteString(Section, Ident, QString::fromLatin1(digits, end - digits));
}

bool TIniFile::ReadBool(const QString &Section, const QString &Ident, bool Default) const
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const QString &Section, const QString &Ident, bool Value)
{
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::ReadSection(const QString &Section, QStringList &Idents) const
{
    Idents.clear();
    Refresh();
    const int s = FindSection(Section);
    if (s < 0)
        return;
    const struct Section &sec = m_sections.at(s);
    for (int i = 0; i < OwnLines(sec); ++i) {
        const Line &l = sec.lines.at(i);
        // The first line of a key names it.
        if (l.kind == Line::Entry && !l.key.isEmpty() && FindKey(sec, l.key, NameHash(l.key)) == i)
            Idents.append(l.key);
    }
}

void TIniFile::ReadSections(QStringList &Sections) const
{
    Sections.clear();
    Refresh();
    QSet<QString> seen;
    for (int i = 1; i < m_sections.size(); ++i) {
        if (m_sections.at(i).erased)
            continue;
        const QString &name = m_sections.at(i).name;
        const QString folded = Folded(name);
        if (!seen.contains(folded)) {
            seen.insert(folded);
            Sections.append(name);
        }
    }
}

void TIniFile::ReadSectionValues(const QString &Section, QStringList &Values) const
{
    Values.clear();
    QStringList keys;
    ReadSection(Section, keys);
    for (const QString &k : keys)
        Values.append(k + QLatin1Char('=') + ReadString(Section, k, QString()));
}

bool TIniFile::SectionExists(const QString &Section) const
{
    Refresh();
    return FindSection(Section) >= 0;
}

bool TIniFile::ValueExists(const QString &Section, const QString &Ident) const
{
    Refresh();
    const int s = FindSection(Section);
    return s >= 0 && FindKey(m_sections.at(s), Ident, NameHash(Ident)) >= 0;
}

void TIniFile::EraseSection(const QString &Section)
{
    Refresh();
    const int first = FindSection(Section);
    if (first < 0)
        return;
    for (int s = first; s >= 0; s = m_sections.at(s).nextSame) {
        m_sections[s].erased = true;
        Journal(Undo::EraseSection, s);
    }
    const QString folded = Folded(Section);
    m_sectionIndex.remove(folded);
    m_lastSectionFound = kNotLookedUp;
    // Written again in this update, its lines are reused while the writes repeat them.
    if (m_updateDepth > 0)
        m_erasedByName.insert(folded, first);
    m_anyErased = true;
    Changed();
}

void TIniFile::DeleteKey(const QString &Section, const QString &Ident)
{
    Refresh();
    const int s = FindSection(Section);
    if (s < 0)
        return;
    if (m_sections.at(s).live >= 0)
        DropRest(s);
    bool any = false;
    const quint32 hash = NameHash(Ident);
    for (int k; (k = FindKey(m_sections.at(s), Ident, hash)) >= 0;) {
        Journal(Undo::RemoveLine, s, k, &m_sections.at(s).lines.at(k));
        m_sections[s].lines.removeAt(k);
        m_sections[s].indexed = false;
        any = true;
    }
    if (any)
        Changed();
}

void TIniFile::Changed()
{
    m_dirty = true;
    if (m_updateDepth == 0)
        Flush();
}

void TIniFile::UpdateFile()
{
    if (m_dirty)
        Flush();
}

void TIniFile::BeginUpdate()
{
    ++m_updateDepth;
}

void TIniFile::EndUpdate()
{
    if (m_updateDepth > 0 && --m_updateDepth == 0) {
        m_journal.clear();
        m_journalLines.clear();
        m_erasedByName.clear();
        if (m_dirty)
            Flush();
    }
}

void TIniFile::Flush()
{
    if (m_updateDepth == 0)
        Settle();
    if (m_unreadable) {
        // Reading said so already: the changes stay for this run only.
        if (m_writeErrorHandler)
            return;
        // Memory goes back to what could be read of the disk: nothing.
        m_dirty = false;
        Parse(QString());
        throw EIniFileException(
            QStringLiteral("The settings file \"%1\" cannot be read, so it is not written over.")
                .arg(m_fileName));
    }
    QString error;
    const QByteArray bytes = EncodeFileText(Serialize(), m_encoding);
    // What could not be read back is not written: the old file stays.
    if (bytes.size() > kMaxDocumentBytes)
        error = QStringLiteral("The settings file \"%1\" was not saved: at %2 MB it would be larger than the "
                               "%3 MB the program reads, so the file keeps what it held.")
                    .arg(m_fileName)
                    .arg(bytes.size() >> 20)
                    .arg(kMaxDocumentBytes >> 20);
    if (!error.isEmpty() || !SaveFileAtomically(m_fileName, bytes, error)) {
        if (m_writeErrorHandler) {
            // Kept, to be written with the next write that succeeds.
            m_writeErrorHandler(error);
            return;
        }
        // Memory goes back to what the disk holds.
        m_dirty = false;
        m_loaded = false;
        throw EIniFileException(error);
    }
    m_dirty = false;
    ++m_rewrites;
    m_stamp = Stamp(m_fileName);
}

TIniFile::UpdateMark TIniFile::MarkUpdate() const
{
    return UpdateMark{m_dirty, m_journal.size(), m_generation};
}

void TIniFile::Journal(Undo::Kind Kind, int Section, int LineIndex, const Line *Old)
{
    if (m_updateDepth == 0)
        return;
    m_journal.append(Undo{Kind, Section, LineIndex});
    if (Old)
        m_journalLines.append(*Old);
}

void TIniFile::TakeOverErased(int Section, const QString &Folded)
{
    const int old = m_erasedByName.value(Folded, -1);
    if (old < 0 || old >= Section)
        return;
    struct Section &from = m_sections[old];
    if (!from.erased || from.live >= 0 || from.lines.isEmpty() || ::Folded(from.name) != Folded)
        return;
    struct Section &to = m_sections[Section];
    to.lines.swap(from.lines);
    to.keySlots.swap(from.keySlots);
    std::swap(to.keyCount, from.keyCount);
    std::swap(to.indexed, from.indexed);
    to.live = 0;
    Journal(Undo::TakeOverLines, Section, old);
}

void TIniFile::DropRest(int Section)
{
    struct Section &sec = m_sections[Section];
    const qsizetype from = sec.live;
    const qsizetype count = sec.lines.size() - from;
    if (m_updateDepth > 0) {
        m_journal.append(Undo{Undo::DropRest, Section, int(from), count});
        for (qsizetype i = from; i < sec.lines.size(); ++i)
            m_journalLines.append(std::move(sec.lines[i]));
    }
    sec.lines.resize(from);
    sec.live = -1;
    // The index holds the dropped lines.
    if (count > 0)
        sec.indexed = false;
}

void TIniFile::Settle()
{
    // Inside an update scope the journal holds section positions: erased sections
    // stay until the scope ends (they are not written), as do old lines not taken over.
    if (m_anyErased) {
        m_sections.removeIf([](const struct Section &s) { return s.erased; });
        m_sectionsIndexed = false;
        m_anyErased = false;
    }
    m_erasedByName.clear();
    for (int s = 0; s < m_sections.size(); ++s) {
        if (m_sections.at(s).live >= 0)
            DropRest(s);
    }
}

void TIniFile::UndoTo(qsizetype JournalSize)
{
    while (m_journal.size() > JournalSize) {
        const Undo u = m_journal.takeLast();
        switch (u.kind) {
        case Undo::SetLine: m_sections[u.section].lines[u.line] = m_journalLines.takeLast(); break;
        case Undo::InsertLine:
            m_sections[u.section].lines.removeAt(u.line);
            m_sections[u.section].indexed = false;
            break;
        case Undo::RemoveLine:
            m_sections[u.section].lines.insert(u.line, m_journalLines.takeLast());
            m_sections[u.section].indexed = false;
            break;
        case Undo::AppendSection:
            m_sections.removeLast();
            m_sectionsIndexed = false;
            break;
        case Undo::EraseSection:
            m_sections[u.section].erased = false;
            m_sectionsIndexed = false;
            break;
        case Undo::TakeOverLines: {
            Section &to = m_sections[u.section];
            Section &from = m_sections[u.line];
            to.lines.swap(from.lines);
            to.keySlots.swap(from.keySlots);
            std::swap(to.keyCount, from.keyCount);
            std::swap(to.indexed, from.indexed);
            to.live = -1;
            break;
        }
        case Undo::ClaimLine: m_sections[u.section].live = u.line; break;
        case Undo::DropRest: {
            Section &sec = m_sections[u.section];
            const qsizetype first = m_journalLines.size() - u.count;
            for (qsizetype i = first; i < m_journalLines.size(); ++i)
                sec.lines.append(std::move(m_journalLines[i]));
            m_journalLines.resize(first);
            sec.live = u.line;
            if (u.count > 0)
                sec.indexed = false;
            break;
        }
        }
    }
}

void TIniFile::RollBackUpdate(const UpdateMark &Mark)
{
    if (m_updateDepth > 0)
        --m_updateDepth;
    const bool undone = Mark.generation == m_generation;
    if (undone)
        UndoTo(Mark.journalSize);
    if (m_updateDepth == 0) {
        m_journal.clear();
        m_journalLines.clear();
        m_erasedByName.clear();
    }
    if (Mark.dirty && undone) {
        m_dirty = true;
    } else if (m_unreadable) {
        m_dirty = false;
        Parse(QString());
    } else {
        // Nothing was pending, or the file was read again meanwhile: what the
        // disk holds is the state to go back to.
        m_dirty = false;
        m_loaded = false;
    }
}

TIniUpdate::TIniUpdate(TIniFile &Ini) : m_ini(&Ini), m_mark(Ini.MarkUpdate())
{
    m_ini->BeginUpdate();
}

TIniUpdate::~TIniUpdate()
{
    if (m_ini)
        m_ini->RollBackUpdate(m_mark);
}

void TIniUpdate::Commit()
{
    TIniFile *ini = m_ini;
    m_ini = nullptr;
    if (ini)
        ini->EndUpdate();
}

QString TRegistryIniFile::RegistryFileName(const QString &KeyPath, const QString &ConfigFolder)
{
    QStringList parts = KeyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    // Key names are not paths here.
    for (QString &p : parts) {
        p.replace(QLatin1Char('/'), QLatin1Char('_'));
        if (p == QLatin1String(".") || p == QLatin1String(".."))
            p = QStringLiteral("_");
    }
    const QString folder = ForceDirectoriesNoCase(ConfigFolder, parts.join(QLatin1Char('/')));
    return ResolveNameNoCase(folder, QStringLiteral("Registry.ini"));
}

TRegistryIniFile::TRegistryIniFile(const QString &KeyPath, const QString &ConfigFolder)
    : TIniFile(RegistryFileName(KeyPath, ConfigFolder)), m_keyPath(KeyPath)
{
    // Registry reads hand a default back as it is.
    m_trimDefault = false;
}

int AsciiHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}
