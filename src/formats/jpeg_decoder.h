#pragma once
// JPEG reading through libjpeg-turbo (the TurboJPEG API): the picture
// decoder behind opening .jpg / .jpeg files and the JPEG thumbnails that
// other formats embed.
#include <cstddef>
#include <cstdint>

#include "core/layer_image.h"
#include "formats/load_result.h"

namespace qm {

// Decodes a JPEG in memory into an opaque picture. The size in the header is
// checked before anything is allocated (TooLarge above 4500 a side).
// WrongFormat when the data is not a JPEG the library can read (including
// colour spaces it cannot turn into RGB), Damaged when decoding fails after
// the header. Recoverable damage (a stream cut short) still gives the picture.
LoadResult decode_jpeg(const uint8_t* data, size_t size, LayerImage& image);

}  // namespace qm
