#include "paint/combine.h"

#include "paint/channel_vector.h"

namespace qm {
namespace {

bool same_size(const LayerImage& a, const LayerImage& b) {
  return a.width() == b.width() && a.height() == b.height();
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
  if (!same_size(layer, stroke) || !same_size(layer, backup)) return;
  r = intersect(r, layer.bounds());
  const bool keep_alpha = mask_mode == 3;
  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* dst = layer.row(y);
    const Pixel* s = stroke.row(y);
    const Pixel* b = backup.row(y);
    for (int x = r.x; x < r.right(); ++x) dst[x] = combine_over(s[x], b[x], keep_alpha);
  }
}

void combine_erase(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                   int mask_mode) {
  if (mask_mode == 3 || !same_size(layer, stroke) || !same_size(layer, backup)) return;
  r = intersect(r, layer.bounds());
  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* dst = layer.row(y);
    const Pixel* s = stroke.row(y);
    const Pixel* b = backup.row(y);
    for (int x = r.x; x < r.right(); ++x) {
      const int left = int(alpha_of(b[x])) - int(alpha_of(s[x]));
      dst[x] = left > 0 ? (Pixel(left) << 24) | (b[x] & 0xFFFFFF) : kTransparent;
    }
  }
}

void combine_for(bool erasing, LayerImage& layer, const LayerImage& stroke, const LayerImage& backup,
                 Rect r, int mask_mode) {
  if (erasing)
    combine_erase(layer, stroke, backup, r, mask_mode);
  else
    combine_stroke(layer, stroke, backup, r, mask_mode);
}

}  // namespace qm
