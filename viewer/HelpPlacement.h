// Where a help window opens: beside the program's window where the screen
// has room for it, and never larger than the screen's available area.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace veltaro {

// The narrowest help window worth placing beside the program's window
// rather than over it (frame included).
inline constexpr int kMinBesideWidth = 360;

// The client geometry of a help window of the preferred client size on a
// screen whose available area is `available`, with a window frame of
// `frame`. `caller` is the frame geometry of the program's window (an
// invalid rectangle when there is none): the help window goes to its right,
// else to its left, where the screen has at least kMinBesideWidth there.
// Where it has not, the help window goes beside `keep`, the part of the
// program's window where the person types and reads (invalid when there is
// none), to its right, else to its left, covering the rest of the program's
// window; failing that, to the screen's edge on the side with more room.
// Without a caller the window is centred. The frame always lies inside
// `available`.
QRect PlaceHelpWindow(const QRect& available, const QRect& caller, const QSize& preferred, const QMargins& frame,
                      const QRect& keep = QRect());

}  // namespace veltaro
