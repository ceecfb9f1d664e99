#include "formats/native_document.h"
#include "fuzz_target.h"

bool qm_fuzz_one(const uint8_t* data, size_t size) {
  // Full-size canvases are fine; a hundred of them would only measure memory.
  qm::LoadLimits limits;
  limits.max_pixel_bytes = uint64_t{256} << 20;
  qm::Document doc;
  return qm::LoadNativeDocument(qm::fuzz::bytes_as_file(data, size), doc, nullptr, limits) ==
         qm::LoadResult::Success;
}
