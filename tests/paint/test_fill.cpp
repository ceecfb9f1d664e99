// The fill tool: region, boundaries, modes, undo step.
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "document/undo_history.h"
#include "paint/combine.h"
#include "paint/fill.h"
#include "paint/fill_boundary.h"
#include "paint/flood_fill.h"
#include "paint_test_util.h"

namespace qm {
namespace {

struct CountingRecorder : UndoRecorder {
  int rects = 0;
  Rect last;
  bool record_rect(const Document&, Rect r) override {
    ++rects;
    last = r;
    return true;
  }
};

BrushSettings fill_brush(uint32_t colour, int density = 255) {
  return test::brush(PaintTool::Fill, 1, density, colour);
}

FillOptions plain() { return fill_options(kFillKeepReference, false, false, false); }

// Pixel-by-pixel flood with an explicit stack: the region as defined.
std::vector<uint8_t> naive_region(const LayerImage& img, int sx, int sy) {
  const int w = img.width(), h = img.height();
  std::vector<uint8_t> in(img.pixel_count(), 0);
  const Pixel seed = img.get_pixel(sx, sy);
  std::vector<std::pair<int, int>> todo{{sx, sy}};
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    if (x < 0 || y < 0 || x >= w || y >= h) continue;
    const size_t i = size_t(y) * size_t(w) + size_t(x);
    if (in[i] || img.row(y)[x] != seed) continue;
    in[i] = 1;
    todo.push_back({x - 1, y});
    todo.push_back({x + 1, y});
    todo.push_back({x, y - 1});
    todo.push_back({x, y + 1});
  }
  return in;
}

TEST(Fill, NeverCrossesAOneUnitDifference) {
  const Pixel base = 0x80406070;
  for (const Pixel unit : {0x01000000u, 0x00010000u, 0x00000100u, 0x00000001u}) {
    for (const bool up : {true, false}) {
      Document doc;
      test::make_doc(doc, 16, 8);
      LayerImage& img = doc.current()->image;
      img.fill(base);
      const Pixel wall = up ? base + unit : base - unit;
      img.fill_rect(7, 0, 1, 8, wall);
      RegionMap map;
      const FillResult r = fill_at(doc, fill_brush(0x112233), {2, 3}, plain(), map);
      EXPECT_EQ(r.changed, (Rect{0, 0, 7, 8}));
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
          const Pixel want = x < 7 ? 0xFF112233 : x == 7 ? wall : base;
          ASSERT_EQ(img.get_pixel(x, y), want) << std::hex << unit << " " << x << "," << y;
        }
    }
  }
}

TEST(Fill, OwnValueDoesNothingAndRecordsNoStep) {
  Document doc;
  test::make_doc(doc, 8, 8);
  CountingRecorder rec;
  doc.set_undo_recorder(&rec);
  doc.current()->image.fill(0xC0102030);
  RegionMap map;
  EXPECT_TRUE(fill_at(doc, fill_brush(0x102030, 0xC0), {1, 1}, plain(), map).changed.empty());
  EXPECT_EQ(rec.rects, 0);
  EXPECT_EQ(doc.current()->image.get_pixel(4, 4), 0xC0102030u);
  // Outside the canvas: nothing either.
  EXPECT_TRUE(fill_at(doc, fill_brush(0x000000), {8, 0}, plain(), map).changed.empty());
  EXPECT_TRUE(fill_at(doc, fill_brush(0x000000), {-1, 2}, plain(), map).changed.empty());
  EXPECT_EQ(rec.rects, 0);
  // A differing density is a different value: one step for the region's box.
  doc.current()->image.fill_rect(0, 5, 8, 3, kTransparent);
  const FillResult r = fill_at(doc, fill_brush(0x102030, 0x40), {1, 1}, plain(), map);
  EXPECT_EQ(r.changed, (Rect{0, 0, 8, 5}));
  EXPECT_EQ(rec.rects, 1);
  EXPECT_EQ(rec.last, (Rect{0, 0, 8, 5}));
  // Over the old pixel: the fill is laid over what the layer held.
  EXPECT_EQ(doc.current()->image.get_pixel(3, 3), combine_over(0x40102030, 0xC0102030, false));
  EXPECT_EQ(doc.current()->image.get_pixel(3, 6), kTransparent);
}

// A 4500-wide lattice of walls with random holes: a region of countless
// branches, far more pending spans than a fixed ring could hold.
TEST(Fill, LargeLatticeEqualsNaiveFlood) {
  const int w = 4500, h = 300;
  Document doc;
  test::make_doc(doc, w, h);
  LayerImage& img = doc.current()->image;
  std::mt19937 rng(7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool wall = (x % 3 == 0 || y % 3 == 0) && (rng() % 100) < 55;
      img.row(y)[x] = wall ? 0xFF000000 : kTransparent;
    }
  img.row(1)[1] = kTransparent;
  const std::vector<uint8_t> want = naive_region(img, 1, 1);
  std::vector<Pixel> before(img.pixels(), img.pixels() + img.pixel_count());

  RegionMap map;
  int64_t spans_px = 0;
  const Rect box = flood_fill(img, {1, 1}, RegionTest::SameValue, map, [&](int, int, int n) { spans_px += n; });
  int64_t count = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    ASSERT_EQ(map.inside[i] != 0, want[i] != 0) << i;
    count += want[i];
  }
  EXPECT_GT(count, int64_t{w} * h / 4);  // the region really spreads
  EXPECT_EQ(spans_px, count);             // each pixel reported once
  EXPECT_EQ(box.x, 0);

  ASSERT_FALSE(fill_at(doc, fill_brush(0xFF0000), {1, 1}, plain(), map).changed.empty());
  for (size_t i = 0; i < want.size(); ++i)
    ASSERT_EQ(img.pixels()[i], want[i] ? 0xFFFF0000 : before[i]) << i;
}

// The tool prepares its work rasters over the region's box only: stale
// stroke-buffer and backup content elsewhere, left by an earlier fill of a
// different region, must not leak into the layer, and the step covers the box.
TEST(Fill, SmallRegionAfterAnotherFillTouchesOnlyItsBox) {
  Document doc;
  test::make_doc(doc, 40, 30);
  CountingRecorder rec;
  doc.set_undo_recorder(&rec);
  LayerImage& img = doc.current()->image;
  std::mt19937 rng(3);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) img.row(y)[x] = 0x80000000u | (rng() & 0x00FFFFFF) | 0x01000000u;
  img.fill_rect(10, 8, 7, 5, 0x40102030);  // a box of one value among noise
  img.fill_rect(30, 20, 5, 5, 0x00000000);
  RegionMap map;
  ASSERT_FALSE(fill_at(doc, fill_brush(0x00FF00, 0x80), {31, 21}, plain(), map).changed.empty());
  doc.stroke_buffer().fill(0xFFABCDEF);  // as another tool could leave them
  doc.backup().fill(0xFF123456);
  std::vector<Pixel> before(img.pixels(), img.pixels() + img.pixel_count());
  const FillResult r = fill_at(doc, fill_brush(0xFF0000, 0xC0), {12, 9}, plain(), map);
  EXPECT_EQ(r.changed, (Rect{10, 8, 7, 5}));
  EXPECT_EQ(rec.last, r.changed);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const Pixel was = before[size_t(y) * 40 + size_t(x)];
      const Pixel want = r.changed.contains(x, y) ? combine_over(0xC0FF0000, was, false) : was;
      ASSERT_EQ(img.row(y)[x], want) << x << "," << y;
    }
}

// The opaque-area test four pixels at a time: alpha 0 with any colour bits
// is outside, every other alpha inside, whatever the run's alignment.
TEST(Fill, OpaqueRegionEqualsNaiveFlood) {
  const int w = 203, h = 61;
  LayerImage img;
  ASSERT_TRUE(img.create(w, h));
  std::mt19937 rng(11);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool hole = (rng() % 100) < 35;
      img.row(y)[x] = hole ? (rng() & 0x00FFFFFF) : ((1 + rng() % 255) << 24) | (rng() & 0xFFFFFF);
    }
  img.row(5)[7] = 0xFF000000;
  std::vector<uint8_t> want(img.pixel_count(), 0);
  std::vector<std::pair<int, int>> todo{{7, 5}};
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    if (x < 0 || y < 0 || x >= w || y >= h) continue;
    const size_t i = size_t(y) * size_t(w) + size_t(x);
    if (want[i] || alpha_of(img.row(y)[x]) == 0) continue;
    want[i] = 1;
    todo.insert(todo.end(), {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}});
  }
  RegionMap map;
  int64_t spans_px = 0, count = 0;
  flood_fill(img, {7, 5}, RegionTest::Opaque, map, [&](int, int, int n) { spans_px += n; });
  for (size_t i = 0; i < want.size(); ++i) {
    ASSERT_EQ(map.inside[i] != 0, want[i] != 0) << i;
    count += want[i];
  }
  EXPECT_GT(count, 100);
  EXPECT_EQ(spans_px, count);
}

TEST(Fill, EndsWhenEveryWriteIsMaskedOrEmpty) {
  Document doc;
  test::make_doc(doc, 64, 64);
  LayerImage& img = doc.current()->image;
  img.fill(0xFF808080);
  const uint64_t before = test::hash_pixels(img);
  RegionMap map;
  // Density 0 writes nothing, yet the region is walked once and the fill ends.
  EXPECT_EQ(fill_at(doc, fill_brush(0x123456, 0), {5, 5}, plain(), map).changed, (Rect{0, 0, 64, 64}));
  EXPECT_EQ(test::hash_pixels(img), before);
  // Mask mode 2 protects every opaque pixel.
  doc.current()->mask_mode = 2;
  fill_at(doc, fill_brush(0x123456), {5, 5}, plain(), map);
  EXPECT_EQ(test::hash_pixels(img), before);
  // Mask mode 3 keeps the alpha.
  doc.current()->mask_mode = 3;
  img.fill(0x40808080);
  fill_at(doc, fill_brush(0x123456), {5, 5}, plain(), map);
  EXPECT_EQ(img.get_pixel(9, 9), 0x40123456u);
}

TEST(Fill, EraseModes) {
  Document doc;
  test::make_doc(doc, 20, 10);
  LayerImage& img = doc.current()->image;
  // Two blobs of mixed colours, not touching.
  for (int y = 2; y < 8; ++y)
    for (int x = 2; x < 8; ++x) img.row(y)[x] = make_pixel(100 + uint32_t(x), uint32_t(y) * 20, 5, 9);
  img.fill_rect(12, 2, 5, 5, 0xFF00FF00);
  RegionMap map;
  const FillOptions opaque = fill_options(kFillKeepReference | kFillErase | kFillOpaqueArea, false, false, false);
  EXPECT_EQ(fill_at(doc, fill_brush(0), {3, 3}, opaque, map).changed, (Rect{2, 2, 6, 6}));
  EXPECT_EQ(test::count_if(img, [](Pixel p) { return alpha_of(p) != 0; }), 25);
  // Plain erase with half density takes half the alpha of the same-valued region only.
  const FillOptions erase = fill_options(kFillKeepReference, false, false, /*ctrl=*/true);
  EXPECT_TRUE(erase.erase);
  fill_at(doc, fill_brush(0, 128), {13, 3}, erase, map);
  EXPECT_EQ(img.get_pixel(14, 4), 0x7F00FF00u);
  // Opaque-area erase on a transparent pixel does nothing.
  EXPECT_TRUE(fill_at(doc, fill_brush(0), {0, 0}, opaque, map).changed.empty());
}

TEST(Fill, JudgesOnTheReferenceLayers) {
  Document doc;
  test::make_doc(doc, 12, 6);
  ASSERT_TRUE(doc.add_layer(false, false).done);
  // Index 0 is the new top layer; the bottom one holds a wall and is the reference.
  Layer* wall_layer = doc.layer_at(1);
  wall_layer->image.fill(kTransparent);
  wall_layer->image.fill_rect(6, 0, 1, 6, 0xFF000000);
  doc.toggle_fill_reference(1);
  doc.select(0);
  doc.current()->image.fill(kTransparent);
  RegionMap map;
  EXPECT_EQ(fill_at(doc, fill_brush(0x0000FF), {1, 1}, plain(), map).changed, (Rect{0, 0, 6, 6}));
  // Alt: the current layer alone, which has no wall (its left part is filled now,
  // so the seed on the right floods the right part and the wall column).
  const FillOptions alt = fill_options(kFillKeepReference, true, false, false);
  EXPECT_FALSE(alt.keep_reference);
  EXPECT_EQ(fill_at(doc, fill_brush(0x00FF00), {9, 1}, alt, map).changed, (Rect{6, 0, 6, 6}));
  // Two reference layers: their alphas merge, so the top layer's block is a wall too.
  doc.current()->image.fill(kTransparent);
  doc.current()->image.fill_rect(0, 3, 6, 1, 0x80FFFFFF);
  doc.toggle_fill_reference(0);
  EXPECT_EQ(fill_at(doc, fill_brush(0xFF0000), {1, 1}, plain(), map).changed, (Rect{0, 0, 6, 3}));
}

TEST(Fill, AutomaticBoundaryCoversTheAntiAliasedFringe) {
  Document doc;
  test::make_doc(doc, 80, 80);
  BrushSettings pen = test::brush(PaintTool::Pen, 4, 255, 0x000000);
  std::vector<PointF> ring;
  for (int k = 0; k <= 96; ++k)
    ring.push_back({40 + 25 * std::cos(k * std::numbers::pi / 48), 40 + 25 * std::sin(k * std::numbers::pi / 48)});
  test::stroke(doc, pen, ring);
  LayerImage& img = doc.current()->image;
  LayerImage drawn;
  ASSERT_TRUE(drawn.create(80, 80));
  drawn.copy_from(img);
  ASSERT_GT(test::count_if(drawn, [](Pixel p) { return alpha_of(p) > 0 && alpha_of(p) < 255; }), 50);

  // The region of the seed and the semi-transparent pixels beside it.
  const std::vector<uint8_t> inside = naive_region(drawn, 40, 40);
  auto borders_inside = [&](int x, int y) {
    const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (auto& o : d) {
      const int nx = x + o[0], ny = y + o[1];
      if (nx >= 0 && ny >= 0 && nx < 80 && ny < 80 && inside[size_t(ny) * 80 + size_t(nx)]) return true;
    }
    return false;
  };

  RegionMap map;
  const FillOptions automatic = fill_options(kFillKeepReference | kFillAutomatic, false, false, false);
  EXPECT_TRUE(automatic.automatic);
  ASSERT_FALSE(fill_at(doc, fill_brush(0xFF0000), {40, 40}, automatic, map).changed.empty());
  int fringe = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x) {
      const Pixel before = drawn.get_pixel(x, y), after = img.get_pixel(x, y);
      if (inside[size_t(y) * 80 + size_t(x)]) {
        ASSERT_EQ(after, 0xFFFF0000u);
      } else if (alpha_of(before) > 0 && alpha_of(before) < 255 && borders_inside(x, y)) {
        // The outline pixel now lies over the fill: opaque, its colour mixed in.
        ASSERT_EQ(after, combine_over(before, 0xFFFF0000, false)) << x << "," << y;
        ++fringe;
      } else if (std::hypot(x - 40, y - 40) > 28) {
        ASSERT_EQ(after, before) << x << "," << y;  // nothing beyond the outline
      }
    }
  EXPECT_GT(fringe, 50);

  // Without the automatic judgement the fringe keeps its partial alpha.
  Document plain_doc;
  test::make_doc(plain_doc, 80, 80);
  plain_doc.current()->image.copy_from(drawn);
  fill_at(plain_doc, fill_brush(0xFF0000), {40, 40}, plain(), map);
  int partial = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x)
      if (alpha_of(drawn.get_pixel(x, y)) > 0 && alpha_of(drawn.get_pixel(x, y)) < 255 && borders_inside(x, y))
        partial += plain_doc.current()->image.get_pixel(x, y) == drawn.get_pixel(x, y);
  EXPECT_EQ(partial, fringe);
}

TEST(Fill, ModifierKeys) {
  const FillOptions none = fill_options(0, false, false, false);
  EXPECT_FALSE(none.keep_reference || none.automatic || none.erase || none.opaque_area);
  const FillOptions shift = fill_options(kFillAutomatic, false, true, false);
  EXPECT_FALSE(shift.automatic);  // toggled off when filling
  const FillOptions erase_shift = fill_options(kFillErase, false, true, false);
  EXPECT_TRUE(erase_shift.opaque_area);
  EXPECT_FALSE(erase_shift.automatic);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// The fill's combine takes opaque stroke pixels straight; it must equal the
// general combine for every stroke and backup alpha and any colours.
TEST(Fill, FillCombineEqualsStrokeCombine) {
  LayerImage stroke, backup, a, b;
  ASSERT_TRUE(stroke.create(256, 256) && backup.create(256, 256) && a.create(256, 256) && b.create(256, 256));
  std::mt19937 rng(3);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      stroke.row(y)[x] = (Pixel(x) << 24) | (rng() & 0xFFFFFF);
      backup.row(y)[x] = (Pixel(y) << 24) | (rng() & 0xFFFFFF);
    }
  for (int pass = 0; pass < 16; ++pass) {
    for (int y = 0; y < 256; ++y) stroke.row(y)[255] = 0xFF000000 | (rng() & 0xFFFFFF);
    for (const int mode : {0, 3}) {
      combine_stroke(a, stroke, backup, stroke.bounds(), mode);
      combine_fill_over(b, stroke, backup, stroke.bounds(), mode);
      ASSERT_EQ(test::hash_pixels(a), test::hash_pixels(b)) << mode;
    }
  }
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

std::vector<Pixel> pixels_of(const LayerImage& img) { return {img.pixels(), img.pixels() + img.pixel_count()}; }

// A maze of one-pixel walls with holes on a 4-pixel grid: opaque walls with
// semi-transparent stretches (the automatic fringe), transparent corridors
// with scattered colour-bit pixels (they leave the region and the combine
// clears them), odd sizes for the vector tails.
void draw_test_maze(LayerImage& img, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      Pixel& p = img.row(y)[x];
      if ((x % 4 == 0 || y % 4 == 0) && rng() % 100 < 55)
        p = rng() % 5 == 0 ? ((40 + rng() % 200) << 24) | 0x204060 : 0xFF204060;
      else
        p = rng() % 30 == 0 ? rng() & 0x00FFFFF0 : kTransparent;
    }
}

// The direct write into the layer must leave the same layer bits as the
// stroke-buffer path, and undoing either must restore the layer.
TEST(Fill, InPlaceEqualsBufferedFill) {
  const FillOptions modes[] = {
      plain(),
      fill_options(kFillKeepReference | kFillAutomatic, false, false, false),
      fill_options(kFillKeepReference | kFillErase, false, false, false),
      fill_options(kFillKeepReference | kFillErase | kFillOpaqueArea, false, false, false),
  };
  const IntPoint seeds[] = {{2, 2}, {4, 9}};  // a corridor, a wall
  int cases = 0;
  for (const bool other_reference : {false, true})
    for (const int mask_mode : {0, 3})
      for (const FillOptions& options : modes)
        for (const int density : {255, 130, 0})
          for (const IntPoint at : seeds) {
            Document doc[2];
            UndoHistory history[2];
            for (int k = 0; k < 2; ++k) {
              test::make_doc(doc[k], 97, 61);
              draw_test_maze(doc[k].current()->image, 21);
              if (other_reference) {
                // The wall maze below judges; the current layer holds other bits.
                ASSERT_TRUE(doc[k].add_layer(true, false).done);
                draw_test_maze(doc[k].current()->image, 22);
                doc[k].toggle_fill_reference(1);
                doc[k].select(0);
              }
              doc[k].current()->mask_mode = mask_mode;
              doc[k].set_undo_recorder(&history[k]);
            }
            const std::vector<Pixel> before = pixels_of(doc[0].current()->image);
            RegionMap map;
            const BrushSettings brush = fill_brush(density == 0 ? 0x204060 : 0xC01020, density);
            const FillResult direct = fill_at(doc[0], brush, at, options, map);
            const FillResult buffered = fill_at_buffered(doc[1], brush, at, options, map);
            const std::string what = ::testing::PrintToString(std::tuple{other_reference, mask_mode, options.erase,
                                                                         options.automatic, density, at.x});
            ASSERT_EQ(direct.changed, buffered.changed) << what;
            ASSERT_EQ(pixels_of(doc[0].current()->image), pixels_of(doc[1].current()->image)) << what;
            if (direct.changed.empty()) continue;
            cases += direct.changed.w > 64;  // the region spreads
            // Undo records keep no colour bits of transparent pixels.
            std::vector<Pixel> undone = before;
            const Rect r = direct.changed;
            for (int y = r.y; y < r.bottom(); ++y)
              for (int x = r.x; x < r.right(); ++x) {
                Pixel& p = undone[size_t(y) * 97 + size_t(x)];
                p = alpha_of(p) ? p : kTransparent;
              }
            for (int k = 0; k < 2; ++k) {
              ASSERT_EQ(history[k].undo_count(), 1) << what;
              ASSERT_TRUE(history[k].undo(doc[k]).done) << what;
              ASSERT_EQ(pixels_of(doc[k].current()->image), undone) << what << k;
              doc[k].set_undo_recorder(nullptr);
            }
          }
  EXPECT_GT(cases, 30);
}

}  // namespace
}  // namespace qm
