#include "document/layer.h"

namespace qm {

std::string fit_layer_name(const std::string& name) {
  constexpr size_t kMaxBytes = kLayerNameBytes - 1;
  if (name.size() <= kMaxBytes) return name;
  size_t end = kMaxBytes;
  // Step back over UTF-8 continuation bytes so no character is split.
  while (end > 0 && (uint8_t(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

}  // namespace qm
