#include "HelpPlacement.h"

#include <algorithm>

namespace veltaro {

QRect PlaceHelpWindow(const QRect& available, const QRect& caller, const QSize& preferred, const QMargins& frame,
                      const QRect& keep) {
  const int frameWidth = frame.left() + frame.right();
  const int frameHeight = frame.top() + frame.bottom();
  // The whole window, frame included, at most the available area.
  int width = std::clamp(preferred.width() + frameWidth, 1, std::max(1, available.width()));
  const int height = std::clamp(preferred.height() + frameHeight, 1, std::max(1, available.height()));
  int x = available.left() + (available.width() - width) / 2;
  int y = available.top() + (available.height() - height) / 2;
  if (caller.isValid()) {
    const int right = available.right() - caller.right();  // room right of the caller
    const int left = caller.left() - available.left();     // room left of it
    const int wanted = std::min(width, kMinBesideWidth);
    // The same beside the part of the caller that stays in view.
    const int keepRight = keep.isValid() ? available.right() - keep.right() : 0;
    const int keepLeft = keep.isValid() ? keep.left() - available.left() : 0;
    if (right >= wanted) {
      width = std::min(width, right);
      x = caller.right() + 1;
    } else if (left >= wanted) {
      width = std::min(width, left);
      x = caller.left() - width;
    } else if (keepRight >= wanted) {
      width = std::min(width, keepRight);
      x = keep.right() + 1;
    } else if (keepLeft >= wanted) {
      width = std::min(width, keepLeft);
      x = keep.left() - width;
    } else if (right >= left) {
      x = available.right() + 1 - width;
    } else {
      x = available.left();
    }
    y = std::clamp(caller.top(), available.top(), available.bottom() + 1 - height);
  }
  const int clientWidth = std::max(1, width - frameWidth);
  const int clientHeight = std::max(1, height - frameHeight);
  return QRect(x + frame.left(), y + frame.top(), clientWidth, clientHeight);
}

}  // namespace veltaro
