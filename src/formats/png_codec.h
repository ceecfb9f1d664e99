#pragma once
// PNG: our own writer (it picks the smallest fitting colour type by itself)
// and our own reader (every colour type and bit depth, Adam7, tRNS).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "formats/load_picture.h"
#include "formats/load_result.h"

namespace qm {

struct PngSaveOptions {
  int level = 6;       // zlib level 0 … 9 (−1 means 6)
  bool alpha = false;  // 32-bit with alpha (colour type 6)
  // Written as tRNS for colour types 2 and 3, 0xRRGGBB.
  std::optional<uint32_t> transparent;
  std::optional<int> dpi;  // written as pHYs
};

// The colour type the writer chooses: 6 with alpha, else 3 for 1 … 256
// colours and 2 for more.
int choose_png_colour_type(const LayerImage& image, bool alpha);

// Appends a whole PNG file to `out`. False for an empty image or a zlib error.
bool encode_png(const LayerImage& image, const PngSaveOptions& options, std::vector<uint8_t>& out);

// Writes `path` through the safe-write helper.
bool SavePng(const std::string& path, const LayerImage& image, int level, bool alpha,
             std::optional<uint32_t> transparent, std::optional<int> dpi = std::nullopt);

// Decodes a PNG held in memory into a new `image` (top row first, 0xAARRGGBB).
// Grey, RGB, palette, grey + alpha and RGBA at every legal bit depth; 16-bit
// samples become round(v × 255 / 65535). A tRNS with one fully transparent
// palette entry, or a grey or RGB key, is reported as `info->transparent`
// with the pixels left opaque; other palette alpha becomes per-pixel alpha.
// Pixels with alpha 0 in a file with alpha are made white. Results:
// WrongFormat (signature, impossible header), TooLarge (a side above 4500),
// Damaged (truncated, bad CRC, corrupt data), OutOfMemory.
LoadResult decode_png(const uint8_t* data, size_t size, LayerImage& image, PictureInfo* info);

LoadResult load_png_result(const std::string& path, LayerImage& image, PictureInfo* info);
bool LoadPng(const std::string& path, LayerImage& image, PictureInfo* info = nullptr);

}  // namespace qm
