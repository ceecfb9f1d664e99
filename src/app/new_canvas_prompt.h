#pragma once
// The new-canvas dialog behind the flows' NewCanvasChoice. Kept in a unit
// of its own: the dialog's header declares names the engine headers also
// declare.
#include <optional>

#include "app/user_prompts.h"

class QWidget;

namespace qm {

std::optional<NewCanvasChoice> ask_new_canvas(QWidget* parent, const NewCanvasChoice& current);

}  // namespace qm
