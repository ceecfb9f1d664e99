#pragma once
// The colour adjustment filters: point operations on B, G and R. Every one
// leaves alpha alone and skips pixels whose alpha is 0 (they keep their
// colour; when dst and src differ they are copied from src).
//
// Values (FilterValues):
//   Brightness/Contrast  numeric[0] brightness −255 … 255, numeric[1] contrast −100 … 100
//   Gamma                numeric[0] gamma in hundredths, 10 … 400
//   Levels               numeric[0] in_min, [1] in_mid, [2] in_max, [3] out_min,
//                        [4] out_max, each 0 … 255 (the Levels dialog's five handles)
//   RGB Adjust           numeric[0..2] dR, dG, dB, −255 … 255
//   HSV Adjust           numeric[0] dH −180 … 180, [1] dS, [2] dV −255 … 255
//   Threshold            numeric[0] 1 … 255
//   Colour Reduction     list[0] 0 … 7: 2, 4, … 256 colours
//   Posterise            numeric[0] levels 2 … 128
//   Replace Colour       numeric[0..2] the new colour's R, G, B (0 … 255); the
//                        colour replaced is the drawing colour of the environment
//   Two-Colour Tint      drawing colour (dark) and other colour (light) of the environment
#include <array>
#include <cstdint>

#include "filters/filter_algorithm.h"

namespace qm::filters {

using ByteTable = std::array<uint8_t, 256>;

// Luma of the colour filters: (77·R + 150·G + 29·B) >> 8.
constexpr int colour_luma(int r, int g, int b) { return (77 * r + 150 * g + 29 * b) >> 8; }

// Tables. Each is the plain formula; the filters map B, G, R through them.
ByteTable contrast_table(int contrast);
ByteTable gamma_table(int gamma_hundredths);
// Identity when in_min ≥ in_max; in_mid is kept below in_max.
ByteTable levels_table(int in_min, int in_mid, int in_max, int out_min, int out_max);
ByteTable posterise_table(int levels);

// Brightness on top of the contrast table, by the integer YCbCr round trip.
uint32_t brightness_pixel(const ByteTable& contrast, int brightness, uint32_t bgr);

// One pixel of HSV Adjust (exposed so a test can cover the colour cube).
uint32_t hsv_adjust_pixel(uint32_t argb, int dh, int ds, int dv);

// The Levels dialog's histogram: luma bins of every pixel, transparent ones included.
std::array<uint64_t, 256> luma_histogram(const LayerImage& image);
// Length in pixels of one histogram bar in a panel `panel_height` pixels high
// for a canvas of `pixels` pixels: H × count / e, at most H, H = panel_height − 9.
int histogram_bar(uint64_t count, int panel_height, uint64_t pixels);

// Default handle positions of the Levels dialog, packed as above.
FilterValues levels_defaults();

bool brightness_contrast(const FilterArgs& a);
bool gamma(const FilterArgs& a);
bool levels(const FilterArgs& a);
bool rgb_adjust(const FilterArgs& a);
bool hsv_adjust(const FilterArgs& a);
bool negative(const FilterArgs& a);
bool greyscale(const FilterArgs& a);
bool sepia(const FilterArgs& a);
bool two_colour_tint(const FilterArgs& a);
bool threshold(const FilterArgs& a);
bool colour_reduction(const FilterArgs& a);
bool posterise(const FilterArgs& a);
bool replace_colour(const FilterArgs& a);

}  // namespace qm::filters
