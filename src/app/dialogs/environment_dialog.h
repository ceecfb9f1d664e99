#pragma once
// Environment settings (518), three pages:
//  1 (519) start-up canvas size, background colour, zoom steps, checkerboard
//          colours, undo count, information bar position, default eraser;
//  2 (520) the seven OptFlag options and BrushCirSize;
//  3 (521) the tablet: TabletFlag bits 0 and 1, TaleTool, TabSide1/2.
#include <QDialog>
#include <optional>

#include "state/drawing_state.h"

namespace qm {

class EnvironmentDialog : public QDialog {
  Q_OBJECT

 public:
  explicit EnvironmentDialog(const Environment& current, QWidget* parent = nullptr);
  // `current` with the edited fields replaced (each within its range); the
  // other fields and the other bits of OptFlag and TabletFlag are kept.
  Environment values() const;

 private:
  Environment current_;
};

// nullopt on Cancel; on OK the caller replaces Settings::env with the result.
std::optional<Environment> run_environment_dialog(QWidget* parent, const Environment& current);

}  // namespace qm
