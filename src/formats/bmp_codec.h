#pragma once
// BMP: our writer (8-bit palette for 1 … 256 colours, else 24-bit) and a
// bounded reader for the common kinds: 1, 2, 4, 8, 16, 24 and 32 bits per
// pixel, RLE4 and RLE8, bit-field masks, bottom-up and top-down rows, the
// 12-byte OS/2 header, the 16 … 64-byte OS/2 2.x header and the 40, 52, 56,
// 108 and 124-byte Windows headers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "formats/load_result.h"

namespace qm {

// Appends a whole BMP file to `out` (alpha is not stored). False for an
// empty image.
bool encode_bmp(const LayerImage& image, std::vector<uint8_t>& out);
bool SaveBmp(const std::string& path, const LayerImage& image);

// Decodes a BMP in memory into an opaque picture. Undefined pixels (skipped
// by RLE deltas) and indices beyond the palette are black. The size is
// checked before anything is allocated: TooLarge above 4500 a side.
// WrongFormat for an unknown header, depth or compression; Damaged for a
// file cut short or a palette or pixel offset outside the file.
LoadResult decode_bmp(const uint8_t* data, size_t size, LayerImage& image);
LoadResult load_bmp_result(const std::string& path, LayerImage& image);

}  // namespace qm
