// Alpha operations and operating with another layer: per-pixel, in place,
// over the target rectangle of the current layer. Whenever alpha becomes 0
// the colour becomes white.
#include <algorithm>

#include "document/document.h"
#include "filters/filter_algorithm.h"

namespace qm::filters {

namespace {

constexpr Pixel kRgbMask = 0x00FFFFFF;

int luma_of(Pixel p) { return (77 * red_of(p) + 150 * green_of(p) + 29 * blue_of(p)) >> 8; }

// dst = f(src) over the rectangle; dst and src may be the same image.
template <typename F>
void per_pixel(const FilterArgs& a, F f) {
  for (int y = a.rect.y; y < a.rect.bottom(); ++y) {
    const Pixel* s = a.src.row(y);
    Pixel* d = a.dst.row(y);
    for (int x = a.rect.x; x < a.rect.right(); ++x) d[x] = f(s[x], x, y);
  }
}

Pixel with_alpha(Pixel p, int alpha) {
  return alpha == 0 ? kTransparent : (Pixel(alpha) << 24 | (p & kRgbMask));
}

bool operate_with_layer(const FilterArgs& a) {
  const Document* doc = a.env.document;
  const Layer* other = doc ? doc->layer_at(a.values.list[0]) : nullptr;
  if (!other || other->image.width() != a.src.width() || other->image.height() != a.src.height())
    return true;  // no such layer: nothing to do
  const LayerImage& o = other->image;
  const int op = a.values.list[1];
  per_pixel(a, [&](Pixel p, int x, int y) {
    const int va = alpha_of(p);
    const Pixel q = o.row(y)[x];
    const int b = alpha_of(q);
    int n = va;
    switch (op) {
      case 0: n = b != 0 ? va : 0; break;
      case 1: n = b != 0 ? 0 : va; break;
      case 2: n = b; break;
      case 3: n = std::min(va + b, 255); break;
      case 4: n = std::max(va - b, 0); break;
      case 5: n = (va * b + 127) / 255; break;
      case 6: n = luma_of(q); break;
      case 7: n = 255 - luma_of(q); break;
      default: return p;
    }
    return with_alpha(p, n);
  });
  return true;
}

Pixel rgb(uint32_t colour) { return colour & kRgbMask; }

bool colour_operation(const FilterArgs& a, int mode) {
  const Pixel f = rgb(a.env.drawing_colour), k = rgb(a.env.other_colour);
  per_pixel(a, [&](Pixel p, int, int) {
    const bool opaque = alpha_of(p) != 0;
    const bool is_f = (p & kRgbMask) == f;
    switch (mode) {
      case 0: return opaque && is_f ? kTransparent : p;
      case 1: return opaque && !is_f ? kTransparent : p;
      case 2: return opaque ? p : (0xFF000000 | f);
      default: return opaque && is_f ? ((p & 0xFF000000) | k) : p;
    }
  });
  return true;
}

bool alpha_operation(const FilterArgs& a, int mode) {
  per_pixel(a, [&](Pixel p, int, int) {
    const int alpha = alpha_of(p);
    switch (mode) {
      case 0: return alpha != 0 ? with_alpha(p, 255 - luma_of(p)) : p;
      case 1: return alpha != 0 ? with_alpha(p, luma_of(p)) : p;
      case 2: return make_pixel(255, uint32_t(alpha), uint32_t(alpha), uint32_t(alpha));
      default: return 0xFF000000 | (p & kRgbMask);
    }
  });
  return true;
}

template <int Mode>
bool colour_op(const FilterArgs& a) { return colour_operation(a, Mode); }
template <int Mode>
bool alpha_op(const FilterArgs& a) { return alpha_operation(a, Mode); }

constexpr FilterAlgorithm kAlgorithms[] = {
    {41012, operate_with_layer},
    {41800, colour_op<0>},
    {41801, colour_op<1>},
    {41802, colour_op<2>},
    {41803, colour_op<3>},
    {41810, alpha_op<0>},
    {41811, alpha_op<1>},
    {41812, alpha_op<2>},
    {41813, alpha_op<3>},
};

}  // namespace

std::span<const FilterAlgorithm> alpha_algorithms() { return kAlgorithms; }

}  // namespace qm::filters
