#pragma once
// Figures built click by click from straight lines: the polyline (each click
// joined to the previous one) and the concentrated lines (each click joined
// to the first point, the centre). Each line is painted as a straight line
// is; the whole figure is one undo step, recorded when it ends.
#include <vector>

#include "core/rect.h"
#include "document/document.h"
#include "paint/brush_engine.h"
#include "paint/brush_settings.h"
#include "paint/point.h"

namespace qm {

enum class LineFigureKind : uint8_t { Polyline, Concentrated };

class LineFigure {
 public:
  // Starts at `first` (the concentrated lines' centre). False, nothing
  // started, without a current layer or for a non-finite point.
  bool begin(Document& doc, const BrushSettings& settings, LineFigureKind kind, PointF first,
             StrokeOptions options = {});
  // Draws the next line to p; returns the rectangle it changed.
  Rect add(PointF p);
  // Records the figure's undo step; returns everything it changed.
  Rect end();

  bool active() const { return doc_ != nullptr; }
  bool undo_lost() const { return undo_lost_; }

 private:
  Document* doc_ = nullptr;
  StrokeOptions options_;
  LineFigureKind kind_ = LineFigureKind::Polyline;
  BrushEngine engine_;
  PointF first_, last_;
  int lines_ = 0;
  Rect dirty_;
  bool undo_lost_ = false;
};

// The concentrated lines from `centre` to every end point, as one figure.
Rect draw_concentrated_lines(Document& doc, const BrushSettings& settings, PointF centre,
                             const std::vector<PointF>& ends, StrokeOptions options = {});

}  // namespace qm
