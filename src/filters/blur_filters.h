#pragma once
// The blur, sharpen and edge filters, each a FilterCallback; the group table
// in algorithms_blur.cpp binds them to their commands.
#include <cstdint>

#include "filters/filter_algorithm.h"

namespace qm::filters {

bool box_blur(const FilterArgs& args);            // strength 1 … 16
bool gaussian_blur_filter(const FilterArgs& args);
bool radial_blur(const FilterArgs& args);
bool lens_blur(const FilterArgs& args);
bool motion_blur(const FilterArgs& args);
bool sharpen(const FilterArgs& args);
bool unsharp_mask(const FilterArgs& args);
bool sobel(const FilterArgs& args);
bool laplacian(const FilterArgs& args);
bool emboss(const FilterArgs& args);
bool median(const FilterArgs& args);
bool lines_from_brightness(const FilterArgs& args);
bool anti_aliasing(const FilterArgs& args);
bool one_pixel_line_correction(const FilterArgs& args);

// Lens Blur's table f^i (f = h × 0.001 + 1.01) in fixed point, and the
// channel whose table value is the largest not above E / ΣA.
inline constexpr int64_t kLensOne = int64_t{1} << 20;
void lens_table(int highlight, int64_t table[256]);
int lens_channel(const int64_t table[256], int64_t e, int64_t sa);

// Radial Blur sample by sample from `src` (not dst), without temporaries.
void radial_blur_per_pixel(const FilterArgs& args, const LayerImage* src);

// Median's selection sort (descending by key, the first largest key swapped
// forward) on `count` keys with their indices, carried out until `position`
// is final; returns the index that lands there.
int median_pick(uint8_t* keys, uint8_t* index, int count, int position);

// The source a neighbourhood filter may read while writing dst: src itself,
// or, when both are one image, a copy made in *holder. Null when the copy
// cannot be had.
const LayerImage* separate_source(const FilterArgs& args, LayerImage* holder);

// The value at `index` of the dialog's numeric values, kept within lo … hi.
int numeric_value(const FilterArgs& args, int index, int lo, int hi);

}  // namespace qm::filters
