#pragma once
// The transparent-run code that undo records pack pixels with.
//
// The pixels of a rectangle, rows top to bottom and pixels left to right, with
// runs continuing from one row into the next:
//   a pixel with alpha ≠ 0        → 4 bytes A, R, G, B
//   1 … 255 transparent pixels    → 2 bytes 0, n (a run closes at 255)
// Decoding writes kTransparent for every transparent pixel: the colour of a
// transparent pixel is not kept.
#include <cstddef>
#include <cstdint>

#include "core/layer_image.h"
#include "core/rect.h"
#include "document/undo_bytes.h"

namespace qm {

// Exactly the number of bytes run_code_write produces for `r`, which lies
// inside the image (0 when it does not).
uint64_t run_code_size(const LayerImage& image, Rect r);

// Packs `r` into `out`; false when `r` is not inside the image or `out`
// failed (for instance because it was given less room than run_code_size).
bool run_code_write(const LayerImage& image, Rect r, ByteWriter& out);

// True when `data` is exactly the code of `pixel_count` pixels: no truncated
// pixel, no empty run, no pixel too many or too few.
bool run_code_check(const uint8_t* data, size_t size, uint64_t pixel_count);

// Unpacks checked code into `r` of the image (nothing outside `r` or past
// the data is ever touched, whatever the data holds).
void run_code_read(const uint8_t* data, size_t size, LayerImage& image, Rect r);

}  // namespace qm
