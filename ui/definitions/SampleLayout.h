#pragma once

// Where the sample sheet of the definitions manager draws the paper, the
// printable area, the stamp and the four markers, at 100/333 of the real size,
// and what a dropped marker stands for. Pure geometry: no widgets.

#include <QPoint>
#include <QRect>
#include <QSize>

// The printer's paper and unprintable margins, in hundredths of an inch.
struct TSampleSheet
{
    int PaperWidth = 0;
    int PaperHeight = 0;
    int LeftMargin = 0;
    int TopMargin = 0;
    int RightMargin = 0;
    int BottomMargin = 0;
    // Letter paper folded in thirds is drawn upright, every other paper on its long side.
    bool TriFoldLetter = false;
};

// A definition's layout distances, in hundredths of an inch.
struct TSampleDistances
{
    int ReturnLeft = 0;
    int ReturnTop = 0;
    int DestinationLeft = 0;
    int DestinationBottom = 0;
    int AttentionLeft = 0;
    int AttentionBottom = 0;
    int FacingMarkFromRight = 0;
    int TriFoldFromTop = 0;
    int TriFoldFromBottom = 0;
    bool operator==(const TSampleDistances &) const = default;
};

// In pixels: the paper, the printable area within the paper, and the stamp and
// markers within the printable area.
struct TSampleGeometry
{
    QRect Envelope;
    QRect Usable;
    QRect Stamp;
    QRect FacingMark;
    QRect Return;
    QRect Attention;
    QRect Destination;
};

enum class TSampleMarker { Return, Destination, Attention, FacingMark };

// The return and attention markers keep the sizes given.
TSampleGeometry LayoutSample(const TSampleDistances &Distances, const TSampleSheet &Sheet, int PixelsPerInch,
                             QSize ReturnSize, QSize AttentionSize);

// The distances after Marker was dropped with its top left at NewTopLeft (in the
// printable area) on the sheet laid out as Geometry; the other distances stay.
TSampleDistances SampleDrop(TSampleDistances Distances, TSampleMarker Marker, QPoint NewTopLeft,
                            const TSampleGeometry &Geometry, const TSampleSheet &Sheet, int PixelsPerInch);
