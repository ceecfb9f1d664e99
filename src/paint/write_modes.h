#pragma once
// The pixel-write table: how a dab pixel (colour, alpha) changes the pixel
// under it. Each mode is a small function of one pixel; one loop, written
// once, applies the clip, the mask test and the texture and calls it.
#include <cstdint>

#include "core/pixel.h"
#include "paint/paint_surface.h"

namespace qm {

// Writes pixels x … x + n − 1 of row y, pixel i with (colour, alpha[i]),
// through the surface's write mode. Pixels outside the writable area, alpha 0
// (after the texture) and protected pixels are skipped.
void write_span(const PaintSurface& surface, int x, int y, int n, const uint8_t* alpha,
                uint32_t colour);
// One pixel: `argb` carries the alpha in its top byte.
void write_pixel(const PaintSurface& surface, int x, int y, Pixel argb);
// Every pixel of `r` with the same alpha.
void write_rect(const PaintSurface& surface, Rect r, uint8_t alpha, uint32_t colour);

// The per-pixel arithmetic, exposed so tests can check it against the formulas.
// "Over" in floating point (modes 1, 2 and 9), with the shortcuts a = 255 and
// an empty destination.
Pixel blend_over(Pixel dst, uint32_t colour, uint32_t alpha);
// The same formula without the empty-destination shortcut.
Pixel blend_over_plain(Pixel dst, uint32_t colour, uint32_t alpha);
Pixel dodge_pixel(Pixel dst, uint32_t alpha);
Pixel burn_pixel(Pixel dst, uint32_t alpha);
Pixel erase_pixel_by(Pixel dst, uint32_t alpha);

}  // namespace qm
