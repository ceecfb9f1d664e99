#include "document/layer.h"

#include <algorithm>

namespace qm {

std::string fit_utf8_bytes(const std::string& text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t end = max_bytes;
  // Step back over UTF-8 continuation bytes so no character is split.
  while (end > 0 && (uint8_t(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string fit_layer_name(const std::string& name) {
  size_t chars = 0, end = 0;
  while (end < name.size()) {
    if (chars == kLayerNameChars) break;
    ++end;
    // Continuation bytes belong to the character before them.
    while (end < name.size() && (uint8_t(name[end]) & 0xC0) == 0x80) ++end;
    ++chars;
  }
  return name.substr(0, std::min(end, kLayerNameUtf8Bytes));
}

}  // namespace qm
