// HSV Adjust: through the integer HSV model and back.
#include <algorithm>

#include "core/colour.h"
#include "filters/colour_loop.h"

namespace qm::filters {

bool hsv_adjust(const FilterArgs& a) {
  const int dh = std::clamp(a.values.numeric[0], -180, 180);
  const int ds = std::clamp(a.values.numeric[1], -255, 255);
  const int dv = std::clamp(a.values.numeric[2], -255, 255);
  map_opaque_pixels(a, [=](Pixel p) {
    Hsv c = rgb_to_hsv(p & 0xFFFFFF);
    int h = c.h + dh;
    if (h < 0) h += 360;
    else if (h >= 360) h -= 360;
    return (p & 0xFF000000u) |
           hsv_to_rgb(h, std::clamp(c.s + ds, 0, 255), std::clamp(c.v + dv, 0, 255));
  });
  return true;
}

}  // namespace qm::filters
