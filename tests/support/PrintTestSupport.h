#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// Helpers of the print tests.

// Makes sure a QGuiApplication exists (offscreen), for QPdfWriter's fonts.
void EnsurePrintTestApp();

// What pdfinfo says of a PDF: page count, first page size in points, title.
struct PdfFacts
{
    bool ok = false;
    int pages = 0;
    double width = 0;
    double height = 0;
    QString title;
};
PdfFacts PdfInfo(const QString &file);
PdfFacts PdfInfo(const QByteArray &pdf);

// Renders one page of a PDF to a grey image at the given resolution (pdftoppm).
QImage RenderPdfPage(const QByteArray &pdf, int page, int dpi);

// A word of a PDF page and its box in points (pdftotext -bbox), ligatures spelled out.
struct PdfWord
{
    QString text;
    double xMin, yMin, xMax, yMax;
};
QList<PdfWord> PdfWords(const QByteArray &pdf, int page);
// The words of a landscape page, which the printer is fed as the portrait sheet
// of the given height, turned back to landscape coordinates.
QList<PdfWord> LandscapeWords(const QByteArray &pdf, int page, double sheetHeight);
