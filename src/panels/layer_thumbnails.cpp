#include "panels/layer_thumbnails.h"

#include <algorithm>

namespace qm {

ThumbSize thumbnail_size(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  ThumbSize s;
  if (int64_t(width) * kThumbBoxH >= int64_t(height) * kThumbBoxW) {
    s.w = kThumbBoxW;
    s.h = int((int64_t(height) * kThumbBoxW + width / 2) / width);
  } else {
    s.h = kThumbBoxH;
    s.w = int((int64_t(width) * kThumbBoxH + height / 2) / height);
  }
  s.w = std::clamp(s.w, 1, kThumbBoxW);
  s.h = std::clamp(s.h, 1, kThumbBoxH);
  return s;
}

namespace {

// Light greys 200 and 232 in 4-pixel cells.
uint32_t checker(int x, int y) { return ((x >> 2) + (y >> 2)) & 1 ? 232 : 200; }

uint32_t over_checker(uint32_t p, int x, int y) {
  const uint32_t a = p >> 24;
  const uint32_t g = checker(x, y);
  auto mix = [&](int shift) {
    const uint32_t c = (p >> shift) & 0xFF;
    return ((c * a + g * (255 - a) + 127) / 255) << shift;
  };
  return 0xFF000000u | mix(16) | mix(8) | mix(0);
}

}  // namespace

bool build_thumbnail(const LayerImage& image, Thumbnail& out) {
  const ThumbSize s = thumbnail_size(image.width(), image.height());
  Thumbnail fresh;
  fresh.w = s.w;
  fresh.h = s.h;
  fresh.pixels.resize(size_t(s.w) * size_t(s.h));
  if (s.w > 0) {
    const int64_t iw = image.width(), ih = image.height();
    int xs[kThumbBoxW];
    for (int x = 0; x < s.w; ++x) xs[x] = int(((2 * x + 1) * iw) / (2 * s.w));
    for (int y = 0; y < s.h; ++y) {
      const Pixel* row = image.row(int(((2 * y + 1) * ih) / (2 * s.h)));
      uint32_t* dst = fresh.pixels.data() + size_t(y) * size_t(s.w);
      for (int x = 0; x < s.w; ++x) dst[x] = over_checker(row[xs[x]], x, y);
    }
  }
  if (fresh == out) return false;
  out = std::move(fresh);
  return true;
}

}  // namespace qm
