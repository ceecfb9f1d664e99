// Edging: grows a border of the edging colour around the opaque parts of a
// reference layer, one pixel per iteration, then either lays the current
// layer over it or cuts the reference's shape out of it.
#include <algorithm>

#include "document/document.h"
#include "filters/distort_common.h"
#include "filters/distort_filters.h"
#include "filters/filter_bands.h"
#include "paint/write_modes.h"

namespace qm::filters {
namespace {

// The reference layer's image; the source stands in for a missing layer and
// for the destination itself, which is being overwritten.
const LayerImage& reference_image(const FilterArgs& a) {
  if (!a.env.document) return a.src;
  const Layer* layer = a.env.document->layer_at(a.values.list[1]);
  if (!layer || &layer->image == &a.dst || layer->image.width() != a.src.width() ||
      layer->image.height() != a.src.height())
    return a.src;
  return layer->image;
}

}  // namespace

bool edging(const FilterArgs& a) {
  const int n = std::clamp(a.values.numeric[0], 0, 100);  // the dialog's range
  const uint32_t colour = chosen_colour(a.values.list[0], a.env.drawing_colour);
  const bool cut_out = a.values.check[0] != 0;
  const Rect r = a.rect;
  const LayerImage& ref = reference_image(a);

  LayerImage work;
  if (!temporary_allowed(int64_t{r.w} * r.h * 4) || !work.create(r.w, r.h)) return false;
  work.blit_from(0, 0, r.w, r.h, ref, r.x, r.y);
  for (int j = 0; j < r.h; ++j) {
    Pixel* p = work.row(j);
    for (int i = 0; i < r.w; ++i)
      if (alpha_of(p[i]) != 0) p[i] = (p[i] & 0xFF000000) | colour;
  }
  a.dst.blit_from(r.x, r.y, r.w, r.h, ref, r.x, r.y);

  progress_range(a.progress, n);
  for (int iteration = 0; iteration < n; ++iteration) {
    for (int j = 0; j < r.h; ++j) {
      const Pixel* in = a.dst.row(r.y + j) + r.x;
      for (int i = 0; i < r.w; ++i) {
        const uint32_t alpha = alpha_of(in[i]);
        if (alpha == 0) continue;
        // Neighbours outside the temporary image are skipped.
        if (i > 0) work.row(j)[i - 1] = blend_over(work.row(j)[i - 1], colour, alpha);
        if (i + 1 < r.w) work.row(j)[i + 1] = blend_over(work.row(j)[i + 1], colour, alpha);
        if (j > 0) work.row(j - 1)[i] = blend_over(work.row(j - 1)[i], colour, alpha);
        if (j + 1 < r.h) work.row(j + 1)[i] = blend_over(work.row(j + 1)[i], colour, alpha);
      }
    }
    a.dst.blit_from(r.x, r.y, r.w, r.h, work, 0, 0);
    progress_step(a.progress);
  }

  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* out = a.dst.row(y);
    if (cut_out) {
      const Pixel* b = ref.row(y);
      for (int x = r.x; x < r.right(); ++x) {
        const int left = int(alpha_of(out[x])) - int(alpha_of(b[x]));
        out[x] = left > 0 ? (Pixel(left) << 24) | (out[x] & 0xFFFFFF) : kTransparent;
      }
    } else {
      const Pixel* s = a.src.row(y);
      for (int x = r.x; x < r.right(); ++x)
        if (alpha_of(s[x]) != 0) out[x] = blend_over(out[x], s[x] & 0xFFFFFF, alpha_of(s[x]));
    }
  }
  return true;
}

}  // namespace qm::filters
