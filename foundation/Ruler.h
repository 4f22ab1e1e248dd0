#pragma once

// A painted ruler strip: numbered unit marks, half-unit marks and minor ticks, laid
// horizontally or vertically.

#include <QColor>
#include <QFont>
#include <QPen>
#include <QVector>
#include <QWidget>

#include <functional>

enum TRulerType { rtHorizontal, rtVertical };

// One mark of a ruler, at Position pixels along its length.
struct TRulerMark
{
    // Unit: a whole unit whose number does not fit, drawn as a long tick.
    enum Kind { EndLine, Number, Half, Minor, Unit };
    Kind kind;
    int Position;
    int Value; // the unit number of a Number mark
    bool operator==(const TRulerMark &) const = default;
};

// The marks of a ruler Length pixels long. Ticks below 1 count as 1; fewer than 1
// pixel per unit gives no marks at all (the ruler shows its background only).
QVector<TRulerMark> RulerMarks(int Length, int PixelsPerUnit, int TicksPerUnit);
// The marks with their numbers made legible: Extent gives a number's size along
// the ruler in pixels. Numbers are kept every 1, 2, 5, 10, 20... units, so that
// Gap pixels stay between two of them (the others become Unit marks), and the
// ticks that would run into a kept number are left out.
QVector<TRulerMark> FitRulerNumbers(const QVector<TRulerMark> &Marks, int PixelsPerUnit,
                                    const std::function<int(int Value)> &Extent, int Gap);

class TRuler : public QWidget
{
    Q_OBJECT
public:
    explicit TRuler(QWidget *parent = nullptr);

    TRulerType Ruler() const { return m_ruler; }
    void SetRuler(TRulerType Value);
    QPen Pen() const { return m_pen; }
    void SetPen(const QPen &Value);
    QFont Font() const { return m_font; }
    void SetFont(const QFont &Value);
    QColor Color() const { return m_color; }
    void SetColor(const QColor &Value);
    int PixelsPerUnit() const { return m_pixelsPerUnit; }
    void SetPixelsPerUnit(int Value);
    int TicksPerUnit() const { return m_ticksPerUnit; }
    void SetTicksPerUnit(int Value);

    // The distance between ticks in pixels.
    double Spacing() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void StyleChanged() { update(); }

    TRulerType m_ruler = rtHorizontal;
    QPen m_pen;
    bool m_penSet = false;
    QFont m_font;
    QColor m_color;
    int m_pixelsPerUnit = 120;
    int m_ticksPerUnit = 8;
};
