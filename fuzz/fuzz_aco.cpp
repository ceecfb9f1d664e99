#include "formats/palette_store.h"
#include "fuzz_picture.h"

// Palette import chooses its reader by extension, like picture loading.
bool qm_fuzz_one(const uint8_t* data, size_t size) {
  qm::PaletteStore store;
  return qm::ImportPalette(qm::fuzz::picture_path(data, size, "aco"), store, 0);
}
