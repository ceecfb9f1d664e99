#pragma once
// The Select menu's two dialogs: selection by coordinates (523) and the
// arbitrary rotation (514).
#include <QDialog>
#include <optional>

class QCheckBox;
class QSpinBox;

namespace qm {

// Inclusive corners as the dialog shows them (0 … 4499 each); the corners
// may come in either order.
struct SelectionCorners {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class SelectionCoordsDialog : public QDialog {
  Q_OBJECT

 public:
  SelectionCoordsDialog(const SelectionCorners& start, QWidget* parent = nullptr);
  SelectionCorners corners() const;

 private:
  void corners_edited();
  void size_edited();
  void grow(int sign);
  QSpinBox *x1_, *y1_, *x2_, *y2_, *width_, *height_, *amount_;
  bool updating_ = false;
};

std::optional<SelectionCorners> run_selection_coords_dialog(QWidget* parent,
                                                            const SelectionCorners& start);

// RotateAngle: the low 16 bits the signed angle, bit 16 the smoothing box.
inline constexpr int kRotateSmoothBit = 0x10000;
struct RotateChoice {
  int angle = 0;  // −360 … 360
  bool smooth = true;
};
RotateChoice rotate_choice_from_setting(int rotate_angle);
int rotate_setting_from_choice(const RotateChoice& choice);

class RotateDialog : public QDialog {
  Q_OBJECT

 public:
  RotateDialog(const RotateChoice& start, QWidget* parent = nullptr);
  RotateChoice choice() const;

 private:
  QSpinBox* angle_;
  QCheckBox* smooth_;
};

std::optional<RotateChoice> run_rotate_dialog(QWidget* parent, const RotateChoice& start);

}  // namespace qm
