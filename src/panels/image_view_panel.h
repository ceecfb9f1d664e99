#pragma once
// The image view window "ｲﾒｰｼﾞﾋﾞｭｰ": a reference picture beside the canvas at
// its own zoom; steps through the pictures of its folder, and a right click
// picks the drawing colour from it. It never touches the document.
#include <QString>
#include <functional>

#include "core/layer_image.h"
#include "panels/floating_panel.h"

class QToolButton;

namespace qm {

// Zoom presets 42206 … 42212: 20, 50, 80, 100, 200, 400, 800.
int image_view_preset(int n);
inline constexpr int kImageViewFitWindow = 1;

class ImageViewPanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit ImageViewPanel(const PanelContext& context);

  const QString& path() const { return path_; }
  const LayerImage& image() const { return image_; }
  int zoom() const;
  QPoint offset() const { return offset_; }

  // Menu 203.
  void run(int id);
  bool open(const QString& path);
  // The next (1) or previous (−1) picture of the folder; false at an end.
  bool step_file(int step);
  void clear();
  void set_zoom(int percent);
  void set_fit_window(bool on);
  // The client size the window takes for the image at `zoom`, capped to `room`.
  static QSize fitted_size(QSize image, int zoom, QSize room);

  std::function<void(const QString&)> message;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QRect view_area() const;
  void after_zoom();
  void clamp_offset();
  void redraw();
  void update_title();

  QString path_;
  LayerImage image_;
  LayerImage backing_;
  QPoint offset_;
  QPoint drag_from_;
  bool dragging_ = false;
  QToolButton* menu_button_;
};

}  // namespace qm
