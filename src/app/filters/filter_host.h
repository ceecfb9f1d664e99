#pragma once
// What the filter runners need of the program: the application state, an
// owner for their dialogs, progress jobs and the refresh after an edit. The
// main window provides it; tests provide their own.
#include <QWidget>

#include "app/app_state.h"
#include "app/progress_job.h"
#include "core/rect.h"
#include "document/selection_area.h"

namespace qm {

class FilterHost {
 public:
  virtual ~FilterHost() = default;
  virtual AppState& state() = 0;
  virtual QWidget* owner() = 0;
  // Long work under the modal "처리 중..." dialog.
  virtual int run_job(const JobFunction& job) = 0;
  // Pixels of the current layer changed inside `r`: recomposite, repaint,
  // refresh the panels that show the document.
  virtual void pixels_changed(Rect r) = 0;
  // The canvas part the screen shows: an on-canvas preview recomposites only
  // that much at once (the rest when the dialog closes, which recomposites
  // the whole target).
  virtual Rect visible_image_rect() { return state().document.bounds(); }
  // The document's composite was rebuilt over r by the caller: repaint only.
  virtual void composited(Rect r) { (void)r; }
  // The selection, once the program has one; nullptr targets the canvas.
  virtual const SelectionArea* selection() { return nullptr; }
};

}  // namespace qm
