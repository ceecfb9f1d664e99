#include "filters/filter_algorithm.h"

namespace qm::filters {

std::span<const FilterAlgorithm> colour_algorithms() { return {}; }

}  // namespace qm::filters
