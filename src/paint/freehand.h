#pragma once
// A freehand stroke on the document's current layer, driven by plain pointer
// samples: begin at the press, move for every sample, end at the release.
//
// Samples are checked once, here: a non-finite coordinate is refused, far
// coordinates are clamped (see point.h) and the pressure is cut to 0 … 1.
// Tools that paint into the stroke buffer have it combined into the layer
// after every sample; the end records one undo step from the backup.
#include "core/rect.h"
#include "document/document.h"
#include "paint/brush_engine.h"
#include "paint/brush_settings.h"
#include "paint/point.h"
#include "paint/smoothing.h"

namespace qm {

class FreehandStroke {
 public:
  // Starts a stroke of a brush tool (0 … 13) at p. False, and nothing
  // started, without a current layer or for a non-finite point.
  bool begin(Document& doc, const BrushSettings& settings, PointF p, double pressure,
             StrokeOptions options = {});
  // One more sample; returns the rectangle of the layer it changed. Refused
  // (empty) when no stroke runs or the point is not finite.
  Rect move(PointF p, double pressure);
  // Ends the stroke: the smoothed point catches up with the last sample, and
  // one undo step for the whole stroke is recorded. The form with a point
  // adds it as the final sample first. Returns the rectangle changed by the end.
  Rect end();
  Rect end(PointF p, double pressure);

  bool active() const { return doc_ != nullptr; }
  // Everything the stroke changed so far (what its undo step covers).
  Rect dirty() const { return dirty_; }
  // The last end() could not store its undo step (the history says why).
  bool undo_lost() const { return undo_lost_; }
  const BrushState& state() const { return engine_.state(); }
  // Dabs (or dot stamps) placed so far.
  int64_t dab_count() const { return engine_.dab_count(); }

 private:
  Rect draw_step();
  Rect finish_step();

  Document* doc_ = nullptr;
  StrokeOptions options_;
  LayerImage* buffer_ = nullptr;  // the stroke buffer, unless the tool paints the layer
  BrushEngine engine_;
  SmoothingRing ring_;
  CurveHistory curve_;
  SegmentEnd last_;        // the last drawn point
  IntPoint last_pixel_;    // the same, for the pixel-line tools
  double carried_ = 0;
  Rect dirty_;
  bool undo_lost_ = false;
};

}  // namespace qm
