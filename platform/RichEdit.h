#pragma once

#include "platform/Exception.h"
#include "platform/TextLayout.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QStringList>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <optional>

class QPainter;

// Font styles and the attributes a selection may hold uniformly.
enum class RichStyle { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
// clang-format off
enum class RichConsistent { Bold = 1, Color = 2, Face = 4, Italic = 8, Size = 16, StrikeOut = 32,
                            Underline = 64, All = 127 };
// clang-format on

// Character attributes of a rich edit's selection or of its default text.
struct TTextAttributes
{
    QString Name;
    double Size = 10;        // points
    QColor Color;            // invalid: the automatic (window text) colour
    unsigned Style = 0;      // RichStyle flags
    unsigned Consistent = 0; // RichConsistent flags: the same over the whole selection

    bool HasStyle(RichStyle s) const { return Style & static_cast<unsigned>(s); }
    bool IsConsistent(RichConsistent a) const { return Consistent & static_cast<unsigned>(a); }
};

// Paragraph attributes; indents in points, as the Windows control takes them.
struct TParaAttributes
{
    Qt::Alignment Alignment = Qt::AlignLeft;
    double FirstIndent = 0;
    double LeftIndent = 0;
    double RightIndent = 0;
};

class RichEdit;

// Edits made while one lives reach the control's users as one change when it
// ends: one text-changed signal and one layout pass, which runs lazily when the
// text was replaced from the start (a load).
class RichEditUpdate
{
public:
    explicit RichEditUpdate(RichEdit &edit);
    ~RichEditUpdate();
    RichEditUpdate(const RichEditUpdate &) = delete;
    RichEditUpdate &operator=(const RichEditUpdate &) = delete;

private:
    QTextCursor m_cursor;
};

// The rich-text edit control. Character positions count a line break as
// LineBreakWidth() characters; its lines are its paragraphs (a \line break
// inside a paragraph also ends a line).
class RichEdit : public QTextEdit
{
    Q_OBJECT
public:
    enum SearchOption { stMatchCase = 1, stWholeWord = 2 };

    explicit RichEdit(QWidget *parent = nullptr);
    ~RichEdit() override;

    // The width of a line break in character positions (SelStart, FindText,
    // format ranges): 1, where the Windows control counts 2 in its text.
    static constexpr int LineBreakWidth() { return 1; }

    // Lines: empty when the text is empty; a last empty line is not counted.
    QStringList Lines() const;
    int LineCount() const { return static_cast<int>(Lines().size()); }
    void SetLines(const QStringList &lines);
    // Appends after the last line, every line kept (blank ones too), as one edit.
    void AddLine(const QString &line) { AddLines(QStringList{line}); }
    void AddLines(const QStringList &lines);
    void DeleteLine(int index);

    // The text with lines joined by CR LF; setting it takes plain text.
    QString Text() const;
    void SetText(const QString &text);
    void Clear();

    int SelStart() const;
    void SetSelStart(int position);
    int SelLength() const;
    void SetSelLength(int length);
    QString SelText() const;
    void SetSelText(const QString &text); // CR LF, CR and LF each make one line break
    void SelectAllText();
    int TextLength() const;
    // Whether the text holds a letter: kept at every change, never by reading the text.
    bool HasLetter() const { return m_letterAt >= 0; }

    bool Modified() const;
    void SetModified(bool modified);
    void Undo();
    bool CanUndo() const;
    // Whether the clipboard holds something this control can paste.
    bool CanPaste() const;
    // Pastes the clipboard when it holds something to paste; false when it did not.
    // Throws Exception, pasting nothing, for HTML too long to read.
    bool Paste();
    // What a paste would add (RTF first, then HTML, then plain text); std::nullopt when
    // the clipboard holds nothing to paste. Throws Exception for HTML too long to read.
    std::optional<QTextDocumentFragment> ClipboardContent() const;
    // Puts Content in at the caret as a paste does.
    void PasteContent(const QTextDocumentFragment &Content);

    // Whether Tab types a tab (the default) or moves to the next control, as in a form;
    // without it a tab is typed with Ctrl+Tab.
    bool WantTabs() const { return !tabChangesFocus(); }
    void SetWantTabs(bool want) { setTabChangesFocus(!want); }

    // The width, in twips, that the text is laid out in as on paper, where its lines align;
    // 0: the box's own width. The box does not wrap either way.
    void SetPaperWidth(int twips);

    // Whether the selection is hidden while the control does not have the focus.
    bool HideSelection() const { return m_hideSelection; }
    void SetHideSelection(bool hide);

    TTextAttributes SelAttributes() const;
    void SetSelAttributes(const TTextAttributes &attributes); // name, size, colour and styles
    void SetSelStyle(RichStyle style, bool on);
    void SetSelFontName(const QString &name);
    void SetSelSize(double points);
    void SetSelColor(const QColor &colour);

    // The attributes of text typed into an empty control and of SetText: the
    // document's default font (setFont() sets it too) and a default colour.
    TTextAttributes DefAttributes() const;
    void SetDefAttributes(const TTextAttributes &attributes);

    // The paragraphs of the selection.
    TParaAttributes Paragraph() const;
    void SetParagraph(const TParaAttributes &attributes);
    void ClearNumbering();

    // The position of the first match from start within length characters, or -1.
    int FindText(const QString &text, int start, int length, unsigned options) const;

    // Stream in: rich text when the data starts with "{\rtf", otherwise plain
    // text (UTF-8 when valid, else Windows-1252). Throws ERtfError for rich text
    // that cannot be read; the text is then unchanged.
    void StreamIn(const QByteArray &data);
    QByteArray StreamOut() const;      // rich text
    QByteArray StreamOutPlain() const; // UTF-8, lines joined by CR LF
    // Throws Exception, leaving the text as it was, for a file that cannot be
    // read and for rich text that is not whole (IsWholeRtf).
    void LoadFromFile(const QString &fileName);
    // Steps of a long load: how much of how much is done; false stops the load.
    using LoadSteps = std::function<bool(qint64 done, qint64 total)>;
    // As LoadFromFile, in steps: the text is built aside and takes the old one's place
    // at the end. False when Steps stopped it; the text is then as it was.
    bool LoadFromFile(const QString &fileName, const LoadSteps &steps);
    void SaveToFile(const QString &fileName) const; // rich text; throws Exception

    // Format-range rendering of the control's text (see FormatRange in
    // TextLayout.h); with render set, also draws it. Without a range, frees what
    // was laid out.
    int FormatRange(const TFormatRange *range, bool render);
    // Draws what FormatRange laid out last, with its top left corner at the
    // rectangle's (twips). False when nothing is laid out.
    bool DisplayBand(const FormatRect &rect);

protected:
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QVariant loadResource(int type, const QUrl &name) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Layout;
    void ApplyHideSelection();
    void MergeSelFormat(const QTextCharFormat &format);
    std::optional<QTextDocumentFragment> ContentOf(const QMimeData *source) const;
    void TrackLetters(int position, int removed, int added);
    void Adopt(std::unique_ptr<QTextDocument> document);
    void UseLineLayout(QTextDocument *doc);
    int FirstLetter(int from, int to) const;
    // What the view shows stays where it is when heights above it are found.
    void HoldAnchor();
    void SetAnchor();
    void LayOutView();

    bool m_hideSelection = true;
    QColor m_defaultColor; // invalid: automatic
    int m_letterAt = -1;   // the position of a letter (the first, mostly), -1: none
    std::unique_ptr<Layout> m_layout;
    QObject *m_images = nullptr;            // draws pictures in the text
    mutable QHash<QUrl, QImage> m_pictures; // pasted with HTML, by their names in the text
    // A paragraph on view and the viewport's y of its top (of its bottom at the text's end).
    struct Anchor
    {
        int number = -1; // -1: none, taken anew before the next paint
        double y = 0;
        bool bottom = false;
    };
    Anchor m_anchor;
    bool m_painting = false;
};
