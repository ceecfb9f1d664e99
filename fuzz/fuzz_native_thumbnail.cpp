#include "formats/native_document.h"
#include "fuzz_target.h"

bool qm_fuzz_one(const uint8_t* data, size_t size) {
  qm::LayerImage image;
  return qm::LoadNativeThumbnail(qm::fuzz::bytes_as_file(data, size), image);
}
