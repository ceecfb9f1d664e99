// The canvas window on Qt's offscreen platform: what reaches the screen, the
// scroll bars, and the events handed on.
// The program's state header first: it must not see Qt's keyword macros.
#include "app/canvas_settings.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/canvas_widget.h"
#include "app/full_screen_view.h"
#include "app/info_bar.h"
#include "document/document.h"

namespace qm {
namespace {

constexpr QRgb kGrey = 0xFFB4B4B4;

// A shown canvas widget whose viewport is exactly w × h.
struct Window {
  Document doc;
  std::unique_ptr<CanvasWidget> canvas;

  Window(int image_w, int image_h, int w, int h) {
    EXPECT_TRUE(doc.new_canvas(image_w, image_h, true));
    canvas = std::make_unique<CanvasWidget>(doc);
    canvas->show();
    const QSize frame = canvas->size() - canvas->viewport()->size();
    canvas->resize(QSize(w, h) + frame);
    QCoreApplication::processEvents();
    EXPECT_EQ(canvas->viewport()->size(), QSize(w, h));
  }
  // What the viewport shows, painted through its paint event.
  QImage screen() const { return canvas->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// The pixels of `colour` in the image, which must form one solid rectangle on
// the canvas background.
QRect block_of(const QImage& img, QRgb colour) {
  QRect block;
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y);
      if (p == colour) {
        block |= QRect(x, y, 1, 1);
        ++n;
      } else if (p != kGrey) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << p;
        return {};
      }
    }
  EXPECT_EQ(n, block.width() * block.height());
  return block;
}

TEST(CanvasWidget, OnePixelImageAt2000PercentShowsOneBlockOnTheBackground) {
  Window w(1, 1, 120, 90);
  w.doc.layer_at(0)->image.row(0)[0] = 0xFF3366CC;
  w.canvas->update_rect({0, 0, 1, 1});
  QSignalSpy scale_spy(w.canvas.get(), &CanvasWidget::scale_changed);
  w.canvas->set_scale(2000);
  ASSERT_EQ(scale_spy.count(), 1);
  EXPECT_EQ(scale_spy.at(0).at(0).toInt(), 2000);
  // Zooming keeps image point (0, 0) at the window centre (60, 45); a new
  // document is centred by the view's rule, (120 / 2 - 20 / 2, 90 / 2 - 20 / 2).
  EXPECT_EQ(block_of(w.screen(), 0xFF3366CC), QRect(60, 45, 20, 20));
  QSignalSpy size_spy(w.canvas.get(), &CanvasWidget::image_size_changed);
  w.canvas->document_changed();
  EXPECT_EQ(block_of(w.screen(), 0xFF3366CC), QRect(50, 35, 20, 20));
  ASSERT_EQ(size_spy.count(), 1);
  EXPECT_EQ(size_spy.at(0).at(0).toInt(), 1);
}

TEST(CanvasWidget, CheckerSquaresAreAnchoredToTheImage) {
  Window w(64, 48, 101, 77);
  ViewSettings s;
  s.view_flags = kViewFlagChecker;
  w.canvas->set_settings(s);
  w.canvas->scroll_by(5, 3);
  const QImage img = w.screen();
  const Point o = w.canvas->view().image_to_window(0, 0);
  for (int iy = 0; iy < 48; ++iy)
    for (int ix = 0; ix < 64; ++ix) {
      const int x = o.x + ix, y = o.y + iy;
      if (x < 0 || y < 0 || x >= 101 || y >= 77) continue;
      const QRgb want = ((ix >> 3) & 1) == ((iy >> 3) & 1) ? 0xFFD8D8D8 : 0xFFF8F8F8;
      ASSERT_EQ(img.pixel(x, y), want) << ix << "," << iy;
    }
}

TEST(CanvasWidget, PixelGridThresholdOnScreen) {
  Window w(8, 8, 100, 100);
  auto grid_pixels = [&] {
    const QImage img = w.screen();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == 0xFFA0A0A0;
    return n;
  };
  w.canvas->set_scale(400);
  EXPECT_EQ(grid_pixels(), 0);
  w.canvas->set_scale(500);
  EXPECT_EQ(grid_pixels(), 40 * 40 - 33 * 33);  // 7 inner boundaries each way
}

TEST(CanvasWidget, ScrollBarsFollowTheViewAndScrollIt) {
  Window w(300, 200, 100, 80);
  QScrollBar* h = w.canvas->horizontalScrollBar();
  EXPECT_EQ(h->maximum(), max_scroll_x(w.canvas->view().geometry()));
  EXPECT_EQ(h->value(), 150);
  EXPECT_EQ(h->pageStep(), 100);
  h->setValue(40);
  EXPECT_EQ(w.canvas->view().geometry().scroll_x, 40);
  // The screen shows image column 40 - 50 + x at window x: column 0 at x = 10.
  w.doc.layer_at(0)->image.fill_rect(0, 0, 1, 200, 0xFF000000);
  w.canvas->update_rect({0, 0, 1, 200});
  const QImage img = w.screen();
  EXPECT_EQ(img.pixel(10, 40), 0xFF000000u);
  EXPECT_EQ(img.pixel(9, 40), kGrey);
  EXPECT_EQ(img.pixel(11, 40), 0xFFFFFFFFu);
  // Zooming moves the bars with the view.
  w.canvas->set_scale(200);
  EXPECT_EQ(h->maximum(), max_scroll_x(w.canvas->view().geometry()));
  EXPECT_EQ(h->value(), w.canvas->view().geometry().scroll_x);
}

TEST(CanvasWidget, ResizeKeepsTheCentrePoint) {
  Window w(300, 200, 100, 80);
  w.canvas->scroll_by(30, 10);
  const Point c = w.canvas->view().window_to_image(50, 40);
  const QSize frame = w.canvas->size() - w.canvas->viewport()->size();
  w.canvas->resize(QSize(151, 99) + frame);
  QCoreApplication::processEvents();
  ASSERT_EQ(w.canvas->view().geometry().view_w, 151);
  EXPECT_EQ(w.canvas->view().window_to_image(75, 49), c);
}

TEST(CanvasWidget, MirroredPointerAtTheLeftEdge) {
  Window w(300, 20, 100, 20);
  w.canvas->toggle_mirror();
  QSignalSpy press(w.canvas.get(), &CanvasWidget::pointer_pressed);
  QSignalSpy moved(w.canvas.get(), &CanvasWidget::pointer_image_position);
  QTest::mousePress(w.canvas->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(0, 10));
  QTest::mouseMove(w.canvas->viewport(), QPoint(1, 10));
  ASSERT_EQ(press.count(), 1);
  EXPECT_EQ(press.at(0).at(0).toPoint(), QPoint(0, 10));
  EXPECT_EQ(press.at(0).at(1).value<Qt::MouseButton>(), Qt::LeftButton);
  EXPECT_EQ(press.at(0).at(3).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
  ASSERT_GE(moved.count(), 1);
  EXPECT_EQ(moved.last().at(0).toInt(), 198);  // window x 1: the second column from the right
  // Painting the column under the pointer shows at the window's left edge.
  const Point p = w.canvas->view().window_to_image(0, 10);
  EXPECT_EQ(p.x, 199);
  w.doc.layer_at(0)->image.row(p.y)[p.x] = 0xFFFF0000;
  w.canvas->update_rect({p.x, p.y, 1, 1});
  EXPECT_EQ(w.screen().pixel(0, 10), 0xFFFF0000u);
}

TEST(CanvasWidget, KeysAndTabAreForwarded) {
  Window w(10, 10, 50, 50);
  QSignalSpy keys(w.canvas.get(), &CanvasWidget::key_pressed);
  QTest::keyClick(w.canvas.get(), Qt::Key_Tab);
  QTest::keyClick(w.canvas.get(), Qt::Key_Z, Qt::ControlModifier);
  // The test presses Ctrl itself before Z, and that key is forwarded too.
  ASSERT_EQ(keys.count(), 3);
  EXPECT_EQ(keys.at(0).at(0).toInt(), int(Qt::Key_Tab));
  EXPECT_EQ(keys.at(1).at(0).toInt(), int(Qt::Key_Control));
  EXPECT_EQ(keys.at(2).at(0).toInt(), int(Qt::Key_Z));
  EXPECT_EQ(keys.at(2).at(1).value<Qt::KeyboardModifiers>(), Qt::ControlModifier);
}

TEST(CanvasWidget, CtrlWheelZoomsBySteps) {
  Window w(100, 100, 80, 80);
  const QPoint at(40, 40);
  QWheelEvent up(at, w.canvas->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                 Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w.canvas->viewport(), &up);
  EXPECT_EQ(w.canvas->view().scale(), 200);
  QWheelEvent down(at, w.canvas->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                   Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w.canvas->viewport(), &down);
  QCoreApplication::sendEvent(w.canvas->viewport(), &down);
  EXPECT_EQ(w.canvas->view().scale(), 75);
}

TEST(CanvasSettings, ComeFromTheEnvironment) {
  Environment env;
  env.scale_d_add = 10;
  env.canv_bk_col = 0x123456;
  env.center_grid_col = 0x00FF00 | kCentreCrossShown;
  env.ex_view_flag = 0x90 | kViewChecker;
  ViewSettings s = view_settings_from(env);
  EXPECT_EQ(s.scale_down_step, 10);
  EXPECT_EQ(s.canvas_background, 0x123456u);
  EXPECT_TRUE(s.centre_cross());
  EXPECT_TRUE(s.checker());
  s.view_flags ^= kViewFlagGrid;
  store_view_flags(s, env);
  EXPECT_EQ(env.ex_view_flag, 0x90 | kViewChecker | kViewGrid);  // other bits kept
}

TEST(InfoBar, FieldsAndDraggedSize) {
  InfoBar bar;
  bar.resize(bar.sizeHint());
  bar.set_pointer_position(-12345, 7);
  bar.set_zoom(75);
  bar.set_size(300, 300, false);
  EXPECT_EQ(bar.field_text(0), QStringLiteral("-9999,7"));
  EXPECT_EQ(bar.field_text(1), QStringLiteral("  75%"));
  EXPECT_EQ(bar.field_text(2), QStringLiteral(" 300x 300"));
  const int a = bar.fontMetrics().horizontalAdvance(QLatin1Char('A'));
  EXPECT_EQ(bar.field_rect(1).width() - bar.field_rect(0).width(), (5 - 11) * a);
  bar.set_size(12, 3, true);
  EXPECT_TRUE(bar.size_is_dragged());
  // Background and separators in their colours.
  const QImage img = bar.grab().toImage();
  EXPECT_EQ(img.pixel(bar.field_rect(1).left() - 1, 1), 0xFFA0A0A0u);
  EXPECT_EQ(img.pixel(bar.field_rect(1).right() - 1, 1), 0xFFE0E0E0u);
}

TEST(FullScreenView, CoversTheScreenAndRestores) {
  QWidget window;
  window.setGeometry(100, 80, 320, 240);
  window.show();
  const QRect before = window.geometry();
  FullScreenView full;
  full.enter(window);
  EXPECT_TRUE(full.active());
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(window.geometry(), window.screen()->geometry());
  full.leave(window);
  EXPECT_FALSE(full.active());
  EXPECT_FALSE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(window.geometry(), before);
  EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace qm

// The application must outlive every widget and go before Qt's own statics,
// so it lives in main (this file's main is linked instead of gtest's).
int main(int argc, char** argv) {
  // Listing the tests at build time runs this too, without ctest's setting.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
