#pragma once
// The distortion, pixelate and stylise filters. Each follows the FilterCallback
// contract of filter_algorithm.h: it writes `dst` inside `rect` from `src`,
// which must be a different image unless said otherwise.
#include "filters/filter_algorithm.h"

namespace qm::filters {

// Menu command ids of the group.
enum DistortCommand : int {
  kCmdMosaic = 41019,
  kCmdCrystal = 41020,
  kCmdHalftone = 41021,
  kCmdWave = 41031,
  kCmdPolarCoordinates = 41032,
  kCmdRadialShift = 41033,
  kCmdShift = 41036,
  kCmdDiffuse = 41039,
  kCmdScratch = 41040,
  kCmdShakeBlur = 41041,
  kCmdOilPaint = 41043,
  kCmdFrame3d = 41044,
  kCmdRgbShift = 41047,
  kCmdEdging = 41050,
  kCmdGlow = 41051,
};

bool mosaic(const FilterArgs& a);
// Random: seed cells from shared_random().
bool crystal(const FilterArgs& a);
bool halftone(const FilterArgs& a);
bool wave(const FilterArgs& a);
bool polar_coordinates(const FilterArgs& a);
// Random: one offset per degree from shared_random().
bool radial_shift(const FilterArgs& a);
bool shift(const FilterArgs& a);
// Random: two numbers per pixel from shared_random().
bool diffuse(const FilterArgs& a);
// Random: two numbers per pixel from shared_random(). Needs a temporary image
// of the rectangle's size.
bool scratch(const FilterArgs& a);
bool shake_blur(const FilterArgs& a);
bool oil_paint(const FilterArgs& a);
// Works in place: `src` may be `dst`.
bool frame_3d(const FilterArgs& a);
bool rgb_shift(const FilterArgs& a);
// The reference layer comes from env.document (the source stands in without
// a document). Needs a temporary image of the rectangle's size.
bool edging(const FilterArgs& a);
// Needs two temporary images (its own and the blur's) of the rectangle and
// the blur's reach around it.
bool glow(const FilterArgs& a);

}  // namespace qm::filters
