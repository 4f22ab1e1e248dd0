#pragma once

#include <QAbstractTextDocumentLayout>

#include <vector>

// The layout of an edit control's text. Each paragraph is laid out on its own, when it
// is shown or asked for, and a change lays out again only the paragraphs it touched:
// Qt's own document layout moves every paragraph below a change, so a key typed near
// the top of a long text cost as much as the text was long. Heights are kept in runs
// of paragraphs, so finding a paragraph's place costs about the same in a long text as
// in a short one. A paragraph not laid out yet counts as one line of the default font.
// Lines wrap at the page width unless the text option says NoWrap; the paragraphs of
// tables and frames are laid out one below the other. A paragraph asked for its place
// before it was laid out brings its neighbours within Neighbourhood() pixels with it,
// so that what is scrolled to shows where it was found. A height found anew outside
// an edit is told by HeightChanged, so that a view can keep what it shows in place.
class TLineLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
    // Read and set by the text control.
    Q_PROPERTY(int cursorWidth READ CursorWidth WRITE SetCursorWidth)
public:
    explicit TLineLayout(QTextDocument *document);

    void draw(QPainter *painter, const PaintContext &context) override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame *frame) const override;
    QRectF blockBoundingRect(const QTextBlock &block) const override;

    int CursorWidth() const { return m_cursorWidth; }
    void SetCursorWidth(int width) { m_cursorWidth = width; }
    // Paragraphs laid out since the layout was made: what the changes cost.
    qint64 LaidOut() const { return m_laidOut; }

    // Lays out the paragraphs between the two heights; whether any was laid out anew.
    bool LayOutBetween(double top, double bottom) const;
    // The number of the paragraph at y, and the top of a paragraph, as they stand.
    int NumberAt(double y) const { return FindAt(y).number; }
    double Top(int number) const { return Find(number).top; }
    double Height(int number) const;
    double Neighbourhood() const { return m_neighbourhood; }
    void SetNeighbourhood(double pixels) { m_neighbourhood = pixels; }
    // Tells the size now rather than after the current event.
    void ReportSizeNow() { ReportSize(); }

signals:
    // The paragraph's height changed by delta, outside an edit of the text.
    void HeightChanged(int number, double delta) const;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    struct Entry
    {
        float height = 0;
        float width = 0;        // of its widest line, margins included
        quint32 generation = 0; // laid out in this generation; 0: not laid out
    };
    struct Run
    {
        std::vector<Entry> entries;
        double height = 0;
        float width = 0;
        void Sum();
    };
    // A paragraph: its run, its index there, its number and the y of its top.
    struct Place
    {
        size_t run = 0;
        size_t index = 0;
        int number = 0;
        double top = 0;
    };

    Place Find(int number) const;
    Place FindAt(double y) const;
    void Advance(Place &place, double height) const;
    Entry &At(const Place &place) const { return m_runs[place.run].entries[place.index]; }
    // The paragraph's size, laid out first if it was not.
    Entry Ensure(const QTextBlock &block, const Place &place) const;
    void LayOut(const QTextBlock &block, Entry &entry) const;
    void DrawBlock(QPainter *painter, const PaintContext &context, const QTextBlock &block,
                   const Place &place, const Entry &size) const;
    void Splice(int at, int removed, int added);
    void Rebuild(int count);
    void ReportSize();
    void ReportSizeLater() const;
    void LayOutAround(const QTextBlock &block) const;

    mutable std::vector<Run> m_runs;
    mutable double m_height = 0; // of all paragraphs
    int m_count = 0;             // paragraphs
    quint32 m_generation = 1;
    float m_estimate = 0; // the height of a paragraph not laid out yet
    int m_cursorWidth = 1;
    mutable qint64 m_laidOut = 0;
    mutable bool m_reportPending = false;
    bool m_inChange = false;
    double m_neighbourhood = 1000;
    QSizeF m_reported;
};
