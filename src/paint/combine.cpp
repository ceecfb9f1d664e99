#include "paint/combine.h"

#include <algorithm>

#include "paint/channel_vector.h"
#include "paint/over_rows.h"

namespace qm {
namespace {

bool same_size(const LayerImage& a, const LayerImage& b) {
  return a.width() == b.width() && a.height() == b.height();
}

void erase_row(Pixel* dst, const Pixel* s, const Pixel* b, int n) {
  for (int x = 0; x < n; ++x) {
    const int left = int(alpha_of(b[x])) - int(alpha_of(s[x]));
    dst[x] = left > 0 ? (Pixel(left) << 24) | (b[x] & 0xFFFFFF) : kTransparent;
  }
}

// Pixels x0 … x1 − 1 of row y, already cut to the rasters.
void combine_row(bool erasing, LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, int y,
                 int x0, int x1, bool keep_alpha) {
  Pixel* dst = layer.row(y) + x0;
  const Pixel* s = stroke.row(y) + x0;
  const Pixel* b = backup.row(y) + x0;
  if (erasing)
    erase_row(dst, s, b, x1 - x0);
  else
    combine_over_row(dst, s, b, x1 - x0, keep_alpha);
}

bool can_combine(bool erasing, const LayerImage& layer, const LayerImage& stroke, const LayerImage& backup,
                 int mask_mode) {
  // Under mask mode 3 erasing does nothing at all.
  return same_size(layer, stroke) && same_size(layer, backup) && !(erasing && mask_mode == 3);
}

void combine_rect(bool erasing, LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                  int mask_mode) {
  if (!can_combine(erasing, layer, stroke, backup, mask_mode)) return;
  r = intersect(r, layer.bounds());
  if (r.empty()) return;
  for (int y = r.y; y < r.bottom(); ++y) combine_row(erasing, layer, stroke, backup, y, r.x, r.right(), mask_mode == 3);
}

}  // namespace

Pixel combine_over_plain(Pixel stroke, Pixel backup, bool keep_alpha) {
  const std::array<double, 256>& unit = unit_fractions();
  const double h = unit[alpha_of(stroke)], l = unit[alpha_of(backup)];
  const double m = h + l - h * l;
  if (m == 0) return kTransparent;
  // Per channel: trunc(((l·(1 − h))·b + h·s) / m + 0.5).
  const double below = l * (1 - h);
  const Channels s = channels_of(stroke), b = channels_of(backup);
  const Channels v{(below * b.bg + h * s.bg) / m + 0.5, (below * b.r0 + h * s.r0) / m + 0.5};
  return pixel_from(keep_alpha ? alpha_of(backup) : uint32_t(m * 255 + 0.5), v);
}

Pixel combine_over(Pixel stroke, Pixel backup, bool keep_alpha) {
  // Where the stroke left nothing the formula returns the backup pixel
  // (transparent ones as kTransparent); a test checks every case.
  if (alpha_of(stroke) == 0) return alpha_of(backup) ? backup : kTransparent;
  return combine_over_plain(stroke, backup, keep_alpha);
}

void combine_stroke(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                    int mask_mode) {
  combine_rect(false, layer, stroke, backup, r, mask_mode);
}

void combine_erase(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                   int mask_mode) {
  combine_rect(true, layer, stroke, backup, r, mask_mode);
}

void combine_for(bool erasing, LayerImage& layer, const LayerImage& stroke, const LayerImage& backup,
                 Rect r, int mask_mode) {
  combine_rect(erasing, layer, stroke, backup, r, mask_mode);
}

void combine_written(bool erasing, LayerImage& layer, const LayerImage& stroke, const LayerImage& backup,
                     const RowSpans& written, int mask_mode) {
  if (!can_combine(erasing, layer, stroke, backup, mask_mode)) return;
  written.for_each([&](int y, int x0, int x1) {
    if (y >= layer.height()) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, layer.width());
    if (x0 < x1) combine_row(erasing, layer, stroke, backup, y, x0, x1, mask_mode == 3);
  });
}

}  // namespace qm
