#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>

class QTextDocument;
class QTextCharFormat;

// The character attributes that rich text keeps, as they take effect: what the
// format does not set comes from the document's default font.
struct RtfCharAttributes
{
    QString name;
    double points = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor colour; // invalid: the automatic (window text) colour

    bool operator==(const RtfCharAttributes &) const = default;
};

RtfCharAttributes EffectiveCharAttributes(const QTextCharFormat &format, const QFont &defaultFont);

// The point size of a font, also when it was given in pixels (at 96 per inch).
double FontPoints(const QFont &font);

// Writes the characters from..to of the document (to = -1: to the end) as rich
// text that the Windows rich edit control reads: font and colour tables,
// character and paragraph formatting, characters outside Windows-1252 as \uN.
// The result is ASCII in lines joined by CR LF, each at most about 250
// characters long and none beginning or ending with a blank, so that the lines
// survive a settings file that trims its values.
QByteArray WriteRtf(const QTextDocument *document, int from = 0, int to = -1);
