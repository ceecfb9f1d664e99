#pragma once
// The packed picture record of the built-in icon sheet: 16-bit width, 16-bit
// height, 32-bit byte count of the compressed data (all little-endian), then
// a zlib stream that inflates to exactly the 24-bit pixel memory of a
// DibImage of that size, stride × height bytes, bottom row first.
#include <cstddef>
#include <cstdint>

#include "core/dib_image.h"

namespace qm {

// Creates `image` from the record. False (image left empty) for a record cut
// short, a zero or oversized side, or data that does not inflate to exactly
// the pixel memory.
bool create_from_packed(DibImage& image, const uint8_t* record, size_t size);

}  // namespace qm
