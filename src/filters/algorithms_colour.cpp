#include "filters/colour_filters.h"

namespace qm::filters {

std::span<const FilterAlgorithm> colour_algorithms() {
  static constexpr FilterAlgorithm kTable[] = {
      {41000, brightness_contrast}, {41001, gamma},     {41002, levels},
      {41003, rgb_adjust},          {41004, hsv_adjust}, {41005, negative},
      {41006, greyscale},           {41007, sepia},     {41008, two_colour_tint},
      {41009, threshold},           {41010, colour_reduction}, {41011, replace_colour},
      {41045, posterise},
  };
  return kTable;
}

}  // namespace qm::filters
