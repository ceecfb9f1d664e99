// Painting through the canvas window on Qt's offscreen platform: synthesised
// mouse events reach the input layer, the stroke equals the engine's, the
// rubber band is shown inverted and leaves nothing behind, and the pointer
// stays grabbed across a multi-click figure.
// The program's state header first: it must not see Qt's keyword macros.
#include "state/drawing_state_model.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "app/canvas_widget.h"
#include "canvas/tool_rules.h"
#include "document/document.h"
#include "paint/freehand.h"
#include "paint/shapes.h"

namespace qm {
namespace {

struct Window {
  Settings settings;
  DrawingStateModel model{settings};
  KeyBindings keys = default_key_bindings();
  PendingWork pending;
  Document doc;
  std::unique_ptr<CanvasWidget> canvas;

  Window() {
    EXPECT_TRUE(doc.new_canvas(40, 30, true));
    doc.current()->image.fill(0xFFFFFFFF);
    canvas = std::make_unique<CanvasWidget>(doc);
    canvas->attach_input(model, keys, pending);
    canvas->show();
    const QSize frame = canvas->size() - canvas->viewport()->size();
    canvas->resize(QSize(120, 100) + frame);
    QCoreApplication::processEvents();
    canvas->document_changed();
  }
  void send(QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(p), canvas->viewport()->mapToGlobal(QPointF(p)), b, held, Qt::NoModifier);
    QApplication::sendEvent(canvas->viewport(), &e);
  }
  void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) { send(QEvent::MouseButtonPress, p, b, b); }
  void move(QPoint p, Qt::MouseButtons held = Qt::LeftButton) { send(QEvent::MouseMove, p, Qt::NoButton, held); }
  void release(QPoint p, Qt::MouseButton b = Qt::LeftButton) { send(QEvent::MouseButtonRelease, p, b, Qt::NoButton); }
  QPoint at(int ix, int iy) const {
    const Point w = canvas->view().image_to_window(ix, iy);
    return {w.x, w.y};
  }
  QImage screen() const { return canvas->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

TEST(CanvasInput, MouseStrokeIsTheEngineStroke) {
  for (int scale : {100, 200}) {
    Window w;
    w.canvas->set_scale(scale);
    w.settings.draw.tool = kToolPencil;
    const std::vector<QPoint> path = {w.at(5, 5), w.at(20, 9), w.at(30, 25)};
    w.press(path[0]);
    for (size_t i = 1; i < path.size(); ++i) w.move(path[i]);
    w.release(path.back());
    EXPECT_EQ(w.canvas->input()->state(), DragState::kIdle);

    Document ref;
    ref.new_canvas(40, 30, true);
    ref.current()->image.fill(0xFFFFFFFF);
    FreehandStroke st;
    const auto image = [&](QPoint p) { return w.canvas->view().window_to_image_fractional(p.x(), p.y()); };
    const PointF first = image(path[0]);
    st.begin(ref, brush_settings_for(w.settings.draw, kToolPencil, {}), {std::floor(first.x), std::floor(first.y)},
             1.0, {false});
    for (size_t i = 1; i < path.size(); ++i) st.move(image(path[i]), 1.0);
    st.end(image(path.back()), 1.0);
    const LayerImage& a = w.doc.current()->image;
    EXPECT_TRUE(std::equal(a.pixels(), a.pixels() + a.pixel_count(), ref.current()->image.pixels()))
        << "scale " << scale;
    int painted = 0;
    for (size_t i = 0; i < a.pixel_count(); ++i) painted += (a.pixels()[i] & 0xFFFFFF) == 0;
    EXPECT_GE(painted, 25) << "scale " << scale;
  }
}

TEST(CanvasInput, RubberBandIsInvertedWhileDraggingAndGoneAfter) {
  Window w;
  w.settings.draw.tool = kToolPencil;
  w.settings.draw.draw_type[kToolPencil] = 2;  // rectangle outline
  w.press(w.at(5, 5));
  w.move(w.at(25, 20));
  // The top edge of the band runs over white image pixels: shown black.
  const QPoint edge = w.at(15, 5);
  EXPECT_EQ(w.screen().pixel(edge) & 0xFFFFFF, 0u);
  EXPECT_EQ(w.screen().pixel(w.at(15, 12)) & 0xFFFFFF, 0xFFFFFFu);
  w.release(w.at(25, 20));
  // Drawn into the layer, and the screen shows the layer, not a leftover band.
  EXPECT_EQ(w.doc.current()->image.get_pixel(15, 5) & 0xFFFFFF, 0u);
  EXPECT_EQ(w.doc.current()->image.get_pixel(15, 12) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(w.screen().pixel(w.at(15, 12)) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(w.screen().pixel(edge) & 0xFFFFFF, 0u);
}

TEST(CanvasInput, MultiClickFigureKeepsThePointerUntilTheRightButton) {
  Window w;
  w.settings.draw.tool = kToolPencil;
  w.settings.draw.draw_type[kToolPencil] = 6;  // polyline
  w.press(w.at(5, 5));
  w.release(w.at(5, 5));
  EXPECT_EQ(QWidget::mouseGrabber(), w.canvas->viewport());
  w.press(w.at(30, 5));
  w.release(w.at(30, 5));
  w.press(w.at(30, 5), Qt::RightButton);
  w.release(w.at(30, 5), Qt::RightButton);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(w.doc.current()->image.get_pixel(17, 5) & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
