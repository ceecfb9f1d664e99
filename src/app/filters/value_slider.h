#pragma once
// The slider of a value control: minimum, maximum, value, mark and a
// dragging flag. The value line and its pointer move with the mouse; the
// mark is a thin tick drawn when it lies above the minimum. max = min is
// allowed (a 1-pixel canvas): the slider then shows that one value.
#include <QWidget>

namespace qm {

class ValueSlider : public QWidget {
  Q_OBJECT

 public:
  ValueSlider(int minimum, int maximum, int value, int mark, QWidget* parent = nullptr);

  int value() const { return value_; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  bool dragging() const { return dragging_; }
  // From outside (edit field, Reset): clamped, redrawn, no notification.
  void set_value(int v);
  // The x of a value inside the frame.
  int position_of(int v) const;

 signals:
  // A new value while dragging, and once more on release.
  void changed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void drag_to(int x);

  int minimum_, maximum_, value_, mark_;
  bool dragging_ = false;
};

}  // namespace qm
