#include "formats/palette_store.h"
#include "fuzz_target.h"

bool qm_fuzz_one(const uint8_t* data, size_t size) {
  qm::PaletteStore store;
  const bool ok = qm::LoadPaletteStore(qm::fuzz::bytes_as_file(data, size), store);
  // Whatever the file said, the store holds 1 … 10 palettes.
  if (store.count() < 1 || store.count() > qm::kMaxPalettes) __builtin_trap();
  return ok;
}
