#pragma once
// The frame a window manager puts round a top-level window. The windows are
// placed by their outer frames, so the frame must be known before a window
// is first shown, when it has none yet.

#include <QMargins>
#include <QPoint>

class QWidget;

// The frame of the top-level window: the one it has once shown; before
// that, the one the window manager says it will give it (asked through
// _NET_REQUEST_FRAME_EXTENTS, waiting a short while for the answer). Zero
// where there is no window manager, or no X11 display.
QMargins WindowFrameMargins(QWidget& window);

// Puts the window's outer frame at the given point of the screen, for a
// window whose frame is the given one. With a known frame the client area
// is placed, which the window manager keeps where it is asked (once the
// frame is known, the toolkit's frame position lands the client area there
// instead); with none, the toolkit's frame position serves.
void MoveOuterTo(QWidget& window, const QPoint& outerTopLeft, const QMargins& frame);

// Lets a tool window be minimised (by a window manager that offers it
// whatever the window asks) without its owner. On X11 a window manager may
// minimise a transient window's whole chain of owners with it, so the window
// becomes a transient of the program's window group instead: it still stays
// above the program's other windows, but goes down alone. Elsewhere a tool
// window cannot be minimised, and nothing changes.
void MinimiseAlone(QWidget& window);
