#pragma once
// The draw types made of straight lines, rectangles and ellipses. Points are
// canvas pixels; they are checked as pointer samples are (a non-finite point
// draws nothing). Each call paints the current layer with the tool, records
// one undo step (see figure.h) and returns the rectangle it changed.
// Shapes use pressure 1: the tool's full size and density.
#include "document/document.h"
#include "paint/brush_engine.h"
#include "paint/brush_settings.h"
#include "paint/figure.h"
#include "paint/point.h"

namespace qm {

FigureResult draw_line(Document& doc, const BrushSettings& settings, PointF a, PointF b,
                       StrokeOptions options = {});
// Between the corners a and b (any order). `rounded` cuts the corners of an
// outline whose sides are both at least 12 pixels.
FigureResult draw_rectangle(Document& doc, const BrushSettings& settings, PointF a, PointF b,
                            bool filled, bool rounded, StrokeOptions options = {});
// Inside the rectangle a–b.
FigureResult draw_ellipse(Document& doc, const BrushSettings& settings, PointF a, PointF b,
                          bool filled, StrokeOptions options = {});

// The pieces, for figures built of several lines. A line with the engine
// already aimed: one stroke segment (anti-aliased tools) or a dot line, which
// skips its first point when `continuing`.
void line_with(BrushEngine& engine, PointF a, PointF b, bool continuing);
// What a line may change: the box of its ends widened by the brush.
Rect line_area(const BrushEngine& engine, PointF a, PointF b, Rect bounds);
// Rows of the pixel-line tools' ellipse in a w × h box: for each row, the
// first and last column set (offsets from the box's corner).
struct RowSpan {
  int first, last;
};
std::vector<RowSpan> ellipse_rows(int w, int h);
// The points the pixel-line tools stamp for an ellipse outline in a w × h
// box: the midpoint circle of the shorter side, stretched along the longer
// one, at its eight symmetric points; each point once, top row first.
std::vector<IntPoint> ellipse_outline_points(int w, int h);

}  // namespace qm
