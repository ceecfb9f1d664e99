#pragma once
// Whole rows of the two "over" formulas (dab over the stroke buffer, stroke
// over the backup), four pixels at a time where the CPU has AVX2. Each lane
// takes exactly the scalar formula's operations in its order (no fused
// multiply-add), so a row equals the pixel-by-pixel functions bit for bit.
#include <cstdint>

#include "core/pixel.h"

namespace qm {

// dst[i] = blend_over(dst[i], colour, alpha[i]) wherever alpha[i] > 0.
void blend_over_row(Pixel* dst, const uint8_t* alpha, int n, uint32_t colour);
// dst[i] = combine_over(stroke[i], backup[i], keep_alpha); dst may be backup.
void combine_over_row(Pixel* dst, const Pixel* stroke, const Pixel* backup, int n, bool keep_alpha);

}  // namespace qm
