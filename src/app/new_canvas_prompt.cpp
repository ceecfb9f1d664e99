#include "app/new_canvas_prompt.h"

#include "app/dialogs/new_canvas_dialog.h"

namespace qm {

std::optional<NewCanvasChoice> ask_new_canvas(QWidget* parent, const NewCanvasChoice& current) {
  NewCanvasValues values;
  values.width = current.width;
  values.height = current.height;
  values.recent_sizes = current.recent_sizes;
  const std::optional<NewCanvasValues> chosen = run_new_canvas_dialog(parent, values);
  if (!chosen) return std::nullopt;
  NewCanvasChoice out;
  out.width = chosen->width;
  out.height = chosen->height;
  out.recent_sizes = chosen->recent_sizes;
  return out;
}

}  // namespace qm
