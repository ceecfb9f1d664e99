#include "filters/filter_algorithm.h"

namespace qm::filters {

std::span<const FilterAlgorithm> distort_algorithms() { return {}; }

}  // namespace qm::filters
