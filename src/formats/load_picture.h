#pragma once
// Loading any supported file as one picture, the decoder chosen by the file
// name's extension (the content is not examined): PNG and GIF by our own
// decoders, BMP by our own bounded reader, JPEG by libjpeg-turbo, and the
// layered formats by the thumbnails they store.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "document/document.h"
#include "formats/load_result.h"
#include "formats/mapped_input.h"

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

// A whole file's bytes, in a buffer the read writes first (a vector would
// clear tens of megabytes just before the read overwrites them), or mapped
// when the program has turned mapped input on (formats/mapped_input.h).
class FileBytes {
 public:
  const uint8_t* data() const { return mapped_.data() ? mapped_.data() : owned_.get(); }
  size_t size() const { return size_; }
  bool mapped() const { return mapped_.data() != nullptr; }
  bool allocate(size_t size);
  void clear() {
    owned_.reset();
    mapped_.reset();
    size_ = 0;
  }

 private:
  std::unique_ptr<uint8_t[]> owned_;
  MappedFile mapped_;
  size_t size_ = 0;
  friend LoadResult read_whole_file(const std::string&, FileBytes&, uint64_t);
};

// Reads a whole file into `out`. CannotOpen when it cannot be opened or read,
// TooLarge when it holds more than `max_bytes`, OutOfMemory when no buffer
// can be had.
LoadResult read_whole_file(const std::string& path, FileBytes& out,
                           uint64_t max_bytes = uint64_t(kMaxRasterBytes));

// The extension after the last dot of the file name, in lower case ("" when none).
std::string picture_extension(const std::string& path);

// Loads `path` into `image` by its extension: bmp, png, gif, jpg, jpeg, and
// the thumbnails of qmd, lfw and psd. `info` is reset first. Any other
// extension gives WrongFormat. On failure `image` is left empty.
LoadResult load_picture_result(const std::string& path, LayerImage& image, PictureInfo* info);

// The same as a success flag.
bool LoadPicture(const std::string& path, LayerImage& image, PictureInfo* info = nullptr);

// --- flat pictures as documents (the command-line tool, batch work) ----

// True for the extensions of the flat formats we write: png, bmp, gif, jpg, jpeg.
bool is_flat_picture_path(const std::string& path);

// Opens a picture as a new document of its size with one layer holding it.
// TooLarge when a side exceeds the canvas limit.
// `with_composite` false leaves the display composite unbuilt (for the
// command line, which never shows it).
LoadResult load_picture_document(const std::string& path, std::unique_ptr<Document>& out, PictureInfo* info,
                                 bool with_composite = true);

struct FlatSaveOptions {
  int png_level = 6;
  bool png_alpha = false;  // PNG only: flatten keeping alpha, write colour type 6
  std::optional<uint32_t> transparent;  // PNG (types 2 and 3) and GIF, 0xRRGGBB
  int jpeg_quality = 85;
  bool jpeg_subsample = false;
  int jpeg_density = 96;
};

// Flattens the visible layers (onto white, or with alpha for an alpha PNG)
// and writes the flat format of the path's extension. False for another
// extension or when writing fails (a previous file is then unchanged).
bool save_flat_picture(const std::string& path, const Document& doc, const FlatSaveOptions& options);

}  // namespace qm
