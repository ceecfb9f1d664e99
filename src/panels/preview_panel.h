#pragma once
// The preview window "ﾌﾟﾚﾋﾞｭｰ": the whole composite at its own zoom or fitted
// to the window. One button drags the view, the other centres the main view
// on the clicked point.
#include <QWidget>
#include <functional>

#include "core/layer_image.h"
#include "panels/floating_panel.h"

class QToolButton;

namespace qm {

// The viewers' zoom steps: 10 below 100 %, 100 from there, within 10 … 800.
int viewer_zoom_in(int percent);
int viewer_zoom_out(int percent);
inline constexpr int kPreviewPresets[13] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 200, 400, 800};
inline constexpr int kPreviewFit = 1, kPreviewSwap = 2;

// Grows an off-screen buffer in steps of 100 pixels to cover w × h.
void grow_backing(LayerImage& backing, int w, int h);

class PreviewPanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit PreviewPanel(const PanelContext& context);

  int zoom() const { return zoom_; }
  bool fitting() const;
  QPoint offset() const { return offset_; }
  void zoom_in();
  void zoom_out();
  void set_zoom(int percent);  // a preset: leaves fit mode
  void set_fit(bool on);
  void set_swap(bool on);
  // Redraws from the composite (after edits, a new document).
  void refresh();
  // Centres the main view on an image point.
  std::function<void(double x, double y)> centre_main_view;
  QToolButton* menu_button() const { return menu_button_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void showEvent(QShowEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QRect view_area() const;
  void fit();
  void clamp_offset();
  void update_title();
  void centre_at(QPoint at);
  Qt::MouseButton drag_button() const;

  int zoom_ = 100;
  QPoint offset_;
  QPoint drag_from_;
  Qt::MouseButton held_ = Qt::NoButton;
  LayerImage backing_;
  QToolButton* menu_button_;
};

}  // namespace qm
