#include "paint/fill_reference.h"

#include <vector>

namespace qm {

uint8_t merge_reference_alpha(uint32_t a, uint32_t b) {
  const double x = a / 255.0, y = b / 255.0;
  return uint8_t((x + y - x * y) * 255 + 0.5);
}

const LayerImage* fill_reference(const Document& doc, bool use_flagged, LayerImage& scratch) {
  const Layer* current = doc.current();
  if (!current) return nullptr;
  std::vector<const LayerImage*> flagged;
  if (use_flagged)
    for (int i = 0; i < doc.layer_count(); ++i)
      if (const Layer* l = doc.layer_at(i); l && l->fill_reference()) flagged.push_back(&l->image);
  if (flagged.empty()) return &current->image;
  if (flagged.size() == 1) return flagged[0];
  if (!scratch.create(doc.width(), doc.height()) || !scratch.copy_from(*flagged[0])) return nullptr;
  for (size_t k = 1; k < flagged.size(); ++k) {
    const LayerImage& other = *flagged[k];
    for (int y = 0; y < scratch.height(); ++y) {
      Pixel* dst = scratch.row(y);
      const Pixel* src = other.row(y);
      for (int x = 0; x < scratch.width(); ++x)
        dst[x] = (Pixel(merge_reference_alpha(alpha_of(dst[x]), alpha_of(src[x]))) << 24) |
                 (dst[x] & 0xFFFFFF);
    }
  }
  return &scratch;
}

}  // namespace qm
