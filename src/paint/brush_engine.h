#pragma once
// The brush at work: one stroke's or figure's state (the last dab's
// position, the finger's carried pixels, the watercolour's running colour)
// and the operations strokes and shapes are drawn with. It paints only
// through its PaintSurface and reports the rectangle it touched.
#include <cstdint>

#include "core/rect.h"
#include "paint/brush_settings.h"
#include "paint/dab_shapes.h"
#include "paint/paint_surface.h"
#include "paint/point.h"
#include "paint/row_spans.h"
#include "paint/smudge.h"
#include "paint/stroke_segment.h"
#include "paint/watercolour.h"

namespace qm {

class BrushEngine {
 public:
  // Takes the brush for a new stroke or figure and forgets the last dab.
  void start(const BrushState& state);
  // Where the dabs go. The surface's masks, texture and write mode are the
  // brush's; the caller gives the rasters and the clip.
  void set_target(LayerImage* raster, const LayerImage* reference, Rect clip);
  // Shapes space their dabs by figure_interval().
  void set_interval(double interval) { state_.interval = interval; }
  // Shapes decide for themselves whether the layer is painted directly.
  void set_into_layer(bool into_layer) { state_.into_layer = into_layer; }
  const BrushState& state() const { return state_; }
  const PaintSurface& surface() const { return surface_; }

  // Dabs from a to b (anti-aliased tools); returns the offset to carry on.
  double segment(const SegmentEnd& a, const SegmentEnd& b, double carried);
  // One dab at p, unless the last one lies in the same sixteenth of a pixel.
  void dab(PointF p, double pressure);
  // Pixel-line tools: the dot stamp (or the finger's smudge) along a line.
  void dot_line(IntPoint a, IntPoint b, bool continuing);
  // The finger takes up the pixels under its shape at p.
  void pick_up(IntPoint p);
  // The watercolour takes its first colour sample at p.
  void start_mixing(PointF p);
  // A figure starts at p: the finger picks up, the watercolour samples.
  void begin_figure(PointF p);

  // The rectangle touched since the last call (cut to the writable area).
  Rect take_touched();
  // Per row, the pixels written since clear_written(): within the touched
  // rectangle, often much less of it (a dab's corners, a segment's reach).
  const RowSpans& written() const { return written_; }
  void clear_written() { written_.clear(); }
  // Dabs and stamps placed since start().
  int64_t dab_count() const { return dab_count_; }

 private:
  // Notes a dab at (x, y); false when the last one lies in the same sixteenth.
  bool track_dab(double x, double y);
  void place_dab(double x, double y, double pressure, double size);
  void stamp(int x, int y);
  void touch(Rect r);
  // Touched and written as a whole.
  void touch_written(Rect r);
  // The layer the watercolour mixes with.
  const LayerImage* mix_source() const;

  BrushState state_;
  const ShapeMap* shape_map_ = nullptr;
  DotShape dot_;
  PaintSurface surface_;
  Smudge smudge_;
  WatercolourMix water_;
  bool has_last_ = false;
  int last_x16_ = 0, last_y16_ = 0;  // the last dab, in sixteenths
  Rect touched_;
  RowSpans written_;
  int64_t dab_count_ = 0;
};

}  // namespace qm
