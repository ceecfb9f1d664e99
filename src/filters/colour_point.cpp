// The per-pixel colour filters that need no conversion to another model.
#include <algorithm>

#include "filters/colour_loop.h"

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
  const ByteTable t = contrast_table(std::clamp(a.values.numeric[1], -100, 100));
  const int brightness = std::clamp(a.values.numeric[0], -255, 255);
  // The three sums of the YCbCr conversion by table: each channel's share of
  // Y, Cr + 32768 and Cb + 32768 packed in 21-bit fields of one integer, so
  // three lookups and two additions give all three. The totals lie in
  // 0 … 2^21, which keeps the fields apart; the bias is a multiple of 256,
  // which keeps the rounding of the shifts. Same bits as brightness_pixel().
  constexpr int64_t kField = int64_t{1} << 21;
  auto pack = [&](int y, int cr, int cb) { return y + cr * kField + cb * kField * kField; };
  int64_t share_b[256], share_g[256], share_r[256];
  int red_from_cr[256], blue_from_cb[256];
  for (int i = 0; i < 256; ++i) {
    const int b = t[size_t(i)], g = b, r = b;
    share_b[i] = pack(29 * b, -21 * b + 32768, 128 * b + 32768);
    share_g[i] = pack(150 * g, -107 * g, -85 * g);
    share_r[i] = pack(77 * r, 128 * r, -43 * r);
    red_from_cr[i] = (359 * i - 45952) >> 8;
    blue_from_cb[i] = (454 * i - 58112) >> 8;
  }
  map_opaque_pixels_reusing(a, [&](Pixel p) {
    const int64_t sums = share_b[blue_of(p)] + share_g[green_of(p)] + share_r[red_of(p)];
    const int y = int((sums & (kField - 1)) >> 8) + brightness;
    const int cr = int(((sums >> 21) & (kField - 1)) >> 8);
    const int cb = int((sums >> 42) >> 8);
    return with_rgb(p, clamp_byte(y + red_from_cr[cr]), clamp_byte(y - ((183 * cr + 88 * cb - 34688) >> 8)),
                    clamp_byte(y + blue_from_cb[cb]));
  });
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
  map_opaque_pixels(a, [](Pixel p) {
    const uint32_t y = uint32_t(colour_luma(red_of(p), green_of(p), blue_of(p)));
    return with_rgb(p, y, y, y);
  });
  return true;
}

bool sepia(const FilterArgs& a) {
  map_opaque_pixels(a, [](Pixel p) {
    const int s = 77 * red_of(p) + 150 * green_of(p) + 29 * blue_of(p);
    const int y = s >> 8;
    return with_rgb(p, s < 57856 ? uint32_t(y + 30) : 255u, uint32_t(y),
                    s >= 3840 ? uint32_t(y - 15) : 0u);
  });
  return true;
}

bool two_colour_tint(const FilterArgs& a) {
  const uint32_t f = a.env.drawing_colour, k = a.env.other_colour;
  // Per channel: F + (K − F) × Y / 255, indexed by the luma.
  ByteTable tr{}, tg{}, tb{};
  auto ramp = [](ByteTable& t, int from, int to) {
    for (int y = 0; y < 256; ++y) t[y] = uint8_t(from + (to - from) * y / 255);
  };
  ramp(tr, int(f >> 16 & 255), int(k >> 16 & 255));
  ramp(tg, int(f >> 8 & 255), int(k >> 8 & 255));
  ramp(tb, int(f & 255), int(k & 255));
  const ShiftedTable table(tr, tg, tb);
  map_opaque_pixels(a, [&](Pixel p) {
    const int y = colour_luma(red_of(p), green_of(p), blue_of(p));
    return (p & 0xFF000000u) | table.r[y] | table.g[y] | table.b[y];
  });
  return true;
}

bool threshold(const FilterArgs& a) {
  const int t = std::clamp(a.values.numeric[0], 1, 255);
  map_opaque_pixels(a, [t](Pixel p) {
    return colour_luma(red_of(p), green_of(p), blue_of(p)) >= t ? p | 0x00FFFFFFu : p & 0xFF000000u;
  });
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
