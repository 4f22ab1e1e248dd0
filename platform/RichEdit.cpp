#include "platform/RichEdit.h"

#include "platform/HtmlContent.h"

#include "platform/AtomicSave.h"
#include "platform/LineLayout.h"
#include "platform/RegularFile.h"
#include "platform/RtfCodePage.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>

#include <algorithm>
#include <cmath>

namespace {

const char kRtfMime[] = "text/rtf";
const char kRtfMimeAlt[] = "application/rtf";

bool IsLineBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

TTextAttributes FromRtf(const RtfCharAttributes &a)
{
    TTextAttributes t;
    t.Name = a.name;
    t.Size = a.points;
    t.Color = a.colour;
    t.Style = (a.bold ? unsigned(RichStyle::Bold) : 0) | (a.italic ? unsigned(RichStyle::Italic) : 0)
              | (a.underline ? unsigned(RichStyle::Underline) : 0)
              | (a.strikeOut ? unsigned(RichStyle::StrikeOut) : 0);
    t.Consistent = unsigned(RichConsistent::All);
    return t;
}

QTextCharFormat ToFormat(const TTextAttributes &a)
{
    QTextCharFormat f;
    if (!a.Name.isEmpty())
        f.setFontFamilies(QStringList{a.Name});
    if (a.Size > 0)
        f.setFontPointSize(a.Size);
    f.setFontWeight(a.HasStyle(RichStyle::Bold) ? QFont::Bold : QFont::Normal);
    f.setFontItalic(a.HasStyle(RichStyle::Italic));
    f.setFontUnderline(a.HasStyle(RichStyle::Underline));
    f.setFontStrikeOut(a.HasStyle(RichStyle::StrikeOut));
    if (a.Color.isValid())
        f.setForeground(a.Color);
    return f;
}

// One pass over the characters: a 50 MB file has millions of breaks.
QString NormaliseBreaks(const QString &text)
{
    const qsizetype first = text.indexOf(QLatin1Char('\r'));
    if (first < 0)
        return text;
    QString out(text.size(), Qt::Uninitialized);
    const char16_t *from = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = from + text.size();
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
    char16_t *to = std::copy(from, from + first, begin);
    for (from += first; from < end; ++from) {
        if (*from != u'\r')
            *to++ = *from;
        else if (from + 1 == end || from[1] != u'\n')
            *to++ = u'\n';
    }
    out.truncate(to - begin);
    return out;
}

// Whether some format of the document passes the test: the formats are few
// where the paragraphs of a large file are millions.
template <class Test> bool AnyFormat(const QTextDocument &document, Test test)
{
    const QList<QTextFormat> formats = document.allFormats();
    return std::any_of(formats.begin(), formats.end(), test);
}

// Plain text: UTF-8 when valid, else Windows-1252; a byte-order mark and NULs go.
QString DecodePlainText(const QByteArray &data)
{
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.contains('\0'))
        bytes.removeIf([](char c) { return c == '\0'; });
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = RtfCodePage::Decode(bytes, 1252);
    return text;
}

// The whole file, refused when it cannot be read or its rich text is cut short.
QByteArray ReadDocument(const QString &fileName)
{
    QByteArray data;
    QString error;
    if (!ReadRegularFile(fileName, kMaxDocumentBytes, data, error))
        throw Exception(error);
    // A document cut short would open as whatever came before the cut, often nothing.
    if (IsRtf(data) && !IsWholeRtf(data))
        throw Exception(
            QStringLiteral("The file \"%1\" is damaged: its rich text ends before it is complete.")
                .arg(fileName));
    return data;
}

QString UnreadableMessage(const QString &fileName, const ERtfError &e)
{
    return QStringLiteral("The file \"%1\" cannot be read. %2").arg(fileName, e.Message());
}

} // namespace

struct RichEdit::Layout
{
    TFormattedText text;
};

RichEditUpdate::RichEditUpdate(RichEdit &edit) : m_cursor(edit.document())
{
    m_cursor.beginEditBlock();
}

RichEditUpdate::~RichEditUpdate()
{
    m_cursor.endEditBlock();
}

RichEdit::RichEdit(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
    // Pictures in the text are measured and drawn by the handler Qt's own layout
    // brings; it is kept here and lent to every layout of ours.
    if (QTextObjectInterface *images =
            document()->documentLayout()->handlerForObject(QTextFormat::ImageObject)) {
        m_images = dynamic_cast<QObject *>(images);
        if (m_images)
            m_images->setParent(this);
    }
    // A paragraph runs left to right unless its format says otherwise, on the screen as on
    // paper, whatever script its text is in: an address's lines stay together.
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    document()->setDefaultTextOption(option);
    UseLineLayout(document());
    ApplyHideSelection();
    connect(document(), &QTextDocument::contentsChange, this, &RichEdit::TrackLetters);
}

RichEdit::~RichEdit() = default;

QStringList RichEdit::Lines() const
{
    QString raw = document()->toRawText();
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < raw.size(); ++i)
        if (IsLineBreak(raw[i])) {
            lines.append(raw.mid(start, i - start));
            start = i + 1;
        }
    lines.append(raw.mid(start));
    if (lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void RichEdit::SetLines(const QStringList &lines)
{
    SetText(lines.join(QLatin1Char('\n')));
}

void RichEdit::AddLines(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    QString text = NormaliseBreaks(lines.join(QLatin1Char('\n')));
    const int length = TextLength();
    // A break that ends the text ends its last line: the new lines follow it. A last
    // line that is blank gets a break of its own, or the next line would fill it.
    if (length > 0 && !IsLineBreak(document()->characterAt(length - 1)))
        text.prepend(QLatin1Char('\n'));
    if (text.isEmpty() || text.back() == QLatin1Char('\n') || IsLineBreak(text.back()))
        text.append(QLatin1Char('\n'));
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(text, ToFormat(DefAttributes()));
}

void RichEdit::DeleteLine(int index)
{
    QString raw = document()->toRawText();
    int line = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= raw.size(); ++i) {
        if (i == raw.size() || IsLineBreak(raw[i])) {
            if (line == index) {
                QTextCursor c(document());
                c.setPosition(static_cast<int>(start));
                c.setPosition(static_cast<int>(std::min(i + 1, raw.size())), QTextCursor::KeepAnchor);
                c.removeSelectedText();
                return;
            }
            ++line;
            start = i + 1;
        }
    }
}

QString RichEdit::Text() const
{
    QString raw = document()->toRawText();
    QString out;
    out.reserve(raw.size());
    for (QChar c : raw) {
        if (IsLineBreak(c))
            out.append(QLatin1String("\r\n"));
        else
            out.append(c);
    }
    return out;
}

void RichEdit::SetText(const QString &text)
{
    // Cleared through the document: the control's own clear is a change of its own.
    const RichEditUpdate update(*this);
    document()->clear();
    QTextCursor c(document());
    c.setBlockCharFormat(ToFormat(DefAttributes()));
    setCurrentCharFormat(ToFormat(DefAttributes()));
    c.insertText(NormaliseBreaks(text), ToFormat(DefAttributes()));
}

void RichEdit::Clear()
{
    clear();
    QTextCursor c(document());
    c.setBlockCharFormat(ToFormat(DefAttributes()));
    setCurrentCharFormat(ToFormat(DefAttributes()));
}

int RichEdit::SelStart() const
{
    return textCursor().selectionStart();
}

void RichEdit::SetSelStart(int position)
{
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(position, 0, TextLength()));
    setTextCursor(c);
}

int RichEdit::SelLength() const
{
    QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichEdit::SetSelLength(int length)
{
    QTextCursor c = textCursor();
    int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(length, 0), 0, TextLength()), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString RichEdit::SelText() const
{
    QString s = textCursor().selectedText();
    QString out;
    for (QChar c : s) {
        if (IsLineBreak(c))
            out.append(QLatin1String("\r\n"));
        else
            out.append(c);
    }
    return out;
}

void RichEdit::SetSelText(const QString &text)
{
    QTextCursor c = textCursor();
    c.insertText(NormaliseBreaks(text));
    setTextCursor(c);
}

void RichEdit::SelectAllText()
{
    selectAll();
}

int RichEdit::TextLength() const
{
    return document()->characterCount() - 1;
}

int RichEdit::FirstLetter(int from, int to) const
{
    for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        const QString text = b.text();
        const int start = std::max(0, from - b.position());
        const int end = std::min<int>(static_cast<int>(text.size()), to - b.position());
        for (int i = start; i < end; ++i) {
            const QChar c = text.at(i);
            // Letters outside the basic plane come as surrogate pairs.
            if (c.isLetter()
                || (c.isHighSurrogate() && i + 1 < text.size()
                    && QChar::isLetter(QChar::surrogateToUcs4(c, text.at(i + 1)))))
                return b.position() + i;
        }
    }
    return -1;
}

void RichEdit::TrackLetters(int position, int removed, int added)
{
    if (m_letterAt >= 0 && m_letterAt < position)
        return;
    if (m_letterAt >= position + removed) {
        m_letterAt += added - removed;
        return;
    }
    // Without a letter before, only what came in can hold one; a letter that went
    // away sends the search back to the start, which rarely goes far.
    m_letterAt = m_letterAt < 0 ? FirstLetter(position, position + added)
                                : FirstLetter(0, document()->characterCount());
}

bool RichEdit::Modified() const
{
    return document()->isModified();
}

void RichEdit::SetModified(bool modified)
{
    document()->setModified(modified);
}

void RichEdit::Undo()
{
    undo();
}

bool RichEdit::CanUndo() const
{
    return document()->isUndoAvailable();
}

bool RichEdit::CanPaste() const
{
    return !isReadOnly() && canInsertFromMimeData(QGuiApplication::clipboard()->mimeData());
}

bool RichEdit::Paste()
{
    const std::optional<QTextDocumentFragment> content = ClipboardContent();
    if (!content)
        return false;
    PasteContent(*content);
    return true;
}

std::optional<QTextDocumentFragment> RichEdit::ClipboardContent() const
{
    // A clipboard that nobody owns has no data at all.
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (isReadOnly() || !canInsertFromMimeData(data))
        return std::nullopt;
    return ContentOf(data);
}

void RichEdit::PasteContent(const QTextDocumentFragment &Content)
{
    QTextCursor c = textCursor();
    c.insertFragment(Content);
    setTextCursor(c);
    ensureCursorVisible();
}

void RichEdit::SetPaperWidth(int twips)
{
    // Each change lays the text out anew: only a real one is made.
    if (wordWrapMode() != QTextOption::NoWrap)
        setWordWrapMode(QTextOption::NoWrap);
    if (twips <= 0) {
        setLineWrapMode(NoWrap);
        return;
    }
    const double margin = document()->documentMargin();
    const int pixels = static_cast<int>(std::lround(twips * 96.0 / 1440 + 2 * margin));
    if (lineWrapMode() == FixedPixelWidth && lineWrapColumnOrWidth() == pixels)
        return;
    setLineWrapColumnOrWidth(pixels);
    setLineWrapMode(FixedPixelWidth);
}

void RichEdit::SetHideSelection(bool hide)
{
    m_hideSelection = hide;
    ApplyHideSelection();
}

void RichEdit::ApplyHideSelection()
{
    QPalette p = palette();
    QPalette base = QPalette();
    if (m_hideSelection && !hasFocus()) {
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Inactive, QPalette::Base));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Inactive, QPalette::Text));
    } else {
        p.setColor(QPalette::Inactive, QPalette::Highlight,
                   base.color(QPalette::Inactive, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   base.color(QPalette::Inactive, QPalette::HighlightedText));
    }
    setPalette(p);
}

void RichEdit::keyPressEvent(QKeyEvent *event)
{
    // Where Tab moves on, Ctrl+Tab is how a tab gets into the text.
    if (!WantTabs() && event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier) {
        if (!isReadOnly())
            textCursor().insertText(QStringLiteral("\t"));
        event->accept();
        return;
    }
    // The control's own paste takes a clipboard without data for one that holds some.
    if (event == QKeySequence::Paste) {
        Paste();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void RichEdit::focusInEvent(QFocusEvent *event)
{
    QTextEdit::focusInEvent(event);
    ApplyHideSelection();
}

void RichEdit::focusOutEvent(QFocusEvent *event)
{
    QTextEdit::focusOutEvent(event);
    ApplyHideSelection();
}

TTextAttributes RichEdit::SelAttributes() const
{
    const QFont def = document()->defaultFont();
    QTextCursor c = textCursor();
    if (!c.hasSelection())
        return FromRtf(EffectiveCharAttributes(currentCharFormat(), def));
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    bool first = true;
    RtfCharAttributes a0;
    unsigned consistent = unsigned(RichConsistent::All);
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            if (f.position() + f.length() <= start || f.position() >= end)
                continue;
            RtfCharAttributes a = EffectiveCharAttributes(f.charFormat(), def);
            if (first) {
                a0 = a;
                first = false;
                continue;
            }
            if (a.name != a0.name)
                consistent &= ~unsigned(RichConsistent::Face);
            if (a.points != a0.points)
                consistent &= ~unsigned(RichConsistent::Size);
            if (a.colour != a0.colour)
                consistent &= ~unsigned(RichConsistent::Color);
            if (a.bold != a0.bold)
                consistent &= ~unsigned(RichConsistent::Bold);
            if (a.italic != a0.italic)
                consistent &= ~unsigned(RichConsistent::Italic);
            if (a.underline != a0.underline)
                consistent &= ~unsigned(RichConsistent::Underline);
            if (a.strikeOut != a0.strikeOut)
                consistent &= ~unsigned(RichConsistent::StrikeOut);
        }
    }
    if (first)
        a0 = EffectiveCharAttributes(c.charFormat(), def);
    TTextAttributes t = FromRtf(a0);
    t.Consistent = consistent;
    return t;
}

void RichEdit::MergeSelFormat(const QTextCharFormat &format)
{
    mergeCurrentCharFormat(format);
}

void RichEdit::SetSelAttributes(const TTextAttributes &attributes)
{
    MergeSelFormat(ToFormat(attributes));
    if (!attributes.Color.isValid())
        SetSelColor(QColor());
}

void RichEdit::SetSelStyle(RichStyle style, bool on)
{
    QTextCharFormat f;
    switch (style) {
    case RichStyle::Bold: f.setFontWeight(on ? QFont::Bold : QFont::Normal); break;
    case RichStyle::Italic: f.setFontItalic(on); break;
    case RichStyle::Underline: f.setFontUnderline(on); break;
    case RichStyle::StrikeOut: f.setFontStrikeOut(on); break;
    }
    MergeSelFormat(f);
}

void RichEdit::SetSelFontName(const QString &name)
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList{name});
    MergeSelFormat(f);
}

void RichEdit::SetSelSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    MergeSelFormat(f);
}

void RichEdit::SetSelColor(const QColor &colour)
{
    if (colour.isValid()) {
        QTextCharFormat f;
        f.setForeground(colour);
        MergeSelFormat(f);
        return;
    }
    // The automatic colour: the property is removed, which a merge cannot do.
    QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        QTextCharFormat f = currentCharFormat();
        f.clearForeground();
        setCurrentCharFormat(f);
        return;
    }
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    struct Piece
    {
        int start;
        int end;
        QTextCharFormat format;
    };
    QList<Piece> pieces;
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end; b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            int s = std::max(start, f.position());
            int e = std::min(end, f.position() + f.length());
            if (s < e)
                pieces.append({s, e, f.charFormat()});
        }
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (Piece &piece : pieces) {
        edit.setPosition(piece.start);
        edit.setPosition(piece.end, QTextCursor::KeepAnchor);
        piece.format.clearForeground();
        edit.setCharFormat(piece.format);
    }
    edit.endEditBlock();
}

TTextAttributes RichEdit::DefAttributes() const
{
    // The document's default font (which setFont() also sets) and the default colour.
    const QFont f = document()->defaultFont();
    TTextAttributes t;
    t.Name = f.family();
    t.Size = FontPoints(f);
    t.Color = m_defaultColor;
    t.Style = (f.bold() ? unsigned(RichStyle::Bold) : 0) | (f.italic() ? unsigned(RichStyle::Italic) : 0)
              | (f.underline() ? unsigned(RichStyle::Underline) : 0)
              | (f.strikeOut() ? unsigned(RichStyle::StrikeOut) : 0);
    t.Consistent = unsigned(RichConsistent::All);
    return t;
}

void RichEdit::SetDefAttributes(const TTextAttributes &attributes)
{
    m_defaultColor = attributes.Color;
    QFont f = document()->defaultFont();
    if (!attributes.Name.isEmpty())
        f.setFamilies(QStringList{attributes.Name});
    if (attributes.Size > 0)
        f.setPointSizeF(attributes.Size);
    f.setBold(attributes.HasStyle(RichStyle::Bold));
    f.setItalic(attributes.HasStyle(RichStyle::Italic));
    f.setUnderline(attributes.HasStyle(RichStyle::Underline));
    f.setStrikeOut(attributes.HasStyle(RichStyle::StrikeOut));
    document()->setDefaultFont(f);
    if (TextLength() == 0) {
        QTextCursor c(document());
        c.setBlockCharFormat(ToFormat(DefAttributes()));
        setCurrentCharFormat(ToFormat(DefAttributes()));
    }
}

TParaAttributes RichEdit::Paragraph() const
{
    QTextBlockFormat f = textCursor().blockFormat();
    TParaAttributes p;
    Qt::Alignment h = f.alignment() & Qt::AlignHorizontal_Mask;
    p.Alignment = (h & Qt::AlignHCenter)   ? Qt::AlignHCenter
                  : (h & Qt::AlignJustify) ? Qt::AlignJustify
                  : (h & Qt::AlignRight)   ? Qt::AlignRight
                                           : Qt::AlignLeft;
    p.FirstIndent = f.textIndent() * 0.75;
    p.LeftIndent = f.leftMargin() * 0.75;
    p.RightIndent = f.rightMargin() * 0.75;
    return p;
}

void RichEdit::SetParagraph(const TParaAttributes &attributes)
{
    QTextBlockFormat f;
    f.setAlignment(attributes.Alignment);
    f.setTextIndent(attributes.FirstIndent / 0.75);
    f.setLeftMargin(attributes.LeftIndent / 0.75);
    f.setRightMargin(attributes.RightIndent / 0.75);
    const auto differs = [&](const QTextBlockFormat &old) {
        return old.alignment() != f.alignment() || old.textIndent() != f.textIndent()
               || old.leftMargin() != f.leftMargin() || old.rightMargin() != f.rightMargin();
    };
    if (!AnyFormat(*document(),
                   [&](const QTextFormat &x) { return x.isBlockFormat() && differs(x.toBlockFormat()); }))
        return;
    // Only paragraphs that change are touched: after a load every paragraph is set.
    const QTextCursor c = textCursor();
    const int end = c.selectionEnd();
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (QTextBlock b = document()->findBlock(c.selectionStart()); b.isValid() && b.position() <= end;
         b = b.next()) {
        if (differs(b.blockFormat())) {
            edit.setPosition(b.position());
            edit.mergeBlockFormat(f);
        }
    }
    edit.endEditBlock();
}

void RichEdit::ClearNumbering()
{
    if (!AnyFormat(*document(), [](const QTextFormat &x) {
            return x.isListFormat() || (x.isBlockFormat() && x.toBlockFormat().indent() != 0);
        }))
        return;
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() <= end; b = b.next()) {
        if (QTextList *list = b.textList())
            list->remove(b);
        QTextBlockFormat f = b.blockFormat();
        if (f.indent() != 0) {
            f.setIndent(0);
            edit.setPosition(b.position());
            edit.setBlockFormat(f);
        }
    }
    edit.endEditBlock();
}

int RichEdit::FindText(const QString &text, int start, int length, unsigned options) const
{
    if (text.isEmpty())
        return -1;
    QTextDocument::FindFlags flags;
    if (options & stMatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (options & stWholeWord)
        flags |= QTextDocument::FindWholeWords;
    QTextCursor from(document());
    from.setPosition(std::clamp(start, 0, TextLength()));
    QTextCursor found = document()->find(text, from, flags);
    if (found.isNull())
        return -1;
    if (length >= 0 && found.selectionEnd() > start + length)
        return -1;
    return found.selectionStart();
}

void RichEdit::StreamIn(const QByteArray &data)
{
    if (IsRtf(data)) {
        ReadRtf(data, document());
        setCurrentCharFormat(textCursor().charFormat());
        return;
    }
    // As for rich text: a load is nothing to undo.
    const bool undo = document()->isUndoRedoEnabled();
    document()->setUndoRedoEnabled(false);
    SetText(DecodePlainText(data));
    document()->setUndoRedoEnabled(undo);
}

QByteArray RichEdit::StreamOut() const
{
    return WriteRtf(document());
}

QByteArray RichEdit::StreamOutPlain() const
{
    return Text().toUtf8();
}

void RichEdit::LoadFromFile(const QString &fileName)
{
    const QByteArray data = ReadDocument(fileName);
    try {
        StreamIn(data);
    } catch (const ERtfError &e) {
        throw Exception(UnreadableMessage(fileName, e));
    }
}

bool RichEdit::LoadFromFile(const QString &fileName, const LoadSteps &steps)
{
    const QByteArray data = ReadDocument(fileName);
    auto doc = std::make_unique<QTextDocument>();
    const QTextDocument &old = *document();
    doc->setDefaultFont(old.defaultFont());
    doc->setDefaultTextOption(old.defaultTextOption());
    doc->setDocumentMargin(old.documentMargin());
    doc->setUseDesignMetrics(old.useDesignMetrics());
    doc->setIndentWidth(old.indentWidth());
    doc->setDefaultStyleSheet(old.defaultStyleSheet());
    doc->setUndoRedoEnabled(false);
    if (IsRtf(data)) {
        if (!steps(0, data.size()))
            return false;
        try {
            ReadRtf(data, doc.get());
        } catch (const ERtfError &e) {
            throw Exception(UnreadableMessage(fileName, e));
        }
    } else {
        const QString text = NormaliseBreaks(DecodePlainText(data));
        const QTextCharFormat format = ToFormat(DefAttributes());
        QTextCursor c(doc.get());
        c.setBlockCharFormat(format);
        // A quarter of a second's work or so a step, each ending at a line break.
        constexpr qsizetype kStep = 1 << 19;
        for (qsizetype at = 0; at < text.size();) {
            if (!steps(at, text.size()))
                return false;
            qsizetype end = std::min(text.size(), at + kStep);
            if (end < text.size()) {
                const qsizetype brk = text.lastIndexOf(QLatin1Char('\n'), end);
                if (brk > at)
                    end = brk + 1;
            }
            c.insertText(text.mid(at, end - at), format);
            at = end;
        }
    }
    if (!steps(data.size(), data.size()))
        return false;
    doc->setUndoRedoEnabled(old.isUndoRedoEnabled());
    Adopt(std::move(doc));
    setCurrentCharFormat(IsRtf(data) ? textCursor().charFormat() : ToFormat(DefAttributes()));
    return true;
}

void RichEdit::Adopt(std::unique_ptr<QTextDocument> doc)
{
    const QPointer<QTextDocument> old = document();
    const QFont font = doc->defaultFont();
    disconnect(old, &QTextDocument::contentsChange, this, &RichEdit::TrackLetters);
    m_layout.reset();
    doc->setParent(this);
    QTextDocument *adopted = doc.release();
    UseLineLayout(adopted);
    // The control deletes the document it made itself; one adopted before is ours.
    setDocument(adopted);
    if (old && old->parent() == this)
        delete old;
    adopted->setDefaultFont(font);
    connect(adopted, &QTextDocument::contentsChange, this, &RichEdit::TrackLetters);
    m_letterAt = FirstLetter(0, adopted->characterCount());
}

void RichEdit::UseLineLayout(QTextDocument *doc)
{
    auto *layout = new TLineLayout(doc);
    if (m_images)
        layout->registerHandler(QTextFormat::ImageObject, m_images);
    layout->SetNeighbourhood(std::max(viewport()->height(), 200));
    doc->setDocumentLayout(layout);
    m_anchor = Anchor();
    // An edit moves what follows it as the control means it to: the place is taken anew.
    connect(doc, &QTextDocument::contentsChange, this, [this] { m_anchor = Anchor(); });
    connect(layout, &TLineLayout::HeightChanged, this, [this](int number) {
        if (m_anchor.number >= 0
            && (number < m_anchor.number || (m_anchor.bottom && number == m_anchor.number)))
            HoldAnchor();
        else
            viewport()->update(); // what lies below it on view moved
    });
}

void RichEdit::SetAnchor()
{
    auto *layout = qobject_cast<TLineLayout *>(document()->documentLayout());
    if (!layout)
        return;
    const QScrollBar *bar = verticalScrollBar();
    const double offset = bar->value();
    // At the end the end stays on view; elsewhere the paragraph at the top stays put.
    m_anchor.bottom = bar->value() >= bar->maximum() && bar->maximum() > 0;
    m_anchor.number = m_anchor.bottom ? document()->blockCount() - 1 : layout->NumberAt(offset);
    m_anchor.y = layout->Top(m_anchor.number) - offset;
    if (m_anchor.bottom)
        m_anchor.y += layout->Height(m_anchor.number);
}

void RichEdit::HoldAnchor()
{
    auto *layout = qobject_cast<TLineLayout *>(document()->documentLayout());
    if (!layout || m_anchor.number < 0)
        return;
    if (m_painting) {
        // Too late for this paint: the next one draws it.
        viewport()->update();
        return;
    }
    double y = layout->Top(m_anchor.number);
    if (m_anchor.bottom)
        y += layout->Height(m_anchor.number);
    QScrollBar *bar = verticalScrollBar();
    // The pixels on view stay right: the offset moves, nothing is scrolled.
    const QSignalBlocker quiet(bar);
    layout->ReportSizeNow();
    bar->setValue(static_cast<int>(std::lround(y - m_anchor.y)));
}

void RichEdit::LayOutView()
{
    auto *layout = qobject_cast<TLineLayout *>(document()->documentLayout());
    if (!layout)
        return;
    if (m_anchor.number < 0)
        SetAnchor();
    // Each height found above the anchor moves the view; again until nothing new is on it.
    for (int pass = 0; pass < 16; ++pass) {
        const double top = verticalScrollBar()->value();
        if (!layout->LayOutBetween(top, top + viewport()->height()))
            break;
    }
    // A text that shrank may take the offset back with its range: then all is drawn anew.
    QScrollBar *bar = verticalScrollBar();
    const int offset = bar->value();
    {
        const QSignalBlocker quiet(bar);
        layout->ReportSizeNow();
    }
    if (bar->value() != offset)
        viewport()->update();
}

void RichEdit::paintEvent(QPaintEvent *event)
{
    LayOutView();
    m_painting = true;
    QTextEdit::paintEvent(event);
    m_painting = false;
    SetAnchor();
}

void RichEdit::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    if (auto *layout = qobject_cast<TLineLayout *>(document()->documentLayout()))
        layout->SetNeighbourhood(std::max(viewport()->height(), 200));
}

void RichEdit::scrollContentsBy(int dx, int dy)
{
    // What was on view moves with the scroll; once none of it is left, the place is taken anew.
    m_anchor.y += dy;
    if (std::abs(dy) >= viewport()->height())
        m_anchor = Anchor();
    QTextEdit::scrollContentsBy(dx, dy);
}

void RichEdit::SaveToFile(const QString &fileName) const
{
    QString error;
    if (!SaveFileAtomically(fileName, StreamOut(), error))
        throw Exception(error);
}

QMimeData *RichEdit::createMimeDataFromSelection() const
{
    QMimeData *data = QTextEdit::createMimeDataFromSelection();
    QTextCursor c = textCursor();
    if (c.hasSelection())
        data->setData(QLatin1String(kRtfMime), WriteRtf(document(), c.selectionStart(), c.selectionEnd()));
    return data;
}

bool RichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    if (!source)
        return false;
    return source->hasFormat(QLatin1String(kRtfMime)) || source->hasFormat(QLatin1String(kRtfMimeAlt))
           || QTextEdit::canInsertFromMimeData(source);
}

void RichEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || isReadOnly())
        return;
    if (const std::optional<QTextDocumentFragment> content = ContentOf(source))
        PasteContent(*content);
}

std::optional<QTextDocumentFragment> RichEdit::ContentOf(const QMimeData *source) const
{
    for (const char *mime : {kRtfMime, kRtfMimeAlt}) {
        if (!source->hasFormat(QLatin1String(mime)))
            continue;
        QTextDocument scratch;
        scratch.setDefaultFont(document()->defaultFont());
        try {
            ReadRtf(source->data(QLatin1String(mime)), &scratch);
        } catch (const ERtfError &) {
            continue; // fall back to the other formats
        }
        return QTextDocumentFragment(&scratch);
    }
    if (source->hasHtml() && acceptRichText()) {
        THtmlContent content = ReadHtml(source->html(), [source] {
            return source->hasImage() ? qvariant_cast<QImage>(source->imageData()) : QImage();
        });
        if (!content.PictureName.isEmpty()) {
            m_pictures.insert(content.PictureName, content.Picture);
            document()->addResource(QTextDocument::ImageResource, content.PictureName, content.Picture);
        }
        return content.Fragment;
    }
    if (source->hasText())
        return QTextDocumentFragment::fromPlainText(source->text());
    return std::nullopt;
}

QVariant RichEdit::loadResource(int, const QUrl &name)
{
    // A name in the text is never a file to open: a picture the box does not hold
    // shows as nothing (an empty one would make Qt's layout open the name itself).
    if (const auto it = m_pictures.constFind(name); it != m_pictures.cend())
        return *it;
    QImage nothing(1, 1, QImage::Format_ARGB32);
    nothing.fill(Qt::transparent);
    return nothing;
}

int RichEdit::FormatRange(const TFormatRange *range, bool render)
{
    if (!range) {
        m_layout.reset();
        return 0;
    }
    m_layout = std::make_unique<Layout>();
    const int result = ::FormatRange(*document(), *range, m_layout->text);
    if (render)
        DisplayBand(range->Rect);
    return result;
}

bool RichEdit::DisplayBand(const FormatRect &rect)
{
    return m_layout && ::DisplayBand(m_layout->text, rect);
}
