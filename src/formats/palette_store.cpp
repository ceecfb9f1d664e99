#include "formats/palette_store.h"

#include <algorithm>

#include "formats/binary_file.h"
#include "formats/safe_write.h"

namespace qm {
namespace palette_detail {

void read_colours(BinaryFile& f, Palette& palette, size_t n) {
  uint8_t bytes[4 * kPaletteColours];
  const size_t got = f.read(bytes, n * 4) / 4;
  for (size_t i = 0; i < got; ++i)
    palette[i] = (uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8 |
                  uint32_t(bytes[4 * i + 2]) << 16) & 0x00FFFFFFu;
}

bool write_colours(BinaryFile& f, const Palette& palette) {
  uint8_t bytes[4 * kPaletteColours];
  for (size_t i = 0; i < palette.size(); ++i) {
    const uint32_t c = palette[i];
    bytes[4 * i] = uint8_t(c);
    bytes[4 * i + 1] = uint8_t(c >> 8);
    bytes[4 * i + 2] = uint8_t(c >> 16);
    bytes[4 * i + 3] = 0;
  }
  return f.write(bytes, sizeof bytes);
}

}  // namespace palette_detail

using palette_detail::read_colours;
using palette_detail::write_colours;

Palette white_palette() {
  Palette p;
  p.fill(kPaletteUnused);
  return p;
}

PaletteStore::PaletteStore() : palettes_(1, white_palette()) {}

bool PaletteStore::add_palette() {
  if (count() >= kMaxPalettes) return false;
  palettes_.push_back(white_palette());
  modified_ = true;
  return true;
}

bool PaletteStore::remove_palette(int index) {
  if (!valid_index(index) || count() <= 1) return false;
  palettes_.erase(palettes_.begin() + index);
  modified_ = true;
  return true;
}

void PaletteStore::assign(std::vector<Palette> palettes) {
  if (palettes.size() > size_t(kMaxPalettes)) palettes.resize(kMaxPalettes);
  // The panel always shows a palette: a store of none keeps one white one.
  if (palettes.empty()) palettes.push_back(white_palette());
  palettes_ = std::move(palettes);
}

void PaletteStore::clear(int index) {
  if (!valid_index(index)) return;
  palettes_[size_t(index)].fill(kPaletteUnused);
  modified_ = true;
}

bool LoadPaletteStore(const std::string& path, PaletteStore& store) {
  BinaryFile f;
  uint8_t version = 0, count = 0;
  if (!f.open_read(path) || !f.CheckMagic(kPaletteStoreMagic) || !f.read_u8(version) ||
      version != 0 || !f.read_u8(count))
    return false;
  std::vector<Palette> palettes;
  for (int i = 0; i < std::min<int>(count, kMaxPalettes); ++i) {
    uint16_t n = 0;
    // A file cut short keeps the palettes read so far.
    if (!f.read_u16(n)) break;
    palettes.push_back(white_palette());
    const size_t take = std::min<size_t>(n, kPaletteColours);
    read_colours(f, palettes.back(), take);
    if (!f.skip(int64_t(n - take) * 4)) break;
  }
  store.assign(std::move(palettes));
  store.set_modified(false);
  return true;
}

bool SavePaletteStore(const std::string& path, PaletteStore& store) {
  if (!store.modified()) return true;
  const bool ok = safe_write(path, [&](BinaryFile& f) {
    if (!f.write_string(kPaletteStoreMagic) || !f.write_u8(0) || !f.write_u8(uint8_t(store.count())))
      return false;
    for (int i = 0; i < store.count(); ++i)
      if (!f.write_u16(kPaletteColours) || !write_colours(f, store.palette(i))) return false;
    return true;
  });
  if (ok) store.set_modified(false);
  return ok;
}

bool ExportPalette(const std::string& path, const PaletteStore& store, int index) {
  if (!store.valid_index(index)) return false;
  return safe_write(path, [&](BinaryFile& f) {
    return f.write_string(kPaletteFileMagic) && f.write_u8(0) && f.write_u16(kPaletteColours) &&
           write_colours(f, store.palette(index));
  });
}

}  // namespace qm
