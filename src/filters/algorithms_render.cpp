#include "filters/filter_algorithm.h"

namespace qm::filters {

std::span<const FilterAlgorithm> render_algorithms() { return {}; }

}  // namespace qm::filters
