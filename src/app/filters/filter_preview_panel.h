#pragma once
// The in-dialog preview panel: a window on the preview buffer at a scroll
// position, over an 8 × 8 checkerboard. Dragging scrolls it; the owner is
// told when a drag starts (to show the unfiltered pixels) and ends.
#include <QWidget>

#include "core/layer_image.h"

namespace qm {

class FilterPreviewPanel : public QWidget {
  Q_OBJECT

 public:
  FilterPreviewPanel(const LayerImage& buffer, int width, int height, QWidget* parent = nullptr);
  // The visible rectangle in image pixels, cut to the image.
  Rect visible() const;
  int scroll_x() const { return sx_; }
  int scroll_y() const { return sy_; }

 signals:
  void drag_started();
  void drag_finished();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  const LayerImage& buffer_;
  int pw_, ph_;
  int sx_ = 0, sy_ = 0;
  bool dragging_ = false;
  QPoint last_;
};

}  // namespace qm
