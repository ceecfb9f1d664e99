#pragma once
// PNG options (524, "PNG 저장"), shown before a PNG save.
#include <QDialog>
#include <optional>

#include "formats/png_codec.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace qm {

class ColourButton;

class PngOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // `current`: level from PNGComp, alpha and transparent colour as the last
  // open or save left them. `dpi` passes through unchanged.
  explicit PngOptionsDialog(const PngSaveOptions& current, QWidget* parent = nullptr);

  // Level clamped to 0..9; the transparent colour only when its box is
  // checked and the 32-bit choice is not.
  PngSaveOptions values() const;

 private:
  QSpinBox* level_;
  QRadioButton* flat_;
  QRadioButton* alpha_;
  QCheckBox* use_transparent_;
  ColourButton* transparent_;
  PngSaveOptions current_;
};

// nullopt on Cancel (the save stops). On OK the caller stores `level` in PNGComp.
std::optional<PngSaveOptions> run_png_options_dialog(QWidget* parent,
                                                     const PngSaveOptions& current);

}  // namespace qm
