#pragma once
// The information bar's three fields as text, and where the bar goes.
#include <string>

#include "core/rect.h"

namespace qm {

// Pointer position in image pixels, "x,y", each clamped to -9999 … 9999.
std::string position_field(int x, int y);
// Zoom, "%4d%%" (" 100%").
std::string zoom_field(int scale);
// Image or dragged size, "%4dx%4d".
std::string size_field(int w, int h);

// Field widths in multiples of the width of the letter "A" in the bar's font.
inline constexpr int kInfoFieldWidthsInA[3] = {11, 5, 9};

// InfoBarPos values.
enum InfoBarPosition : int {
  kInfoBarHidden = 0,
  kInfoBarTopStrip = 1,  // right end of the main window's top strip
  kInfoBarTopLeft = 2,   // corners of the canvas area
  kInfoBarTopRight = 3,
  kInfoBarBottomLeft = 4,
  kInfoBarBottomRight = 5,
};

// The bar's rectangle for `position` (w × h), in the coordinates of the two
// given rectangles; empty when hidden or for an unknown position.
Rect info_bar_rect(int position, Rect top_strip, Rect canvas_area, int w, int h);

}  // namespace qm
