#pragma once
// One dab: a brush shape scaled to a size and placed at a sub-pixel position.
//
// Positions and sizes are rounded to sixteenths of a pixel, or to eighths for
// dabs above 4 pixels; each pixel's coverage is the sum of its 16 × 16 (or
// 8 × 8) sub-samples of the 100 × 100 shape map.
#include <cstdint>

#include "core/rect.h"
#include "paint/dab_shapes.h"
#include "paint/paint_surface.h"
#include "paint/row_spans.h"

namespace qm {

// A dab in sub-pixel units.
struct DabGrid {
  int unit = 16;   // sub-units per pixel: 16 or 8
  int left = 0;    // first covered sub-unit, x and y
  int top = 0;
  int size = 0;    // covered sub-units per side
  int scale = 0;   // shape cell of offset o: (o × scale) >> 14
};

// The grid of a dab at (x, y) of `size` pixels; false when it draws nothing
// (at most two sixteenths). Coordinates must lie within ±kCoordinateLimit.
bool dab_grid(double x, double y, double size, DabGrid& grid);
// The pixels the dab can touch.
Rect dab_bounds(const DabGrid& grid);

// Alpha of every pixel of `area` (inside dab_bounds), row-major into `out`
// (area.w × area.h bytes): (density × coverage + 127) / 255 with
// `coverage_alpha`, else the density wherever the coverage is not zero.
// The coverage of small areas is kept per sub-pixel phase and found again by
// the grid, the area and the shape's address (the shapes are the program's
// fixed maps).
void dab_alpha(const DabGrid& grid, const ShapeMap& shape, int density, bool coverage_alpha,
               Rect area, uint8_t* out);
// The same, sample by sample: the plain definition the fast one must equal.
void dab_alpha_reference(const DabGrid& grid, const ShapeMap& shape, int density,
                         bool coverage_alpha, Rect area, uint8_t* out);

struct DabSpec {
  double x = 0, y = 0;  // centre, canvas pixels
  double size = 1;      // diameter, pixels
  int density = 255;    // 0 … 255
  uint32_t colour = 0;  // 0x00RRGGBB
};

// Draws the dab through the surface; returns the pixels it may have changed
// (cut to the writable area; empty when it draws nothing). `written`, when
// given, gets each row's span of pixels with a dab alpha above 0.
Rect draw_dab(const PaintSurface& surface, const ShapeMap& shape, const DabSpec& dab,
              bool coverage_alpha, RowSpans* written = nullptr);

}  // namespace qm
