#pragma once

#include "foundation/QmIniFile.h"

#include <QMargins>
#include <QRect>
#include <QString>

class QMainWindow;
class QToolBar;
class QWidget;

// Where windows, toolbars and dialogs stand, kept in RegIni, one section per
// window ("MainWindow", "MainWindowFileToolBar", "FindDialog", ...). Nothing is
// read or written while RegIni is not open.
//
// A window's stored rectangle is its outer frame, as the window manager draws it:
// Left/Top of the frame, Right/Bottom exclusive. Loading gives the window a client
// size that makes the frame that size again; when the frame is not known yet (a
// window not shown yet), the size is corrected once the window manager reports it,
// so that save, load, save gives the same values.

// Bounds and window state (minimized, then maximized). A stored rectangle with
// Right <= Left or Bottom <= Top, or on no screen, is ignored; a size larger than
// the desktop is cut to it. From then on the window also comes back where it was
// left each time it is shown again (a dialog would be centred on its parent).
void LoadFormPlacement(QWidget *Form, const QString &Section);
void SaveFormPlacement(QWidget *Form, const QString &Section);

// A toolbar or other control: bounds in its parent's coordinates (a docked QToolBar's
// place is the main window's layout, which takes precedence), "Minimized" and
// "Maximized" written false, and "Visible" (default true).
void LoadControlPlacement(QWidget *Control, const QString &Section);
void SaveControlPlacement(QWidget *Control, const QString &Section);

// Shows the window again where it was hidden, its frame's corner where it was
// (not its inside's), rather than where Qt or a window manager would put it.
void KeepPlace(QWidget *Window);

// A dialog's screen position ("X", "Y", the frame's top left corner); one on no screen is ignored.
void LoadDialogPosition(QWidget *Dialog, const QString &Section);
void SaveDialogPosition(QWidget *Dialog, const QString &Section);

// The width a window needs for a window manager to show its whole caption beside
// the frame's icon and buttons. Fixed-size dialogs keep at least this width.
int CaptionWidth(const QWidget *Window);

// The widget's outer rectangle as stored.
TWindowRect FrameRectOf(const QWidget *Widget);
// The client geometry that gives the frame rectangle Frame with these frame margins.
QRect ClientGeometryFor(const TWindowRect &Frame, const QMargins &FrameMargins);

// A toolbar at the top of a main window and the place stored for it.
struct TToolbarPlace
{
    QToolBar *Bar = nullptr;
    TWindowRect Rect;
    bool Visible = true;
};
// Lays the toolbars out in rows as their stored rectangles say: rows from top to bottom,
// each from left to right, with the room the user left before a toolbar in its row.
void RestoreToolbarRows(QMainWindow *Window, QList<TToolbarPlace> Places);
