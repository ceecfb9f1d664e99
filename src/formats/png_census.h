#pragma once
// The colour census shared by the flat writers (PNG, BMP, GIF): the distinct
// colours of a picture, blue, green and red compared (alpha ignored), in the
// order of first appearance, at most 256.
//
// The order is that of the file formats' bottom-up row order: the bottom row
// first, each row left to right. It decides the palette order in every file
// we write, so it must not change.
#include <array>
#include <cstdint>
#include <vector>

#include "core/layer_image.h"

namespace qm {

inline constexpr int kMaxPaletteColours = 256;

struct ColourCensus {
  // 0x00RRGGBB, in order of first appearance.
  std::vector<uint32_t> colours;
  // A 257th colour was found; `colours` then holds the first 256.
  bool too_many = false;
};

// Returns the census of `image`; an empty image gives an empty census.
ColourCensus take_colour_census(const LayerImage& image);

// Maps a colour to its palette index as a linear search of the palette would
// (the first equal entry; 0 for a colour not in the palette), in constant time.
class PaletteIndex {
 public:
  explicit PaletteIndex(const std::vector<uint32_t>& palette);
  uint8_t operator()(uint32_t rgb) const;

 private:
  static constexpr int kSlots = 1024;  // a power of two, four times the largest palette
  std::array<uint32_t, kSlots> keys_{};
  std::array<int16_t, kSlots> index_{};  // −1: empty slot
};

}  // namespace qm
