#include "canvas/canvas_view.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "canvas_test_util.h"
#include "document/document.h"

namespace qm {
namespace {

constexpr Pixel kBackground = 0xFFB4B4B4;

struct Fixture {
  Document doc;
  CanvasView view{doc};

  Fixture(int image_w, int image_h, int view_w, int view_h) {
    EXPECT_TRUE(doc.new_canvas(image_w, image_h, true));
    EXPECT_TRUE(view.create_backing(view_w + 10, view_h + 10));
    view.place(view_w, view_h);
    view.document_changed();
  }
  Pixel at(int x, int y) const { return view.backing().get_pixel(x, y); }
  LayerImage& layer() { return doc.layer_at(0)->image; }
};

// The bounding box of `colour` in the view, which must hold nothing but that
// colour and the background.
Rect find_block(const Fixture& f, Pixel colour) {
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1, n = 0;
  const ViewGeometry& g = f.view.geometry();
  for (int y = 0; y < g.view_h; ++y)
    for (int x = 0; x < g.view_w; ++x) {
      if (f.at(x, y) == colour) {
        ++n;
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      } else {
        EXPECT_EQ(f.at(x, y), kBackground) << x << "," << y;
      }
    }
  const Rect box{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
  EXPECT_EQ(n, box.w * box.h);  // one solid block
  return box;
}

TEST(CanvasView, OnePixelImageAt2000PercentIsOneBlock) {
  Fixture f(1, 1, 64, 48);
  f.layer().row(0)[0] = 0xFF204080;
  f.view.update_rect({0, 0, 1, 1});
  // Default settings: the 1-pixel grid is on from 500 %, but a single pixel
  // has no inner boundary to draw.
  EXPECT_EQ(f.view.set_scale(2000), (Rect{0, 0, 64, 48}));
  EXPECT_EQ(f.view.scale(), 2000);
  // Zooming keeps image point (0, 0) at the centre, so the block starts there.
  EXPECT_EQ(find_block(f, 0xFF204080), (Rect{32, 24, 20, 20}));
  // A new document is centred: sx = (20 + 64 - 64) / 2.
  f.view.document_changed();
  EXPECT_EQ(find_block(f, 0xFF204080), (Rect{32 - 10, 24 - 10, 20, 20}));
  // The buffer beyond the view is not touched.
  EXPECT_EQ(f.at(70, 50), 0u);
}

TEST(CanvasView, CheckerSquaresFollowTheImageOrigin) {
  Fixture f(40, 30, 50, 40);
  ViewSettings s;
  s.view_flags = kViewFlagChecker;
  f.view.set_settings(s);
  // Scroll so the image origin sits at an odd window position.
  f.view.set_scroll(3, 5);
  const Point o = f.view.image_to_window(0, 0);
  ASSERT_EQ(o, (Point{25 - 3, 20 - 5}));
  for (int iy = 0; iy < 16; ++iy)
    for (int ix = 0; ix < 24; ++ix) {
      const Pixel want = ((ix >> 3) & 1) == ((iy >> 3) & 1) ? 0xFFD8D8D8 : 0xFFF8F8F8;
      ASSERT_EQ(f.at(o.x + ix, o.y + iy), want) << ix << "," << iy;
    }
  // Mirrored, the squares stay on the image: each window pixel shows the
  // square of the image pixel under it.
  f.view.toggle_mirror();
  const Rect area = intersect(f.view.geometry().image_area(), f.view.geometry().view_rect());
  ASSERT_GT(area.w, 16);
  for (int y = area.y; y < area.bottom(); ++y)
    for (int x = area.x; x < area.right(); ++x) {
      const Point p = f.view.window_to_image(x, y);
      const Pixel want = ((p.x >> 3) & 1) == ((p.y >> 3) & 1) ? 0xFFD8D8D8 : 0xFFF8F8F8;
      ASSERT_EQ(f.at(x, y), want) << x << "," << y;
    }
  // Off again: white.
  f.view.toggle_checker();
  EXPECT_EQ(f.at(area.x, area.y), 0xFFFFFFFFu);
}

TEST(CanvasView, MirroredViewPaintsTheColumnUnderThePointer) {
  Fixture f(300, 20, 100, 20);
  f.view.toggle_mirror();
  const Point p = f.view.window_to_image(0, 10);
  EXPECT_EQ(p.x, 199);  // the right-most visible column
  EXPECT_EQ(f.view.window_to_image(99, 10).x, 100);
  f.layer().row(p.y)[p.x] = 0xFFFF0000;
  const Rect shown = f.view.update_rect({p.x, p.y, 1, 1});
  EXPECT_TRUE(shown.contains(0, 10));
  EXPECT_EQ(f.at(0, 10), 0xFFFF0000u);
  EXPECT_EQ(f.at(1, 10), 0xFFFFFFFFu);
  EXPECT_EQ(f.at(0, 9), 0xFFFFFFFFu);
}

TEST(CanvasView, MirrorToggleKeepsTheCentre) {
  Fixture f(300, 200, 100, 80);
  f.view.set_scroll(70, 40);
  const ViewGeometry before = f.view.geometry();
  const PointF c = f.view.window_to_image_fractional(50, 40);
  f.view.toggle_mirror();
  EXPECT_TRUE(f.view.settings().mirrored());
  EXPECT_DOUBLE_EQ(f.view.window_to_image_fractional(50, 40).x, c.x);
  f.view.toggle_mirror();
  EXPECT_EQ(f.view.geometry().scroll_x, before.scroll_x);
  EXPECT_EQ(f.view.geometry().scroll_y, before.scroll_y);
}

TEST(CanvasView, ZoomKeepsTheCentreAndClamps) {
  Fixture f(300, 200, 100, 80);
  f.view.set_scroll(200, 60);
  const Point c = f.view.window_to_image(50, 40);
  f.view.zoom_in();
  EXPECT_EQ(f.view.scale(), 200);
  EXPECT_EQ(f.view.window_to_image(50, 40), c);
  f.view.zoom_out();
  f.view.zoom_out();
  EXPECT_EQ(f.view.scale(), 75);
  EXPECT_TRUE(f.view.zoom_to_preset(13).w > 0);
  EXPECT_EQ(f.view.scale(), 2000);
  EXPECT_TRUE(f.view.zoom_to_preset(14).empty());
  EXPECT_EQ(f.view.scale(), 2000);
  f.view.zoom_in();
  EXPECT_EQ(f.view.scale(), 2000);
  f.view.set_scale(1);
  EXPECT_EQ(f.view.scale(), 10);
  f.view.zoom_out();
  EXPECT_EQ(f.view.scale(), 10);
}

TEST(CanvasView, UpdateRectEqualsAFullRedraw) {
  for (int scale : {33, 100, 250, 600}) {
    for (bool mirrored : {false, true}) {
      Fixture f(61, 47, 120, 90);
      ViewSettings s;
      s.view_flags = (mirrored ? kViewFlagMirror : 0) | kViewFlagGrid | kViewFlagChecker;
      s.grid_w = 6;
      f.view.set_settings(s);
      f.view.set_scale(scale);
      f.view.set_scroll(max_scroll_x(f.view.geometry()) / 2 + 7, max_scroll_y(f.view.geometry()) / 3);
      // Paint a block behind the view's back, then show only that rectangle.
      const Rect edit{20, 15, 9, 6};
      const LayerImage noise = test::random_image(edit.w, edit.h, uint32_t(scale));
      f.layer().blit_from(edit.x, edit.y, edit.w, edit.h, noise, 0, 0);
      const Rect shown = f.view.update_rect(edit);
      EXPECT_FALSE(shown.empty());
      LayerImage partial;
      ASSERT_TRUE(partial.create(f.view.backing().width(), f.view.backing().height()));
      partial.copy_from(f.view.backing());
      f.view.redraw_all();
      for (size_t i = 0; i < partial.pixel_count(); ++i)
        ASSERT_EQ(partial.pixels()[i], f.view.backing().pixels()[i])
            << "scale " << scale << " mirrored " << mirrored << " pixel " << i;
    }
  }
}

TEST(CanvasView, NothingToShowGivesNoRectangle) {
  Fixture f(300, 200, 100, 80);
  EXPECT_TRUE(f.view.update_rect({0, 0, 0, 5}).empty());
  EXPECT_TRUE(f.view.update_rect({0, 0, 10, 10}).empty());  // scrolled out of sight
  EXPECT_TRUE(f.view.update_rect({-50, -50, 10, 10}).empty());

  // Without a buffer nothing is drawn, but the geometry still follows.
  Document doc;
  ASSERT_TRUE(doc.new_canvas(10, 10, true));
  CanvasView bare(doc);
  bare.place(100, 100);
  EXPECT_TRUE(bare.document_changed().empty());
  EXPECT_TRUE(bare.update_rect({0, 0, 10, 10}).empty());
  EXPECT_TRUE(bare.set_scale(200).empty());
  EXPECT_EQ(bare.scale(), 200);
}

TEST(CanvasView, ResizeKeepsTheCentrePoint) {
  Fixture f(300, 200, 100, 80);
  f.view.set_scroll(123, 45);
  const Point c = f.view.window_to_image(50, 40);
  f.view.resize(81, 61);
  EXPECT_EQ(f.view.window_to_image(40, 30), c);
  // Larger than the buffer: capped.
  f.view.resize(500, 500);
  EXPECT_EQ(f.view.geometry().view_w, 110);
  EXPECT_EQ(f.view.window_to_image(55, 45), c);
}

TEST(CanvasView, LayerOperationsArePresentedFromTheDirtyRectangle) {
  Fixture f(40, 30, 60, 50);
  f.doc.layer_at(0)->image.fill(0xFF00FF00);
  f.doc.toggle_visible(0);  // recomposites by itself: now hidden, white
  f.doc.toggle_visible(0);  // and shown again
  // The whole image, one pixel more on each side than its corners' blocks.
  const Point o = f.view.image_to_window(0, 0);
  ASSERT_EQ(o, (Point{10, 10}));
  EXPECT_EQ(f.view.present_dirty(), (Rect{8, 8, 43, 33}));
  EXPECT_EQ(f.at(o.x, o.y), 0xFF00FF00u);
  EXPECT_TRUE(f.view.present_dirty().empty());  // taken
}

}  // namespace
}  // namespace qm
