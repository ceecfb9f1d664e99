#pragma once
// The small painted controls of the control window. Each reads the drawing
// state when painted and changes it only through the model; the window
// repaints them when the model says something changed.
#include <QWidget>
#include <functional>

#include "core/colour.h"

namespace qm {

class DrawingStateModel;
struct AppState;

// The current tool's brush at its size and density.
class BrushPreview : public QWidget {
 public:
  BrushPreview(DrawingStateModel& model, QWidget* parent);
 protected:
  void paintEvent(QPaintEvent*) override;
 private:
  DrawingStateModel& model_;
};

// Seven 20-pixel slots: click loads, Ctrl+click or right click stores.
class BrushSlots : public QWidget {
 public:
  BrushSlots(DrawingStateModel& model, QWidget* parent);
  static int slot_at(int x);
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
 private:
  DrawingStateModel& model_;
  int last_ = -1;
  bool stored_ = false;  // the last action stored (green) or loaded (blue)
};

// The two drawing colours, squares offset by 18 pixels.
class ColourPair : public QWidget {
 public:
  static constexpr int kSquare = 26, kOffset = 18;
  ColourPair(DrawingStateModel& model, QWidget* parent);
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
 private:
  DrawingStateModel& model_;
};

// Saturation–value square of side n with the hue bar at x = n + 6.
class HsvField : public QWidget {
 public:
  static constexpr int kSide = 100, kBarWidth = 14;
  // `hsv`: the window's own H/S/V (kept through grey colours); `pick`
  // reports an edit of it.
  HsvField(Hsv& hsv, std::function<void()> pick, QWidget* parent);
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
 private:
  void pick_at(QPoint p, bool press);
  Hsv& hsv_;
  std::function<void()> pick_;
  bool in_bar_ = false;
};

// GradMapCol1 … GradMapCol2: end squares store, the ramp picks.
class GradientMapBar : public QWidget {
 public:
  GradientMapBar(DrawingStateModel& model, QWidget* parent);
  uint32_t ramp_colour(int column) const;  // column within the ramp
  int ramp_columns() const;
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
 private:
  void pick(int x);
  DrawingStateModel& model_;
  int marker_ = -1;
  bool picking_ = false;
};

// Press and drag out of the box to pick any pixel on the screen; the main
// window hides meanwhile and comes back on release or when the pointer
// grab is lost.
class ScreenPicker : public QWidget {
 public:
  ScreenPicker(DrawingStateModel& model, QWidget* main_window, QWidget* parent);
  bool picking() const { return picking_; }
  uint32_t colour() const { return colour_; }
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;
 private:
  void finish(bool apply);
  DrawingStateModel& model_;
  QWidget* main_window_;
  bool picking_ = false;
  uint32_t colour_ = 0;
};

// 108 × 46: mode rows, add/remove/clear buttons, the mask colours.
class ColourMaskEditor : public QWidget {
 public:
  ColourMaskEditor(DrawingStateModel& model, QWidget* parent);
  static int cell_at(int x, int count);
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
 private:
  void cell_menu(int cell, QPoint global);
  DrawingStateModel& model_;
};

// The selected texture; a click toggles the texture, a right click opens
// the texture window.
class TextureBox : public QWidget {
 public:
  TextureBox(AppState& state, std::function<void()> open_window, QWidget* parent);
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
 private:
  AppState& state_;
  std::function<void()> open_window_;
};

}  // namespace qm
