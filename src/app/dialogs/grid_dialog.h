#pragma once
// Grid settings (501): cell size, grid colour, centre cross and its colour,
// and the zoom from which the 1-pixel grid is drawn.
#include <QDialog>
#include <optional>

#include "state/drawing_state.h"

namespace qm {

class GridDialog : public QDialog {
  Q_OBJECT

 public:
  explicit GridDialog(const Environment& current, QWidget* parent = nullptr);
  // `current` with GridW, GridH (4..4500), GridCol, CenterGridCol (colour and
  // bit 31) and GridPixelPer (4..20) replaced.
  Environment values() const;

 private:
  Environment current_;
};

// nullopt on Cancel. On OK the caller replaces Settings::env and redraws
// the view when the grid is shown.
std::optional<Environment> run_grid_dialog(QWidget* parent, const Environment& current);

}  // namespace qm
