#include "filters/distort_filters.h"

namespace qm::filters {

std::span<const FilterAlgorithm> distort_algorithms() {
  static constexpr FilterAlgorithm kTable[] = {
      {kCmdMosaic, mosaic},
      {kCmdCrystal, crystal},
      {kCmdHalftone, halftone},
      {kCmdWave, wave},
      {kCmdPolarCoordinates, polar_coordinates},
      {kCmdRadialShift, radial_shift},
      {kCmdShift, shift},
      {kCmdDiffuse, diffuse},
      {kCmdScratch, scratch},
      {kCmdShakeBlur, shake_blur},
      {kCmdOilPaint, oil_paint},
      {kCmdFrame3d, frame_3d},
      {kCmdRgbShift, rgb_shift},
      {kCmdEdging, edging},
      {kCmdGlow, glow},
  };
  return kTable;
}

}  // namespace qm::filters
