#pragma once
// Canvas size (512): the new size, where the old image is anchored (3 × 3,
// top-left first, row by row) and the colour of the added area.
#include <QDialog>
#include <optional>

class QButtonGroup;
class QComboBox;
class QSpinBox;

namespace qm {

struct CanvasSizeChoice {
  int width = 1, height = 1;
  int anchor = 0;  // 0 … 8
  int fill = 0;    // 0 transparent, 1 white, 2 drawing colour
};

class CanvasSizeDialog : public QDialog {
  Q_OBJECT

 public:
  CanvasSizeDialog(int old_width, int old_height, QWidget* parent = nullptr);
  CanvasSizeChoice choice() const;
  // What the anchor buttons do.
  void choose_anchor(int index);

 private:
  QSpinBox* width_;
  QSpinBox* height_;
  QButtonGroup* anchors_;
  QComboBox* fill_;
};

// nullopt on Cancel.
std::optional<CanvasSizeChoice> run_canvas_size_dialog(QWidget* parent, int old_width,
                                                       int old_height);

}  // namespace qm
