#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's own pictures, drawn rather than loaded: the splash logo, the
// stamps and the toolbar icons.

// The stamps for the prices 37, 38 and 39 (index 0, 1, 2), 64 x 64 pixels;
// a null pixmap for any other index.
QPixmap StampPicture(int Index);
constexpr int StampPictureCount = 3;

// The splash window's logo at the given size.
QPixmap SplashLogo(int Width, int Height);

// A toolbar icon by name: "new", "open", "save", "print", "import", "undo",
// "cut", "copy", "paste", "pasteastext", "pasteasnew", "delete", "find", "lookup",
// "bold", "italic", "underline", "returnaddresses", "envelopes", "options",
// "toolbar", "help". The standard
// commands take the desktop's icon theme where it has them; the theme's glyphs
// (bold, italic, underline, find) only while they stand out on the palette's
// buttons. Our own drawings take the application palette's colours whenever
// they are painted, so they follow a change of palette. Unknown names give an
// empty icon.
QIcon ToolIcon(const QString &Name);

// How far two colours stand apart: the ratio of their relative luminances,
// from 1 (alike) to 21 (black on white).
double ContrastRatio(const QColor &A, const QColor &B);
// The share of the icon's painted pixels (at 24 pixels) whose contrast with Back is at
// least Ratio; 0 for an icon that paints nothing.
double LegibleShare(const QIcon &Icon, QIcon::Mode Mode, const QColor &Back, double Ratio);

// Black or white, whichever stands out more on Background.
QColor InkOn(const QColor &Background);

// The program's window icon.
QIcon ProgramIcon();
