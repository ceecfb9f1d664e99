#pragma once
// A plain PNG writer for the CLI's flattened output: 8-bit truecolour (RGB,
// or RGBA with alpha), no filtering, written through SafeWriter. The full
// PNG codec of formats/ (palette choice, colour census) supersedes it.
#include <string>

#include "core/layer_image.h"

namespace qm::cli {

// `level`: zlib level 0 … 9. False when the file cannot be written; a
// previous file at `path` is then unchanged.
bool write_flat_png(const std::string& path, const LayerImage& image, bool with_alpha, int level);

}  // namespace qm::cli
