#include "formats/texture_library.h"
#include "fuzz_target.h"

bool qm_fuzz_one(const uint8_t* data, size_t size) {
  qm::TextureLibrary library;
  const bool ok = qm::LoadTextureLibrary(qm::fuzz::bytes_as_file(data, size), library, false);
  // Every record of a loaded library lies inside the buffer.
  size_t total = 0;
  for (int i = 0; i < library.count(); ++i) {
    const qm::LibraryTexture t = library.texture(i);
    if (t.width < 1 || t.height < 1 || t.width > qm::kMaxTextureSide || t.height > qm::kMaxTextureSide)
      __builtin_trap();
    total += 4 + size_t(t.width) * size_t(t.height);
    volatile uint8_t last = t.pixels[size_t(t.width) * size_t(t.height) - 1];
    (void)last;
  }
  if (total != library.byte_size()) __builtin_trap();
  return ok;
}
