#pragma once
// Scan-line flood fill over a reference raster. The region is the pixels
// 4-connected to the seed that pass the region test; it is reported as
// horizontal spans, each exactly once. Pending spans wait in a growable list,
// and visited pixels are tracked apart from whatever the spans are written
// to, so the fill ends whatever its writes do (masked, density 0 …).
#include <cstdint>
#include <functional>
#include <vector>

#include "core/layer_image.h"
#include "core/rect.h"
#include "paint/point.h"

namespace qm {

enum class RegionTest : uint8_t {
  SameValue,  // the pixel's 32-bit value equals the seed's exactly
  Opaque,     // the pixel's alpha is not 0
};

// One byte per pixel of the raster, 1 where the region lies once the fill is
// done. Kept between fills so its memory is reused; `marked` bounds every
// non-zero byte, so the next fill clears that box alone.
struct RegionMap {
  int width = 0, height = 0;
  std::vector<uint8_t> inside;
  Rect marked;

  bool at(int x, int y) const { return inside[size_t(y) * size_t(width) + size_t(x)] != 0; }
};

// Called once per span: pixels x … x + n − 1 of row y.
using SpanSink = std::function<void(int x, int y, int n)>;

// Fills `map` (resized to the raster and cleared) with the region of `seed`
// and hands every span to `sink` (may be empty). Returns the bounding
// rectangle of the region; empty when the seed lies outside or fails the test.
Rect flood_fill(const LayerImage& reference, IntPoint seed, RegionTest test, RegionMap& map,
                const SpanSink& sink);

}  // namespace qm
