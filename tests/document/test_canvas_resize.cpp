#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/resample.h"
#include "document/canvas_resize.h"
#include "document/document.h"
#include "document/resize_layers.h"
#include "document/undo_history.h"
#include "undo_test_support.h"

namespace qm {
namespace {

// Random pixels; transparent ones are exactly kTransparent so that undo,
// which keeps no colour for them, must give back every bit.
Document random_doc(int w, int h, int layers, uint32_t seed) {
  Document doc;
  EXPECT_TRUE(doc.new_canvas(w, h, true));
  for (int i = 1; i < layers; ++i) EXPECT_TRUE(doc.add_layer(false, false));
  std::mt19937 rng(seed);
  for (int i = 0; i < doc.layer_count(); ++i) {
    LayerImage& img = doc.layer_at(i)->image;
    for (size_t k = 0; k < img.pixel_count(); ++k) {
      const uint32_t a = rng() % 4 == 0 ? 0 : rng() % 256;
      img.pixels()[k] = a == 0 ? kTransparent : (a << 24 | (rng() & 0xFFFFFF));
    }
  }
  doc.composite_all();
  return doc;
}

std::vector<std::vector<Pixel>> pixels_of(const Document& doc) {
  std::vector<std::vector<Pixel>> out;
  for (int i = 0; i < doc.layer_count(); ++i) {
    const LayerImage& img = doc.layer_at(i)->image;
    out.emplace_back(img.pixels(), img.pixels() + img.pixel_count());
  }
  return out;
}

TEST(CanvasResize, AnchorOffsetsAndFillColours) {
  EXPECT_EQ(canvas_anchor_offset(5, 9, 0), 0);
  EXPECT_EQ(canvas_anchor_offset(5, 9, 1), 2);
  EXPECT_EQ(canvas_anchor_offset(5, 9, 2), 4);
  EXPECT_EQ(canvas_anchor_offset(5, 8, 1), 1);    // odd difference: toward zero
  EXPECT_EQ(canvas_anchor_offset(8, 5, 1), -1);   // shrinking: toward zero too
  EXPECT_EQ(canvas_anchor_offset(8, 5, 2), -3);
  EXPECT_EQ(canvas_fill_pixel(CanvasFill::Transparent, 0x00123456), kTransparent);
  EXPECT_EQ(canvas_fill_pixel(CanvasFill::White, 0x00123456), kOpaqueWhite);
  EXPECT_EQ(canvas_fill_pixel(CanvasFill::DrawingColour, 0x00123456), 0xFF123456u);
  EXPECT_EQ((CanvasAnchor{5}.horizontal()), 2);
  EXPECT_EQ((CanvasAnchor{5}.vertical()), 1);
}

// Every anchor and fill, growing in one direction and shrinking in the other:
// each new pixel is either the old pixel at the anchored place or the fill.
TEST(CanvasResize, EveryAnchorAndFillPlacesTheOldPixels) {
  const int ow = 5, oh = 4, nw = 8, nh = 3;
  for (int anchor = 0; anchor < 9; ++anchor) {
    for (CanvasFill f : {CanvasFill::Transparent, CanvasFill::White, CanvasFill::DrawingColour}) {
      Document doc = random_doc(ow, oh, 2, 7u + uint32_t(anchor));
      const auto before = pixels_of(doc);
      const Pixel fill = canvas_fill_pixel(f, 0x00A0B0C0);
      const ResizeLayersResult r = resize_canvas(doc, nw, nh, CanvasAnchor{anchor}, fill, false);
      ASSERT_TRUE(r.done) << anchor;
      ASSERT_EQ(doc.width(), nw);
      ASSERT_EQ(doc.height(), nh);
      EXPECT_EQ(doc.backup().width(), nw);
      EXPECT_EQ(doc.composite().height(), nh);
      const int dx = anchor % 3 == 0 ? 0 : anchor % 3 == 1 ? 1 : 3;  // (8-5)/2 = 1
      const int dy = anchor / 3 == 0 ? 0 : anchor / 3 == 1 ? 0 : -1;  // (3-4)/2 = 0
      int filled = 0;
      for (int i = 0; i < 2; ++i) {
        const LayerImage& img = doc.layer_at(i)->image;
        for (int y = 0; y < nh; ++y)
          for (int x = 0; x < nw; ++x) {
            const int sx = x - dx, sy = y - dy;
            const bool inside = sx >= 0 && sx < ow && sy >= 0 && sy < oh;
            const Pixel want = inside ? before[size_t(i)][size_t(sy * ow + sx)] : fill;
            filled += !inside;
            ASSERT_EQ(img.get_pixel(x, y), want) << anchor << " " << int(f) << " @" << x << "," << y;
          }
      }
      EXPECT_EQ(filled, 2 * 3 * nh);  // three added columns per layer
      // The composite was rebuilt from the new layers.
      const std::vector<Pixel> shown(doc.composite().pixels(),
                                     doc.composite().pixels() + doc.composite().pixel_count());
      doc.composite_all();
      EXPECT_TRUE(std::equal(shown.begin(), shown.end(), doc.composite().pixels()));
    }
  }
}

TEST(CanvasResize, NothingChangesWhenOneLayerCannotBeMade) {
  for (int failing : {0, 1, 2}) {
    Document doc = random_doc(6, 5, 3, 3);
    test::TempDir dir;
    UndoHistory history(dir.path());
    doc.set_undo_recorder(&history);
    const auto before = pixels_of(doc);
    const ResizeLayersResult r = detail::resize_canvas(
        doc, 9, 9, CanvasAnchor{4}, kOpaqueWhite, true, [&](int i) { return i != failing; });
    EXPECT_FALSE(r.done);
    EXPECT_TRUE(r.out_of_memory);
    EXPECT_EQ(doc.width(), 6);
    EXPECT_EQ(doc.height(), 5);
    EXPECT_EQ(pixels_of(doc), before) << failing;
    EXPECT_EQ(history.undo_count(), 0) << "no step for a change that did not happen";
    doc.set_undo_recorder(nullptr);
  }
}

TEST(CanvasResize, RefusedSizesDoNothing) {
  Document doc = random_doc(6, 5, 1, 1);
  const auto before = pixels_of(doc);
  for (auto [w, h] : {std::pair{6, 5}, std::pair{0, 5}, std::pair{4501, 5}, std::pair{6, -2}}) {
    const ResizeLayersResult r = resize_canvas(doc, w, h, CanvasAnchor{0}, kTransparent, true);
    EXPECT_FALSE(r.done) << w << "x" << h;
    EXPECT_FALSE(r.out_of_memory);
  }
  EXPECT_EQ(pixels_of(doc), before);
  Document empty;
  EXPECT_FALSE(resize_canvas(empty, 3, 3, CanvasAnchor{0}, kTransparent, true).done);
}

// Flips twice and four quarter turns give back the pixels; a turn swaps the
// size and its undo restores it.
TEST(WholeImage, FlipsAndTurnsComeBackToTheStart) {
  Document doc = random_doc(7, 4, 2, 21);
  const auto start = pixels_of(doc);
  for (bool vertical : {false, true}) {
    ASSERT_TRUE(doc.flip_all(vertical, false));
    EXPECT_NE(pixels_of(doc), start);
    ASSERT_TRUE(doc.flip_all(vertical, false));
    EXPECT_EQ(pixels_of(doc), start);
  }
  for (RotateDirection d : {RotateDirection::Clockwise, RotateDirection::CounterClockwise}) {
    for (int turn = 1; turn <= 4; ++turn) {
      ASSERT_TRUE(doc.rotate_all(d, false));
      EXPECT_EQ(doc.width(), turn % 2 ? 4 : 7);
      EXPECT_EQ(doc.height(), turn % 2 ? 7 : 4);
    }
    EXPECT_EQ(pixels_of(doc), start);
  }
}

// Each whole-image operation is one undo step that restores every bit, and
// redo gives back the changed image.
TEST(WholeImage, UndoOfEachOperationIsBitExact) {
  const std::vector<std::pair<std::string, std::function<bool(Document&)>>> ops = {
      {"flip h", [](Document& d) { return bool(d.flip_all(false, true)); }},
      {"flip v", [](Document& d) { return bool(d.flip_all(true, true)); }},
      {"rotate cw", [](Document& d) { return bool(d.rotate_all(RotateDirection::Clockwise, true)); }},
      {"rotate ccw",
       [](Document& d) { return bool(d.rotate_all(RotateDirection::CounterClockwise, true)); }},
      {"image size",
       [](Document& d) { return resize_layers(d, 5, 11, ResampleMethod::Lanczos3, true).done; }},
      {"canvas grow",
       [](Document& d) {
         return resize_canvas(d, 12, 9, CanvasAnchor{8}, 0xFF102030u, true).done;
       }},
      {"canvas shrink",
       [](Document& d) { return resize_canvas(d, 3, 2, CanvasAnchor{4}, kTransparent, true).done; }},
  };
  for (const auto& [name, op] : ops) {
    test::TempDir dir;
    UndoHistory history(dir.path());
    Document doc = random_doc(7, 6, 3, 5);
    doc.set_undo_recorder(&history);
    const auto before = pixels_of(doc);
    ASSERT_TRUE(op(doc)) << name;
    const int w = doc.width(), h = doc.height();
    const auto after = pixels_of(doc);
    EXPECT_EQ(history.undo_count(), 1) << name << ": one step only";
    ASSERT_TRUE(history.undo(doc).done) << name;
    EXPECT_EQ(doc.width(), 7) << name;
    EXPECT_EQ(doc.height(), 6) << name;
    EXPECT_EQ(doc.composite().width(), 7) << name;
    EXPECT_EQ(pixels_of(doc), before) << name;
    EXPECT_EQ(history.undo_count(), 0) << name;
    ASSERT_TRUE(history.redo(doc).done) << name;
    EXPECT_EQ(doc.width(), w) << name;
    EXPECT_EQ(doc.height(), h) << name;
    EXPECT_EQ(pixels_of(doc), after) << name;
    doc.set_undo_recorder(nullptr);
  }
}

}  // namespace
}  // namespace qm
