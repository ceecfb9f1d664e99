#pragma once
// The palette store: up to 10 palettes of exactly 1024 colours, and its
// files: the store file palette.dat (magic "QMKPLD"), single palettes as
// .qml (magic "QMKPAL"), Adobe colour swatches (.aco) for import, and
// palettes made from a picture.
//
// Colours are 0x00RRGGBB; white marks an unused cell. Files are
// little-endian with the colours as bytes B, G, R, 0 (.aco is big-endian).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/layer_image.h"
#include "formats/binary_file.h"

namespace qm {

inline constexpr int kPaletteColours = 1024;
inline constexpr int kMaxPalettes = 10;
inline constexpr uint32_t kPaletteUnused = 0x00FFFFFF;
inline constexpr std::string_view kPaletteStoreMagic = "QMKPLD";
inline constexpr std::string_view kPaletteFileMagic = "QMKPAL";

using Palette = std::array<uint32_t, kPaletteColours>;

class PaletteStore {
 public:
  // One white palette, unmodified.
  PaletteStore();

  int count() const { return int(palettes_.size()); }
  Palette& palette(int index) { return palettes_[size_t(index)]; }
  const Palette& palette(int index) const { return palettes_[size_t(index)]; }
  bool valid_index(int index) const { return index >= 0 && index < count(); }

  // A new white palette at the end; false when the store is full.
  bool add_palette();
  // Removes one palette; the store always keeps at least one.
  bool remove_palette(int index);
  // Replaces every palette (1 … 10 of them; more are dropped, none leaves
  // one white palette).
  void assign(std::vector<Palette> palettes);
  // Sets every cell of a palette to white and marks the store modified.
  void clear(int index);

  bool modified() const { return modified_; }
  void set_modified(bool value) { modified_ = value; }

 private:
  std::vector<Palette> palettes_;
  bool modified_ = false;
};

Palette white_palette();

// Replaces the whole store from palette.dat; does nothing (false) when the
// file is missing or not a store file. The store is left unmodified.
bool LoadPaletteStore(const std::string& path, PaletteStore& store);
// Writes palette.dat through the safe-write helper when the store is
// modified (true with nothing written otherwise); clears the flag on success.
bool SavePaletteStore(const std::string& path, PaletteStore& store);

// Imports into palette `index` by extension (case-insensitive): "qml" or
// "aco". False for another extension, a file that cannot be opened, a wrong
// magic or version, or an index outside the store; the palette is then
// unchanged. A file cut short leaves the rest of the palette white.
bool ImportPalette(const std::string& path, PaletteStore& store, int index);
// Writes palette `index` as a .qml file through the safe-write helper.
bool ExportPalette(const std::string& path, const PaletteStore& store, int index);

// Fills palette `index` with the distinct colours of `picture` (alpha
// ignored) in buffer order, bottom row first, at most 1024; the rest white.
bool PaletteFromPicture(const LayerImage& picture, PaletteStore& store, int index);
// The same for a picture file of any kind LoadPicture reads; false, with the
// palette unchanged, when the file cannot be loaded.
bool palette_from_picture_file(const std::string& path, PaletteStore& store, int index);

// One .aco swatch as 0xRRGGBB. RGB takes the high bytes; HSB, CMYK, Lab and
// greyscale swatches are converted to RGB, other colour spaces read as RGB.
uint32_t aco_colour(uint16_t space, const uint16_t (&components)[4]);

namespace palette_detail {
// Reads up to `n` (≤ 1024) colours into the start of `palette`; what a file
// cut short does not reach keeps its value.
void read_colours(BinaryFile& f, Palette& palette, size_t n);
bool write_colours(BinaryFile& f, const Palette& palette);
}  // namespace palette_detail

}  // namespace qm
