#include "filters/filter_algorithm.h"

namespace qm::filters {

std::span<const FilterAlgorithm> blur_algorithms() { return {}; }

}  // namespace qm::filters
