#pragma once
// Image size (513): the new size in pixels and percent, the aspect-ratio
// switch and the resampling method; and canvas size's sibling arithmetic.
#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace qm {

// The linked fields of the dialog, kept apart from the widgets so the
// rounding can be checked on its own. Pixels 1 … 4500, percent 1 … 5000.
struct ImageSizeFields {
  int old_width = 1, old_height = 1;
  int width = 1, height = 1;
  int width_percent = 100, height_percent = 100;
  bool keep_aspect = true;

  static ImageSizeFields start(int old_width, int old_height);
  // Editing one field recomputes the others.
  void set_width(int pixels);
  void set_height(int pixels);
  void set_width_percent(int percent);
  void set_height_percent(int percent);
};

// a × b / c rounded half up (a, b ≥ 0, c > 0).
int scale_rounded(int a, int b, int c);

struct ImageSizeChoice {
  int width = 1, height = 1;
  int method = 4;  // ScaleType
};

class ImageSizeDialog : public QDialog {
  Q_OBJECT

 public:
  ImageSizeDialog(int old_width, int old_height, int method, QWidget* parent = nullptr);
  ImageSizeChoice choice() const;
  const ImageSizeFields& fields() const { return fields_; }

 private:
  void show_fields();
  QSpinBox* width_;
  QSpinBox* height_;
  QSpinBox* width_percent_;
  QSpinBox* height_percent_;
  QCheckBox* keep_aspect_;
  QComboBox* method_;
  ImageSizeFields fields_;
  bool updating_ = false;
};

// nullopt on Cancel.
std::optional<ImageSizeChoice> run_image_size_dialog(QWidget* parent, int old_width,
                                                     int old_height, int method);

}  // namespace qm
