#pragma once
// What the canvas view reads from the settings: zoom steps, colours, grid
// sizes and the view flags. A plain copy, filled by the program from its
// settings, so this library does not depend on the program's state code.
//
// Colours are 0x00RRGGBB; `centre_grid_colour` also carries the show-the-
// centre-cross bit in its top bit, as stored.
#include <cstdint>

namespace qm {

// The view's bits of the stored view flag word (other bits belong to other
// parts of the program and pass through untouched).
inline constexpr int kViewFlagMirror = 0x01;
inline constexpr int kViewFlagChecker = 0x02;
inline constexpr int kViewFlagFullScreen = 0x04;
inline constexpr int kViewFlagGrid = 0x08;
inline constexpr int kViewFlagWindowsHidden = 0x40;

inline constexpr uint32_t kCentreCrossBit = 0x80000000u;

struct ViewSettings {
  int scale_down_step = 25;   // zoom step below 100 %
  int scale_up_step = 100;    // zoom step above 100 %
  uint32_t canvas_background = 0xB4B4B4;  // around the image
  uint32_t checker1 = 0xD8D8D8;           // squares whose x and y parities match
  uint32_t checker2 = 0xF8F8F8;
  int grid_w = 100, grid_h = 100;         // grid cell in image pixels
  uint32_t grid_colour = 0x0080FF;
  uint32_t centre_grid_colour = 0xFF00FF;  // | kCentreCrossBit: cross shown
  int grid_pixel_per = 5;  // the 1-pixel grid shows from this many × 100 %
  int view_flags = 0;      // kViewFlag* bits (and others, passed through)

  bool mirrored() const { return view_flags & kViewFlagMirror; }
  bool checker() const { return view_flags & kViewFlagChecker; }
  bool grid() const { return view_flags & kViewFlagGrid; }
  bool full_screen() const { return view_flags & kViewFlagFullScreen; }
  bool centre_cross() const { return centre_grid_colour & kCentreCrossBit; }

  friend bool operator==(const ViewSettings&, const ViewSettings&) = default;
};

}  // namespace qm
