#include "platform/RtfReader.h"

#include "platform/RtfCodePage.h"

#include <QColor>
#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVector>

#include <algorithm>

namespace {

// Deeper groups than this are refused. Mail programs nest rich text several
// thousand deep; the groups are kept on a stack of our own, not the call stack.
constexpr int kMaxDepth = 100000;
constexpr int kDefaultHalfPoints = 24;

enum class Destination { Text, FontTable, ColorTable, StyleSheet, Skip };

struct CharState
{
    int font = -1;
    int halfPoints = kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int colour = 0;
    int unicodeSkip = 1;
    bool operator==(const CharState &) const = default;
};

struct ParaState
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0; // twips
    int rightIndent = 0;
    int firstIndent = 0;
    bool operator==(const ParaState &) const = default;
};

size_t qHash(const CharState &s, size_t seed = 0)
{
    return qHashMulti(seed, s.font, s.halfPoints, s.bold, s.italic, s.underline, s.strike, s.colour,
                      s.unicodeSkip);
}

size_t qHash(const ParaState &p, size_t seed = 0)
{
    return qHashMulti(seed, int(p.alignment), p.leftIndent, p.rightIndent, p.firstIndent);
}

struct Group
{
    CharState ch;
    ParaState para;
    Destination dest = Destination::Text;
};

// A control word's numeric parameter.
struct WordParam
{
    bool given = false;
    int value = 0;
    // Switches such as \b are on without a parameter or with any but 0.
    bool On() const { return !given || value != 0; }
};

// Indents in twips, kept to what a page can hold.
int Indent(int twips)
{
    return std::clamp(twips, -31680, 31680);
}

struct FontEntry
{
    QString name;
    int codePage = 0;
};

const QSet<QByteArray> &SkippedDestinations()
{
    static const QSet<QByteArray> names = {
        // clang-format off
        "info", "pict", "object", "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "fldinst",
        "xe", "tc", "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator",
        "themedata", "colorschememapping", "latentstyles", "datastore", "filetbl",
        "nonshppict", "shppict", "shp", "shpinst", "comment", "author", "operator", "title",
        "subject", "keywords", "doccomm", "company", "pn", "pntxta", "pntxtb",
        "private", "atnid", "atnauthor", "bkmkstart", "bkmkend", "txe", "userprops",
        "mmathPr", "xmlnstbl", "wgrffmtfilter", "pgdsctbl", "objdata", "result", "upr",
        // clang-format on
    };
    return names;
}

enum class NoteFormat { Arabic, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman, Chicago };

// A note's number as its numbering format writes it.
QString NoteNumber(int n, NoteFormat format)
{
    if (n <= 0 || format == NoteFormat::Arabic)
        return QString::number(n);
    const int times = std::min(format == NoteFormat::Chicago ? (n - 1) / 4 + 1 : (n - 1) / 26 + 1, 1000);
    switch (format) {
    case NoteFormat::LowerAlpha: return QString(times, QChar(u'a' + (n - 1) % 26));
    case NoteFormat::UpperAlpha: return QString(times, QChar(u'A' + (n - 1) % 26));
    case NoteFormat::Chicago: {
        static const char16_t signs[4] = {u'*', 0x2020, 0x2021, 0x00A7};
        return QString(times, QChar(signs[(n - 1) % 4]));
    }
    default: break;
    }
    static const std::pair<int, const char *> numerals[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"},
    };
    QString roman;
    for (int rest = std::min(n, 100000); const auto &[value, letters] : numerals)
        for (; rest >= value; rest -= value)
            roman += QLatin1String(letters);
    return format == NoteFormat::UpperRoman ? roman.toUpper() : roman;
}

// How footnotes or endnotes are numbered, and how many have been.
struct NoteNumbering
{
    NoteFormat format = NoteFormat::Arabic;
    int start = 1;
    int count = 0;
    QString Next() { return NoteNumber(start + count++, format); }
};

// A style of the stylesheet: its font size, or the size of the style it is based on.
struct Style
{
    int halfPoints = 0;
    int basedOn = -1;
};

int StyleHalfPoints(const QHash<int, Style> &styles, int number)
{
    for (int hops = 0; hops < 32 && number >= 0; ++hops) {
        auto it = styles.constFind(number);
        if (it == styles.constEnd())
            return 0;
        if (it->halfPoints > 0)
            return it->halfPoints;
        number = it->basedOn;
    }
    return 0;
}

// The text as read: runs and paragraph breaks with their formats (indexes into
// the tables), built into a document only once the whole text has been read.
class Pieces
{
public:
    int AddCharFormat(const QTextCharFormat &format)
    {
        m_charFormats.append(format);
        return int(m_charFormats.size() - 1);
    }
    int AddBlockFormat(const QTextBlockFormat &format)
    {
        m_blockFormats.append(format);
        return int(m_blockFormats.size() - 1);
    }
    void AddText(const QString &text, int format)
    {
        if (text.isEmpty())
            return;
        m_pieces.push_back({Piece::Text, format, -1, m_text.size(), text.size()});
        m_text += text;
        m_blockHasText = true;
    }
    // A note's mark, whose text is known once its note has been read.
    int AddMark(int format)
    {
        m_pieces.push_back({Piece::Mark, format, -1, qsizetype(m_marks.size()), 0});
        m_marks.append(QString());
        m_blockHasText = true;
        return int(m_marks.size() - 1);
    }
    void SetMark(int mark, const QString &text) { m_marks[mark] = text; }
    void AddBlock(int block, int format)
    {
        m_pieces.push_back({Piece::Block, format, block, 0, 0});
        m_blockHasText = false;
    }
    void SetBlockFormat(int block) { m_pieces.push_back({Piece::BlockFormat, -1, block, 0, 0}); }
    void SetBlockCharFormat(int format) { m_pieces.push_back({Piece::BlockCharFormat, format, -1, 0, 0}); }
    bool BlockIsEmpty() const { return !m_blockHasText; }

    // Appends everything at the cursor, which stands at the end of an empty document.
    void Build(QTextCursor &cursor) const
    {
        // A paragraph's formats are set again only when they differ from those it has.
        QTextBlockFormat block = cursor.blockFormat();
        QTextCharFormat blockChar = cursor.blockCharFormat();
        for (const Piece &p : m_pieces) {
            switch (p.kind) {
            case Piece::Text:
                cursor.insertText(m_text.sliced(p.start, p.length), m_charFormats[p.charFormat]);
                break;
            case Piece::Mark:
                if (!m_marks[p.start].isEmpty())
                    cursor.insertText(m_marks[p.start], m_charFormats[p.charFormat]);
                break;
            case Piece::Block:
                block = m_blockFormats[p.blockFormat];
                blockChar = m_charFormats[p.charFormat];
                cursor.insertBlock(block, blockChar);
                break;
            case Piece::BlockFormat:
                if (m_blockFormats[p.blockFormat] != block) {
                    block = m_blockFormats[p.blockFormat];
                    cursor.setBlockFormat(block);
                }
                break;
            case Piece::BlockCharFormat:
                if (m_charFormats[p.charFormat] != blockChar) {
                    blockChar = m_charFormats[p.charFormat];
                    cursor.setBlockCharFormat(blockChar);
                }
                break;
            }
        }
    }

private:
    struct Piece
    {
        enum Kind : quint8 { Text, Mark, Block, BlockFormat, BlockCharFormat } kind;
        int charFormat;
        int blockFormat;
        qsizetype start;
        qsizetype length;
    };
    std::vector<Piece> m_pieces;
    QVector<QTextCharFormat> m_charFormats;
    QVector<QTextBlockFormat> m_blockFormats;
    QVector<QString> m_marks;
    QString m_text;
    bool m_blockHasText = false;
};

class Reader
{
public:
    explicit Reader(const QByteArray &data) : m_data(data) {}

    // Reads the whole text; throws ERtfError without having built anything.
    void Run();
    const Pieces &Text() const { return m_out; }

private:
    void OpenGroup();
    bool CloseGroup(); // false at the end of the outermost group
    // Control words are handled by tables of handlers: the words that open the font and
    // colour tables (in any destination), and the words of each destination.
    using WordHandler = void (*)(Reader &, Group &, WordParam);
    using WordTable = QHash<QByteArray, WordHandler>;
    void ControlWord(const QByteArray &word, bool hasParam, int param);
    static const WordTable &DestinationWords();
    static const WordTable &FontTableWords();
    static const WordTable &ColourTableWords();
    static const WordTable &StyleSheetWords();
    static const WordTable &TextWords();
    template <char16_t C> static void Char(Reader &r, Group &, WordParam) { r.TextChar(C); }
    template <bool Endnote, NoteFormat F> static void NoteFormatWord(Reader &r, Group &, WordParam)
    {
        (Endnote ? r.m_endnoteNumbers : r.m_footnoteNumbers).format = F;
    }
    template <bool Endnote> static void NoteStartWord(Reader &r, Group &, WordParam p)
    {
        (Endnote ? r.m_endnoteNumbers : r.m_footnoteNumbers).start = std::clamp(p.value, 0, 100000);
    }
    static void AddNoteWords(WordTable &words);
    void UnicodeChar(int code, int skip);
    void SetColourPart(int &part, int value);
    void ControlSymbol(char symbol);
    void TextByte(char byte);
    void TextChar(char16_t ch);
    void Flush();
    void Paragraph();
    void ApplyPendingBreak();
    int CodePage() const;
    int CharFormat();
    int BlockFormat();
    void FontsChanged();
    void EndFontEntry();
    void DropHighSurrogate();
    void NoteMark();
    void EndNote();
    void NumberMarks(size_t count);
    bool Skipping() const { return m_skipDepth >= 0; }
    Group &Top() { return m_stack.back(); }

    const QByteArray &m_data;
    qsizetype m_pos = 0;
    Pieces m_out;
    QVector<Group> m_stack;
    int m_skipDepth = -1;      // depth at which a skipped destination began
    bool m_starred = false;    // last token was \*
    bool m_groupStart = false; // no token yet in the newest group
    int m_docCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    int m_fontEntry = 0;
    int m_fontEntryCodePage = 0;
    QByteArray m_fontName;
    QVector<QColor> m_colours;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourSet = false;
    int m_skipChars = 0; // characters still to skip after \uN
    // Note marks wait for their note, which says whether it is a footnote or an endnote.
    NoteNumbering m_footnoteNumbers;
    NoteNumbering m_endnoteNumbers;
    bool m_endnotesOnly = false; // \fet1
    std::vector<int> m_marks;
    int m_noteDepth = -1;
    bool m_endnote = false;
    int m_uprDepth = -1; // depth of a \upr group, whose \ud alternative is read
    // The stylesheet's font sizes, of paragraph and of character styles.
    QHash<int, Style> m_paraStyles;
    QHash<int, Style> m_charStyles;
    int m_styleSheetDepth = -1;
    QHash<int, Style> *m_entryStyles = nullptr;
    int m_entryNumber = 0;
    Style m_entry;
    char16_t m_highSurrogate = 0;
    QByteArray m_pendingBytes;
    int m_pendingCodePage = 1252;
    QString m_pendingText;
    int m_pendingFormat = -1;
    bool m_pendingBreak = false;
    int m_breakBlock = -1;
    int m_breakChar = -1;
    bool m_firstBlock = true;
    bool m_textSincePar = false;
    int m_lastBlock = -1;
    // The format of each state met so far; text runs ask once per character.
    QHash<CharState, int> m_charFormats;
    QHash<ParaState, int> m_blockFormats;
    CharState m_lastChar;
    int m_lastCharFormat = -1;
    ParaState m_lastPara;
    int m_lastBlockFormat = -1;
};

int Reader::CodePage() const
{
    const Group &g = m_stack.back();
    if (g.dest == Destination::FontTable)
        return m_fontEntryCodePage ? m_fontEntryCodePage : m_docCodePage;
    int font = g.ch.font >= 0 ? g.ch.font : m_defaultFont;
    auto it = m_fonts.constFind(font);
    if (it != m_fonts.constEnd() && it->codePage)
        return it->codePage;
    return m_docCodePage;
}

// Fonts or colours changed: formats made from here on differ.
void Reader::FontsChanged()
{
    m_charFormats.clear();
    m_lastCharFormat = -1;
}

int Reader::CharFormat()
{
    const CharState &s = m_stack.back().ch;
    if (m_lastCharFormat >= 0 && s == m_lastChar)
        return m_lastCharFormat;
    m_lastChar = s;
    if (auto it = m_charFormats.constFind(s); it != m_charFormats.constEnd())
        return m_lastCharFormat = *it;
    QTextCharFormat f;
    auto it = m_fonts.constFind(s.font >= 0 ? s.font : m_defaultFont);
    if (it != m_fonts.constEnd() && !it->name.isEmpty())
        f.setFontFamilies(QStringList{it->name});
    f.setFontPointSize(s.halfPoints / 2.0);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontStrikeOut(s.strike);
    if (s.colour > 0 && s.colour < m_colours.size() && m_colours[s.colour].isValid())
        f.setForeground(m_colours[s.colour]);
    m_lastCharFormat = m_out.AddCharFormat(f);
    m_charFormats.insert(s, m_lastCharFormat);
    return m_lastCharFormat;
}

int Reader::BlockFormat()
{
    const ParaState &p = m_stack.back().para;
    if (m_lastBlockFormat >= 0 && p == m_lastPara)
        return m_lastBlockFormat;
    m_lastPara = p;
    if (auto it = m_blockFormats.constFind(p); it != m_blockFormats.constEnd())
        return m_lastBlockFormat = *it;
    QTextBlockFormat f;
    f.setAlignment(p.alignment);
    // Indents are kept in 96-dpi layout units, which the layout scales to the device.
    f.setLeftMargin(p.leftIndent / 15.0);
    f.setRightMargin(p.rightIndent / 15.0);
    f.setTextIndent(p.firstIndent / 15.0);
    m_lastBlockFormat = m_out.AddBlockFormat(f);
    m_blockFormats.insert(p, m_lastBlockFormat);
    return m_lastBlockFormat;
}

void Reader::Flush()
{
    if (!m_pendingBytes.isEmpty()) {
        QString text = RtfCodePage::Decode(m_pendingBytes, m_pendingCodePage);
        m_pendingBytes.clear();
        for (QChar c : text)
            TextChar(c.unicode());
    }
    if (!m_pendingText.isEmpty()) {
        ApplyPendingBreak();
        m_out.AddText(m_pendingText, m_pendingFormat);
        m_pendingText.clear();
    }
}

void Reader::ApplyPendingBreak()
{
    if (!m_pendingBreak)
        return;
    m_pendingBreak = false;
    m_out.AddBlock(m_breakBlock, m_breakChar);
}

void Reader::TextChar(char16_t ch)
{
    const Group &g = m_stack.back();
    if (g.dest == Destination::FontTable) {
        if (ch == ';')
            EndFontEntry();
        else if (ch >= 0x20) {
            m_fontName.append(QString(QChar(ch)).toUtf8());
        }
        return;
    }
    if (g.dest != Destination::Text)
        return;
    if ((ch < 0x20 && ch != '\t') || ch == QChar::ObjectReplacementCharacter
        || ch == QChar::ParagraphSeparator || ch == 0xFDD0 || ch == 0xFDD1)
        return; // control characters and the document's own markers are not text
    const int f = CharFormat();
    m_textSincePar = true;
    m_lastBlock = BlockFormat();
    if (!m_pendingText.isEmpty() && f != m_pendingFormat) {
        ApplyPendingBreak();
        m_out.AddText(m_pendingText, m_pendingFormat);
        m_pendingText.clear();
    }
    if (m_pendingText.isEmpty())
        m_pendingFormat = f;
    m_pendingText.append(QChar(ch));
}

void Reader::TextByte(char byte)
{
    if (m_skipChars > 0) {
        --m_skipChars;
        return;
    }
    DropHighSurrogate();
    const Group &g = m_stack.back();
    if (g.dest == Destination::ColorTable) {
        if (byte == ';') {
            FontsChanged();
            m_colours.append(m_colourSet ? QColor(m_red, m_green, m_blue) : QColor());
            m_red = m_green = m_blue = 0;
            m_colourSet = false;
        }
        return;
    }
    int cp = CodePage();
    if (!m_pendingBytes.isEmpty() && cp != m_pendingCodePage) {
        QByteArray keep;
        std::swap(keep, m_pendingBytes);
        m_pendingBytes = keep;
        Flush();
    }
    m_pendingCodePage = cp;
    m_pendingBytes.append(byte);
}

void Reader::Paragraph()
{
    if (m_stack.back().dest != Destination::Text)
        return;
    Flush();
    ApplyPendingBreak();
    m_out.SetBlockFormat(BlockFormat());
    if (m_firstBlock || m_out.BlockIsEmpty())
        m_out.SetBlockCharFormat(CharFormat());
    m_firstBlock = false;
    m_textSincePar = false;
    // The break is made only when more text follows: a closing \par ends the
    // last paragraph rather than starting an empty one.
    m_pendingBreak = true;
    m_breakBlock = BlockFormat();
    m_breakChar = CharFormat();
}

void Reader::OpenGroup()
{
    DropHighSurrogate();
    Flush();
    if (m_stack.size() >= kMaxDepth)
        throw ERtfError(QStringLiteral("The rich text is nested too deeply to be read."));
    Group g = m_stack.back();
    if (g.dest == Destination::StyleSheet && m_stack.size() == m_styleSheetDepth) {
        // A style's entry: a paragraph style unless it says otherwise.
        m_entryStyles = &m_paraStyles;
        m_entryNumber = 0;
        m_entry = Style();
    }
    m_stack.append(g);
    m_groupStart = true;
    m_skipChars = 0;
}

bool Reader::CloseGroup()
{
    Flush();
    Group closing = m_stack.back();
    if (closing.dest == Destination::FontTable && !m_fontName.isEmpty())
        EndFontEntry(); // an entry without its ";"
    if (closing.dest == Destination::StyleSheet && m_stack.size() == m_styleSheetDepth + 1 && m_entryStyles)
        m_entryStyles->insert(m_entryNumber, m_entry);
    DropHighSurrogate();
    m_stack.removeLast();
    m_skipChars = 0;
    if (m_skipDepth > m_stack.size())
        m_skipDepth = -1;
    if (m_styleSheetDepth > m_stack.size())
        m_styleSheetDepth = -1;
    if (m_noteDepth > m_stack.size())
        EndNote();
    if (m_uprDepth > m_stack.size())
        m_uprDepth = -1;
    else if (m_uprDepth == m_stack.size() && !Skipping())
        m_skipDepth = m_uprDepth; // what follows the \ud alternative is skipped again
    return m_stack.size() > 1;
}

void Reader::NoteMark()
{
    Flush();
    ApplyPendingBreak();
    m_textSincePar = true;
    m_lastBlock = BlockFormat();
    m_marks.push_back(m_out.AddMark(CharFormat()));
}

// Marks that no note followed are footnote marks, numbered where they stand.
void Reader::NumberMarks(size_t count)
{
    for (size_t i = 0; i < count && i < m_marks.size(); ++i)
        m_out.SetMark(m_marks[i], m_footnoteNumbers.Next());
    m_marks.erase(m_marks.begin(), m_marks.begin() + std::min(count, m_marks.size()));
}

// A note has been read: the last mark before it is its own.
void Reader::EndNote()
{
    m_noteDepth = -1;
    if (m_marks.empty())
        return;
    NumberMarks(m_marks.size() - 1);
    m_out.SetMark(m_marks.back(), (m_endnote ? m_endnoteNumbers : m_footnoteNumbers).Next());
    m_marks.clear();
}

void Reader::EndFontEntry()
{
    FontsChanged();
    FontEntry &e = m_fonts[m_fontEntry];
    e.name = QString::fromUtf8(m_fontName).trimmed();
    e.codePage = m_fontEntryCodePage;
    // The Symbol font's letters are Greek and its signs mathematical, wherever it is drawn.
    if (e.codePage == RtfCodePage::kSymbol
        && e.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
        e.codePage = RtfCodePage::kSymbolFont;
    m_fontName.clear();
}

// A high surrogate pairs only with the low one that comes next.
void Reader::DropHighSurrogate()
{
    if (!m_highSurrogate)
        return;
    m_highSurrogate = 0;
    Flush();
    TextChar(QChar::ReplacementCharacter);
}

void Reader::ControlSymbol(char symbol)
{
    DropHighSurrogate();
    switch (symbol) {
    case '\\':
    case '{':
    case '}': TextByte(symbol); break;
    case '~':
        Flush();
        TextChar(0x00A0);
        break;
    case '_':
        Flush();
        TextChar(0x2011);
        break;
    case '\r':
    case '\n': Paragraph(); break;
    default: break;
    }
}

void Reader::ControlWord(const QByteArray &word, bool hasParam, int param)
{
    Group &g = Top();
    bool groupStart = m_groupStart;
    m_groupStart = false;
    bool starred = m_starred;
    m_starred = false;

    if (word == "bin") {
        // Binary data: skipped whatever the destination.
        Flush();
        qsizetype n = hasParam && param > 0 ? param : 0;
        m_pos = std::min(m_data.size(), m_pos + n);
        return;
    }
    if (word == "ftnalt" && m_noteDepth >= 0)
        m_endnote = true;
    if (word == "ud" && groupStart && m_uprDepth >= 0 && m_skipDepth == m_uprDepth
        && m_stack.size() == m_uprDepth + 1) {
        // The Unicode alternative of a \upr group is the text shown.
        m_skipDepth = -1;
        g.dest = m_uprDepth >= 2 ? m_stack[m_uprDepth - 2].dest : Destination::Text;
        return;
    }
    if (Skipping())
        return;
    Flush();

    if (m_skipChars > 0 && word != "u") {
        --m_skipChars;
        return;
    }
    if (word != "u")
        DropHighSurrogate();

    const WordTable &destinations = DestinationWords();
    const WordTable &words = g.dest == Destination::FontTable    ? FontTableWords()
                             : g.dest == Destination::ColorTable ? ColourTableWords()
                             : g.dest == Destination::StyleSheet ? StyleSheetWords()
                                                                 : TextWords();
    if (groupStart && (starred || SkippedDestinations().contains(word)) && !destinations.contains(word)
        && !(g.dest == Destination::StyleSheet && words.contains(word))) {
        m_skipDepth = m_stack.size();
        if (word == "upr")
            m_uprDepth = m_skipDepth;
        if (word == "footnote" && m_noteDepth < 0) {
            m_noteDepth = m_skipDepth;
            m_endnote = m_endnotesOnly;
        }
        g.dest = Destination::Skip;
        return;
    }

    auto handler = words.constFind(word);
    if (handler == words.constEnd()) {
        handler = destinations.constFind(word);
        if (handler == destinations.constEnd())
            return; // words we do not know are ignored
    }
    (*handler)(*this, g, {hasParam, param});
}

const Reader::WordTable &Reader::DestinationWords()
{
    static const WordTable words = {
        {"fonttbl", [](Reader &, Group &g, WordParam) { g.dest = Destination::FontTable; }},
        {"stylesheet",
         [](Reader &r, Group &g, WordParam) {
             g.dest = Destination::StyleSheet;
             r.m_styleSheetDepth = int(r.m_stack.size());
         }},
        {"colortbl",
         [](Reader &r, Group &g, WordParam) {
             g.dest = Destination::ColorTable;
             r.m_colours.clear();
             r.FontsChanged();
         }},
    };
    return words;
}

const Reader::WordTable &Reader::FontTableWords()
{
    static const WordTable words = {
        {"f",
         [](Reader &r, Group &, WordParam p) {
             r.m_fontEntry = p.value;
             r.m_fontEntryCodePage = 0;
             r.m_fontName.clear();
         }},
        {"fcharset",
         [](Reader &r, Group &, WordParam p) { r.m_fontEntryCodePage = RtfCodePage::OfCharset(p.value); }},
        {"cpg",
         [](Reader &r, Group &, WordParam p) {
             if (p.given)
                 r.m_fontEntryCodePage = p.value;
         }},
        {"u",
         [](Reader &r, Group &g, WordParam p) {
             r.TextChar(static_cast<char16_t>(p.value < 0 ? p.value + 65536 : p.value));
             r.m_skipChars = g.ch.unicodeSkip;
         }},
    };
    return words;
}

const Reader::WordTable &Reader::ColourTableWords()
{
    static const WordTable words = {
        {"red", [](Reader &r, Group &, WordParam p) { r.SetColourPart(r.m_red, p.value); }},
        {"green", [](Reader &r, Group &, WordParam p) { r.SetColourPart(r.m_green, p.value); }},
        {"blue", [](Reader &r, Group &, WordParam p) { r.SetColourPart(r.m_blue, p.value); }},
    };
    return words;
}

const Reader::WordTable &Reader::StyleSheetWords()
{
    constexpr WordHandler other = [](Reader &r, Group &, WordParam) { r.m_entryStyles = nullptr; };
    static const WordTable words = {
        {"s",
         [](Reader &r, Group &, WordParam p) {
             r.m_entryStyles = &r.m_paraStyles;
             r.m_entryNumber = p.value;
         }},
        {"cs",
         [](Reader &r, Group &, WordParam p) {
             r.m_entryStyles = &r.m_charStyles;
             r.m_entryNumber = p.value;
         }},
        {"ds", other},
        {"ts", other},
        {"fs",
         [](Reader &r, Group &, WordParam p) {
             r.m_entry.halfPoints = p.given && p.value > 0 ? std::min(p.value, 3276) : 0;
         }},
        {"sbasedon", [](Reader &r, Group &, WordParam p) { r.m_entry.basedOn = p.value; }},
    };
    return words;
}

const Reader::WordTable &Reader::TextWords()
{
    constexpr WordHandler underline = [](Reader &, Group &g, WordParam p) { g.ch.underline = p.On(); };
    constexpr WordHandler space = &Reader::Char<' '>;
    static const WordTable words = [&] {
        WordTable w = {
            {"u", [](Reader &r, Group &g, WordParam p) { r.UnicodeChar(p.value, g.ch.unicodeSkip); }},
            // Text and special characters
            {"par", [](Reader &r, Group &, WordParam) { r.Paragraph(); }},
            {"row", [](Reader &r, Group &, WordParam) { r.Paragraph(); }},
            {"line", &Reader::Char<0x2028>},
            {"tab", &Reader::Char<'\t'>},
            {"cell", &Reader::Char<'\t'>},
            {"emdash", &Reader::Char<0x2014>},
            {"endash", &Reader::Char<0x2013>},
            {"bullet", &Reader::Char<0x2022>},
            // A note's mark keeps its place in the text; the note itself is skipped.
            {"chftn", [](Reader &r, Group &, WordParam) { r.NoteMark(); }},
            {"lquote", &Reader::Char<0x2018>},
            {"rquote", &Reader::Char<0x2019>},
            {"ldblquote", &Reader::Char<0x201C>},
            {"rdblquote", &Reader::Char<0x201D>},
            {"emspace", space},
            {"enspace", space},
            {"qmspace", space},
            // Character formatting
            {"b", [](Reader &, Group &g, WordParam p) { g.ch.bold = p.On(); }},
            {"i", [](Reader &, Group &g, WordParam p) { g.ch.italic = p.On(); }},
            {"ul", underline},
            {"uld", underline},
            {"uldb", underline},
            {"ulw", underline},
            {"uldash", underline},
            {"ulth", underline},
            {"ulwave", underline},
            {"ulnone", [](Reader &, Group &g, WordParam) { g.ch.underline = false; }},
            {"strike", [](Reader &, Group &g, WordParam p) { g.ch.strike = p.On(); }},
            {"f", [](Reader &, Group &g, WordParam p) { g.ch.font = p.given ? p.value : 0; }},
            {"fs",
             [](Reader &, Group &g, WordParam p) {
                 g.ch.halfPoints = p.given && p.value > 0 ? std::min(p.value, 3276) : kDefaultHalfPoints;
             }},
            {"cf", [](Reader &, Group &g, WordParam p) { g.ch.colour = std::max(p.value, 0); }},
            {"plain",
             [](Reader &, Group &g, WordParam) {
                 int uc = g.ch.unicodeSkip;
                 g.ch = CharState();
                 g.ch.unicodeSkip = uc;
             }},
            {"uc", [](Reader &, Group &g, WordParam p) { g.ch.unicodeSkip = std::clamp(p.value, 0, 16); }},
            // Paragraph formatting
            {"pard", [](Reader &, Group &g, WordParam) { g.para = ParaState(); }},
            {"ql", [](Reader &, Group &g, WordParam) { g.para.alignment = Qt::AlignLeft; }},
            {"qc", [](Reader &, Group &g, WordParam) { g.para.alignment = Qt::AlignHCenter; }},
            {"qr", [](Reader &, Group &g, WordParam) { g.para.alignment = Qt::AlignRight; }},
            {"qj", [](Reader &, Group &g, WordParam) { g.para.alignment = Qt::AlignJustify; }},
            {"li", [](Reader &, Group &g, WordParam p) { g.para.leftIndent = Indent(p.value); }},
            {"ri", [](Reader &, Group &g, WordParam p) { g.para.rightIndent = Indent(p.value); }},
            {"fi", [](Reader &, Group &g, WordParam p) { g.para.firstIndent = Indent(p.value); }},
            // Styles: their font sizes
            {"s",
             [](Reader &r, Group &g, WordParam p) {
                 if (const int size = StyleHalfPoints(r.m_paraStyles, p.value))
                     g.ch.halfPoints = size;
             }},
            {"cs",
             [](Reader &r, Group &g, WordParam p) {
                 if (const int size = StyleHalfPoints(r.m_charStyles, p.value))
                     g.ch.halfPoints = size;
             }},
            // Document settings
            {"fet", [](Reader &r, Group &, WordParam p) { r.m_endnotesOnly = p.value == 1; }},
            {"deff",
             [](Reader &r, Group &, WordParam p) {
                 r.m_defaultFont = p.value;
                 r.FontsChanged();
             }},
            {"ansicpg",
             [](Reader &r, Group &, WordParam p) {
                 if (p.value > 0)
                     r.m_docCodePage = p.value;
             }},
            {"mac", [](Reader &r, Group &, WordParam) { r.m_docCodePage = 10000; }},
            {"pc", [](Reader &r, Group &, WordParam) { r.m_docCodePage = 437; }},
            {"pca", [](Reader &r, Group &, WordParam) { r.m_docCodePage = 850; }},
        };
        AddNoteWords(w);
        return w;
    }();
    return words;
}

// Footnotes and endnotes number on their own, each in its format (the document's,
// then a section's) from its start.
void Reader::AddNoteWords(WordTable &words)
{
    for (const char *prefix : {"", "s"}) {
        const QByteArray section(prefix);
        words.insert(section + "ftnnar", &NoteFormatWord<false, NoteFormat::Arabic>);
        words.insert(section + "ftnnalc", &NoteFormatWord<false, NoteFormat::LowerAlpha>);
        words.insert(section + "ftnnauc", &NoteFormatWord<false, NoteFormat::UpperAlpha>);
        words.insert(section + "ftnnrlc", &NoteFormatWord<false, NoteFormat::LowerRoman>);
        words.insert(section + "ftnnruc", &NoteFormatWord<false, NoteFormat::UpperRoman>);
        words.insert(section + "ftnnchi", &NoteFormatWord<false, NoteFormat::Chicago>);
        words.insert(section + "aftnnar", &NoteFormatWord<true, NoteFormat::Arabic>);
        words.insert(section + "aftnnalc", &NoteFormatWord<true, NoteFormat::LowerAlpha>);
        words.insert(section + "aftnnauc", &NoteFormatWord<true, NoteFormat::UpperAlpha>);
        words.insert(section + "aftnnrlc", &NoteFormatWord<true, NoteFormat::LowerRoman>);
        words.insert(section + "aftnnruc", &NoteFormatWord<true, NoteFormat::UpperRoman>);
        words.insert(section + "aftnnchi", &NoteFormatWord<true, NoteFormat::Chicago>);
        words.insert(section + "ftnstart", &NoteStartWord<false>);
        words.insert(section + "aftnstart", &NoteStartWord<true>);
    }
}

void Reader::UnicodeChar(int code, int skip)
{
    if (code < 0)
        code += 65536;
    if (code < 0 || code > 0xFFFF)
        code = QChar::ReplacementCharacter;
    auto c = static_cast<char16_t>(code);
    // The Symbol font's signs given by their private-use numbers: as its bytes show
    // them. A number it has no sign for stays as it is, for the font to draw.
    if (c >= 0xF020 && c <= 0xF0FF && CodePage() == RtfCodePage::kSymbolFont) {
        if (const char16_t sign = RtfCodePage::SymbolFontChar(static_cast<unsigned char>(c - 0xF000)))
            c = sign;
    }
    if (QChar::isLowSurrogate(c) && m_highSurrogate) {
        const char16_t high = m_highSurrogate;
        m_highSurrogate = 0;
        TextChar(high);
        TextChar(c);
    } else {
        DropHighSurrogate();
        if (QChar::isHighSurrogate(c))
            m_highSurrogate = c;
        else
            TextChar(QChar::isLowSurrogate(c) ? char16_t(QChar::ReplacementCharacter) : c);
    }
    m_skipChars = skip;
}

void Reader::SetColourPart(int &part, int value)
{
    part = std::clamp(value, 0, 255);
    m_colourSet = true;
}

void Reader::Run()
{
    if (!IsRtf(m_data))
        throw ERtfError(QStringLiteral("The data is not rich text."));
    m_stack.append(Group()); // below the document's own group

    const qsizetype size = m_data.size();
    while (m_pos < size) {
        char c = m_data[m_pos++];
        if (c == '{') {
            if (!Skipping() && m_skipChars > 0)
                m_skipChars = 0;
            OpenGroup();
            continue;
        }
        if (c == '}') {
            if (!CloseGroup())
                break;
            continue;
        }
        if (c == '\\') {
            if (m_pos >= size)
                break;
            char n = m_data[m_pos];
            if ((n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z')) {
                qsizetype start = m_pos;
                while (m_pos < size && m_pos - start < 32
                       && ((m_data[m_pos] >= 'a' && m_data[m_pos] <= 'z')
                           || (m_data[m_pos] >= 'A' && m_data[m_pos] <= 'Z')))
                    ++m_pos;
                QByteArray word = m_data.mid(start, m_pos - start);
                while (m_pos < size
                       && ((m_data[m_pos] >= 'a' && m_data[m_pos] <= 'z')
                           || (m_data[m_pos] >= 'A' && m_data[m_pos] <= 'Z')))
                    ++m_pos; // an overlong word is cut, not split
                bool negative = false;
                bool hasParam = false;
                long long value = 0;
                if (m_pos + 1 < size && m_data[m_pos] == '-' && m_data[m_pos + 1] >= '0'
                    && m_data[m_pos + 1] <= '9') {
                    negative = true;
                    ++m_pos;
                }
                while (m_pos < size && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
                    hasParam = true;
                    if (value < 100000000000LL)
                        value = value * 10 + (m_data[m_pos] - '0');
                    ++m_pos;
                }
                if (m_pos < size && m_data[m_pos] == ' ')
                    ++m_pos;
                value = std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL);
                ControlWord(word, hasParam, static_cast<int>(value));
                continue;
            }
            ++m_pos;
            if (n == '*') {
                m_starred = true;
                continue;
            }
            m_groupStart = false;
            if (Skipping())
                continue;
            if (n == '\'') {
                int v = 0;
                int digits = 0;
                while (digits < 2 && m_pos < size) {
                    char h = m_data[m_pos];
                    int d = (h >= '0' && h <= '9')   ? h - '0'
                            : (h >= 'a' && h <= 'f') ? h - 'a' + 10
                            : (h >= 'A' && h <= 'F') ? h - 'A' + 10
                                                     : -1;
                    if (d < 0)
                        break;
                    v = v * 16 + d;
                    ++digits;
                    ++m_pos;
                }
                if (digits > 0)
                    TextByte(static_cast<char>(v));
                continue;
            }
            if (m_skipChars > 0 && (n == '\\' || n == '{' || n == '}' || n == '~' || n == '_')) {
                --m_skipChars;
                continue;
            }
            ControlSymbol(n);
            continue;
        }
        if (c == '\r' || c == '\n')
            continue;
        m_groupStart = false;
        m_starred = false;
        if (Skipping())
            continue;
        TextByte(c);
    }
    DropHighSurrogate();
    Flush();
    NumberMarks(m_marks.size());
    if (!m_pendingBreak && m_textSincePar) {
        // The last paragraph has no \par: it keeps the formatting its text had.
        m_out.SetBlockFormat(m_lastBlock);
    }
}

} // namespace

bool IsRtf(const QByteArray &data)
{
    return data.startsWith("{\\rtf");
}

bool IsWholeRtf(const QByteArray &data)
{
    if (!IsRtf(data))
        return false;
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const qsizetype size = data.size();
    qsizetype depth = 0;
    qsizetype i = 0;
    while (i < size) {
        const char c = data[i++];
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                return true;
        } else if (c == '\0') {
            return false;
        } else if (c == '\\' && i < size) {
            if (!isLetter(data[i])) {
                ++i; // an escaped character
                continue;
            }
            const qsizetype start = i;
            while (i < size && isLetter(data[i]))
                ++i;
            const bool bin = data.mid(start, i - start) == "bin";
            const bool negative = i + 1 < size && data[i] == '-' && isDigit(data[i + 1]);
            if (negative)
                ++i;
            qsizetype count = 0;
            while (i < size && isDigit(data[i])) {
                count = std::min<qsizetype>(count * 10 + (data[i] - '0'), size);
                ++i;
            }
            if (i < size && data[i] == ' ')
                ++i;
            if (bin && !negative) // binary bytes, which may hold anything
                i = std::min(size, i + count);
        }
    }
    return false;
}

void ReadRtf(const QByteArray &data, QTextDocument *document)
{
    // Read first, so that a refused text leaves the document as it was.
    Reader reader(data);
    reader.Run();
    // One edit that starts from a cleared document: its users see one change of the
    // whole text, and a layout attached to it lays the finished text out afresh
    // (lazily), so it cannot miss a paragraph format changed after its text went
    // in, as it did when every piece was a change. A load is nothing to undo.
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor edit(document);
    edit.beginEditBlock();
    document->clear();
    QTextCursor cursor(document);
    reader.Text().Build(cursor);
    edit.endEditBlock();
    document->setUndoRedoEnabled(undo);
}
