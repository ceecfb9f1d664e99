#pragma once
// The canvas view's settings taken from, and its flags given back to, the
// program's settings.
#include "state/drawing_state.h"
#include "canvas/view_settings.h"

namespace qm {

ViewSettings view_settings_from(const Environment& env);
// The view flag word as the view has it now (mirror, checker, grid, …).
void store_view_flags(const ViewSettings& view, Environment& env);

}  // namespace qm
