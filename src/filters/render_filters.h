#pragma once
// The render and drawing filters: clouds, patterns, outlines, frame line,
// random dots, noise. Random numbers come from the shared generator
// (paint/random.h), one 32-bit output per draw.
//
// Values (FilterValues):
//   Clouds Detailed   numeric[0] fineness 1 … 100, [1] sharpness 1 … 100,
//                     [2] contrast 0 … 100; list[0] 0 black/white, 1 drawing colours
//   Lines             numeric[0..3] thickness min, max, spacing min, max;
//                     check[0] horizontal, check[1] vertical; list[0] colour
//   Tone              numeric[0] dot size, [1] spacing; list[0] colour
//   Checker           numeric[0] cell width, [1] cell height; check[0] height = width;
//                     list[0] colour
//   Outer/Inner Outline numeric[0] brush size; list[0] shape (0 hard, 1 soft);
//                     list[1] reference layer (document index; the current layer
//                     when there is no document or no such layer)
//   Frame Line        numeric[0] thickness; alpha = env.brush_alpha
//   Random Dots       numeric[0] brush size, [1] amount 1 … 512, [2] spacing;
//                     list[0] shape, list[1] colour mode (0 drawing colour, 1 grey, 2 hue)
//   Noise             numeric[0] amount 1 … 512; check[0] colour noise
// Colour lists: 0 the drawing colour, 1 black, 2 white, all opaque.
// The Clouds commands 41820–41822 take no values.
#include <cstdint>
#include <vector>

#include "filters/filter_algorithm.h"

namespace qm::filters {

// A square byte mask, row-major.
struct ByteMask {
  int side = 0;
  std::vector<uint8_t> cells;
  uint8_t at(int x, int y) const { return cells[size_t(y) * size_t(side) + size_t(x)]; }
};
// The midpoint-circle disc of diameter `side` (1 … 100), 255 inside.
ByteMask hard_disc_mask(int side);
// peak − trunc(d × peak / c) inside c = side / 2 − 0.5. Sizes ≤ 2 (where
// that disc is empty) give the hard disc.
ByteMask soft_disc_mask(int side, int peak);

// The painting engine's source-over rule; alpha 0 leaves the pixel.
Pixel blend_colour(Pixel dst, uint32_t rgb, uint32_t alpha);

// The cloud generator over `rect`: base frequency q, persistence p,
// contrast k; c0/c1 0xRRGGBB (L = 0 gives c0, 256 gives c1). With
// `difference` only pixels of alpha ≠ 0 change, to |channel − L|.
struct CloudParams {
  double frequency = 0.02, persistence = 0.6, contrast = 150;
  uint32_t c0 = 0xFFFFFF, c1 = 0x000000;
  bool difference = false;
};
bool render_clouds(const FilterArgs& a, const CloudParams& params);

bool clouds(const FilterArgs& a);                   // black on white
bool clouds_drawing_colours(const FilterArgs& a);   // drawing colour on the other colour
bool difference_clouds(const FilterArgs& a);
bool clouds_detailed(const FilterArgs& a);
bool lines(const FilterArgs& a);
bool tone(const FilterArgs& a);
bool checker(const FilterArgs& a);
bool outer_outline(const FilterArgs& a);
bool inner_outline(const FilterArgs& a);
bool frame_line(const FilterArgs& a);
bool random_dots(const FilterArgs& a);
bool noise(const FilterArgs& a);

}  // namespace qm::filters
