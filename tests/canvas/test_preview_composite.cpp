// The fast paths of an on-canvas preview: the cached composite in bands on
// several threads, only the visible part recomposited, the rescale shared
// by two threads. Each gives what the plain path gives, bit for bit.
#include <gtest/gtest.h>

#include <random>

#include "canvas/canvas_view.h"
#include "canvas/stroke_composite.h"
#include "canvas_test_util.h"
#include "document/document.h"

namespace qm {
namespace {

// Sets the alpha of every pixel in a 128-pixel tile (clipped) to `alpha`.
void set_tile_alpha(LayerImage& img, int tx, int ty, uint32_t alpha) {
  const Rect t = intersect({tx * 128, ty * 128, 128, 128}, img.bounds());
  for (int y = t.y; y < t.bottom(); ++y)
    for (Pixel* p = img.row(y) + t.x; p < img.row(y) + t.right(); ++p) *p = (*p & 0xFFFFFF) | alpha << 24;
}

// Five layers of noise with mixed blend modes and opacities, one hidden,
// each with two transparent tiles; the top two have a tile row of alpha 1,
// seen at full opacity (layer 1) and not at all just below it (layer 0).
void make_stack(Document& doc, int w, int h, uint32_t seed) {
  ASSERT_TRUE(doc.new_canvas(w, h, true));
  for (int i = 1; i < 5; ++i) ASSERT_TRUE(doc.create_layer(true));
  std::mt19937 rng(seed);
  for (int i = 0; i < 5; ++i) {
    Layer& l = *doc.layer_at(i);
    l.image.copy_from(test::random_image(w, h, rng()));
    l.blend_mode = int(rng() % 21);
    l.opacity = uint8_t(rng() % 129);
    set_tile_alpha(l.image, 0, i, 0);
    set_tile_alpha(l.image, 1, (i + 2) % 6, 0);
  }
  for (int i : {0, 1}) {
    doc.layer_at(i)->opacity = uint8_t(127 + i);
    for (int tx = 0; tx < (w + 127) / 128; ++tx) set_tile_alpha(doc.layer_at(i)->image, tx, 3, 1);
  }
  doc.layer_at(3)->flags &= ~1;
}

void scribble(LayerImage& img, uint32_t seed) {
  img.copy_from(test::random_image(img.width(), img.height(), seed));
}

// Rebuilds the whole composite the plain way and counts the pixels that
// differ from what is there now.
int differences_from_full_recomposite(Document& doc) {
  LayerImage got;
  EXPECT_TRUE(got.create(doc.width(), doc.height()) && got.copy_from(doc.composite()));
  doc.composite_all();
  int bad = 0;
  for (size_t i = 0; i < got.pixel_count(); ++i) bad += got.pixels()[i] != doc.composite().pixels()[i];
  return bad;
}

TEST(PreviewComposite, BandsOnThreadsEqualTheRecomposite) {
  for (int current : {0, 2, 4})
    for (int threads : {1, 2, 3}) {
      Document doc;
      make_stack(doc, 150, 700, uint32_t(current * 7 + threads));
      doc.select(current);
      doc.set_display_background({current != 0, 0xD8D8D8, 0xF8F8F8});
      doc.composite_all();
      StrokeComposite cache;
      cache.begin(doc);
      // Rectangles starting inside tiles, the whole canvas, a thin strip;
      // the current layer changes between them as previews change it.
      const Rect rects[] = {{7, 100, 120, 500}, {0, 0, 150, 700}, {3, 250, 40, 3}, {0, 127, 150, 2}};
      uint32_t seed = 100;
      for (const Rect& r : rects) {
        scribble(doc.current()->image, ++seed);
        doc.composite_rect(doc.bounds());  // everything right before the partial update
        scribble(doc.current()->image, ++seed);
        cache.composite(doc, r, threads);
        LayerImage got;
        ASSERT_TRUE(got.create(150, 700) && got.copy_from(doc.composite()));
        doc.composite_rect(r);
        for (int y = 0; y < 700; ++y)
          for (int x = 0; x < 150; ++x)
            ASSERT_EQ(got.get_pixel(x, y), doc.composite().get_pixel(x, y))
                << "current " << current << " threads " << threads << " at " << x << "," << y;
      }
    }
}

TEST(PreviewComposite, VisiblePartGivesTheSameScreen) {
  for (int scale : {10, 33, 100, 250})
    for (bool mirrored : {false, true}) {
      Document doc;
      make_stack(doc, 900, 700, uint32_t(scale));
      CanvasView view(doc);
      ASSERT_TRUE(view.create_backing(200, 150));
      view.place(200, 150);
      view.document_changed();
      ViewSettings s;
      s.view_flags = (mirrored ? kViewFlagMirror : 0) | kViewFlagChecker;
      view.set_settings(s);
      view.set_scale(scale);
      view.set_scroll(max_scroll_x(view.geometry()) / 3 + 5, max_scroll_y(view.geometry()) / 2 + 3);
      const Rect visible = view.visible_image_rect();
      const bool part = int64_t{visible.w} * visible.h < 900 * 700;
      if (scale >= 33) {
        EXPECT_TRUE(part) << scale;  // work is saved
      }

      scribble(doc.current()->image, 5);
      StrokeComposite cache;
      cache.begin(doc);
      cache.composite(doc, intersect(doc.bounds(), visible), 2);
      view.present_dirty();
      view.redraw_all();
      LayerImage lazy;
      ASSERT_TRUE(lazy.create(200, 150) && lazy.copy_from(view.backing()));
      if (part) {
        EXPECT_GT(differences_from_full_recomposite(doc), 0) << "the rest is left for later";
      }
      view.redraw_all();
      for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
          ASSERT_EQ(lazy.get_pixel(x, y), view.backing().get_pixel(x, y))
              << "scale " << scale << " mirrored " << mirrored << " at " << x << "," << y;
    }
}

TEST(PreviewComposite, RescaleOnTwoThreadsEqualsThePlainScaler) {
  for (int scale : {10, 25, 45}) {
    Document doc;
    make_stack(doc, 2400, 1800, uint32_t(scale));
    doc.composite_all();
    CanvasView view(doc);
    ASSERT_TRUE(view.create_backing(601, 451));
    view.place(601, 451);
    view.set_scale(scale);
    view.document_changed();
    const ViewGeometry& g = view.geometry();
    const Pixel bg = view.settings().canvas_background;
    int bad = 0;
    for (int y = 0; y < g.view_h; ++y)
      for (int x = 0; x < g.view_w; ++x)
        bad += view.backing().get_pixel(x, y) != test::reference_view_pixel(doc.composite(), g, x, y, bg);
    EXPECT_EQ(bad, 0) << "scale " << scale;
  }
}

}  // namespace
}  // namespace qm
