#pragma once
// The information bar: pointer position, zoom and image (or dragged) size
// in three fields. The main window places it (info_bar_rect) and feeds it
// from the canvas widget's signals.
#include <QString>
#include <QWidget>

namespace qm {

class InfoBar : public QWidget {
  Q_OBJECT

 public:
  explicit InfoBar(QWidget* parent = nullptr);

  void set_pointer_position(int x, int y);
  void set_zoom(int scale);
  // Red while a rectangle is being dragged, black for the image size.
  void set_size(int w, int h, bool dragging);

  QString field_text(int index) const { return texts_[index]; }
  bool size_is_dragged() const { return dragging_; }
  // Left edge and width of each field.
  QRect field_rect(int index) const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int field_width(int index) const;

  QString texts_[3];
  bool dragging_ = false;
};

}  // namespace qm
