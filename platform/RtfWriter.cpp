#include "platform/RtfWriter.h"
#include "platform/Windows1252.h"

#include "platform/Rounding.h"
#include "platform/RtfCodePage.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>
#include <QVector>

namespace {

constexpr int kSoftLineLength = 200; // break at the next chance from here on
constexpr int kHardLineLength = 240; // from here on text blanks are escaped

class RtfOut
{
public:
    // A control word or symbol starting with "\"; a word takes a delimiter when text follows.
    void Control(const QByteArray &word)
    {
        Token(word);
        m_needDelimiter = word.size() > 1 && IsLetter(word[1]);
    }
    void Control(const char *word, int param) { Control(QByteArray(word) + QByteArray::number(param)); }
    void Brace(char brace) { Token(QByteArray(1, brace)); }
    void Text(char c)
    {
        if (c == ' ' && m_lineLength >= kHardLineLength) {
            Token("\\'20");
            return;
        }
        bool delimiter = m_needDelimiter && (IsDigitOrLetter(c) || c == ' ' || c == '-');
        m_needDelimiter = false;
        if (Break(c))
            delimiter = false; // the line break ends the word
        if (delimiter)
            Put(" ");
        Put(QByteArray(1, c));
    }
    void LineBreak()
    {
        m_out.append("\r\n");
        m_lineLength = 0;
        m_needDelimiter = false;
        m_breakWanted = false;
    }
    // A line break before the next token where one is allowed.
    void EndLine() { m_breakWanted = true; }
    QByteArray Result() const { return m_out; }

private:
    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigitOrLetter(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }

    // Breaks the line when it is long and neither side of the break is a blank.
    bool Break(char next)
    {
        bool wanted = m_lineLength >= kSoftLineLength || m_breakWanted;
        if (!wanted || next == ' ' || m_out.isEmpty() || m_out.back() == ' ')
            return false;
        LineBreak();
        return true;
    }
    void Token(const QByteArray &token)
    {
        m_needDelimiter = false;
        Break(token[0]);
        Put(token);
    }
    void Put(const QByteArray &bytes)
    {
        m_out.append(bytes);
        m_lineLength += static_cast<int>(bytes.size());
    }

    QByteArray m_out;
    int m_lineLength = 0;
    bool m_needDelimiter = false;
    bool m_breakWanted = false;
};

void WriteText(RtfOut &out, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c == '\\' || c == '{' || c == '}') {
            out.Control(QByteArray("\\") + char(c));
        } else if (c == '\t') {
            out.Control("\\tab");
        } else if (c == 0x2028) {
            out.Control("\\line");
        } else if (c == QChar::ObjectReplacementCharacter || c < 0x20 || c == 0x2029) {
            continue;
        } else if (c < 0x7F) {
            out.Text(static_cast<char>(c));
        } else if (int b = EncodeWindows1252(c); b >= 0) {
            static const char hex[] = "0123456789abcdef";
            QByteArray t("\\'");
            t.append(hex[b >> 4]);
            t.append(hex[b & 15]);
            out.Control(t);
        } else {
            out.Control("\\u", static_cast<int16_t>(c));
            out.Text('?');
        }
    }
}

struct ParaAttributes
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int left = 0;
    int right = 0;
    int first = 0;
    bool operator==(const ParaAttributes &) const = default;
};

ParaAttributes ParagraphOf(const QTextBlockFormat &f)
{
    ParaAttributes p;
    Qt::Alignment h = f.alignment() & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignHCenter)
        p.alignment = Qt::AlignHCenter;
    else if (h & Qt::AlignJustify)
        p.alignment = Qt::AlignJustify;
    else if (h & Qt::AlignRight)
        p.alignment = Qt::AlignRight;
    p.left = static_cast<int>(RoundHalfEven(f.leftMargin() * 15.0));
    p.right = static_cast<int>(RoundHalfEven(f.rightMargin() * 15.0));
    p.first = static_cast<int>(RoundHalfEven(f.textIndent() * 15.0));
    return p;
}

} // namespace

double FontPoints(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    if (font.pixelSize() > 0)
        return font.pixelSize() * 72.0 / 96.0;
    return 12;
}

RtfCharAttributes EffectiveCharAttributes(const QTextCharFormat &f, const QFont &defaultFont)
{
    RtfCharAttributes a;
    QStringList families = f.fontFamilies().toStringList();
    a.name = !families.isEmpty() && !families.front().isEmpty() ? families.front() : defaultFont.family();
    a.points = f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0 ? f.fontPointSize()
               : f.hasProperty(QTextFormat::FontPixelSize) && f.intProperty(QTextFormat::FontPixelSize) > 0
                   ? f.intProperty(QTextFormat::FontPixelSize) * 72.0 / 96.0
                   : FontPoints(defaultFont);
    a.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : defaultFont.bold();
    a.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : defaultFont.italic();
    a.underline = f.hasProperty(QTextFormat::FontUnderline) || f.hasProperty(QTextFormat::TextUnderlineStyle)
                      ? f.fontUnderline()
                      : defaultFont.underline();
    a.strikeOut = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : defaultFont.strikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        a.colour = f.foreground().color();
    return a;
}

QByteArray WriteRtf(const QTextDocument *document, int from, int to)
{
    const int end = document->characterCount() - 1;
    if (to < 0 || to > end)
        to = end;
    from = std::clamp(from, 0, to);
    const QFont defaultFont = document->defaultFont();

    struct Run
    {
        RtfCharAttributes attributes;
        QString text;
    };
    struct Paragraph
    {
        ParaAttributes format;
        QVector<Run> runs;
    };
    QVector<Paragraph> paragraphs;
    QStringList fonts;
    QVector<QColor> colours;
    // A name as the font table can hold it.
    auto tableName = [&](const QString &family) {
        QString name;
        for (QChar c : family)
            if (c.unicode() >= 0x20 && c != QLatin1Char(';') && c != QChar::ParagraphSeparator
                && c != QChar::LineSeparator)
                name.append(c);
        name = name.trimmed();
        return name.isEmpty() ? defaultFont.family() : name;
    };
    auto note = [&](const RtfCharAttributes &a) {
        QString name = tableName(a.name);
        if (!fonts.contains(name))
            fonts.append(name);
        if (a.colour.isValid() && !colours.contains(a.colour.rgb()))
            colours.append(QColor(a.colour.rgb()));
    };

    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        Paragraph p;
        p.format = ParagraphOf(block.blockFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            int start = std::max(fragment.position(), from);
            int stop = std::min(fragment.position() + fragment.length(), to);
            if (start >= stop)
                continue;
            Run r{EffectiveCharAttributes(fragment.charFormat(), defaultFont),
                  fragment.text().mid(start - fragment.position(), stop - start)};
            note(r.attributes);
            p.runs.append(r);
        }
        if (p.runs.isEmpty()) {
            Run r{EffectiveCharAttributes(block.charFormat(), defaultFont), QString()};
            note(r.attributes);
            p.runs.append(r);
        }
        paragraphs.append(p);
    }
    if (fonts.isEmpty())
        fonts.append(tableName(defaultFont.family()));

    RtfOut out;
    out.Brace('{');
    out.Control("\\rtf1");
    out.Control("\\ansi");
    out.Control("\\ansicpg1252");
    out.Control("\\deff0");
    out.Control("\\deflang1033");
    out.Brace('{');
    out.Control("\\fonttbl");
    for (int i = 0; i < fonts.size(); ++i) {
        out.Brace('{');
        out.Control("\\f", i);
        out.Control("\\fnil");
        out.Control("\\fcharset0");
        WriteText(out, fonts[i]);
        out.Text(';');
        out.Brace('}');
    }
    out.Brace('}');
    out.LineBreak();
    if (!colours.isEmpty()) {
        out.Brace('{');
        out.Control("\\colortbl");
        out.Text(';');
        for (const QColor &c : colours) {
            out.Control("\\red", c.red());
            out.Control("\\green", c.green());
            out.Control("\\blue", c.blue());
            out.Text(';');
        }
        out.Brace('}');
        out.LineBreak();
    }
    out.Control("\\viewkind4");
    out.Control("\\uc1");

    RtfCharAttributes current;
    int currentFont = -1;
    int currentSize = -1;
    int currentColour = 0;
    bool firstParagraph = true;
    ParaAttributes currentPara;
    for (const Paragraph &p : paragraphs) {
        if (firstParagraph || !(p.format == currentPara)) {
            out.Control("\\pard");
            if (p.format.alignment == Qt::AlignHCenter)
                out.Control("\\qc");
            else if (p.format.alignment == Qt::AlignRight)
                out.Control("\\qr");
            else if (p.format.alignment == Qt::AlignJustify)
                out.Control("\\qj");
            if (p.format.left)
                out.Control("\\li", p.format.left);
            if (p.format.right)
                out.Control("\\ri", p.format.right);
            if (p.format.first)
                out.Control("\\fi", p.format.first);
            currentPara = p.format;
            firstParagraph = false;
        }
        for (const Run &r : p.runs) {
            const RtfCharAttributes &a = r.attributes;
            int font = static_cast<int>(fonts.indexOf(tableName(a.name)));
            if (font != currentFont)
                out.Control("\\f", font);
            int size = static_cast<int>(RoundHalfEven(a.points * 2));
            if (size != currentSize)
                out.Control("\\fs", size);
            int colour =
                a.colour.isValid() ? static_cast<int>(colours.indexOf(QColor(a.colour.rgb()))) + 1 : 0;
            if (colour != currentColour)
                out.Control("\\cf", colour);
            if (a.bold != current.bold)
                out.Control(a.bold ? "\\b" : "\\b0");
            if (a.italic != current.italic)
                out.Control(a.italic ? "\\i" : "\\i0");
            if (a.underline != current.underline)
                out.Control(a.underline ? "\\ul" : "\\ulnone");
            if (a.strikeOut != current.strikeOut)
                out.Control(a.strikeOut ? "\\strike" : "\\strike0");
            current = a;
            currentFont = font;
            currentSize = size;
            currentColour = colour;
            WriteText(out, r.text);
        }
        out.Control("\\par");
        out.EndLine();
    }
    out.Brace('}');
    out.LineBreak();
    return out.Result();
}
