#include "canvas/info_bar_text.h"

#include <algorithm>
#include <cstdio>

namespace qm {

std::string position_field(int x, int y) {
  char text[32];
  std::snprintf(text, sizeof text, "%d,%d", std::clamp(x, -9999, 9999),
                std::clamp(y, -9999, 9999));
  return text;
}

std::string zoom_field(int scale) {
  char text[32];
  std::snprintf(text, sizeof text, "%4d%%", scale);
  return text;
}

std::string size_field(int w, int h) {
  char text[32];
  std::snprintf(text, sizeof text, "%4dx%4d", w, h);
  return text;
}

Rect info_bar_rect(int position, Rect top_strip, Rect canvas_area, int w, int h) {
  const Rect& c = canvas_area;
  switch (position) {
    case kInfoBarTopStrip: return {top_strip.right() - w, top_strip.y + 2, w, h};
    case kInfoBarTopLeft: return {c.x, c.y, w, h};
    case kInfoBarTopRight: return {c.right() - w, c.y, w, h};
    case kInfoBarBottomLeft: return {c.x, c.bottom() - h, w, h};
    case kInfoBarBottomRight: return {c.right() - w, c.bottom() - h, w, h};
    default: return {};
  }
}

}  // namespace qm
