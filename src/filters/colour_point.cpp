// The per-pixel colour filters that need no conversion to another model.
#include <algorithm>

#include "filters/colour_loop.h"
#include "filters/colour_vector.h"

namespace qm::filters {
namespace {

inline uint32_t clamp_byte(int v) { return uint32_t(std::clamp(v, 0, 255)); }
inline Pixel with_rgb(Pixel p, uint32_t r, uint32_t g, uint32_t b) {
  return (p & 0xFF000000u) | r << 16 | g << 8 | b;
}

}  // namespace

uint32_t brightness_pixel(const ByteTable& t, int brightness, uint32_t p) {
  const int b = t[blue_of(p)], g = t[green_of(p)], r = t[red_of(p)];
  // The program's integer YCbCr; shifts of negative values round down.
  const int y = ((29 * b + 77 * r + 150 * g) >> 8) + brightness;
  const int cr = ((128 * r - 21 * b - 107 * g) >> 8) + 128;
  const int cb = ((128 * b - 43 * r - 85 * g) >> 8) + 128;
  return with_rgb(p, clamp_byte(y + ((359 * cr - 45952) >> 8)),
                  clamp_byte(y - ((183 * cr + 88 * cb - 34688) >> 8)),
                  clamp_byte(y + ((454 * cb - 58112) >> 8)));
}

bool brightness_contrast(const FilterArgs& a) {
  const ShiftedTable contrast(contrast_table(std::clamp(a.values.numeric[1], -100, 100)));
  vector::brightness(a, contrast, std::clamp(a.values.numeric[0], -255, 255));
  return true;
}

bool gamma(const FilterArgs& a) {
  map_through_table(a, gamma_table(std::clamp(a.values.numeric[0], 10, 400)));
  return true;
}

bool levels(const FilterArgs& a) {
  auto v = [&](int i) { return std::clamp(a.values.numeric[size_t(i)], 0, 255); };
  map_through_table(a, levels_table(v(0), v(1), v(2), v(3), v(4)));
  return true;
}

bool posterise(const FilterArgs& a) {
  map_through_table(a, posterise_table(std::clamp(a.values.numeric[0], 2, 128)));
  return true;
}

bool rgb_adjust(const FilterArgs& a) {
  ByteTable tr{}, tg{}, tb{};
  const int dr = std::clamp(a.values.numeric[0], -255, 255);
  const int dg = std::clamp(a.values.numeric[1], -255, 255);
  const int db = std::clamp(a.values.numeric[2], -255, 255);
  for (int i = 0; i < 256; ++i) {
    tr[i] = uint8_t(clamp_byte(i + dr));
    tg[i] = uint8_t(clamp_byte(i + dg));
    tb[i] = uint8_t(clamp_byte(i + db));
  }
  const ShiftedTable table(tr, tg, tb);
  map_opaque_pixels(a, [&](Pixel p) { return table(p); });
  return true;
}

bool negative(const FilterArgs& a) {
  map_opaque_pixels(a, [](Pixel p) { return p ^ 0x00FFFFFFu; });
  return true;
}

bool greyscale(const FilterArgs& a) {
  vector::greyscale(a);
  return true;
}

bool sepia(const FilterArgs& a) {
  vector::sepia(a);
  return true;
}

bool two_colour_tint(const FilterArgs& a) {
  const uint32_t f = a.env.drawing_colour, k = a.env.other_colour;
  // Per channel: F + (K − F) × Y / 255, indexed by the luma.
  auto ramp = [](int y, uint32_t from, uint32_t to) {
    return uint32_t(int(from) + (int(to) - int(from)) * y / 255);
  };
  uint32_t table[256];
  for (int y = 0; y < 256; ++y)
    table[y] = ramp(y, f >> 16 & 255, k >> 16 & 255) << 16 | ramp(y, f >> 8 & 255, k >> 8 & 255) << 8 |
               ramp(y, f & 255, k & 255);
  vector::tint(a, table);
  return true;
}

bool threshold(const FilterArgs& a) {
  vector::threshold(a, std::clamp(a.values.numeric[0], 1, 255));
  return true;
}

bool replace_colour(const FilterArgs& a) {
  const uint32_t from = a.env.drawing_colour & 0xFFFFFF;
  const uint32_t to = clamp_byte(a.values.numeric[0]) << 16 | clamp_byte(a.values.numeric[1]) << 8 |
                      clamp_byte(a.values.numeric[2]);
  map_opaque_pixels(a, [=](Pixel p) { return (p & 0xFFFFFF) == from ? (p & 0xFF000000u) | to : p; });
  return true;
}

}  // namespace qm::filters
