// Draw types: lines, rectangles, ellipses, curves, polylines and
// concentrated lines.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "document/undo_history.h"
#include "paint/curves.h"
#include "paint/dab_raster.h"
#include "paint/dot_line.h"
#include "paint/line_figure.h"
#include "paint/random.h"
#include "paint/shapes.h"
#include "paint_test_util.h"

namespace qm {
namespace {

using test::brush;
using V = std::vector<std::string>;
constexpr StrokeOptions kNoComposite{false};

BrushSettings pencil(int size, int density = 255, bool blend = false) {
  BrushSettings s = brush(PaintTool::Pencil, size, density);
  s.option_word = int(DotShapeKind::Square) | (blend ? kPencilBlend : 0);
  return s;
}

V rows_grid(const std::vector<RowSpan>& rows, int w, bool outline) {
  V out;
  for (size_t r = 0; r < rows.size(); ++r) {
    std::string line(size_t(w), '.');
    for (int x = rows[r].first; x <= rows[r].last; ++x) {
      const RowSpan up = r > 0 ? rows[r - 1] : RowSpan{0, -1};
      const RowSpan down = r + 1 < rows.size() ? rows[r + 1] : RowSpan{0, -1};
      const bool inner = x > rows[r].first && x < rows[r].last && x >= up.first && x <= up.last &&
                         x >= down.first && x <= down.last;
      if (!outline || !inner) line[size_t(x)] = '#';
    }
    out.push_back(line);
  }
  return out;
}

TEST(Shapes, DotLineAndFilledRectangle) {
  Document doc;
  test::make_doc(doc, 8, 5);
  const FigureResult r = draw_line(doc, pencil(1), {1.2, 1.9}, {6.5, 3.1}, kNoComposite);
  EXPECT_EQ(r.changed, doc.bounds());  // the ends' box widened by the brush, cut
  EXPECT_EQ(test::grid(doc.current()->image, doc.bounds()),
            (V{"........", ".##.....", "...##...", ".....##.", "........"}));
  doc.current()->image.fill(kTransparent);
  draw_rectangle(doc, brush(PaintTool::ThinLine, 9, 100, 0x010203), {5, 3}, {2, 2}, true, false,
                 kNoComposite);
  EXPECT_EQ(test::grid(doc.current()->image, doc.bounds()),
            (V{"........", "........", "..####..", "..####..", "........"}));
  EXPECT_EQ(doc.current()->image.get_pixel(3, 3), 0x64010203u);
}

TEST(Shapes, RectangleOutlinesAndRoundedCorners) {
  Document doc;
  test::make_doc(doc, 20, 20);
  draw_rectangle(doc, pencil(1), {1, 1}, {5, 4}, false, true, kNoComposite);  // too small to round
  EXPECT_EQ(test::grid(doc.current()->image, {0, 0, 7, 6}),
            (V{".......", ".#####.", ".#...#.", ".#...#.", ".#####.", "......."}));
  doc.current()->image.fill(kTransparent);
  draw_rectangle(doc, pencil(1), {1, 1}, {14, 13}, false, true, kNoComposite);
  EXPECT_EQ(test::grid(doc.current()->image, {1, 1, 14, 13}),
            (V{"......##......", "....##..##....", "...#......#...", "..#........#..", ".#..........#.",
               ".#..........#.", "#............#", ".#..........#.", ".#..........#.", "..#........#..",
               "...#......#...", "....##..##....", "......##......"}));
  // Eleven wide: square corners even when asked for rounded ones.
  doc.current()->image.fill(kTransparent);
  draw_rectangle(doc, pencil(1), {0, 0}, {10, 15}, false, true, kNoComposite);
  EXPECT_EQ(test::grid(doc.current()->image, {0, 0, 3, 2}), (V{"###", "#.."}));
  // Each outline pixel is stamped once: a blending pencil leaves one density everywhere.
  doc.current()->image.fill(kTransparent);
  draw_rectangle(doc, pencil(1, 100, true), {2, 2}, {16, 16}, false, true, kNoComposite);
  int painted = 0;
  for (size_t i = 0; i < doc.current()->image.pixel_count(); ++i) {
    const Pixel p = doc.current()->image.pixels()[i];
    if (!alpha_of(p)) continue;
    ++painted;
    ASSERT_EQ(alpha_of(p), 100);
  }
  EXPECT_EQ(painted, 4 * 3 + 4 * 6);  // four 3-pixel edges, four 6-pixel corners
}

TEST(Shapes, AntiAliasedRectangleOutlineFollowsTheEdges) {
  Document doc;
  test::make_doc(doc, 40, 30);
  draw_rectangle(doc, brush(PaintTool::Pen2, 2), {5, 5}, {30, 20}, false, false, kNoComposite);
  const LayerImage& img = doc.current()->image;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool near_edge = (std::abs(x - 5) <= 2 || std::abs(x - 30) <= 2 || std::abs(y - 5) <= 2 ||
                              std::abs(y - 20) <= 2) &&
                             x >= 3 && x <= 32 && y >= 3 && y <= 22;
      if (!near_edge) {
        ASSERT_EQ(img.get_pixel(x, y), kTransparent) << x << "," << y;
      }
    }
  for (int x = 6; x < 30; ++x) ASSERT_EQ(alpha_of(img.get_pixel(x, 4)), 255) << x;  // pixels 4 and 5 straddle y = 5
  for (int y = 6; y < 20; ++y) ASSERT_EQ(alpha_of(img.get_pixel(29, y)), 255) << y;
}

TEST(Shapes, PixelEllipses) {
  EXPECT_EQ(rows_grid(ellipse_rows(7, 5), 7, false), (V{".#####.", "#######", "#######", "#######", ".#####."}));
  EXPECT_EQ(rows_grid(ellipse_rows(7, 5), 7, true), (V{".#####.", "#.....#", "#.....#", "#.....#", ".#####."}));
  EXPECT_EQ(rows_grid(ellipse_rows(5, 9), 5, false),
            (V{".###.", ".###.", "#####", "#####", "#####", "#####", "#####", ".###.", ".###."}));
  EXPECT_EQ(rows_grid(ellipse_rows(9, 5), 9, false),
            (V{"..#####..", "#########", "#########", "#########", "..#####.."}));
  // A square box gives the dot circle; every ellipse is symmetric both ways.
  for (int n = 1; n <= 30; ++n) {
    const DotShape circle = make_dot_shape(DotShapeKind::Circle, n);
    const std::vector<RowSpan> rows = ellipse_rows(n, n);
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x)
        ASSERT_EQ(circle.at(x, y), x >= rows[size_t(y)].first && x <= rows[size_t(y)].last) << n;
  }
  for (int w = 1; w <= 24; ++w)
    for (int h = 1; h <= 24; ++h) {
      const std::vector<RowSpan> rows = ellipse_rows(w, h);
      ASSERT_EQ(int(rows.size()), h);
      for (int r = 0; r < h; ++r) {
        const RowSpan s = rows[size_t(r)], m = rows[size_t(h - 1 - r)];
        ASSERT_LE(s.first, s.last) << w << "x" << h;
        ASSERT_EQ(s.first, w - 1 - s.last) << w << "x" << h;
        ASSERT_EQ(s.first, m.first);
        ASSERT_EQ(s.last, m.last);
      }
      ASSERT_EQ(rows[size_t((h - 1) / 2)].first, 0);  // full width in the middle
    }
}

TEST(Shapes, PixelEllipseOnTheLayer) {
  Document doc;
  test::make_doc(doc, 10, 8);
  // The outline stamps the stretched circle's eight symmetric points only.
  draw_ellipse(doc, pencil(1), {1, 1}, {7, 5}, false, kNoComposite);
  EXPECT_EQ(test::grid(doc.current()->image, {0, 0, 9, 7}),
            (V{".........", "..#.#.#..", ".#.....#.", ".#.....#.", ".#.....#.", "..#.#.#..", "........."}));
  doc.current()->image.fill(kTransparent);
  draw_ellipse(doc, brush(PaintTool::ThinLine, 1, 70), {7, 5}, {1, 1}, true, kNoComposite);
  EXPECT_EQ(test::grid(doc.current()->image, {0, 0, 9, 7}),
            (V{".........", "..#####..", ".#######.", ".#######.", ".#######.", "..#####..", "........."}));
  EXPECT_EQ(alpha_of(doc.current()->image.get_pixel(4, 3)), 70);
}

TEST(Shapes, PixelEllipseOutlineIsDottedWhereItIsFlat) {
  // 25 × 7: a circle of radius 3 stretched four times along x.
  Document doc;
  test::make_doc(doc, 27, 9);
  draw_ellipse(doc, pencil(1), {1, 1}, {25, 7}, false, kNoComposite);
  EXPECT_EQ(test::grid(doc.current()->image, {1, 1, 25, 7}),
            (V{"........#...#...#........",
               "....#...............#....",
               "#.......................#",
               "#.......................#",
               "#.......................#",
               "....#...............#....",
               "........#...#...#........"}));
  // A square box gives the circle's own eight-way points, each once.
  const std::vector<IntPoint> p = ellipse_outline_points(5, 5);
  EXPECT_EQ(p.size(), 12u);
}

TEST(Shapes, AntiAliasedEllipses) {
  Document doc;
  test::make_doc(doc, 60, 40);
  // Filled: 5 × 5 samples per pixel, alpha density × inside / 25.
  draw_ellipse(doc, brush(PaintTool::Pen2, 3, 255), {10, 5}, {49, 34}, true, kNoComposite);
  double covered = 0;
  const LayerImage& img = doc.current()->image;
  for (size_t i = 0; i < img.pixel_count(); ++i) covered += alpha_of(img.pixels()[i]) / 255.0;
  EXPECT_NEAR(covered / (3.14159265 * 20 * 15), 1.0, 0.02);
  EXPECT_EQ(alpha_of(img.get_pixel(30, 20)), 255);
  EXPECT_EQ(img.get_pixel(10, 5), kTransparent);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(img.get_pixel(x, y), img.get_pixel(59 - x, y));
  // Outline: every painted pixel lies near the ellipse.
  doc.current()->image.fill(kTransparent);
  draw_ellipse(doc, brush(PaintTool::Pen2, 3, 255), {10, 5}, {50, 35}, false, kNoComposite);
  int painted = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      if (!alpha_of(img.get_pixel(x, y))) continue;
      ++painted;
      const double dx = (x + 0.5 - 30) / 20, dy = (y + 0.5 - 20) / 15;
      ASSERT_NEAR(std::sqrt(dx * dx + dy * dy), 1.0, 0.2) << x << "," << y;
    }
  EXPECT_GT(painted, 200);
}

TEST(Curves, BezierOfOnePointIsOneDabOrOneDot) {
  Document doc;
  test::make_doc(doc, 30, 30);
  const PointF p{14.3, 15.6};
  draw_bezier(doc, brush(PaintTool::Pen2, 9, 200, 0x123456), {p, p, p, p}, kNoComposite);
  LayerImage single;
  single.create(30, 30);
  single.fill(kTransparent);
  PaintSurface s{&single, &single, single.bounds(), {}, {}, kWriteBlend};
  draw_dab(s, hard_disc_map(), {p.x, p.y, 9, 200, 0x123456}, true);
  EXPECT_EQ(test::hash_pixels(doc.current()->image), test::hash_pixels(single));
  EXPECT_GT(test::max_alpha(single), 0);

  doc.current()->image.fill(kTransparent);
  draw_bezier(doc, pencil(3, 255, true), {p, p, p, p}, kNoComposite);
  EXPECT_EQ(test::count_if(doc.current()->image, [](Pixel q) { return alpha_of(q) != 0; }), 9);
  EXPECT_EQ(test::max_alpha(doc.current()->image), 255);
}

TEST(Curves, BezierPointsAndDotCurve) {
  const std::array<PointF, 4> pts{PointF{0, 0}, PointF{10, 30}, PointF{30, 30}, PointF{40, 0}};
  const std::vector<PointF> c = bezier_points(pts);
  ASSERT_EQ(c.size(), 100u);
  EXPECT_NEAR(c[49].x, 20, 1e-9);    // t = 0.5: (P0 + 3P1 + 3P2 + P3) / 8
  EXPECT_NEAR(c[49].y, 22.5, 1e-9);
  EXPECT_NEAR(c[99].x, 40, 1e-9);
  // A pixel-line curve with a blending pencil stamps each pixel once.
  Document doc;
  test::make_doc(doc, 45, 30);
  draw_bezier(doc, pencil(1, 90, true), pts, kNoComposite);
  int painted = 0;
  for (size_t i = 0; i < doc.current()->image.pixel_count(); ++i)
    if (alpha_of(doc.current()->image.pixels()[i])) {
      ++painted;
      ASSERT_EQ(alpha_of(doc.current()->image.pixels()[i]), 90);
    }
  EXPECT_GT(painted, 60);
}

TEST(Curves, SplinePointsAndShape) {
  SplinePoints pts;
  EXPECT_TRUE(pts.add({1, 1}));
  EXPECT_FALSE(pts.add({1, 1}));  // same as the previous
  Document doc;
  test::make_doc(doc, 40, 40);
  EXPECT_TRUE(draw_spline(doc, brush(PaintTool::Pen, 5), pts, kNoComposite).changed.empty());
  EXPECT_EQ(test::max_alpha(doc.current()->image), 0);
  for (int i = 1; i < 200; ++i) pts.add({1 + i, 1 + (i % 3)});
  EXPECT_EQ(pts.size(), SplinePoints::kMaxPoints);
  EXPECT_FALSE(pts.add({500, 500}));
  EXPECT_EQ(pts.points().back(), (IntPoint{100, 1 + 99 % 3}));

  // Through every point, at the end of each span's 20 steps.
  const std::vector<IntPoint> through{{2, 30}, {10, 5}, {25, 35}, {37, 8}};
  const std::vector<PointF> curve = spline_points(through);
  ASSERT_EQ(curve.size(), 60u);
  for (size_t k = 1; k < through.size(); ++k) {
    EXPECT_NEAR(curve[20 * k - 1].x, through[k].x, 1e-9);
    EXPECT_NEAR(curve[20 * k - 1].y, through[k].y, 1e-9);
  }
  // Two points: a straight line.
  for (const PointF& p : spline_points({{0, 0}, {20, 10}})) EXPECT_NEAR(p.y, p.x / 2, 1e-9);
  // Natural ends: the second derivative vanishes at both ends (finite differences).
  auto second = [&](size_t i) { return curve[i + 1].y - 2 * curve[i].y + curve[i - 1].y; };
  EXPECT_LT(std::abs(second(1)), 0.2 * std::abs(second(20)));
  SplinePoints drawn;
  for (const IntPoint& p : through) drawn.add(p);
  const FigureResult r = draw_spline(doc, brush(PaintTool::Pen, 3), drawn, kNoComposite);
  EXPECT_FALSE(r.changed.empty());
  for (const IntPoint& p : through) EXPECT_GT(alpha_of(doc.current()->image.get_pixel(p.x, p.y)), 0);
}

TEST(LineFigures, PolylineIsOneUndoStepAndSkipsSharedPoints) {
  Document doc;
  test::make_doc(doc, 30, 20);
  test::paint_background(doc.current()->image);
  UndoHistory history;
  doc.set_undo_recorder(&history);
  const uint64_t before = test::hash_pixels(doc.current()->image);
  LineFigure poly;
  ASSERT_TRUE(poly.begin(doc, pencil(1, 100, true), LineFigureKind::Polyline, {2, 2}, kNoComposite));
  poly.add({20, 2});
  poly.add({20, 15});
  poly.add({5, 10});
  poly.end();
  EXPECT_EQ(history.undo_count(), 1);
  ASSERT_TRUE(history.undo(doc).done);
  EXPECT_EQ(test::hash_pixels(doc.current()->image), before);
  doc.set_undo_recorder(nullptr);

  // On an empty layer the blending pencil shows where points were stamped twice.
  test::make_doc(doc, 30, 20);
  ASSERT_TRUE(poly.begin(doc, pencil(1, 100, true), LineFigureKind::Polyline, {2, 2}, kNoComposite));
  poly.add({20, 2});
  poly.add({20, 15});
  poly.add({5, 12});
  poly.end();
  for (size_t i = 0; i < doc.current()->image.pixel_count(); ++i) {
    const int a = alpha_of(doc.current()->image.pixels()[i]);
    ASSERT_TRUE(a == 0 || a == 100) << i;
  }
  EXPECT_EQ(alpha_of(doc.current()->image.get_pixel(20, 2)), 100);
}

TEST(LineFigures, ConcentratedLinesRadiateFromTheCentre) {
  Document doc;
  test::make_doc(doc, 41, 41);
  UndoHistory history;
  doc.set_undo_recorder(&history);
  const std::vector<PointF> ends{{0, 20}, {40, 20}, {20, 0}, {20, 40}, {0, 0}};
  const Rect r = draw_concentrated_lines(doc, brush(PaintTool::ThinLine, 1), {20, 20}, ends, kNoComposite);
  EXPECT_EQ(r, doc.bounds());
  EXPECT_EQ(history.undo_count(), 1);
  for (int i = 0; i <= 40; ++i) {
    EXPECT_GT(alpha_of(doc.current()->image.get_pixel(i, 20)), 0);
    EXPECT_GT(alpha_of(doc.current()->image.get_pixel(20, i)), 0);
  }
  EXPECT_GT(alpha_of(doc.current()->image.get_pixel(7, 7)), 0);
  EXPECT_EQ(doc.current()->image.get_pixel(30, 10), kTransparent);
  doc.set_undo_recorder(nullptr);
}

using ShapeCall = std::function<FigureResult(Document&, const BrushSettings&)>;

std::vector<std::pair<const char*, ShapeCall>> every_shape() {
  return {
      {"line", [](Document& d, const BrushSettings& s) { return draw_line(d, s, {-3, 4}, {33, 21}, kNoComposite); }},
      {"rect", [](Document& d, const BrushSettings& s) { return draw_rectangle(d, s, {4, 3}, {30, 20}, false, true, kNoComposite); }},
      {"fill", [](Document& d, const BrushSettings& s) { return draw_rectangle(d, s, {4, 3}, {30, 20}, true, false, kNoComposite); }},
      {"ellipse", [](Document& d, const BrushSettings& s) { return draw_ellipse(d, s, {2, 2}, {35, 22}, false, kNoComposite); }},
      {"disc", [](Document& d, const BrushSettings& s) { return draw_ellipse(d, s, {2, 2}, {35, 22}, true, kNoComposite); }},
      {"bezier", [](Document& d, const BrushSettings& s) {
         return draw_bezier(d, s, {PointF{1, 20}, PointF{10, -10}, PointF{25, 40}, PointF{36, 5}}, kNoComposite);
       }},
      {"spline", [](Document& d, const BrushSettings& s) {
         SplinePoints p;
         for (IntPoint q : {IntPoint{2, 2}, IntPoint{12, 20}, IntPoint{22, 4}, IntPoint{34, 18}}) p.add(q);
         return draw_spline(d, s, p, kNoComposite);
       }},
  };
}

TEST(Shapes, EveryToolEveryShapeUndoesBitForBitAndStaysInItsRectangle) {
  for (int t = 0; t <= int(PaintTool::Burn); ++t)
    for (const auto& [name, call] : every_shape()) {
      Document doc;
      test::make_doc(doc, 40, 26);
      test::paint_background(doc.current()->image);
      UndoHistory history;
      doc.set_undo_recorder(&history);
      LayerImage before;
      before.create(40, 26);
      before.copy_from(doc.current()->image);
      seed_shared_random(3);
      const FigureResult r = call(doc, brush(PaintTool(t), 5, 200, 0x20A0E0));
      for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 40; ++x)
          if (!r.changed.contains(x, y)) {
            ASSERT_EQ(doc.current()->image.get_pixel(x, y), before.get_pixel(x, y)) << name << " tool " << t;
          }
      const bool finger_fill = t == int(PaintTool::Finger) && (name == std::string("fill") || name == std::string("disc"));
      if (!finger_fill) {
        EXPECT_EQ(history.undo_count(), 1) << name << " tool " << t;
        ASSERT_TRUE(history.undo(doc).done);
      }
      EXPECT_EQ(test::hash_pixels(doc.current()->image), test::hash_pixels(before)) << name << " tool " << t;
      doc.set_undo_recorder(nullptr);
    }
}

TEST(Shapes, MaskModeThreeAndUnsafePoints) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int t = 0; t <= int(PaintTool::Burn); ++t)
    for (const auto& [name, call] : every_shape()) {
      Document doc;
      test::make_doc(doc, 40, 26);
      test::paint_background(doc.current()->image);
      doc.current()->mask_mode = 3;
      LayerImage before;
      before.create(40, 26);
      before.copy_from(doc.current()->image);
      call(doc, brush(PaintTool(t), 6, 230, 0xFF8000));
      for (size_t i = 0; i < before.pixel_count(); ++i)
        ASSERT_EQ(alpha_of(doc.current()->image.pixels()[i]), alpha_of(before.pixels()[i]))
            << name << " tool " << t;
    }
  Document doc;
  test::make_doc(doc, 20, 20);
  EXPECT_TRUE(draw_line(doc, pencil(3), {nan, 1}, {5, 5}, kNoComposite).changed.empty());
  EXPECT_TRUE(draw_ellipse(doc, pencil(3), {1, 1}, {5, nan}, true, kNoComposite).changed.empty());
  EXPECT_TRUE(draw_bezier(doc, pencil(3), {PointF{1, 1}, PointF{nan, 2}, PointF{3, 3}, PointF{4, 4}},
                          kNoComposite).changed.empty());
  EXPECT_EQ(test::max_alpha(doc.current()->image), 0);
  // Far outside: clipped, and only what lies on the canvas is drawn.
  draw_line(doc, pencil(1), {-1e9, 10}, {1e9, 10}, kNoComposite);
  draw_ellipse(doc, brush(PaintTool::Pen, 3), {-1e12, -1e12}, {1e12, 1e12}, true, kNoComposite);
  draw_rectangle(doc, pencil(2), {-5e6, 3}, {5e6, 7}, false, true, kNoComposite);
  EXPECT_GT(alpha_of(doc.current()->image.get_pixel(0, 10)), 0);
  EXPECT_EQ(alpha_of(doc.current()->image.get_pixel(0, 0)), 255);
}

}  // namespace
}  // namespace qm
