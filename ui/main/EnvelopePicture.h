#pragma once

// The envelope picture of the main window: where its parts stand for a panel
// size, and the preview of the bar code and facing mark for an address.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class RichEdit;

struct TEnvelopeLayoutInput
{
    // The panel's client size, its bevel and border widths.
    int Width = 0;
    int Height = 0;
    int BevelWidth = 2;
    int BorderWidth = 5;
    // PrintBarCode: 0 above the address, 1 bottom edge, 2 none, 3 below the address.
    int PrintBarCode = 0;
    bool ReturnImageVisible = false;
    int ReturnImageWidth = 78;
    QSize StampSize{65, 65};
    QSize FacingMarkSize{72, 65};
    int AttentionHeight = 26;
    // Where the bar code stood before: code 2 keeps its place.
    QRect BarCode{102, 0, 380, 26};
};

struct TEnvelopeLayout
{
    QRect Return;
    QRect Stamp;
    QRect FacingMark;
    QRect Destination;
    QRect Attention;
    QRect BarCode;
};

// The places of the picture's parts. Widths and heights that a tiny panel
// would make negative are 0.
TEnvelopeLayout EnvelopeLayout(const TEnvelopeLayoutInput &In);

// The bar-code image's hint for the digits: "Postnet Bar Code (62704-1234-00-1)".
QString PostnetHint(const QString &Digits);

struct TPostnetPreview
{
    QString Digits;
    // Whether bars (and the facing mark, when asked for) were drawn.
    bool Drawn = false;
    QImage BarCode;
    QImage FacingMark;
};

// The preview for an address: both images filled with Background, then, unless
// PrintBarCode is 2 or the address has no ZIP code, the bars at (1, 8) and, when
// FacingMark is set, the mark at (1, 0), drawn at Dpi in black or white, whichever
// stands out on Background.
TPostnetPreview PostnetPreview(const QStringList &AddressLines, int PrintBarCode, bool FacingMark,
                               const QColor &Background, QSize BarCodeSize, QSize FacingMarkSize, int Dpi);

// The last Count lines of the box, as its Lines() would end them, without splitting
// a long text whole: the preview runs on every keystroke.
QStringList LastLines(const RichEdit &Box, int Count);
