#pragma once
// The names every format must bring back exactly, and what a reader that
// knows only the legacy 32-byte fields finds in them.
#include <cstdint>
#include <string>
#include <vector>

#include "document/document.h"

namespace qm::test {

struct NameCase {
  std::string name;
  // The bytes of the legacy field (CP932), or "" when the code page cannot
  // hold the name and only its mark keeps it whole.
  std::string legacy;
};

inline const std::vector<NameCase>& name_cases() {
  static const std::vector<NameCase> cases = {
      {"Layer 1", "Layer 1"},
      {"ﾚｲﾔｰ", "\xDA\xB2\xD4\xB0"},  // valid UTF-8 by accident
      {"一二三四五六七八九十百千万億兆",  // 15 kanji: 30 bytes in CP932
       "\x88\xEA\x93\xF1\x8E\x4F\x8E\x6C\x8C\xDC\x98\x5A\x8E\xB5\x94\xAA\x8B\xE3\x8F\x5C\x95\x53"
       "\x90\xE7\x96\x9C\x89\xAD\x92\x9B"},
      {"한글 이름", ""},
      {"線 \U0001F58A ペン", ""},
  };
  return cases;
}

// A small document whose layers, bottom first, carry the names.
inline std::unique_ptr<Document> document_with_names() {
  auto doc = std::make_unique<Document>();
  doc->new_canvas(3, 2, false);
  for (const NameCase& c : name_cases()) doc->create_layer(false)->name = c.name;
  return doc;
}

}  // namespace qm::test
