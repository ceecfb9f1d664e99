#pragma once
// Loading any supported file as one picture, the decoder chosen by the file
// name's extension (the content is not examined): PNG and GIF by our own
// decoders, BMP by our own bounded reader, JPEG by libjpeg-turbo, and the
// layered formats by the thumbnails they store.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "formats/load_result.h"

namespace qm {

// Largest side of a picture any of our decoders accepts: a picture becomes a
// document, a layer or a floating selection, none of which may be larger.
inline constexpr int kMaxPictureSide = kMaxCanvasSide;

// What the open flow keeps from a loaded picture as the defaults of the next
// PNG or GIF save.
struct PictureInfo {
  // The file carried per-pixel alpha (PNG with an alpha channel or partial
  // palette alpha).
  bool had_alpha = false;
  // The file's transparent colour, 0xRRGGBB.
  std::optional<uint32_t> transparent;
};

// Reads a whole file into `out`. CannotOpen when it cannot be opened or read,
// TooLarge when it holds more than `max_bytes`.
LoadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                         uint64_t max_bytes = uint64_t(kMaxRasterBytes));

// The extension after the last dot of the file name, in lower case ("" when none).
std::string PictureExtension(const std::string& path);

// Loads `path` into `image` by its extension: bmp, png, gif, jpg, jpeg, qmd,
// lfw (psd reports WrongFormat until its thumbnail reader exists). `info` is
// reset first. Any other extension gives WrongFormat. On failure `image` is
// left empty.
LoadResult LoadPictureResult(const std::string& path, LayerImage& image, PictureInfo* info);

// The same as a success flag.
bool LoadPicture(const std::string& path, LayerImage& image, PictureInfo* info = nullptr);

}  // namespace qm
