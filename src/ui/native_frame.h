// The window manager's frame around a top-level window, in device pixels.
//
// Qt gives the frame in device-independent pixels, rounded: at a scale factor
// of 2 a one-pixel border reads as one, and a 21-pixel caption as 11. Sizing
// the client so that client and frame together make the described outer size
// needs the frame as the window manager drew it.
#pragma once

#include <QMargins>

class QWidget;

namespace quorvane::ui {

// The frame around the shown top-level widget in device pixels: on X11 the
// window manager's _NET_FRAME_EXTENTS, elsewhere (or without it) Qt's frame
// margins times the device pixel ratio. Empty for a hidden widget.
QMargins deviceFrameMargins(const QWidget& window);

}  // namespace quorvane::ui
