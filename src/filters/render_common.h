#pragma once
// Small pieces shared by the render filters.
#include <algorithm>

#include "filters/render_filters.h"
#include "paint/random.h"

namespace qm::filters {

inline uint32_t rand32() { return uint32_t(shared_random()()); }

// The colour lists "描画色" / "黒" / "白", as opaque pixels.
inline Pixel list_colour(const FilterEnvironment& env, int index) {
  switch (index) {
    case 1: return 0xFF000000u;
    case 2: return 0xFFFFFFFFu;
    default: return 0xFF000000u | (env.drawing_colour & 0xFFFFFF);
  }
}

// Previews draw into another image: start from the source's rectangle (an
// empty source, from a runner without a backup, means in place).
inline void copy_source_rect(const FilterArgs& a) {
  if (&a.dst != &a.src && !a.src.empty()) a.dst.blit_from(a.rect.x, a.rect.y, a.rect.w, a.rect.h, a.src, a.rect.x, a.rect.y);
}

}  // namespace qm::filters
