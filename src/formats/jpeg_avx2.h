#pragma once
// The JPEG encoder's 8-lane kernels, for processors with AVX2. Each gives
// the same bits as its 4-lane counterpart in jpeg_encoder.cpp: the same
// operations in the same order, no fused multiply-add.
#include <cstddef>
#include <cstdint>

#include "core/pixel.h"

namespace qm::jpeg_avx2 {

bool available();
// As jpeg_detail::transform_block_natural.
void transform_block_natural(const float* samples, const float* reciprocals, int16_t* natural_out);
// As jpeg_detail::transform_samples_natural.
void transform_samples_natural(const int16_t* samples, size_t stride, const float* reciprocals,
                               int16_t* natural_out);
// As jpeg_detail::ycc_row for the first n − n % 16 pixels; returns how many
// it converted.
int ycc_row(const Pixel* pixels, int n, int16_t* y, int16_t* cb, int16_t* cr);

}  // namespace qm::jpeg_avx2
