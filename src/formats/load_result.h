#pragma once
// The result of every document loader. The numbers are part of the program's
// messages and of the CLI's exit codes, so they never change.
#include <cstdint>
#include <string_view>

namespace qm {

enum class LoadResult : uint8_t {
  Success = 0,
  TooLarge = 1,     // canvas wider or taller than 4500
  CannotOpen = 2,   // the file cannot be opened
  WrongFormat = 3,  // not this format (magic, version, impossible header)
  OutOfMemory = 4,  // the canvas or a layer cannot be created, or too many layers
  Damaged = 5,      // the data is cut short or corrupt
};

// A short English description, for the CLI and logs.
std::string_view load_result_text(LoadResult result);

// Bounds a loader enforces before it allocates. The defaults are the
// program's own limits; a caller that must stay small (a fuzzer, a preview)
// lowers them. Exceeding a side gives TooLarge, the rest OutOfMemory.
struct LoadLimits {
  int max_side = 4500;
  int max_layers = 100;
  // Pixel bytes of the document (its work rasters and layers); 0: no bound.
  uint64_t max_pixel_bytes = 0;

  // Whether a w × h document of `layers` layers stays within max_pixel_bytes.
  bool allows_pixels(int width, int height, int layers) const {
    if (max_pixel_bytes == 0) return true;
    // Three canvas-sized work rasters come with every document.
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4 * uint64_t(layers + 3);
    return bytes <= max_pixel_bytes;
  }
};

}  // namespace qm
