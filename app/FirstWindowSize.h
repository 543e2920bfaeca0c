#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace q417 {

// What the window manager's frame around the main window takes at most on a common desktop:
// borders and a title bar.
inline constexpr QMargins kWindowFrameAllowance{8, 40, 8, 8};

// The size the main window opens with: `preferred`, made smaller where the screen's free area
// less the window's frame is smaller, so the whole window, status bar and all, is on the screen
// it opens on (900 x 540 is more than a 1280 x 1024 screen at twice the scale holds).
[[nodiscard]] QSize FirstWindowSize(const QSize& preferred, const QRect& available,
                                    const QMargins& frame = kWindowFrameAllowance);

}  // namespace q417
