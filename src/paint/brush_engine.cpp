#include "paint/brush_engine.h"

#include <algorithm>
#include <cstdlib>

#include "paint/dab_raster.h"
#include "paint/dot_line.h"

namespace qm {

void BrushEngine::start(const BrushState& state) {
  state_ = state;
  switch (state.shape) {
    case DabShapeKind::SoftDisc: shape_map_ = &soft_disc_map(); break;
    case DabShapeKind::Cone196: shape_map_ = &cone_map(196); break;
    case DabShapeKind::Cone128: shape_map_ = &cone_map(128); break;
    default: shape_map_ = &hard_disc_map(); break;
  }
  if (state.dot_tool) dot_ = make_dot_shape(state.dot_shape, state.dot_size);
  surface_.masks = state.masks;
  surface_.texture = state.texture;
  surface_.write_mode = state.write_mode;
  has_last_ = false;
  touched_ = {};
  written_.clear();
  dab_count_ = 0;
}

void BrushEngine::set_target(LayerImage* raster, const LayerImage* reference, Rect clip) {
  surface_.raster = raster;
  surface_.reference = reference;
  surface_.clip = clip;
}

void BrushEngine::touch(Rect r) {
  r = intersect(r, surface_.writable());
  touched_ = unite(touched_, r);
}

void BrushEngine::touch_written(Rect r) {
  r = intersect(r, surface_.writable());
  touched_ = unite(touched_, r);
  written_.add(r);
}

Rect BrushEngine::take_touched() {
  const Rect r = touched_;
  touched_ = {};
  return r;
}

bool BrushEngine::track_dab(double x, double y) {
  // Dabs within the same sixteenth of a pixel as the last one add nothing.
  const int x16 = int(x * 16 + 0.5), y16 = int(y * 16 + 0.5);
  if (has_last_ && x16 == last_x16_ && y16 == last_y16_) return false;
  has_last_ = true;
  ++dab_count_;
  last_x16_ = x16;
  last_y16_ = y16;
  return true;
}

void BrushEngine::place_dab(double x, double y, double pressure, double size) {
  if (!track_dab(x, y)) return;
  const double density_range = state_.max_density - state_.min_density;
  DabSpec dab{x, y, size, int(density_range * pressure + state_.min_density), state_.colour};
  if (state_.watercolour && mix_source()) dab.colour = water_.next(*mix_source(), x, y, size);
  touch(draw_dab(surface_, *shape_map_, dab, state_.coverage_alpha, &written_));
}

double BrushEngine::segment(const SegmentEnd& a, const SegmentEnd& b, double carried) {
  if (!surface_.raster) return carried;
  if (a.p == b.p) return carried;
  const Rect reach = segment_rect(a.p, b.p, state_.largest_size(), surface_.raster->bounds());
  if (intersect(reach, surface_.writable()).empty() && !state_.watercolour) {
    // No dab of this segment can reach the writable area (a sample far off
    // the canvas): only the spacing and the last dab's place carry on.
    return walk_segment(a, b, carried, state_.interval, state_.min_size, state_.max_size,
                        [this](double x, double y, double, double) { track_dab(x, y); });
  }
  touch(reach);
  return walk_segment(a, b, carried, state_.interval, state_.min_size, state_.max_size,
                      [this](double x, double y, double pressure, double size) {
                        place_dab(x, y, pressure, size);
                      });
}

void BrushEngine::dab(PointF p, double pressure) {
  if (!surface_.raster) return;
  place_dab(p.x, p.y, pressure, (state_.max_size - state_.min_size) * pressure + state_.min_size);
}

void BrushEngine::stamp(int x, int y) {
  ++dab_count_;
  if (state_.smudge)
    touch_written(smudge_.stamp(surface_, dot_, x, y, state_.max_density));
  else
    touch_written(stamp_dot(surface_, dot_, x, y, state_.max_density, state_.colour));
}

void BrushEngine::dot_line(IntPoint a, IntPoint b, bool continuing) {
  if (!surface_.raster || dot_.size == 0) return;
  if (continuing && a == b) return;
  // A line whose stamps all miss the writable area changes nothing; only the
  // finger's pick-up at its last point matters.
  const int n = dot_.size;
  const Rect reach = intersect({int(std::min<int64_t>(a.x, b.x) - n), int(std::min<int64_t>(a.y, b.y) - n),
                                int(std::abs(int64_t{a.x} - b.x) + 2 * n + 1),
                                int(std::abs(int64_t{a.y} - b.y) + 2 * n + 1)},
                               surface_.writable());
  if (reach.empty()) {
    if (state_.smudge) smudge_.pass_outside(b.x, b.y);
    return;
  }
  // Stamps that cannot reach the writable area are passed over cheaply.
  const Rect near = surface_.writable();
  const int64_t x0 = int64_t{near.x} - n, x1 = int64_t{near.right()} + n;
  const int64_t y0 = int64_t{near.y} - n, y1 = int64_t{near.bottom()} + n;
  walk_dot_line(a, b, continuing, [&](int x, int y) {
    if (x >= x0 && x < x1 && y >= y0 && y < y1)
      stamp(x, y);
    else if (state_.smudge)
      smudge_.pass_outside(x, y);
  });
}

void BrushEngine::pick_up(IntPoint p) {
  if (surface_.raster && dot_.size) smudge_.pick_up(*surface_.raster, dot_, p.x, p.y);
}

const LayerImage* BrushEngine::mix_source() const {
  // Into the stroke buffer, the layer being painted is the reference.
  return state_.into_layer ? surface_.raster : surface_.reference;
}

void BrushEngine::start_mixing(PointF p) {
  if (!mix_source()) return;
  water_.start(*mix_source(), p.x, p.y, state_.max_size, state_.colour, state_.pick_up,
               state_.return_rate, state_.masks.mask_mode);
}

void BrushEngine::begin_figure(PointF p) {
  if (state_.smudge) pick_up(pixel_of(p));
  if (state_.watercolour) start_mixing(p);
}

}  // namespace qm
