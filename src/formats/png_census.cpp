#include "formats/png_census.h"

namespace qm {
namespace {

inline uint32_t slot_of(uint32_t rgb, uint32_t mask) {
  // Multiplicative hash: neighbouring colours spread over the table.
  return (rgb * 0x9E3779B1u) >> 16 & mask;
}

}  // namespace

ColourCensus take_colour_census(const LayerImage& image) {
  ColourCensus census;
  if (image.empty()) return census;
  // A small open-addressed set beside the ordered list: the list keeps the
  // order of appearance, the set answers "seen before?" without a scan.
  constexpr uint32_t kMask = 1023;
  std::array<uint32_t, 1024> keys;
  std::array<bool, 1024> used{};
  census.colours.reserve(kMaxPaletteColours);
  uint32_t last = 0xFFFFFFFF;  // never a masked colour: alpha byte is stripped
  for (int y = image.height() - 1; y >= 0; --y) {
    const Pixel* row = image.row(y);
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t rgb = row[x] & 0x00FFFFFF;
      if (rgb == last) continue;  // runs of one colour are the common case
      last = rgb;
      uint32_t s = slot_of(rgb, kMask);
      while (used[s] && keys[s] != rgb) s = (s + 1) & kMask;
      if (used[s]) continue;
      if (int(census.colours.size()) == kMaxPaletteColours) {
        census.too_many = true;
        return census;
      }
      used[s] = true;
      keys[s] = rgb;
      census.colours.push_back(rgb);
    }
  }
  return census;
}

PaletteIndex::PaletteIndex(const std::vector<uint32_t>& palette) {
  index_.fill(-1);
  const size_t n = palette.size() < size_t(kMaxPaletteColours) ? palette.size() : kMaxPaletteColours;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t rgb = palette[i] & 0x00FFFFFF;
    uint32_t s = slot_of(rgb, kSlots - 1);
    while (index_[s] >= 0 && keys_[s] != rgb) s = (s + 1) & (kSlots - 1);
    if (index_[s] >= 0) continue;  // a duplicate entry: the first one wins
    keys_[s] = rgb;
    index_[s] = int16_t(i);
  }
}

uint8_t PaletteIndex::operator()(uint32_t rgb) const {
  rgb &= 0x00FFFFFF;
  uint32_t s = slot_of(rgb, kSlots - 1);
  while (index_[s] >= 0) {
    if (keys_[s] == rgb) return uint8_t(index_[s]);
    s = (s + 1) & (kSlots - 1);
  }
  return 0;
}

}  // namespace qm
