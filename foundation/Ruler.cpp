#include "foundation/Ruler.h"

#include "platform/Rounding.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

QVector<TRulerMark> RulerMarks(int Length, int PixelsPerUnit, int TicksPerUnit)
{
    QVector<TRulerMark> marks;
    if (PixelsPerUnit < 1 || Length < 0)
        return marks;
    // Below one tick the modulo below would divide by zero.
    const int ticks = std::max(1, TicksPerUnit);
    const int half = ticks / 2;
    const double spacing = double(PixelsPerUnit) / ticks;
    const int64_t n = RoundHalfEven(Length / spacing);
    marks.append({TRulerMark::EndLine, 0, 0});
    marks.append({TRulerMark::EndLine, int(RoundHalfEven(spacing * n)), 0});
    for (int64_t i = 1; i < n; ++i) {
        const int x = int(RoundHalfEven(spacing * i));
        if (i % ticks == 0)
            marks.append({TRulerMark::Number, x, int(i / ticks)});
        else if (i % half == 0) // half is at least 1 here: one tick always takes the branch above
            marks.append({TRulerMark::Half, x, 0});
        else
            marks.append({TRulerMark::Minor, x, 0});
    }
    return marks;
}

namespace {

// The smallest of 1, 2, 5, 10, 20... units that spans Needed pixels.
int64_t numberStep(int64_t Needed, int64_t PixelsPerUnit)
{
    for (int64_t scale = 1; scale <= 1000000000; scale *= 10)
        for (const int k : {1, 2, 5})
            if (k * scale * PixelsPerUnit >= Needed)
                return k * scale;
    return 10000000000;
}

} // namespace

QVector<TRulerMark> FitRulerNumbers(const QVector<TRulerMark> &Marks, int PixelsPerUnit,
                                    const std::function<int(int Value)> &Extent, int Gap)
{
    int widest = 0;
    for (const TRulerMark &mark : Marks)
        if (mark.kind == TRulerMark::Number)
            widest = std::max(widest, Extent(mark.Value));
    const int64_t step = numberStep(widest + Gap, std::max(PixelsPerUnit, 1));
    QVector<TRulerMark> numbers;
    QVector<TRulerMark> fitted;
    for (TRulerMark mark : Marks) {
        if (mark.kind == TRulerMark::Number && mark.Value % step != 0)
            mark.kind = TRulerMark::Unit;
        (mark.kind == TRulerMark::Number ? numbers : fitted).append(mark);
    }
    // A tick within two pixels of a number's box is left out.
    const auto underNumber = [&](const TRulerMark &tick) {
        return std::any_of(numbers.begin(), numbers.end(), [&](const TRulerMark &n) {
            return std::abs(tick.Position - n.Position) <= Extent(n.Value) / 2 + 2;
        });
    };
    fitted.erase(
        std::remove_if(fitted.begin(), fitted.end(),
                       [&](const TRulerMark &m) { return m.kind != TRulerMark::EndLine && underNumber(m); }),
        fitted.end());
    fitted.append(numbers);
    std::stable_sort(fitted.begin(), fitted.end(),
                     [](const TRulerMark &a, const TRulerMark &b) { return a.Position < b.Position; });
    return fitted;
}

TRuler::TRuler(QWidget *parent) : QWidget(parent), m_color(palette().color(QPalette::Button))
{
    resize(240, 16);
}

void TRuler::SetRuler(TRulerType Value)
{
    if (m_ruler == Value)
        return;
    m_ruler = Value;
    update();
}

void TRuler::SetPen(const QPen &Value)
{
    m_pen = Value;
    m_penSet = true;
    StyleChanged();
}

void TRuler::SetFont(const QFont &Value)
{
    m_font = Value;
    StyleChanged();
}

void TRuler::SetColor(const QColor &Value)
{
    if (m_color == Value)
        return;
    m_color = Value;
    update();
}

void TRuler::SetPixelsPerUnit(int Value)
{
    if (m_pixelsPerUnit == Value)
        return;
    m_pixelsPerUnit = Value;
    update();
}

void TRuler::SetTicksPerUnit(int Value)
{
    if (m_ticksPerUnit == Value)
        return;
    m_ticksPerUnit = Value;
    update();
}

double TRuler::Spacing() const
{
    return m_ticksPerUnit > 0 ? double(m_pixelsPerUnit) / m_ticksPerUnit : 1.0;
}

void TRuler::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    // Ticks and numbers in the text colour that goes with the ruler's own, unless set.
    painter.setPen(m_penSet ? m_pen : QPen(palette().color(QPalette::ButtonText)));
    painter.setFont(m_font);
    painter.fillRect(event->rect(), m_color);
    const bool horizontal = m_ruler == rtHorizontal;
    const int length = horizontal ? width() : height();
    const int depth = horizontal ? height() : width();
    const QFontMetrics metrics(m_font);
    // Along a vertical ruler a number takes the height of its digits.
    const int digitHeight = metrics.tightBoundingRect(QStringLiteral("0123456789")).height();
    const auto extent = [&](int value) {
        return horizontal ? metrics.horizontalAdvance(QString::number(value)) : digitHeight;
    };
    const auto line = [&](int along, int from) {
        if (horizontal)
            painter.drawLine(along, from, along, depth);
        else
            painter.drawLine(from, along, depth, along);
    };
    const QVector<TRulerMark> marks =
        FitRulerNumbers(RulerMarks(length, m_pixelsPerUnit, m_ticksPerUnit), m_pixelsPerUnit, extent, 4);
    for (const TRulerMark &mark : marks) {
        switch (mark.kind) {
        case TRulerMark::EndLine: line(mark.Position, 0); break;
        case TRulerMark::Unit: line(mark.Position, 0); break;
        case TRulerMark::Half: line(mark.Position, depth / 4); break;
        case TRulerMark::Minor: line(mark.Position, (2 * depth) / 3); break;
        case TRulerMark::Number: {
            const QString text = QString::number(mark.Value);
            const int w = metrics.horizontalAdvance(text);
            const int h = metrics.height();
            const QPoint topLeft = horizontal ? QPoint(mark.Position - w / 2, depth - h)
                                              : QPoint(depth - w, mark.Position - h / 2);
            painter.drawText(QRect(topLeft, QSize(w, h)), Qt::AlignLeft | Qt::AlignTop, text);
            break;
        }
        }
    }
}
