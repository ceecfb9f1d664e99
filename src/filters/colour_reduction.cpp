// Colour Reduction: the GIF writer's quantiser over the whole layer, opaque
// pixels only.
#include <algorithm>

#include "filters/colour_filters.h"
#include "formats/colour_quantiser.h"

namespace qm::filters {

bool colour_reduction(const FilterArgs& a) {
  const int depth = std::clamp(a.values.list[0], 0, 7) + 1;
  return reduce_colours_to(a.dst, depth, true, a.progress);
}

}  // namespace qm::filters
