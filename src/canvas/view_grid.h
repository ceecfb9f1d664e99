#pragma once
// Grids over the scaled image, drawn after scale_into_view and only inside
// the image area.
//
// From grid_pixel_per × 100 % up, a line at every image pixel in 0xA0A0A0,
// then (grid flag) every grid_w / grid_h pixels in 0xFF3083, then (centre
// bit) the centre cross in 0x1DFFB4, all solid. Below that, with the grid
// flag, the grid in grid_colour and the cross in centre_grid_colour, each
// line moving the pixels a quarter of the way towards its colour.
//
// Pixel-grid and grid lines sit on the boundaries between image pixels
// (never on the image's outer edge, which the background already marks): the
// boundary before column c is the first window column of the pixel on its
// right on screen. The centre cross runs through column width / 2 and row
// height / 2 (their first window column and row). Lines are drawn one by
// one, so where two blended lines cross the pixel is blended twice.
#include "canvas/view_mapping.h"
#include "canvas/view_settings.h"
#include "core/layer_image.h"

namespace qm {

inline constexpr Pixel kPixelGridColour = 0xA0A0A0;
inline constexpr Pixel kZoomedGridColour = 0xFF3083;
inline constexpr Pixel kZoomedCentreColour = 0x1DFFB4;

// True when `scale` shows the 1-pixel grid.
bool pixel_grid_shown(int scale, int grid_pixel_per);

// Draws the grids over `window` (cut to the view, the buffer and the image).
void draw_view_grids(LayerImage& backing, const ViewGeometry& g, Rect window,
                     const ViewSettings& settings);

// One channel-wise quarter step from `old` towards `colour` (0xRRGGBB).
constexpr Pixel quarter_towards(Pixel old, Pixel colour) {
  Pixel out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int o = int((old >> shift) & 0xFF), c = int((colour >> shift) & 0xFF);
    out |= Pixel(o + ((c - o) >> 2)) << shift;
  }
  return out;
}

}  // namespace qm
