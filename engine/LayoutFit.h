#pragma once

#include "platform/TextLayout.h"

#include <QList>
#include <QString>

#include <functional>

class TEnvelopeData;
class TReturnAddress;
class TZambPrinter;

// The page as the print job reads it (the custom size when one is set).
struct TPageMetrics
{
    int LX = 0;    // pixels per inch across
    int LY = 0;    // pixels per inch down
    int PW = 0;    // width, pixels
    int PH = 0;    // height, hundredths of an inch
    int PhysW = 0; // physical width, pixels
    int BM = 0;    // unprintable bottom margin, hundredths of an inch
    int PWT = 0;   // width, twips (0: worked out from PW)
    int PHT = 0;   // height, twips (0: worked out from PH)
};

// The page of the printer object as it stands.
TPageMetrics ReadPageMetrics(TZambPrinter &Printer);

// Where a definition's parts start on its printer's page, as the print job
// places them, against the sheet's printable area.
struct TLayoutGeometry : TPageMetrics
{
    // What the sheet can print, in pixels from its printable corner.
    int PrintableWidth = 0;
    int PrintableHeight = 0;
    // The definition's distances, hundredths of an inch.
    int ReturnLeft = 0;
    int ReturnTop = 0;
    int DestinationLeft = 0;
    int DestinationBottom = 0;
    int FacingMarkFromRight = 0;
    int TriFoldFromTop = 0;
    int TriFoldFromBottom = 0;
    // 0 above the address, 1 bottom edge, 2 none, 3 below the address.
    int BarCodePlacement = 0;
    bool FacingMark = false;
    // Whether the text keeps all its lines laid out in the rectangle (twips from the
    // printable corner), as the job lays it out; not known (taken to fit) when empty.
    // The return address's is given the rectangle beside no picture.
    std::function<bool(const FormatRect &)> ReturnFits;
    std::function<bool(const FormatRect &)> DestinationFits;
};

// Paper: the page has no size at all. The plain parts start off the page; the "Cut"
// ones start on it but run past its end or into the next part.
enum class TLayoutPart {
    Paper,
    ReturnAddress,
    ReturnAddressCut,
    Destination,
    DestinationCut,
    BarCode,
    BarCodeCut,
    FacingMark
};

// The parts that start outside the page the job draws on (the custom envelope
// when there is one, within the sheet's printable area), or whose text or bars
// run past its end or into the next part, in that order.
QList<TLayoutPart> PartsOutsidePage(const TLayoutGeometry &Geometry);

// The geometry of a definition on the printer object as it stands (the
// definition's printer and setup selected).
TLayoutGeometry LayoutGeometry(TZambPrinter &Printer, const TEnvelopeData &Envelope, int BarCodePlacement,
                               bool FacingMark);

// Where the return address's text starts, in twips: beside its picture, 0.15 inch from it,
// on a printer of LogPixelsX pixels to the inch.
int ReturnTextLeft(const TReturnAddress &Return, int ReturnLeft, int LogPixelsX);

// The widths, in twips, of the rectangles the print job lays the destination, the
// attention line and the return address out in, on a page whose printable width is
// PageWidthTwips: their lines align within them, on the screen as on paper.
struct TTextWidths
{
    int Destination = 0;
    int Attention = 0;
    int Return = 0;
};
TTextWidths TextWidths(const TEnvelopeData &Envelope, const TReturnAddress *Return, int PageWidthTwips,
                       int LogPixelsX);

// Says which parts of the named definition lie outside its paper.
QString LayoutOutsideText(const QString &Definition, const QList<TLayoutPart> &Parts);
