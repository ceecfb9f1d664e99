#pragma once
// A canvas window with its input layer and the tablet open, for the pen
// tests: a white 60 × 50 document at 200 % in a 160 × 130 viewport, the Pen
// tool with pressure on the size, and a count of the mouse events that
// reach the canvas.
// The program's state header first: it must not see Qt's keyword macros.
#include "state/drawing_state_model.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <memory>

#include "../canvas/engine_stroke.h"
#include "app/canvas_widget.h"
#include "canvas/tool_rules.h"

namespace qm::test {

class MouseCounter : public QObject {
 public:
  int events = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    const QEvent::Type t = e->type();
    if (t == QEvent::MouseButtonPress || t == QEvent::MouseMove || t == QEvent::MouseButtonRelease) ++events;
    return false;
  }
};

struct TabletWindow {
  static constexpr int kW = 60, kH = 50;
  Settings settings;
  DrawingStateModel model{settings};
  KeyBindings keys = default_key_bindings();
  PendingWork pending;
  Document doc;
  std::unique_ptr<CanvasWidget> canvas;
  MouseCounter mice;

  TabletWindow() {
    EXPECT_TRUE(doc.new_canvas(kW, kH, true));
    doc.current()->image.fill(0xFFFFFFFF);
    settings.draw.tool = kToolPen;
    settings.draw.brush_size[kToolPen] = 10;
    canvas = std::make_unique<CanvasWidget>(doc);
    canvas->attach_input(model, keys, pending);
    canvas->open_tablet();
    canvas->show();
    const QSize frame = canvas->size() - canvas->viewport()->size();
    canvas->resize(QSize(160, 130) + frame);
    QCoreApplication::processEvents();
    canvas->document_changed();
    canvas->set_scale(200);
    canvas->viewport()->installEventFilter(&mice);
  }
  ~TabletWindow() { canvas->viewport()->removeEventFilter(&mice); }

  // A curve over the image in viewport coordinates, on quarter pixels (so
  // every mapping between window, widget and screen is exact), with rising
  // pressure.
  std::vector<std::pair<QPointF, double>> curve(int n) const {
    std::vector<std::pair<QPointF, double>> s;
    const Point a = canvas->view().image_to_window(6, 8), b = canvas->view().image_to_window(50, 40);
    for (int i = 0; i <= n; ++i) {
      const double t = double(i) / n;
      const double x = std::round((a.x + (b.x - a.x) * t) * 4) / 4;
      const double y = std::round((a.y + (b.y - a.y) * t * t) * 4) / 4;
      s.push_back({{x, y}, 0.05 + 0.9 * t});
    }
    return s;
  }
  // What the engine paints for the same samples.
  LayerImage engine(const std::vector<std::pair<QPointF, double>>& s, bool full_pressure = false) const {
    std::vector<StrokeSample> samples;
    for (const auto& [p, pressure] : s)
      samples.push_back({canvas->view().window_to_image_fractional(p.x(), p.y()), full_pressure ? 1.0 : pressure});
    return engine_stroke(kW, kH, 0xFFFFFFFF, brush_settings_for(settings.draw, kToolPen, {}), samples);
  }
  const LayerImage& layer() const { return doc.current()->image; }
  int painted() const {
    int n = 0;
    for (size_t i = 0; i < layer().pixel_count(); ++i) n += layer().pixels()[i] != 0xFFFFFFFFu;
    return n;
  }
};

}  // namespace qm::test
