#include "filters/render_filters.h"

namespace qm::filters {

std::span<const FilterAlgorithm> render_algorithms() {
  static constexpr FilterAlgorithm kTable[] = {
      {41013, lines},        {41014, tone},          {41015, checker},
      {41016, outer_outline}, {41017, frame_line},   {41018, random_dots},
      {41038, noise},        {41046, clouds_detailed}, {41049, inner_outline},
      {41820, clouds},       {41821, clouds_drawing_colours}, {41822, difference_clouds},
  };
  return kTable;
}

}  // namespace qm::filters
