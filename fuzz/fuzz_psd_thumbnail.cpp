#include "formats/psd_document.h"
#include "fuzz_target.h"

bool qm_fuzz_one(const uint8_t* data, size_t size) {
  qm::LayerImage image;
  const bool ok = qm::LoadPsdThumbnail(qm::fuzz::bytes_as_file(data, size), image);
  // A thumbnail is whole: touch its last pixel so a short buffer shows.
  if (ok && image.pixel_count() > 0) {
    volatile qm::Pixel last = image.pixels()[image.pixel_count() - 1];
    (void)last;
  }
  return ok;
}
