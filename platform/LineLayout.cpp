#include "platform/LineLayout.h"

#include "platform/TextLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kRun = 512;         // paragraphs a run holds after a rebuild or a split
constexpr int kLayOutAtOnce = 256;   // a change of up to so many paragraphs is laid out at once
constexpr double kLongestLine = 1e6; // pixels a line may reach before it is broken
// Characters a line may hold before it might reach that length.
constexpr int kLongLineCharacters = 10000;

QString ListMarker(const QTextList &list, const QTextBlock &block)
{
    switch (list.format().style()) {
    case QTextListFormat::ListDisc: return QString(QChar(0x2022));
    case QTextListFormat::ListCircle: return QString(QChar(0x25E6));
    case QTextListFormat::ListSquare: return QString(QChar(0x25AA));
    default: return list.itemText(block);
    }
}

// Leading and trailing alignment as left or right.
Qt::Alignment Visual(Qt::LayoutDirection direction, Qt::Alignment alignment)
{
    if (direction == Qt::RightToLeft && !(alignment & Qt::AlignAbsolute)
        && (alignment & (Qt::AlignLeft | Qt::AlignRight))) {
        alignment ^= Qt::AlignLeft | Qt::AlignRight;
    }
    return alignment;
}

// A paragraph's height or width as kept: margins are held to what the box can show, so
// only text makes them large; the scroll bars count in whole pixels all the same.
float Extent(double pixels)
{
    constexpr double kLargest = 1e9;
    return static_cast<float>(pixels >= 0 ? std::min(pixels, kLargest) : 0);
}

// One line of the default font, as a laid-out line is high (whole pixels).
float Estimate(const QTextDocument &doc)
{
    return static_cast<float>(std::ceil(QFontMetricsF(doc.defaultFont()).height()));
}

} // namespace

void TLineLayout::Run::Sum()
{
    height = 0;
    width = 0;
    for (const Entry &e : entries) {
        height += e.height;
        width = std::max(width, e.width);
    }
}

TLineLayout::TLineLayout(QTextDocument *document) : QAbstractTextDocumentLayout(document)
{
    Rebuild(document->blockCount());
}

void TLineLayout::Rebuild(int count)
{
    m_estimate = Estimate(*document());
    m_runs.clear();
    for (int at = 0; at < count || m_runs.empty(); at += static_cast<int>(kRun)) {
        Run run;
        run.entries.assign(std::min<size_t>(kRun, static_cast<size_t>(std::max(0, count - at))),
                           Entry{m_estimate, 0, 0});
        run.Sum();
        m_runs.push_back(std::move(run));
    }
    m_height = 0;
    for (const Run &r : m_runs)
        m_height += r.height;
    m_count = count;
}

TLineLayout::Place TLineLayout::Find(int number) const
{
    Place p;
    p.top = document()->documentMargin();
    int left = std::clamp(number, 0, m_count);
    while (p.run + 1 < m_runs.size() && left >= static_cast<int>(m_runs[p.run].entries.size())) {
        left -= static_cast<int>(m_runs[p.run].entries.size());
        p.top += m_runs[p.run].height;
        ++p.run;
    }
    const std::vector<Entry> &entries = m_runs[p.run].entries;
    p.index = std::min(static_cast<size_t>(left), entries.size());
    for (size_t i = 0; i < p.index; ++i)
        p.top += entries[i].height;
    p.number = std::clamp(number, 0, m_count);
    return p;
}

TLineLayout::Place TLineLayout::FindAt(double y) const
{
    Place p;
    p.top = document()->documentMargin();
    while (p.run + 1 < m_runs.size() && p.top + m_runs[p.run].height <= y) {
        p.top += m_runs[p.run].height;
        p.number += static_cast<int>(m_runs[p.run].entries.size());
        ++p.run;
    }
    const std::vector<Entry> &entries = m_runs[p.run].entries;
    while (p.index + 1 < entries.size() && p.top + entries[p.index].height <= y) {
        p.top += entries[p.index].height;
        ++p.index;
        ++p.number;
    }
    return p;
}

void TLineLayout::Advance(Place &place, double height) const
{
    place.top += height;
    ++place.number;
    if (++place.index == m_runs[place.run].entries.size() && place.run + 1 < m_runs.size()) {
        ++place.run;
        place.index = 0;
    }
}

TLineLayout::Entry TLineLayout::Ensure(const QTextBlock &block, const Place &place) const
{
    if (document()->blockCount() != m_count || place.index >= m_runs[place.run].entries.size()) {
        // Asked in the middle of an edit, before the change is told: laid out, not kept.
        Entry e;
        LayOut(block, e);
        return e;
    }
    Entry &e = At(place);
    if (e.generation == m_generation)
        return e;
    const Entry old = e;
    LayOut(block, e);
    e.generation = m_generation;
    ++m_laidOut;
    Run &run = m_runs[place.run];
    run.height += e.height - old.height;
    m_height += e.height - old.height;
    if (e.width >= run.width)
        run.width = e.width;
    else if (old.width >= run.width)
        run.Sum();
    if (e.height != old.height || e.width > old.width)
        ReportSizeLater();
    if (e.height != old.height && !m_inChange)
        emit HeightChanged(place.number, double(e.height) - old.height);
    return e;
}

void TLineLayout::LayOut(const QTextBlock &block, Entry &entry) const
{
    const QTextDocument &doc = *document();
    QTextLayout *layout = block.layout();
    const QTextBlockFormat format = HeldBlockFormat(block.blockFormat(), doc.indentWidth());
    const Qt::LayoutDirection direction = block.textDirection();
    const double page = doc.pageSize().width();
    QTextOption option = doc.defaultTextOption();
    if (page <= 0)
        option.setWrapMode(QTextOption::NoWrap); // no page to wrap at
    // A line too long for the scroll bars and Qt's fixed-point positions is broken
    // where it reaches that length, so that its end can be reached.
    const bool huge = option.wrapMode() == QTextOption::NoWrap && block.length() > kLongLineCharacters;
    if (huge)
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(direction);
    option.setAlignment(Visual(direction, format.alignment()));
    if (format.hasProperty(QTextFormat::TabPositions))
        option.setTabs(format.tabPositions());
    layout->setTextOption(option);

    double indent = format.indent() * doc.indentWidth();
    if (const QTextList *list = block.textList())
        indent += std::clamp(list->format().indent() * doc.indentWidth(), 0.0, kLargestIndent);
    double start = std::min(format.leftMargin() + indent, kLargestIndent);
    double end = format.rightMargin();
    if (direction == Qt::RightToLeft)
        std::swap(start, end);
    const double margin = doc.documentMargin();
    const double available = std::max(0.0, page - 2 * margin - start - end);
    const bool wraps = option.wrapMode() != QTextOption::NoWrap;
    const double lineWidth = huge ? std::max(available, kLongestLine) : available;

    // The space between two paragraphs is the larger of their margins; the text's first
    // paragraph has none above it.
    const QTextBlock previous = block.previous();
    const QTextBlock next = block.next();
    layout->beginLayout();
    double y = previous.isValid()
                   ? std::max(format.topMargin(),
                              HeldBlockFormat(previous.blockFormat(), doc.indentWidth()).bottomMargin())
                   : 0;
    double width = 0;
    bool first = true;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        const double textIndent = first ? format.textIndent() : 0;
        line.setLineWidth(std::max(0.0, lineWidth - textIndent));
        // A line longer than the page starts at its margin whatever its alignment, so
        // that none of it lies left of the text.
        if (!wraps && line.naturalTextWidth() > line.width())
            line.setLineWidth(line.naturalTextWidth());
        // A long line's last piece aligns as a short line does, within the page.
        if (huge && line.naturalTextWidth() < kLongestLine - textIndent)
            line.setLineWidth(std::max(available - textIndent, line.naturalTextWidth()));
        line.setPosition(QPointF(margin + start + (direction == Qt::RightToLeft ? 0 : textIndent), y));
        y += format.lineHeight(line.height(), 1.0);
        width = std::max(width, line.x() + line.naturalTextWidth());
        first = false;
    }
    layout->endLayout();
    entry.height = Extent(y + (next.isValid() ? 0 : format.bottomMargin()));
    entry.width = Extent(width + end + margin);
}

void TLineLayout::documentChanged(int from, int removed, int added)
{
    const QScopedValueRollback<bool> changing(m_inChange, true);
    QTextDocument &doc = *document();
    const int count = doc.blockCount();
    QTextBlock firstBlock = doc.findBlock(from);
    if (!firstBlock.isValid())
        firstBlock = doc.lastBlock();
    QTextBlock lastBlock = doc.findBlock(from + added);
    if (!lastBlock.isValid())
        lastBlock = doc.lastBlock();
    const int first = firstBlock.blockNumber();
    const int span = lastBlock.blockNumber() - first + 1;
    const int oldSpan = span - (count - m_count);
    const double oldHeight = m_height;
    if (removed == 0 && added == doc.characterCount() && count == m_count) {
        // Everything again (a new page size, default font or layout): what was laid out
        // stays as the estimate until it is laid out anew.
        ++m_generation;
        const float estimate = Estimate(doc);
        if (estimate != m_estimate) {
            // A new default font: what was never laid out takes its height.
            m_estimate = estimate;
            m_height = 0;
            for (Run &r : m_runs) {
                for (Entry &e : r.entries)
                    if (e.generation == 0)
                        e.height = estimate;
                r.Sum();
                m_height += r.height;
            }
        }
    } else if (oldSpan < 1 || first + oldSpan > m_count) {
        Rebuild(count);
    } else if (oldSpan == span) {
        Place p = Find(first);
        for (int i = 0; i < span; ++i) {
            At(p).generation = 0;
            Advance(p, At(p).height);
        }
    } else {
        Splice(first, oldSpan, span);
    }
    m_count = count;

    // A small change is laid out now, so the caret and the scroll bars know its size.
    const Place top = Find(first);
    if (span <= kLayOutAtOnce) {
        Place p = top;
        QTextBlock b = firstBlock;
        for (int i = 0; i < span && b.isValid(); ++i, b = b.next())
            Advance(p, Ensure(b, p).height);
    }
    constexpr double kAll = 1e9;
    double height = kAll;
    if (m_height == oldHeight && span == oldSpan) {
        const Place after = Find(first + span);
        height = after.top - top.top;
    }
    ReportSize();
    emit update(QRectF(0, top.top, kAll, height));
}

void TLineLayout::Splice(int at, int removed, int added)
{
    const Entry fresh{m_estimate, 0, 0};
    if (static_cast<size_t>(removed + added) > 8 * kRun) {
        // A large change (a load, a paste of many lines): the runs are made anew.
        std::vector<Entry> all;
        all.reserve(static_cast<size_t>(m_count - removed + added));
        for (const Run &r : m_runs)
            all.insert(all.end(), r.entries.begin(), r.entries.end());
        all.erase(all.begin() + at, all.begin() + at + removed);
        all.insert(all.begin() + at, static_cast<size_t>(added), fresh);
        m_runs.clear();
        for (size_t i = 0; i < all.size() || m_runs.empty(); i += kRun) {
            Run run;
            run.entries.assign(all.begin() + static_cast<std::ptrdiff_t>(i),
                               all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), i + kRun)));
            run.Sum();
            m_runs.push_back(std::move(run));
        }
    } else {
        const Place p = Find(at);
        size_t run = p.run;
        size_t index = p.index;
        for (int left = removed; left > 0 && run < m_runs.size();) {
            std::vector<Entry> &entries = m_runs[run].entries;
            const size_t n = std::min(static_cast<size_t>(left), entries.size() - index);
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index),
                          entries.begin() + static_cast<std::ptrdiff_t>(index + n));
            left -= static_cast<int>(n);
            if (index == entries.size()) {
                ++run;
                index = 0;
            }
        }
        std::vector<Entry> &target = m_runs[p.run].entries;
        target.insert(target.begin() + static_cast<std::ptrdiff_t>(p.index), static_cast<size_t>(added),
                      fresh);
        const size_t lastTouched = std::min(run, m_runs.size() - 1);
        for (size_t r = p.run; r <= lastTouched; ++r)
            m_runs[r].Sum();
        // Runs left empty go; one grown long is split.
        std::erase_if(m_runs, [](const Run &r) { return r.entries.empty(); });
        if (m_runs.empty())
            m_runs.emplace_back();
        for (size_t r = 0; r < m_runs.size(); ++r) {
            if (m_runs[r].entries.size() <= 2 * kRun)
                continue;
            std::vector<Entry> &long_ = m_runs[r].entries;
            Run tail;
            tail.entries.assign(long_.begin() + static_cast<std::ptrdiff_t>(kRun), long_.end());
            long_.resize(kRun);
            m_runs[r].Sum();
            tail.Sum();
            m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(r + 1), std::move(tail));
        }
    }
    m_height = 0;
    for (const Run &r : m_runs)
        m_height += r.height;
}

void TLineLayout::draw(QPainter *painter, const PaintContext &context)
{
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(0, 0), documentSize());
    const Place start = FindAt(clip.top());
    const QTextBlock first = document()->findBlockByNumber(start.number);
    // Laid out first: a height found now moves what follows it.
    Place p = start;
    for (QTextBlock b = first; b.isValid() && p.top <= clip.bottom(); b = b.next())
        Advance(p, Ensure(b, p).height);
    painter->save();
    painter->setPen(context.palette.color(QPalette::Text));
    p = start;
    for (QTextBlock b = first; b.isValid() && p.top <= clip.bottom(); b = b.next()) {
        const Entry e = Ensure(b, p);
        DrawBlock(painter, context, b, p, e);
        Advance(p, e.height);
    }
    painter->restore();
}

void TLineLayout::DrawBlock(QPainter *painter, const PaintContext &context, const QTextBlock &block,
                            const Place &place, const Entry &e) const
{
    QTextLayout *layout = block.layout();
    layout->setPosition(QPointF(0, place.top));
    const QTextBlockFormat format = block.blockFormat();
    if (format.hasProperty(QTextFormat::BackgroundBrush)) {
        const double width = std::max<double>(e.width, documentSize().width());
        painter->fillRect(QRectF(0, place.top, width, e.height), format.background());
    }

    const int position = block.position();
    const int length = block.length();
    QList<QTextLayout::FormatRange> selections;
    for (const Selection &s : context.selections) {
        const int from = s.cursor.selectionStart() - position;
        const int to = s.cursor.selectionEnd() - position;
        if (from < length && to > 0 && to > from) {
            selections.append({std::max(0, from), std::min(length, to) - std::max(0, from), s.format});
        } else if (!s.cursor.hasSelection() && s.format.hasProperty(QTextFormat::FullWidthSelection)
                   && block.contains(s.cursor.position())) {
            const QTextLine line = layout->lineForTextPosition(s.cursor.position() - position);
            selections.append({line.textStart(), line.textLength() + 1, s.format});
        }
    }
    layout->draw(painter, QPointF(), selections, context.clip);

    if (const QTextList *list = block.textList(); list && layout->lineCount() > 0) {
        const QString marker = ListMarker(*list, block);
        const QFont font = block.charFormat().font();
        const QFontMetricsF metrics(font);
        const QTextLine line = layout->lineAt(0);
        const double gap = metrics.horizontalAdvance(QLatin1Char(' '));
        const double x = block.textDirection() == Qt::RightToLeft
                             ? line.x() + line.width() + gap
                             : line.x() - gap - metrics.horizontalAdvance(marker);
        painter->save();
        painter->setFont(font);
        painter->drawText(QPointF(x, place.top + line.y() + line.ascent()), marker);
        painter->restore();
    }

    int cursor = context.cursorPosition;
    if (cursor < -1)
        cursor = layout->preeditAreaPosition() - (cursor + 2);
    else
        cursor -= position;
    if (context.cursorPosition != -1 && cursor >= 0 && cursor < length)
        layout->drawCursor(painter, QPointF(), cursor, m_cursorWidth);
}

int TLineLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    const Place p = FindAt(point.y());
    const QTextBlock block = document()->findBlockByNumber(p.number);
    if (!block.isValid())
        return -1;
    Ensure(block, p);
    const QTextLayout *layout = block.layout();
    const QPointF at = point - QPointF(0, p.top);
    QTextLine line;
    for (int i = 0; i < layout->lineCount(); ++i) {
        line = layout->lineAt(i);
        if (at.y() < line.y() + line.height())
            break;
    }
    if (!line.isValid())
        return accuracy == Qt::ExactHit ? -1 : block.position();
    if (accuracy == Qt::ExactHit && !line.naturalTextRect().contains(at))
        return -1;
    return block.position() + line.xToCursor(at.x());
}

QSizeF TLineLayout::documentSize() const
{
    float width = 0;
    for (const Run &r : m_runs)
        width = std::max(width, r.width);
    const QTextDocument &doc = *document();
    return {std::max<double>(width, doc.pageSize().width()), m_height + 2 * doc.documentMargin()};
}

QRectF TLineLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (!block.isValid() || block.document() != document())
        return {};
    Place p = Find(block.blockNumber());
    if (m_count == document()->blockCount() && At(p).generation != m_generation) {
        LayOutAround(block);
        p = Find(block.blockNumber());
    }
    const Entry e = Ensure(block, p);
    block.layout()->setPosition(QPointF(0, p.top));
    return {0, p.top, std::max<double>(e.width, document()->pageSize().width()), e.height};
}

void TLineLayout::LayOutAround(const QTextBlock &block) const
{
    // Those above move it as they are laid out: again until its neighbourhood holds still.
    const int number = block.blockNumber();
    for (int pass = 0; pass < 8; ++pass) {
        const double top = Find(number).top;
        const double bottom = top + Ensure(block, Find(number)).height;
        if (!LayOutBetween(top - m_neighbourhood, bottom + m_neighbourhood))
            return;
    }
}

bool TLineLayout::LayOutBetween(double top, double bottom) const
{
    if (m_count != document()->blockCount())
        return false;
    bool any = false;
    Place p = FindAt(top);
    for (QTextBlock b = document()->findBlockByNumber(p.number); b.isValid() && p.top <= bottom;
         b = b.next()) {
        if (p.index >= m_runs[p.run].entries.size())
            break;
        any = any || At(p).generation != m_generation;
        Advance(p, Ensure(b, p).height);
    }
    return any;
}

double TLineLayout::Height(int number) const
{
    const Place p = Find(number);
    return p.index < m_runs[p.run].entries.size() ? At(p).height : 0;
}

QRectF TLineLayout::frameBoundingRect(QTextFrame *frame) const
{
    if (!frame || frame == document()->rootFrame())
        return {QPointF(0, 0), documentSize()};
    const QRectF top = blockBoundingRect(frame->firstCursorPosition().block());
    const QRectF bottom = blockBoundingRect(frame->lastCursorPosition().block());
    return top.united(bottom);
}

void TLineLayout::ReportSize()
{
    m_reportPending = false;
    const QSizeF size = documentSize();
    if (size == m_reported)
        return;
    m_reported = size;
    emit documentSizeChanged(size);
}

void TLineLayout::ReportSizeLater() const
{
    // Heights found while drawing or answering a question are told afterwards, not
    // from inside the paint or the question.
    if (m_reportPending)
        return;
    m_reportPending = true;
    auto *self = const_cast<TLineLayout *>(this);
    QMetaObject::invokeMethod(
        self, [self] { self->ReportSize(); }, Qt::QueuedConnection);
}
