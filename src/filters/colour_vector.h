#pragma once
// The vector forms of the per-pixel colour filters (SSE2, AVX2 where the
// processor has it and filter_avx2() allows): the same bits as the plain
// per-pixel formulas, with the same row loop and progress as
// map_opaque_pixels().
#include <cstdint>

#include "filters/colour_loop.h"

namespace qm::filters::vector {

void greyscale(const FilterArgs& a);
void sepia(const FilterArgs& a);
void threshold(const FilterArgs& a, int t);
// `table` holds each luma's colour as 0x00RRGGBB.
void tint(const FilterArgs& a, const uint32_t table[256]);
void brightness(const FilterArgs& a, const ShiftedTable& contrast, int brightness);
void hsv(const FilterArgs& a, int dh, int ds, int dv);

}  // namespace qm::filters::vector
