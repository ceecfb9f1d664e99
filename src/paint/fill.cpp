#include "paint/fill.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "paint/combine.h"
#include "paint/fill_boundary.h"
#include "paint/fill_in_place.h"
#include "paint/fill_reference.h"
#include "paint/write_modes.h"

namespace qm {
namespace {

// The first x in [x, end) where m[x] is (or, with kMarked false, is not)
// non-zero; eight bytes at a time where the row allows.
template <bool kMarked>
int next_run_edge(const uint8_t* m, int x, int end) {
  for (; x + 8 <= end; x += 8) {
    uint64_t word;
    std::memcpy(&word, m + x, 8);
    // Looking for a marked byte: any non-zero; for an unmarked one: any zero byte.
    const bool edge = kMarked ? word != 0
                              : ((word - 0x0101010101010101u) & ~word & 0x8080808080808080u) != 0;
    if (edge) break;
  }
  for (; x < end; ++x)
    if ((m[x] != 0) == kMarked) return x;
  return end;
}

// Writes every run of marked pixels of `map` inside r through the surface.
void write_marked(const PaintSurface& surface, const RegionMap& map, Rect r, const uint8_t* alpha,
                  uint32_t colour) {
  // Nothing to protect and no texture: the replace write of a constant
  // alpha is that one pixel value (density 0 writes nothing).
  const bool plain = surface.write_mode == kWriteReplace && !surface.masks.can_protect() &&
                     !surface.texture.bytes && surface.raster && intersect(surface.writable(), r) == r;
  const Pixel value = (Pixel(alpha[0]) << 24) | (colour & 0xFFFFFF);
  for (int y = r.y; y < r.bottom(); ++y) {
    const uint8_t* m = map.inside.data() + size_t(y) * size_t(map.width);
    Pixel* out = plain ? surface.raster->row(y) : nullptr;
    for (int x = next_run_edge<true>(m, r.x, r.right()); x < r.right();) {
      const int end = next_run_edge<false>(m, x, r.right());
      if (!plain)
        write_span(surface, x, y, end - x, alpha, colour);
      else if (alpha[0] != 0)
        std::fill(out + x, out + end, value);
      x = next_run_edge<true>(m, end, r.right());
    }
  }
}

// The automatic mode lays the semi-transparent outline pixels it took over
// the fill, so the outline keeps its look above the new colour.
void lay_fringe_over(LayerImage& stroke, const LayerImage& layer, const RegionMap& map, Rect r) {
  for (int y = r.y; y < r.bottom(); ++y) {
    const uint8_t* m = map.inside.data() + size_t(y) * size_t(map.width);
    Pixel* s = stroke.row(y);
    const Pixel* l = layer.row(y);
    for (int x = r.x; x < r.right(); ++x)
      if (m[x] == 2 && alpha_of(s[x]) != 0) s[x] = combine_over(l[x], s[x], false);
  }
}

}  // namespace

FillOptions fill_options(int word, bool alt, bool shift, bool ctrl) {
  FillOptions o;
  o.keep_reference = ((word & kFillKeepReference) != 0) != alt;
  o.erase = (word & kFillErase) != 0 || ctrl;
  o.automatic = (word & kFillAutomatic) != 0;
  o.opaque_area = (word & kFillOpaqueArea) != 0;
  if (shift) {
    if (o.erase)
      o.opaque_area = true;
    else
      o.automatic = !o.automatic;
  }
  return o;
}

namespace {

FillResult fill(Document& doc, const BrushSettings& settings, IntPoint at, const FillOptions& options,
                RegionMap& map, const StrokeOptions& stroke_options, bool may_write_in_place) {
  FillResult result;
  Layer* layer = doc.current();
  if (!layer || !doc.bounds().contains(at.x, at.y)) return result;
  LayerImage& stroke = doc.stroke_buffer();
  LayerImage& backup = doc.backup();
  const Rect canvas = doc.bounds();
  if (stroke.width() != canvas.w || stroke.height() != canvas.h) return result;

  const bool use_flagged = options.keep_reference && !(options.erase && options.release_reference_when_erasing);
  LayerImage merged;
  const LayerImage* reference = fill_reference(doc, use_flagged, merged);
  // There is a current layer, so only memory can be short here; the caller's
  // guard tells the user, as for the walk's own buffers.
  if (!reference) throw std::bad_alloc();

  const int density = std::clamp(settings.density, 0, 255);
  const uint32_t colour = settings.colour & 0xFFFFFF;
  const Pixel seed = reference->row(at.y)[at.x];
  if (!options.erase && ((Pixel(density) << 24) | colour) == seed) return result;

  const bool opaque_area = options.erase && options.opaque_area;
  const bool automatic = !options.erase && options.automatic && alpha_of(seed) == 0;

  if (backup.width() != canvas.w || backup.height() != canvas.h) return result;
  const BrushState state = make_brush_state(settings, layer->mask_mode);
  PaintSurface surface;
  surface.raster = &stroke;
  surface.reference = &backup;
  surface.clip = canvas;
  surface.masks = state.masks;
  surface.texture = state.texture;
  surface.write_mode = kWriteReplace;
  const std::vector<uint8_t> alpha(size_t(canvas.w), uint8_t(density));

  const RegionTest test = opaque_area ? RegionTest::Opaque : RegionTest::SameValue;
  // The region is walked first and written row by row afterwards: the writes
  // then run through memory in order, in runs as long as the rows allow.
  // Every later pass (undo step, writes, combine) stays inside the region's
  // bounding rectangle.
  Rect rect = flood_fill(*reference, at, test, map, {});
  if (automatic) rect = take_boundary_fringe(*reference, map, rect);
  if (rect.empty()) return result;
  result.changed = rect;
  // Only masks and textures need each pixel's stroke value apart from the
  // layer; without them the fill goes straight into the layer.
  if (may_write_in_place && !surface.masks.can_protect() && !surface.texture.bytes &&
      layer->image.width() == canvas.w && layer->image.height() == canvas.h) {
    result.recorded = doc.pixel_recorder().record_rect(doc, rect);
    fill_in_place(layer->image, map, rect, {colour, density, options.erase, automatic, layer->mask_mode});
    if (stroke_options.recomposite) doc.composite_rect(rect);
    return result;
  }
  backup.blit_from(rect.x, rect.y, rect.w, rect.h, layer->image, rect.x, rect.y);
  stroke.fill_rect(rect.x, rect.y, rect.w, rect.h, kTransparent);
  write_marked(surface, map, rect, alpha.data(), colour);
  if (automatic) lay_fringe_over(stroke, backup, map, rect);

  result.recorded = doc.pixel_recorder().record_rect(doc, rect);
  if (automatic)
    combine_fill_automatic(layer->image, stroke, backup, rect, layer->mask_mode);
  else if (options.erase)
    combine_erase(layer->image, stroke, backup, rect, layer->mask_mode);
  else
    combine_fill_over(layer->image, stroke, backup, rect, layer->mask_mode);
  if (stroke_options.recomposite) doc.composite_rect(rect);
  return result;
}

}  // namespace

FillResult fill_at(Document& doc, const BrushSettings& settings, IntPoint at, const FillOptions& options,
                   RegionMap& map, const StrokeOptions& stroke_options) {
  return fill(doc, settings, at, options, map, stroke_options, true);
}

FillResult fill_at_buffered(Document& doc, const BrushSettings& settings, IntPoint at,
                            const FillOptions& options, RegionMap& map, const StrokeOptions& stroke_options) {
  return fill(doc, settings, at, options, map, stroke_options, false);
}

}  // namespace qm
