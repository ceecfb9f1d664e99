#pragma once
// GIF: our own writer (single frame, global palette, LZW with an
// open-addressing hash table) and reader (first frame only), and the
// median-cut colour reduction used when a picture has more than 256 colours.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "formats/load_picture.h"
#include "formats/load_result.h"

namespace qm {

// Reduces the picture to at most 256 colours in place (median cut over a
// 64 × 64 × 32 histogram, eight levels deep). Alpha is left as it is.
// Returns the palette, 0xRRGGBB, in the order the boxes were cut.
std::vector<uint32_t> reduce_colours(LayerImage& image);

// The GIF LZW stream of `count` palette indices with the given minimum code
// size (2 … 8), as sub-blocks of at most 255 bytes followed by the zero
// block, appended to `out`.
void lzw_encode(const uint8_t* indices, size_t count, int min_code_size, std::vector<uint8_t>& out);

// Appends a whole GIF file to `out`. Reduces `image` in place first when it
// has more than 256 colours. False for an empty image or one wider or taller
// than 65535.
bool encode_gif(LayerImage& image, std::optional<uint32_t> transparent, std::vector<uint8_t>& out);
bool SaveGif(const std::string& path, LayerImage& image, std::optional<uint32_t> transparent);

// Decodes the first frame of a GIF in memory onto its logical screen, which
// is filled with the background index first. Opaque pixels; the colour of
// the transparent index is reported as `info->transparent`. An index beyond
// the palette takes the background colour, or black when that is beyond it
// too. Image data cut short leaves the rest as background.
LoadResult decode_gif(const uint8_t* data, size_t size, LayerImage& image, PictureInfo* info);
LoadResult load_gif_result(const std::string& path, LayerImage& image, PictureInfo* info);
bool LoadGif(const std::string& path, LayerImage& image, PictureInfo* info = nullptr);

}  // namespace qm
