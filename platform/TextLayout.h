#pragma once

// Format-range rendering of rich text on a canvas, without a text control: what
// printing lays out and draws.

#include <QTextBlockFormat>

#include <memory>

class QPainter;
class QTextDocument;

// The largest margin or indent a paragraph keeps, in pixels of 96 to the inch: ten inches,
// more than any envelope is wide.
constexpr double kLargestIndent = 960;

// A paragraph's format as the boxes and the paper lay it out: margins and indents from a
// file or a paste held between none and kLargestIndent, a first line that starts no
// further left than the paragraph's edge, and lines no closer than their own height.
QTextBlockFormat HeldBlockFormat(const QTextBlockFormat &Format, double IndentWidth);

// What format-range rendering lays out: the canvas (whose device gives the
// resolution), the formatting rectangle and page in twips from the canvas
// origin, and the characters first..last (0 and -1: the whole text).
struct FormatRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0; // exclusive, as the Windows rectangle
    int Bottom = 0;
};

struct TFormatRange
{
    QPainter *Canvas = nullptr;
    FormatRect Rect;
    FormatRect Page;
    int First = 0;
    int Last = -1;
};

// The lines one FormatRange call laid out, ready to be drawn.
class TFormattedText
{
public:
    TFormattedText();
    ~TFormattedText();
    TFormattedText(TFormattedText &&) noexcept;
    TFormattedText &operator=(TFormattedText &&) noexcept;

    bool Empty() const { return !m_doc; }

private:
    friend int FormatRange(const QTextDocument &, const TFormatRange &, TFormattedText &);
    friend bool DisplayBand(const TFormattedText &, const FormatRect &);
    std::unique_ptr<QTextDocument> m_doc;
    QPainter *m_canvas = nullptr;
    double m_width = 0;     // device pixels
    double m_fitHeight = 0; // height of the lines that fit
};

// Lays the characters of Text (positions count a line break as one) out on the
// canvas's resolution inside the rectangle, wrapping at its width, keeps the whole
// lines that fit in Out and returns the position of the first character that does
// not fit (the end of the range when all fit). Without a canvas Out stays empty.
int FormatRange(const QTextDocument &Text, const TFormatRange &Range, TFormattedText &Out);
// Draws what FormatRange laid out with its top left corner at the rectangle's
// (twips). False when nothing is laid out or the canvas is not painting.
bool DisplayBand(const TFormattedText &Text, const FormatRect &Rect);
