#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// What the bar code needs of a canvas: its resolution and a straight line of
// a given pen width, centred on the line as a printer pen is.
class TBarCodeCanvas
{
public:
    virtual ~TBarCodeCanvas() = default;
    virtual int LogPixelsX() const = 0;
    virtual int LogPixelsY() const = 0;
    virtual void Line(int x1, int y1, int x2, int y2, int penWidth) = 0;
    // Draws what Line may have kept back; called at the end of every bar code and mark.
    virtual void Flush() {}
};

// Draws with a QPainter in device units, keeping the painter's pen colour.
// Caps are flat so that a bar is exactly as tall as the line is long.
class TPainterBarCodeCanvas : public TBarCodeCanvas
{
public:
    // A resolution of 0 takes the painter device's own.
    explicit TPainterBarCodeCanvas(QPainter &painter, int logPixelsX = 0, int logPixelsY = 0);
    int LogPixelsX() const override { return m_logPixelsX; }
    int LogPixelsY() const override { return m_logPixelsY; }
    ~TPainterBarCodeCanvas() override;
    // Bars are kept and filled together on Flush: one path instead of a pen change per bar,
    // which is most of a printed page.
    void Line(int x1, int y1, int x2, int y2, int penWidth) override;
    void Flush() override;

private:
    QPainter &m_painter;
    QList<QRectF> m_bars;
    int m_logPixelsX;
    int m_logPixelsY;
};

// Digits of the ZIP, ZIP+4 and delivery point read from the address, with
// the check digit: 6, 10 or 12 characters, or empty when there is no code.
void BuildZipDigits(const QStringList &addressLines, QString &digits);
void AddCheckDigit(QString &digits);
bool ParsePOBox(const QString &line, QString &box);
// "1" for a full bar, "0" for a half bar, framed by a full bar on each side.
void DigitsToBars(const QString &digits, QString &pattern);
int BarCodeHeight(const TBarCodeCanvas &canvas);
void DrawPostnet(TBarCodeCanvas &canvas, const QString &digits, int &x, int &y, int rightLimit);
void DrawFacingMark(TBarCodeCanvas &canvas, int x, int y);
