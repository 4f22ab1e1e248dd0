#include "platform/HtmlContent.h"

#include "platform/Exception.h"

#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace {

// Qt's reader slows down with the square of the depth; pasted HTML rarely goes past 20.
constexpr size_t kMaxDepth = 64;

// A row keeps its tabs (HTML makes spaces of them); the text in it has its spaces
// collapsed here instead. One style per row costs less than one per tab.
constexpr char kRowStart[] = "<p style=\"white-space:pre-wrap\">";

// Reads no resource at all: everything the HTML names stays unread.
class TSealedDocument : public QTextDocument
{
protected:
    QVariant loadResource(int, const QUrl &) override { return {}; }
};

bool IsOneOf(const QString &Name, std::initializer_list<const char *> Names)
{
    for (const char *n : Names)
        if (Name == QLatin1String(n))
            return true;
    return false;
}

bool IsHtmlSpace(QChar C)
{
    return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r' || C == u'\f';
}

bool IsAsciiLetter(QChar C)
{
    return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z');
}

// Rewrites HTML into the part of it the boxes keep, in one pass, before Qt reads it.
class THtmlSimplifier
{
public:
    THtmlSimplifier(QStringView Html, QString PictureName) : m_in(Html), m_picture(std::move(PictureName)) {}

    QString Run();
    bool PictureShown() const { return m_pictureShown; }

private:
    enum class Kind { Inline, List, Item, Table, Row, Cell, Caption };
    struct Open
    {
        QString Name;
        Kind What;
        QString Close;     // what ends it in the output
        bool BreakAtClose; // ends a line inside a cell
    };

    void Text(QStringView Text);
    void Tag(const QString &Name, QStringView Attributes, bool Closing);
    void OpenTag(const QString &Name, QStringView Attributes);
    void CloseTag(const QString &Name);
    void OpenStructure(const QString &Name, Kind What, const char *Start, const char *End);
    // The topmost open element of that kind with none of the stop kinds above it; -1: none.
    int Topmost(Kind What, std::initializer_list<Kind> Stops) const;
    void PopTo(int Index);
    bool InCell() const { return m_cells > 0; }
    bool InTableRows() const;
    void Break()
    {
        if (m_content)
            m_pendingBreak = true;
    }
    void Content();
    void AppendCollapsed(QStringView Text);
    void StartTag(const QString &Name, QStringView Attributes)
    {
        m_out += u'<';
        m_out += Name;
        m_out += Attributes;
        m_out += u'>';
    }

    QStringView m_in;
    QString m_picture;
    QString m_out;
    std::vector<Open> m_open;
    int m_cells = 0;
    bool m_content = false; // the cell holds something
    bool m_pendingBreak = false;
    bool m_pendingSpace = false;
    bool m_pictureShown = false;
};

QString THtmlSimplifier::Run()
{
    const qsizetype n = m_in.size();
    m_out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        qsizetype lt = m_in.indexOf(u'<', i);
        if (lt < 0)
            lt = n;
        if (lt > i)
            Text(m_in.mid(i, lt - i));
        if (lt >= n)
            break;
        const QStringView rest = m_in.mid(lt);
        if (rest.startsWith(u"<!--")) {
            const qsizetype end = m_in.indexOf(u"-->", lt + 4);
            i = end < 0 ? n : end + 3;
            continue;
        }
        const bool closing = rest.size() > 1 && rest[1] == u'/';
        if (rest.size() > 1 && (rest[1] == u'!' || rest[1] == u'?')) {
            const qsizetype end = m_in.indexOf(u'>', lt);
            i = end < 0 ? n : end + 1;
            continue;
        }
        const qsizetype start = lt + 1 + (closing ? 1 : 0);
        if (start >= n || !IsAsciiLetter(m_in[start])) {
            Text(u"&lt;");
            i = lt + 1;
            continue;
        }
        qsizetype end = start;
        while (end < n && (m_in[end].isLetterOrNumber() || m_in[end] == u'-' || m_in[end] == u':'))
            ++end;
        // The tag ends at the first '>' outside a quoted attribute value.
        qsizetype j = end;
        QChar quote;
        QChar last;
        for (; j < n; ++j) {
            const QChar c = m_in[j];
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if ((c == u'"' || c == u'\'') && last == u'=') {
                quote = c;
            } else if (c == u'>') {
                break;
            }
            if (!IsHtmlSpace(c))
                last = c;
        }
        if (j >= n)
            break; // an unfinished tag ends the HTML
        const QString name = m_in.mid(start, end - start).toString().toLower();
        const QStringView attributes = m_in.mid(end, j - end);
        i = j + 1;
        if (!closing && IsOneOf(name, {"script", "style", "title", "textarea", "xmp", "template"})) {
            // Their text is not HTML; a style sheet stays for Qt, which reads no file it names.
            qsizetype close = m_in.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
            if (close < 0)
                close = n;
            if (name == QLatin1String("style")) {
                m_out += QLatin1String("<style>");
                m_out += m_in.mid(i, close - i);
                m_out += QLatin1String("</style>");
            }
            const qsizetype after = m_in.indexOf(u'>', close);
            i = after < 0 ? n : after + 1;
            continue;
        }
        Tag(name, attributes, closing);
    }
    PopTo(0);
    return m_out;
}

void THtmlSimplifier::Text(QStringView Text)
{
    QString text;
    // Frame and object marks are the document's own, never text.
    if (Text.contains(QChar(0xFDD0)) || Text.contains(QChar(0xFDD1)) || Text.contains(QChar(0xFFFC))) {
        text = Text.toString();
        for (const QChar mark : {QChar(0xFDD0), QChar(0xFDD1), QChar(0xFFFC)})
            text.remove(mark);
        Text = text;
    }
    if (!InCell()) {
        if (!InTableRows()) {
            m_out += Text;
            return;
        }
        bool blank = true;
        for (QChar c : Text)
            blank = blank && IsHtmlSpace(c);
        if (!blank)
            AppendCollapsed(Text);
        return;
    }
    // In a cell the spaces at either end go, as at a paragraph's ends.
    qsizetype first = 0;
    while (first < Text.size() && IsHtmlSpace(Text[first]))
        ++first;
    if (first == Text.size()) {
        if (m_content && first > 0)
            m_pendingSpace = true;
        return;
    }
    qsizetype last = Text.size() - 1;
    while (IsHtmlSpace(Text[last]))
        --last;
    if (first > 0 && m_content)
        m_pendingSpace = true;
    Content();
    AppendCollapsed(Text.mid(first, last - first + 1));
    m_pendingSpace = last < Text.size() - 1;
}

void THtmlSimplifier::AppendCollapsed(QStringView Text)
{
    bool space = false;
    for (const QChar c : Text) {
        if (IsHtmlSpace(c)) {
            space = true;
            continue;
        }
        if (space)
            m_out += u' ';
        space = false;
        m_out += c;
    }
    if (space)
        m_out += u' ';
}

void THtmlSimplifier::Content()
{
    if (m_pendingBreak)
        m_out += QLatin1String("<br>");
    else if (m_pendingSpace)
        m_out += u' ';
    m_pendingBreak = m_pendingSpace = false;
    m_content = true;
}

bool THtmlSimplifier::InTableRows() const
{
    for (auto it = m_open.rbegin(); it != m_open.rend(); ++it)
        if (it->What == Kind::Table || it->What == Kind::Row)
            return true;
        else if (it->What != Kind::Inline)
            return false;
    return false;
}

int THtmlSimplifier::Topmost(Kind What, std::initializer_list<Kind> Stops) const
{
    for (int k = int(m_open.size()) - 1; k >= 0; --k) {
        if (m_open[k].What == What)
            return k;
        for (Kind stop : Stops)
            if (m_open[k].What == stop)
                return -1;
    }
    return -1;
}

void THtmlSimplifier::PopTo(int Index)
{
    while (int(m_open.size()) > Index) {
        const Open top = std::move(m_open.back());
        m_open.pop_back();
        if (top.What == Kind::Cell) {
            --m_cells;
            m_out += u'\t';
            m_pendingBreak = m_pendingSpace = false;
            m_content = true;
            continue;
        }
        m_out += top.Close;
        if (top.BreakAtClose)
            Break();
    }
}

void THtmlSimplifier::Tag(const QString &Name, QStringView Attributes, bool Closing)
{
    if (Closing)
        CloseTag(Name);
    else
        OpenTag(Name, Attributes);
}

void THtmlSimplifier::OpenStructure(const QString &Name, Kind What, const char *Start, const char *End)
{
    if (m_open.size() >= kMaxDepth)
        return;
    if (InCell()) {
        Break();
        m_open.push_back({Name, What, QString(), true});
        return;
    }
    // Qt keeps the spaces before a paragraph that starts inside another.
    if (*Start)
        while (!m_out.isEmpty() && IsHtmlSpace(m_out.back()))
            m_out.chop(1);
    m_out += QLatin1String(Start);
    m_open.push_back({Name, What, QLatin1String(End), false});
}

void THtmlSimplifier::OpenTag(const QString &Name, QStringView Attributes)
{
    // Elements without content; of these only line breaks, rules and the one picture stay.
    if (IsOneOf(Name, {"br", "hr", "img", "area", "base", "basefont", "col", "embed", "frame", "input",
                       "keygen", "link", "meta", "param", "source", "track", "wbr", "image"})) {
        if (Name == QLatin1String("br")) {
            if (InCell())
                Content();
            m_out += QLatin1String("<br>");
        } else if (Name == QLatin1String("hr")) {
            if (InCell())
                Break();
            else
                m_out += QLatin1String("<hr>");
        } else if ((Name == QLatin1String("img") || Name == QLatin1String("image")) && !m_picture.isEmpty()
                   && !m_pictureShown) {
            if (InCell())
                Content();
            m_out += QStringLiteral("<img src=\"%1\">").arg(m_picture);
            m_pictureShown = true;
        }
        return;
    }
    if (IsOneOf(Name, {"html", "head", "body", "thead", "tbody", "tfoot", "colgroup", "object", "iframe",
                       "frameset", "noscript", "video", "audio", "picture", "svg", "canvas", "map"}))
        return;
    if (IsOneOf(Name, {"ul", "ol", "dl", "menu", "dir"})) {
        OpenStructure(Name, Kind::List, "", "");
        return;
    }
    if (IsOneOf(Name, {"li", "dt", "dd"})) {
        const int open = Topmost(Kind::Item, {Kind::List, Kind::Table, Kind::Row, Kind::Cell});
        if (open >= 0)
            PopTo(open);
        OpenStructure(Name, Kind::Item, "<p>", "</p>");
        return;
    }
    if (Name == QLatin1String("table")) {
        OpenStructure(Name, Kind::Table, "", "");
        return;
    }
    if (Name == QLatin1String("caption")) {
        OpenStructure(Name, Kind::Caption, "<p>", "</p>");
        return;
    }
    if (Name == QLatin1String("tr") || Name == QLatin1String("td") || Name == QLatin1String("th")) {
        const bool cell = Name != QLatin1String("tr");
        const int openCell = Topmost(Kind::Cell, {Kind::Row, Kind::Table});
        if (openCell >= 0)
            PopTo(openCell);
        const int openRow = Topmost(Kind::Row, {Kind::Table});
        if (!cell && openRow >= 0)
            PopTo(openRow);
        if (!cell || openRow < 0)
            OpenStructure(QStringLiteral("tr"), Kind::Row, kRowStart, "</p>");
        if (!cell || m_open.size() >= kMaxDepth)
            return;
        if (!InCell())
            m_content = m_pendingBreak = m_pendingSpace = false;
        m_open.push_back({Name, Kind::Cell, QString(), false});
        ++m_cells;
        return;
    }
    if (IsOneOf(Name, {"p",      "div",        "h1",     "h2",      "h3",      "h4",      "h5",
                       "h6",     "blockquote", "pre",    "center",  "address", "section", "article",
                       "header", "footer",     "nav",    "aside",   "main",    "figure",  "figcaption",
                       "form",   "fieldset",   "legend", "details", "summary"})) {
        if (InCell()) {
            Break();
            return;
        }
        // Qt ends a paragraph where the next begins.
        if (Name == QLatin1String("p")) {
            StartTag(Name, Attributes);
            return;
        }
    }
    if (m_open.size() >= kMaxDepth)
        return;
    StartTag(Name, Attributes);
    m_open.push_back({Name, Kind::Inline, QStringLiteral("</") + Name + u'>', false});
}

void THtmlSimplifier::CloseTag(const QString &Name)
{
    int open = -1;
    if (IsOneOf(Name, {"ul", "ol", "dl", "menu", "dir", "table", "caption"})) {
        for (int k = int(m_open.size()) - 1; k >= 0 && open < 0; --k)
            if (m_open[k].Name == Name)
                open = k;
    } else if (IsOneOf(Name, {"li", "dt", "dd"})) {
        open = Topmost(Kind::Item, {Kind::List, Kind::Table, Kind::Row, Kind::Cell});
    } else if (Name == QLatin1String("tr")) {
        open = Topmost(Kind::Row, {Kind::Table});
    } else if (Name == QLatin1String("td") || Name == QLatin1String("th")) {
        open = Topmost(Kind::Cell, {Kind::Row, Kind::Table});
    } else if (IsOneOf(Name, {"p",      "div",        "h1",     "h2",      "h3",      "h4",      "h5",
                              "h6",     "blockquote", "pre",    "center",  "address", "section", "article",
                              "header", "footer",     "nav",    "aside",   "main",    "figure",  "figcaption",
                              "form",   "fieldset",   "legend", "details", "summary"})
               && InCell()) {
        Break();
        return;
    } else if (Name == QLatin1String("p")) {
        m_out += QLatin1String("</p>");
        return;
    } else {
        // An end tag closes what it names, never past a list, a table or a cell.
        for (int k = int(m_open.size()) - 1; k >= 0 && m_open[k].What == Kind::Inline; --k)
            if (m_open[k].Name == Name) {
                open = k;
                break;
            }
    }
    if (open >= 0)
        PopTo(open);
}

// The fragment without the frame and object marks its text brought as characters
// (&#xFDD0; and the like); the picture's own mark stays.
QTextDocumentFragment WithoutMarks(const QTextDocumentFragment &Fragment)
{
    TSealedDocument doc;
    doc.setUndoRedoEnabled(false);
    QTextCursor(&doc).insertFragment(Fragment);
    for (const QChar mark : {QChar(0xFDD0), QChar(0xFDD1), QChar(QChar::ObjectReplacementCharacter)}) {
        QTextCursor found = doc.find(QString(mark));
        while (!found.isNull()) {
            if (found.charFormat().isImageFormat()) {
                found = doc.find(QString(mark), found.selectionEnd());
                continue;
            }
            const int at = found.selectionStart();
            found.removeSelectedText();
            found = doc.find(QString(mark), at);
        }
    }
    return QTextDocumentFragment(&doc);
}

} // namespace

THtmlContent ReadHtml(const QString &Html, const std::function<QImage()> &Picture)
{
    if (Html.size() > kMaxHtmlLength)
        throw Exception(
            QStringLiteral("The HTML on the clipboard is too long: %L1 characters, where at most %L2 "
                           "can be read.")
                .arg(Html.size())
                .arg(kMaxHtmlLength));
    THtmlContent content;
    QString name;
    if (Picture && Html.contains(QLatin1String("<img"), Qt::CaseInsensitive)) {
        content.Picture = Picture();
        // Qt's layout opens a picture's name as a file when the document lacks it: under
        // /dev/null there is none, and nobody can make one.
        if (!content.Picture.isNull())
            name = QStringLiteral("/dev/null/picture-%1").arg(content.Picture.cacheKey());
    }
    THtmlSimplifier simplifier(Html, name);
    const QString simple = simplifier.Run();
    TSealedDocument sealed;
    content.Fragment = QTextDocumentFragment::fromHtml(simple, &sealed);
    const QString raw = content.Fragment.toRawText();
    if (raw.contains(QChar(0xFDD0)) || raw.contains(QChar(0xFDD1))
        || raw.count(QChar::ObjectReplacementCharacter) > (simplifier.PictureShown() ? 1 : 0))
        content.Fragment = WithoutMarks(content.Fragment);
    if (simplifier.PictureShown())
        content.PictureName = QUrl(name);
    else
        content.Picture = QImage();
    return content;
}
