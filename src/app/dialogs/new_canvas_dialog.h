#pragma once
// New canvas (502): width and height, and a pop-up of the recently used sizes.
#include <QDialog>
#include <array>
#include <optional>

#include "state/drawing_state.h"
#include "core/layer_image.h"  // kMaxCanvasSide

class QMenu;
class QPushButton;
class QSpinBox;

namespace qm {

struct NewCanvasValues {
  int width = 300;  // the fields start here (LastImgW / LastImgH)
  int height = 300;
  // Packed width × 65536 + height, most recent first (RecentLists::new_sizes).
  std::array<int, kRecentSizeCount> recent_sizes = RecentLists{}.new_sizes;
  friend bool operator==(const NewCanvasValues&, const NewCanvasValues&) = default;
};

class NewCanvasDialog : public QDialog {
  Q_OBJECT

 public:
  explicit NewCanvasDialog(const NewCanvasValues& current, QWidget* parent = nullptr);

  // After OK: the entered size, and the recent list with that size moved or
  // inserted at the front.
  NewCanvasValues values() const;

  // Fills the fields from recent size `index` (what the pop-up's items do).
  void choose_recent(int index);

  // A side above 4500 shows "幅・高さが大きすぎます" and keeps the dialog open.
  void accept() override;

 private:
  QSpinBox* width_;
  QSpinBox* height_;
  QPushButton* recent_button_;
  QMenu* recent_menu_;
  NewCanvasValues values_;
};

// nullopt on Cancel. The caller then confirms discarding, creates the
// Document and stores the size in LastImgW / LastImgH and the list in
// RecentLists::new_sizes.
std::optional<NewCanvasValues> run_new_canvas_dialog(QWidget* parent,
                                                     const NewCanvasValues& current);

}  // namespace qm
