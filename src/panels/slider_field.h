#pragma once
// A label, a horizontal slider and a spin edit showing one value: moving the
// slider rewrites the edit, typing into the edit moves the slider, and either
// reports the new value once through `edited` (set_value() reports nothing).
#include <QWidget>

class QLabel;
class QSlider;
class QSpinBox;

namespace qm {

class SliderField : public QWidget {
  Q_OBJECT

 public:
  SliderField(const QString& label, int minimum, int maximum, QWidget* parent = nullptr);

  int value() const;
  void set_value(int value);
  void set_range(int minimum, int maximum);
  void set_label(const QString& label);
  QSlider* slider() const { return slider_; }
  QSpinBox* spin() const { return spin_; }
  QLabel* label() const { return label_; }

 signals:
  void edited(int value);

 private:
  QLabel* label_;
  QSlider* slider_;
  QSpinBox* spin_;
  bool setting_ = false;
};

}  // namespace qm
